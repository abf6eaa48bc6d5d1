// Files on Windows. The ANSI ("A") functions throughout: our strings are 8-bit text in the
// system code page, which is exactly what those functions take and give back.
#include "platform/Files.h"

#include "platform/Errors.h"
#include "platform/FilesSystem.h"
#include "platform/Strings.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <windows.h>

namespace platform {

namespace {

HANDLE handleOf(std::intptr_t file) {
    return reinterpret_cast<HANDLE>(file);
}

// GetLastError() with a code that always means failure, even if a failing call forgot to set one.
DWORD lastError() {
    const DWORD code = ::GetLastError();
    return code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
}

[[noreturn]] void raiseLastError() {
    throw ioErrorFromWindowsError(lastError());
}

// Closes the handle on every way out of readFile.
class HandleGuard {
public:
    explicit HandleGuard(HANDLE handle) : m_handle(handle) {}
    ~HandleGuard() { ::CloseHandle(m_handle); }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;

private:
    HANDLE m_handle;
};

// Our own temporary files are "<target>.tmp-<process>-<n>". One whose process is gone was left
// by a save that was killed; nobody will ever finish it.
void removeStaleTemporaries(const std::string& target) {
    const std::string prefix = extractFileName(target) + ".tmp-";
    const std::string folder = extractFilePath(target);
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA((folder + prefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        if (name.size() <= prefix.size())
            continue;
        const std::string rest = name.substr(prefix.size());
        char* end = nullptr;
        const unsigned long pid = std::strtoul(rest.c_str(), &end, 10);
        if (pid == 0 || end == rest.c_str() || *end != '-' || pid == ::GetCurrentProcessId())
            continue;
        const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (process)
            ::CloseHandle(process);
        else if (::GetLastError() == ERROR_INVALID_PARAMETER)
            ::DeleteFileA((folder + found.cFileName).c_str());
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

} // namespace

std::string detail::systemUserSettingsFolder() {
    // The per-user application-data folder, roaming with the user's profile.
    char value[MAX_PATH * 4];
    const DWORD n = ::GetEnvironmentVariableA("APPDATA", value, sizeof value);
    if (n == 0 || n >= sizeof value)
        return {};
    std::string base(value, n);
    if (!isPathDelimiter(base.back()))
        base += '\\';
    return base + "Tevlo\\";
}

void detail::makeFolders(const std::string& folder) {
    std::string path;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        path += folder[i];
        const bool end = folder[i] == '\\' || folder[i] == '/' || i + 1 == folder.size();
        // Not the drive ("C:") or a share's root: those are there or not at all.
        if (end && path.size() > 3 && !::CreateDirectoryA(path.c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS)
            raiseLastError();
    }
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw ioErrorFromWindowsError(ERROR_PATH_NOT_FOUND);
}

std::string detail::systemExecutablePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), size);
        if (n == 0)
            return {};
        // A full buffer means the path was cut: try again with more room.
        if (n < size) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

int detail::systemRename(const char* from, const char* to) {
    // Write-through: the call returns only once the rename has reached the disk.
    if (::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return static_cast<int>(lastError());
}

bool fileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileStamp fileStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return {};
    const auto join = [](DWORD high, DWORD low) { return (std::uint64_t(high) << 32) | low; };
    return {
        true, join(data.nFileSizeHigh, data.nFileSizeLow),
        std::int64_t(join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)),
        0};
}

std::string readFile(const std::string& path) {
    // Others may go on reading and writing the file while we read it, as with any text editor.
    const HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        raiseLastError();
    const HandleGuard guard(file);
    // Pipes and devices (CON, NUL, COM1) have no end we could wait for; only disk files are read.
    if (::GetFileType(file) != FILE_TYPE_DISK)
        throw ioErrorFromWindowsError(ERROR_ACCESS_DENIED);
    std::string content;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file, &size) && size.QuadPart > 0)
        content.reserve(static_cast<std::size_t>(size.QuadPart));
    char buffer[detail::bufferSize];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &n, nullptr))
            raiseLastError();
        if (n == 0)
            break;
        content.append(buffer, n);
    }
    return content;
}

AtomicFile::AtomicFile(const std::string& path) : m_targetPath(path) {
    static std::atomic<unsigned> counter{0};
    // A file the user marked read-only is not to be replaced; not every file system refuses a
    // rename over it, so we refuse it ourselves, as writing the file in place would be refused.
    const DWORD attributes = ::GetFileAttributesA(m_targetPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw ioErrorFromWindowsError(ERROR_ACCESS_DENIED);
    removeStaleTemporaries(m_targetPath);
    for (int attempt = 0;; ++attempt) {
        m_temporaryPath = m_targetPath + ".tmp-" + std::to_string(::GetCurrentProcessId()) + "-" +
                          std::to_string(counter.fetch_add(1));
        // No sharing: nobody else reads a half-written file under its temporary name.
        const HANDLE file = ::CreateFileA(m_temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_file = reinterpret_cast<std::intptr_t>(file);
            break;
        }
        const DWORD err = lastError();
        if (err != ERROR_FILE_EXISTS || attempt > 100) {
            m_temporaryPath.clear();
            throw ioErrorFromWindowsError(err);
        }
    }
    m_buffer.reserve(detail::bufferSize);
}

void AtomicFile::flushBuffer() {
    std::string_view pending(m_buffer);
    while (!pending.empty()) {
        DWORD written = 0;
        if (!::WriteFile(handleOf(m_file), pending.data(), static_cast<DWORD>(pending.size()),
                         &written, nullptr))
            fail(static_cast<int>(lastError()));
        // A write that takes none of the bytes and reports no error has run out of room.
        if (written == 0)
            fail(ERROR_DISK_FULL);
        pending.remove_prefix(written);
    }
    m_buffer.clear();
}

void AtomicFile::commit() {
    if (m_file == -1)
        throw EInOutError(103);
    flushBuffer();
    if (!::FlushFileBuffers(handleOf(m_file)))
        fail(static_cast<int>(lastError()));
    const bool closed = ::CloseHandle(handleOf(m_file));
    const DWORD closeError = closed ? ERROR_SUCCESS : lastError();
    m_file = -1;
    const int err = !closed ? static_cast<int>(closeError)
                            : detail::renameForSave(m_temporaryPath.c_str(), m_targetPath.c_str());
    if (err != 0) {
        ::DeleteFileA(m_temporaryPath.c_str());
        throw ioErrorFromWindowsError(static_cast<std::uint32_t>(err));
    }
}

void AtomicFile::fail(int err) {
    cancel();
    throw ioErrorFromWindowsError(static_cast<std::uint32_t>(err));
}

void AtomicFile::cancel() noexcept {
    if (m_file == -1)
        return;
    ::CloseHandle(handleOf(m_file));
    m_file = -1;
    ::DeleteFileA(m_temporaryPath.c_str());
    m_buffer.clear();
}

std::optional<std::string> storedFileName(const std::string& path) {
    const std::string name = extractFileName(path);
    // Wildcards would let the search report some other file; no stored name can hold them.
    if (name.empty() || name.find_first_of("*?") != std::string::npos)
        return std::nullopt;
    // The search reports entries of every attribute (read-only, hidden, system, folders), and
    // the name as the folder stores it: its long name, in its own letter case.
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    ::FindClose(search);
    return std::string(found.cFileName);
}

} // namespace platform
