#include "platform/Process.h"

#include "platform/DesktopEntry.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProcessSystem.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <pwd.h>
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

// 0 when the file at path can be started, else the runtime's code for why not.
int startableError(const std::string& path, bool desktopEntryAllowed) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return ioErrorFromErrno(errno).ErrorCode();
    if (!S_ISREG(st.st_mode))
        return 5;
    const bool entry = desktopEntryAllowed && detail::isDesktopEntryName(path);
    return ::access(path.c_str(), entry ? R_OK : X_OK) == 0 ? 0 : 5;
}

detail::FoundProgram searchPath(const std::string& name) {
    const char* variable = std::getenv("PATH");
    std::string folders;
    if (variable) {
        folders = variable;
    } else {
        // The system's default search, as the shell uses it when PATH is not set at all.
        folders.resize(::confstr(_CS_PATH, nullptr, 0));
        ::confstr(_CS_PATH, folders.data(), folders.size());
        folders.resize(folders.find('\0'));
    }
    int error = 2;
    for (std::string folder : detail::splitList(folders, ':')) {
        if (folder.front() != '/')
            continue;
        if (folder.back() != '/')
            folder += '/';
        const std::string path = folder + name;
        const int found = startableError(path, false);
        if (found == 0)
            return {path, 0};
        // As execvp does: a file we may not run does not end the search, but it is the
        // better reason when nothing else is found.
        if (found == 5)
            error = 5;
    }
    return {std::string(), error};
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

    void enter(const std::string& folder) {
        if (!folder.empty())
            ::posix_spawn_file_actions_addchdir_np(&m_actions, folder.c_str());
    }

    int spawn(pid_t& pid, const std::string& file, std::vector<std::string> words) const {
        std::vector<char*> argv;
        argv.reserve(words.size() + 1);
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        return ::posix_spawn(&pid, file.c_str(), &m_actions, &m_attributes, argv.data(), environ);
    }

private:
    posix_spawnattr_t m_attributes;
    posix_spawn_file_actions_t m_actions;
};

} // namespace

namespace detail {

Candidates programCandidates(std::string_view line) {
    Candidates candidates;
    const std::vector<Word> words = splitWords(line);
    if (words.empty())
        return candidates;
    if (words.size() > 1 || words.front().text != line)
        candidates.readings.push_back({std::string(line), line.size()});
    candidates.firstWord = candidates.readings.size();
    candidates.readings.push_back({expandHome(words.front()), words.front().end});
    return candidates;
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    // The reentrant lookup: programs are also looked for on a thread of their own.
    passwd entry{};
    passwd* user = nullptr;
    std::vector<char> buffer(16384);
    ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &user);
    return user && user->pw_dir ? user->pw_dir : "";
}

FoundProgram findProgram(const std::string& word, const std::string& baseFolder) {
    if (word.empty())
        return {std::string(), 2};
    if (word.find('/') == std::string::npos)
        return searchPath(word);
    std::string path = word;
    if (word.front() != '/') {
        path = baseFolder;
        if (!path.empty() && path.back() != '/')
            path += '/';
        path += word;
    }
    const int error = startableError(path, true);
    return {error == 0 ? path : std::string(), error};
}

void inspectProgram(ProgramLocation& location) {
    if (isDesktopEntryName(location.path)) {
        location.desktopEntry = true;
        inspectDesktopEntry(location);
    }
}

} // namespace detail

void setCurrentDirectory(const std::string& folder) {
    if (::chdir(folder.c_str()) != 0)
        raiseIoError(errno);
}

void checkWorkingFolder(const std::string& folder) {
    if (folder.empty())
        raiseIoError(ENOENT);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        raiseIoError(errno);
    if (!S_ISDIR(st.st_mode))
        raiseIoError(ENOTDIR);
    if (::access(folder.c_str(), X_OK) != 0)
        raiseIoError(errno);
}

void spawnCommandLine(const std::string& commandLine, const std::string& folder, ShowCommand) {
    reapEndedPrograms();
    const ProgramLocation program = locateProgram(commandLine, settingsFolder());
    if (program.error != 0)
        throw EInOutError(program.error, program.reason);
    if (program.desktopEntry) {
        detail::launchDesktopEntry(program, folder);
        return;
    }

    std::vector<std::string> words;
    // A program found on PATH sees its name as written, as the shell gives it; one found by
    // its path sees the full path, so that it can find itself from any folder.
    words.push_back(program.name.find('/') == std::string::npos ? program.name : program.path);
    words.insert(words.end(), program.arguments.begin(), program.arguments.end());

    SpawnSettings settings;
    settings.enter(folder);
    pid_t pid = 0;
    int err = settings.spawn(pid, program.path, words);
    if (err == ENOEXEC) {
        // Not a format the system runs: a script without "#!", which the shell's own exec
        // hands to the shell.
        words.front() = program.path;
        words.insert(words.begin(), "/bin/sh");
        err = settings.spawn(pid, "/bin/sh", words);
    }
    if (err == E2BIG)
        throw EInOutError(err, "The command line is " + std::to_string(commandLine.size()) +
                                   " characters long, more than the system allows");
    if (err != 0)
        raiseIoError(err);
    startedPrograms().push_back(pid);
}

} // namespace platform
