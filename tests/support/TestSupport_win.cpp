// The parts of the test support that use Windows calls.
#include "TestSupport.h"

#include "platform/Strings.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <windows.h>

namespace testing_support {

const int accessDeniedError = ERROR_ACCESS_DENIED;
const int diskFullError = ERROR_DISK_FULL;
const int emptyFolderCode = ERROR_INVALID_NAME;
const int unlistedError = ERROR_GEN_FAILURE;

namespace {

// Removes a folder and everything in it; tests mark files read-only, so that goes first.
void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA entry{};
    const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(search, &entry));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
}

} // namespace

std::string currentDirectory() {
    char cwd[MAX_PATH * 4];
    const DWORD n = ::GetCurrentDirectoryA(sizeof cwd, cwd);
    return n > 0 && n < sizeof cwd ? std::string(cwd, n) : std::string();
}

TempDir::TempDir() : m_previousDirectory(currentDirectory()) {
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH + 1];
    const DWORD n = ::GetTempPathA(sizeof temp, temp);
    if (n == 0 || n > MAX_PATH)
        throw std::runtime_error("GetTempPathA failed");
    // The long form, so that the paths we build compare equal to what the system reports.
    char longTemp[MAX_PATH * 4];
    const DWORD m = ::GetLongPathNameA(temp, longTemp, sizeof longTemp);
    std::string base = m > 0 && m < sizeof longTemp ? std::string(longTemp, m) : std::string(temp);
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    for (int attempt = 0;; ++attempt) {
        m_path = base + "\\tevlo-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(counter.fetch_add(1));
        if (::CreateDirectoryA(m_path.c_str(), nullptr))
            break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS || attempt > 100)
            throw std::runtime_error("cannot create a temporary folder");
    }
}

TempDir::~TempDir() {
    // A folder that is current cannot be removed on Windows.
    if (!m_previousDirectory.empty())
        ::SetCurrentDirectoryA(m_previousDirectory.c_str());
    removeTree(m_path);
}

std::string TempDir::file(const std::string& name) const {
    return m_path + "\\" + name;
}

void makeFolder(const std::string& path) {
    if (!::CreateDirectoryA(path.c_str(), nullptr))
        throw std::runtime_error("cannot create " + path);
}

void removeFile(const std::string& path) {
    if (!::DeleteFileA(path.c_str()))
        throw std::runtime_error("cannot remove " + path);
}

bool exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> listFolder(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry{};
    const HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name != "." && name != "..")
                names.push_back(name);
        } while (::FindNextFileA(search, &entry));
        ::FindClose(search);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void makeExecutable(const std::string& path, const std::string& content) {
    // Windows knows programs by their extension, not by a permission bit.
    writeBytes(path, content);
}

bool waitForFile(const std::string& path) {
    for (int i = 0; i < 2000; ++i) {
        if (exists(path))
            return true;
        ::Sleep(10);
    }
    return false;
}

std::string probeProgram() {
    return platform::extractFilePath(platform::executablePath()) + "tevlo-probe.exe";
}

} // namespace testing_support
