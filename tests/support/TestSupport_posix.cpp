// The parts of the test support that use POSIX calls.
#include "TestSupport.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <ftw.h>
#include <grp.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

const int accessDeniedError = EACCES;
const int diskFullError = ENOSPC;
const int emptyFolderCode = 2;
const int unlistedError = EIO;

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    // Tests take write permission away from folders; give it back so they can be removed.
    ::chmod(path, 0700);
    return ::remove(path);
}

} // namespace

std::string currentDirectory() {
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? cwd : "";
}

TempDir::TempDir() : m_previousDirectory(currentDirectory()) {
    // Always /tmp: tests that drop root's privileges need a parent every user can enter.
    std::string pattern = "/tmp/tevlo-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    if (!m_previousDirectory.empty() && ::chdir(m_previousDirectory.c_str()) != 0)
        std::perror("chdir");
    ::chmod(m_path.c_str(), 0700);
    ::nftw(m_path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string TempDir::file(const std::string& name) const {
    return m_path + "/" + name;
}

void makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0)
        throw std::runtime_error("cannot create " + path);
}

void removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        throw std::runtime_error("cannot remove " + path);
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> listFolder(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void makeExecutable(const std::string& path, const std::string& content) {
    writeBytes(path, content);
    ::chmod(path.c_str(), 0755);
}

void useDesktopData(const std::string& system, const std::string& own) {
    for (const std::string& data : {system, own}) {
        makeFolder(data);
        makeFolder(data + "/applications");
    }
    ::setenv("XDG_DATA_DIRS", system.c_str(), 1);
    ::setenv("XDG_DATA_HOME", own.c_str(), 1);
}

bool runUnprivileged(const std::function<bool()>& check) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        bool ok = false;
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        try {
            ok = check();
        } catch (...) {
            ok = false;
        }
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool waitForFile(const std::string& path) {
    for (int i = 0; i < 2000; ++i) {
        if (exists(path))
            return true;
        ::usleep(10000);
    }
    return false;
}

} // namespace testing_support
