#include "platform/Files.h"

#include "platform/Errors.h"
#include "platform/FilesSystem.h"
#include "platform/Strings.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {} // namespace

std::string detail::systemExecutablePath() {
    std::string path(PATH_MAX, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string detail::systemUserSettingsFolder() {
    // The XDG base directory rule: an absolute $XDG_CONFIG_HOME, else ~/.config, the home folder
    // taken from the user database when $HOME is not set (a service, a bare session).
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        base = config;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        base = std::string(home) + "/.config";
    else if (const passwd* user = ::getpwuid(::getuid());
             user && user->pw_dir && user->pw_dir[0] == '/')
        base = std::string(user->pw_dir) + "/.config";
    if (base.empty())
        return {};
    if (base.back() != '/')
        base += '/';
    return base + "tevlo/";
}

namespace {

// Why a folder cannot be made, in words that point at the cause: the runtime's "Invalid
// filename" for a file in the way, or "I/O error 40" for a loop of links, would not.
[[noreturn]] void cannotMakeFolder(const std::string& folder, int err) {
    if (err == ELOOP)
        throw EInOutError(err, "its path runs round a loop of symbolic links");
    if (err == ENOTDIR || err == EEXIST) {
        // Each part of the path, without the "/" that would make stat() want a folder.
        for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
            const std::string part = folder.substr(0, end);
            struct stat st {};
            if (!part.empty() && ::stat(part.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
                throw EInOutError(3, "\"" + part + "\" is a file, not a folder");
            if (end == std::string::npos)
                break;
        }
    }
    raiseIoError(err);
}

} // namespace

void detail::makeFolders(const std::string& folder) {
    std::string path;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        path += folder[i];
        if ((folder[i] == '/' || i + 1 == folder.size()) && path.size() > 1) {
            // Settings are the user's alone: a folder we make is closed to others.
            if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
                cannotMakeFolder(folder, errno);
        }
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        cannotMakeFolder(folder, errno);
    if (!S_ISDIR(st.st_mode))
        cannotMakeFolder(folder, ENOTDIR);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        cannotMakeFolder(folder, errno);
}

int detail::systemRename(const char* from, const char* to) {
    return ::rename(from, to) == 0 ? 0 : errno;
}

namespace {

// A symbolic link stays a link: the save replaces the file it points to, also when that file
// does not exist yet (a link into a folder that is synchronised, say).
std::string resolveTarget(const std::string& path) {
    std::string target = path;
    // As many links as the system itself follows before it gives up.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return target;
        std::string next(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), next.data(), next.size());
        if (n < 0 || std::size_t(n) >= next.size())
            return target;
        next.resize(std::size_t(n));
        target = next.front() == '/' ? next : extractFilePath(target) + next;
    }
    return target;
}

// Our own temporary files are "<target>.tmp-<process>-<n>". One whose process is gone was left
// by a save that was killed; nobody will ever finish it.
void removeStaleTemporaries(const std::string& target) {
    const std::string prefix = extractFileName(target) + ".tmp-";
    const std::string folder = extractFilePath(target);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (!name.starts_with(prefix))
            continue;
        const std::string rest(name.substr(prefix.size()));
        char* end = nullptr;
        const long pid = std::strtol(rest.c_str(), &end, 10);
        if (pid <= 0 || end == rest.c_str() || *end != '-' || pid == ::getpid())
            continue;
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            ::unlink((folder + std::string(name)).c_str());
    }
    ::closedir(dir);
}

void syncFolder(const std::string& filePath) {
    std::string folder = extractFilePath(filePath);
    if (folder.empty())
        folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // The rename is already visible; this only hurries it to the disk.
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

FileStamp fileStamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {true, std::uint64_t(st.st_size),
            std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            std::uint64_t(st.st_ino)};
}

std::string readFile(const std::string& path) {
    // O_NONBLOCK so that a pipe standing where a file is expected cannot stall us in open().
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        raiseIoError(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // Pipes, devices and folders have no end we could wait for; only plain files are read.
        const int err = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
        ::close(fd);
        raiseIoError(err);
    }
    // Read straight into the string, in one call for a file that keeps its size; room for one
    // buffer more lets a growing file be read to its end without moving what was read.
    const std::size_t expected = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    std::string content;
    content.reserve(expected + detail::bufferSize);
    content.resize(expected);
    std::size_t got = 0;
    for (;;) {
        if (got == content.size())
            content.resize(got + detail::bufferSize);
        const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            raiseIoError(err);
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    content.resize(got);
    return content;
}

AtomicFile::AtomicFile(const std::string& path) : m_targetPath(resolveTarget(path)) {
    static std::atomic<unsigned> counter{0};
    struct stat target {};
    const bool targetExists = ::stat(m_targetPath.c_str(), &target) == 0;
    // A file made read-only is not ours to replace, even where the folder would allow it.
    if (targetExists && S_ISREG(target.st_mode) &&
        ((target.st_mode & 0222) == 0 || ::access(m_targetPath.c_str(), W_OK) != 0))
        raiseIoError(EACCES);
    removeStaleTemporaries(m_targetPath);
    for (int attempt = 0;; ++attempt) {
        m_temporaryPath = m_targetPath + ".tmp-" + std::to_string(::getpid()) + "-" +
                          std::to_string(counter.fetch_add(1));
        m_file = ::open(m_temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_file >= 0)
            break;
        if (errno != EEXIST || attempt > 100) {
            const int err = errno;
            m_temporaryPath.clear();
            raiseIoError(err);
        }
    }
    if (targetExists) {
        // The new file takes the old one's place, so it takes its permissions and owner too.
        ::fchmod(static_cast<int>(m_file), target.st_mode & 07777);
        if (::fchown(static_cast<int>(m_file), target.st_uid, target.st_gid) != 0) {
            // Only root may give a file away; anyone else keeps the file as their own.
        }
    }
    m_buffer.reserve(detail::bufferSize);
}

void AtomicFile::flushBuffer() {
    std::string_view pending(m_buffer);
    while (!pending.empty()) {
        const ssize_t n = ::write(static_cast<int>(m_file), pending.data(), pending.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        pending.remove_prefix(static_cast<std::size_t>(n));
    }
    m_buffer.clear();
}

void AtomicFile::commit() {
    if (m_file < 0)
        throw EInOutError(103);
    flushBuffer();
    if (::fsync(static_cast<int>(m_file)) != 0)
        fail(errno);
    const int closed = ::close(static_cast<int>(m_file));
    m_file = -1;
    const int err =
        closed != 0 ? errno : detail::renameForSave(m_temporaryPath.c_str(), m_targetPath.c_str());
    if (err != 0) {
        ::unlink(m_temporaryPath.c_str());
        raiseIoError(err);
    }
    syncFolder(m_targetPath);
}

void AtomicFile::fail(int err) {
    cancel();
    raiseIoError(err);
}

void AtomicFile::cancel() noexcept {
    if (m_file < 0)
        return;
    ::close(static_cast<int>(m_file));
    m_file = -1;
    ::unlink(m_temporaryPath.c_str());
    m_buffer.clear();
}

std::optional<std::string> storedFileName(const std::string& path) {
    const std::string name = extractFileName(path);
    if (name.empty())
        return std::nullopt;
    std::string folder = extractFilePath(path);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view entryName(entry->d_name);
        if (entryName == name) {
            found = name;
            break;
        }
        if (!found && sameText(entryName, name))
            found = std::string(entryName);
    }
    ::closedir(dir);
    return found;
}

} // namespace platform
