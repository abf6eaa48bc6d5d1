#include "ProgramCheck.h"

#include "platform/Applications.h"
#include "platform/Memory.h"
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

void TProgramCheck::Request(std::vector<Question> questions, std::string baseFolder,
                            platform::IconTheme theme) {
    const unsigned generation = ++m_generation;
    m_pending = true;
    Job job{generation, std::move(questions), std::move(baseFolder), std::move(theme)};
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

std::vector<TProgramCheck::Answer> TProgramCheck::Answers(const Job& job) {
    std::vector<Answer> answers;
    platform::IconLookup icons(job.theme);
    for (const Question& question : job.questions) {
        Answer& answer = answers.emplace_back();
        if (question.program.empty())
            continue;
        const platform::ProgramLocation location =
            platform::locateProgram(question.program, job.baseFolder);
        answer.missing = location.error != 0;
        if (question.icon)
            platform::programIconNames(location, [&](const std::string& name) {
                answer.icon = icons.find(name);
                return !answer.icon.empty();
            });
    }
    return answers;
}

void TProgramCheck::Start(Job job) {
    ++m_running;
    std::thread([shared = m_shared, job = std::move(job)] {
        const std::vector<Answer> answers = Answers(job);
        // Posted while the owner cannot go away; Qt drops the call if it goes before it runs.
        const std::lock_guard lock(shared->mutex);
        if (TProgramCheck* owner = shared->owner)
            QMetaObject::invokeMethod(
                owner,
                [owner, generation = job.generation, answers] {
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
    // What the check read and let go of (a theme's index, the answers once shown) goes back to
    // the system, rather than staying with the allocator of a thread that has ended.
    QTimer::singleShot(0, this, [] { platform::releaseFreeMemory(); });
}
