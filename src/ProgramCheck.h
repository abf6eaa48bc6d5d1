// Whether the programs of the items shown can be found, and what their icons are called, asked
// off the user-interface thread: a disk that does not answer (a network folder gone away, a drive
// spinning up) must never hold the bar up, and a bar at rest does nothing at all.
#pragma once

#include "platform/Icons.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TProgramCheck : public QObject {
    Q_OBJECT
public:
    // The time after which an unanswered check is reported as late.
    static constexpr int LateAfterMs = 2000;

    explicit TProgramCheck(QObject* parent = nullptr);
    ~TProgramCheck() override;

    struct Question {
        std::string program;
        // Also the names its icon may have, which the disk tells.
        bool icon = false;
    };
    struct Answer {
        bool missing = false;
        // Its icon's files in the theme or on the disk; asked for only, and empty when nothing
        // names one.
        platform::IconFiles icon;
    };

    // Looks for each program (an empty one is no program) as a start would, relative ones from
    // baseFolder, and its icon in the theme. A newer request replaces an older one; only the
    // newest is answered.
    void Request(std::vector<Question> questions, std::string baseFolder,
                 platform::IconTheme theme = {});
    // True while the newest request has not been answered.
    bool Pending() const { return m_pending; }

    // Called on the user-interface thread with the answers, in the order of the questions.
    std::function<void(const std::vector<Answer>& answers)> OnAnswer;
    // Called once when the newest request has gone unanswered for LateAfterMs.
    std::function<void()> OnLate;

private:
    struct Shared;
    struct Job {
        unsigned generation;
        std::vector<Question> questions;
        std::string baseFolder;
        platform::IconTheme theme;
    };
    // Runs on the check's own thread.
    static std::vector<Answer> Answers(const Job& job);
    void Start(Job job);
    void Finished(unsigned generation, const std::vector<Answer>& answers);

    std::shared_ptr<Shared> m_shared;
    unsigned m_generation = 0;
    bool m_pending = false;
    int m_running = 0;
    std::unique_ptr<Job> m_waiting;
};
