#include "platform/Instance.h"

#include "platform/Application.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Strings.h"

#include <QFile>
#include <QLockFile>
#include <QSysInfo>

#include <set>

#ifndef _WIN32
#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

// The lock files this process holds. A lock that names our own process id and is not among them
// was left by an earlier process that had the same id (after a restart, or in a container).
std::set<std::string>& heldLocks() {
    static std::set<std::string> paths;
    return paths;
}

// True when the process is this user's and runs a program of our own name. An id alone says
// nothing: it may belong to anyone by now.
bool isOurProgram(qint64 pid) {
#ifndef _WIN32
    if (pid <= 0 || pid > INT_MAX)
        return false;
    const std::string proc = "/proc/" + std::to_string(pid);
    struct stat st {};
    if (::stat(proc.c_str(), &st) != 0 || st.st_uid != ::geteuid())
        return false;
    std::string exe(PATH_MAX, '\0');
    const ssize_t n = ::readlink((proc + "/exe").c_str(), exe.data(), exe.size());
    if (n <= 0)
        return false;
    exe.resize(std::size_t(n));
    // A program replaced on disk while it runs (an upgrade) is still the same program.
    const std::string_view replaced = " (deleted)";
    if (exe.ends_with(replaced))
        exe.resize(exe.size() - replaced.size());
    return extractFileName(exe) == extractFileName(executablePath());
#else
    // Windows keeps a lock file open while its process runs: one that cannot be taken over is
    // held by a running program.
    return pid > 0;
#endif
}

// Qt opens a lock file before it removes it, which a link to nowhere or to itself does not allow.
// We never make a link there, so one that stands there is nobody's lock.
void removeLink(const std::string& path) {
#ifndef _WIN32
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        ::unlink(path.c_str());
#else
    (void)path;
#endif
}

std::string reasonFor(const std::string& path, QLockFile::LockError error) {
#ifndef _WIN32
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return "a folder stands in its place";
#endif
    if (error == QLockFile::PermissionError)
        return EInOutError::MessageFor(5);
    return "it can be neither read nor replaced";
}

} // namespace

InstanceLock::InstanceLock(const std::string& settingsFile)
    : m_path(settingsFile + ".lock"),
      m_lock(std::make_unique<QLockFile>(QFile::decodeName(QByteArray::fromStdString(m_path)))) {
    // A bar runs for weeks: age never makes a lock stale, only what it names does.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0) && m_lock->error() == QLockFile::LockFailedError) {
        if (heldByRunningBar()) {
            m_acquired = false;
            qint64 holder = 0;
            m_lock->getLockInfo(&holder, nullptr, nullptr);
            requestRaise(long(holder));
            return;
        }
        // Empty, unreadable, another machine's, or a process that is not a bar of ours.
        if (!m_lock->removeStaleLockFile())
            removeLink(m_path);
        m_lock->tryLock(0);
    }
    if (m_lock->isLocked()) {
        heldLocks().insert(m_path);
        return;
    }
    m_problem = "The lock file \"" + m_path + "\" cannot be used (" +
                reasonFor(m_path, m_lock->error()) +
                "), so Tevlo runs without it and a second start on the same settings is not "
                "noticed";
}

InstanceLock::~InstanceLock() {
    if (m_lock->isLocked())
        heldLocks().erase(m_path);
}

bool InstanceLock::heldByRunningBar() const {
    qint64 pid = 0;
    QString host;
    if (!m_lock->getLockInfo(&pid, &host, nullptr) || host != QSysInfo::machineHostName())
        return false;
#ifndef _WIN32
    if (pid == ::getpid())
        return heldLocks().count(m_path) > 0;
#endif
    return isOurProgram(pid);
}

} // namespace platform
