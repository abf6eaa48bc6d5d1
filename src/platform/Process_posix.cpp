#include "platform/Process.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// Started programs stay our children until they end; collecting them now and then keeps a bar
// that runs for weeks from gathering zombies, without a signal handler or a thread.
std::vector<pid_t>& startedPrograms() {
    static std::vector<pid_t> pids;
    return pids;
}

void reapEndedPrograms() {
    auto& pids = startedPrograms();
    std::erase_if(pids, [](pid_t pid) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
}

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

class SpawnSettings {
public:
    SpawnSettings() {
        ::posix_spawnattr_init(&m_attributes);
        ::posix_spawn_file_actions_init(&m_actions);
        // A fresh session, default signal dispositions and an empty signal mask: the program
        // must not inherit what the bar's toolkit set up for itself.
        sigset_t all;
        sigfillset(&all);
        sigset_t none;
        sigemptyset(&none);
        ::posix_spawnattr_setsigdefault(&m_attributes, &all);
        ::posix_spawnattr_setsigmask(&m_attributes, &none);
        ::posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF |
                                                      POSIX_SPAWN_SETSIGMASK);
        ::posix_spawn_file_actions_addclosefrom_np(&m_actions, 3);
    }
    ~SpawnSettings() {
        ::posix_spawn_file_actions_destroy(&m_actions);
        ::posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    const posix_spawnattr_t* attributes() const { return &m_attributes; }
    const posix_spawn_file_actions_t* actions() const { return &m_actions; }

private:
    posix_spawnattr_t m_attributes;
    posix_spawn_file_actions_t m_actions;
};

} // namespace

void setCurrentDirectory(const std::string& folder) {
    if (::chdir(folder.c_str()) != 0)
        raiseIoError(errno);
}

void spawnCommandLine(const std::string& commandLine, ShowCommand) {
    reapEndedPrograms();

    std::vector<std::string> words;
    const bool wholeLineIsFile = isExecutableFile(commandLine);
    if (wholeLineIsFile)
        words.push_back(commandLine);
    else
        words = splitCommandLine(commandLine);
    if (words.empty() || words.front().empty())
        throw EInOutError(2);

    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const SpawnSettings settings;
    // A file found by the whole line is taken where it is, even without a "/" in its name.
    const bool searchPath = !wholeLineIsFile && words.front().find('/') == std::string::npos;
    pid_t pid = 0;
    const int err = searchPath ? ::posix_spawnp(&pid, argv[0], settings.actions(),
                                                settings.attributes(), argv.data(), environ)
                               : ::posix_spawn(&pid, argv[0], settings.actions(),
                                               settings.attributes(), argv.data(), environ);
    if (err != 0)
        raiseIoError(err);
    startedPrograms().push_back(pid);
}

} // namespace platform
