#include "ProgramCheck.h"

#include "platform/Applications.h"
#include "platform/Process.h"

#include <QMetaObject>
#include <QTimer>
#include <mutex>
#include <thread>

namespace {

// Checks held up by a disk that does not answer keep their threads until it does; beyond these
// many, a new request waits for one of them instead of starting yet another thread.
constexpr int MaxRunning = 3;

} // namespace

// What a check's thread shares with the object that asked: it may outlive the object.
struct TProgramCheck::Shared {
    std::mutex mutex;
    TProgramCheck* owner = nullptr;
};

TProgramCheck::TProgramCheck(QObject* parent)
    : QObject(parent), m_shared(std::make_shared<Shared>()) {
    m_shared->owner = this;
}

TProgramCheck::~TProgramCheck() {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->owner = nullptr;
}

void TProgramCheck::Request(std::vector<Question> questions, std::string baseFolder) {
    const unsigned generation = ++m_generation;
    m_pending = true;
    Job job{generation, std::move(questions), std::move(baseFolder)};
    if (m_running < MaxRunning) {
        Start(std::move(job));
    } else {
        m_waiting = std::make_unique<Job>(std::move(job));
    }
    QTimer::singleShot(LateAfterMs, this, [this, generation] {
        if (m_pending && generation == m_generation && OnLate)
            OnLate();
    });
}

void TProgramCheck::Start(Job job) {
    ++m_running;
    std::thread([shared = m_shared, job = std::move(job)] {
        std::vector<Answer> answers;
        for (const Question& question : job.questions) {
            Answer& answer = answers.emplace_back();
            if (question.program.empty())
                continue;
            const platform::ProgramLocation location =
                platform::locateProgram(question.program, job.baseFolder);
            answer.missing = location.error != 0;
            if (question.icon)
                answer.iconNames = platform::programIconNames(location);
        }
        // Posted while the owner cannot go away; Qt drops the call if it goes before it runs.
        const std::lock_guard lock(shared->mutex);
        if (TProgramCheck* owner = shared->owner)
            QMetaObject::invokeMethod(
                owner,
                [owner, generation = job.generation, answers = std::move(answers)] {
                    owner->Finished(generation, answers);
                },
                Qt::QueuedConnection);
    }).detach();
}

void TProgramCheck::Finished(unsigned generation, const std::vector<Answer>& answers) {
    --m_running;
    if (m_waiting) {
        Start(std::move(*m_waiting));
        m_waiting.reset();
    }
    if (generation != m_generation)
        return;
    m_pending = false;
    if (OnAnswer)
        OnAnswer(answers);
}
