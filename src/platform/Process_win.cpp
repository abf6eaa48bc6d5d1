// The current folder, finding programs and starting them on Windows.
#include "platform/Process.h"

#include "platform/Applications.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProcessSystem.h"
#include "platform/Strings.h"

#include <windows.h>

namespace platform {

namespace {

// CreateProcessA takes at most this many characters, the terminating zero included.
constexpr std::size_t CommandLineLimit = 32767;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isAbsolutePath(std::string_view path) {
    return path.starts_with('\\') || path.starts_with('/') || (path.size() > 1 && path[1] == ':');
}

std::string environmentVariable(const char* name) {
    std::string value(::GetEnvironmentVariableA(name, nullptr, 0), '\0');
    value.resize(::GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

// A list such as PATH, whose items may be quoted.
std::vector<std::string> listOf(const std::string& text) {
    std::vector<std::string> items;
    for (std::string item : detail::splitList(text, ';')) {
        if (item.size() >= 2 && item.front() == '"' && item.back() == '"')
            item = item.substr(1, item.size() - 2);
        if (!item.empty())
            items.push_back(std::move(item));
    }
    return items;
}

// The path as it stands or, when its name has no extension, with the first extension of
// PATHEXT that names a file, as the command interpreter tries them.
detail::FoundProgram withExtensions(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {path, 0};
    const int error = attributes == INVALID_FILE_ATTRIBUTES ? 2 : 5;
    if (extractFileName(path).find('.') != std::string::npos)
        return {std::string(), error};
    std::string extensions = environmentVariable("PATHEXT");
    if (extensions.empty())
        extensions = ".COM;.EXE;.BAT;.CMD";
    for (const std::string& extension : listOf(extensions)) {
        const std::string candidate = path + extension;
        const DWORD found = ::GetFileAttributesA(candidate.c_str());
        if (found != INVALID_FILE_ATTRIBUTES && !(found & FILE_ATTRIBUTE_DIRECTORY))
            return {candidate, 0};
    }
    return {std::string(), error};
}

} // namespace

namespace detail {

Candidates programCandidates(std::string_view line) {
    Candidates candidates;
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start]))
        ++start;
    if (start == line.size())
        return candidates;
    if (line[start] == '"') {
        const std::size_t quote = line.find('"', start + 1);
        const std::size_t end = quote == std::string_view::npos ? line.size() : quote;
        candidates.readings.push_back({std::string(line.substr(start + 1, end - start - 1)),
                                       quote == std::string_view::npos ? line.size() : quote + 1});
        return candidates;
    }
    // Unquoted, the line is read up to each blank in turn, shortest first, as the system
    // itself reads it, so stored paths with blanks and arguments keep working.
    for (std::size_t i = start + 1; i <= line.size(); ++i) {
        if ((i == line.size() || isBlank(line[i])) && !isBlank(line[i - 1]))
            candidates.readings.push_back({std::string(line.substr(start, i - start)), i});
    }
    return candidates;
}

std::string homeFolder() {
    return std::string();
}

FoundProgram findProgram(const std::string& word, const std::string& baseFolder) {
    if (word.empty())
        return {std::string(), 2};
    if (word.find_first_of("\\/:") != std::string::npos) {
        std::string path = word;
        if (!isAbsolutePath(word)) {
            path = baseFolder;
            if (!path.empty() && !isPathDelimiter(path.back()))
                path += '\\';
            path += word;
        }
        return withExtensions(path);
    }
    int error = 2;
    for (std::string folder : listOf(environmentVariable("PATH"))) {
        // A relative entry would depend on whatever folder is current.
        if (!isAbsolutePath(folder))
            continue;
        if (!isPathDelimiter(folder.back()))
            folder += '\\';
        const FoundProgram found = withExtensions(folder + word);
        if (found.error == 0)
            return found;
        if (found.error == 5)
            error = 5;
    }
    return {std::string(), error};
}

void inspectProgram(ProgramLocation&) {}

} // namespace detail

// Windows has no desktop entries; its start menu is not ours to read.
std::optional<InstalledApplication> defaultApplicationFor(const std::string&) {
    return std::nullopt;
}

std::optional<InstalledApplication> applicationOf(const std::string&) {
    return std::nullopt;
}

std::vector<InstalledApplication> applicationsInCategory(const std::string&) {
    return {};
}

std::vector<InstalledApplication> installedApplications() {
    return {};
}

LauncherTrust launcherTrust(const std::string&) {
    return {};
}

void setCurrentDirectory(const std::string& folder) {
    if (!::SetCurrentDirectoryA(folder.c_str()))
        throw ioErrorFromWindowsError(::GetLastError());
}

void checkWorkingFolder(const std::string& folder) {
    // The codes SetCurrentDirectoryA gives for the same folders.
    if (folder.empty())
        throw ioErrorFromWindowsError(ERROR_INVALID_NAME);
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw ioErrorFromWindowsError(::GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw ioErrorFromWindowsError(ERROR_DIRECTORY);
}

void spawnCommandLine(const std::string& commandLine, const std::string& folder, ShowCommand show) {
    const ProgramLocation program = locateProgram(commandLine, settingsFolder());
    if (program.error != 0)
        throw EInOutError(program.error, program.reason);
    // The program found, quoted, so the system cannot read it another way; the arguments as
    // written, since every Windows program splits its own command line.
    std::string line = '"' + program.path + '"' + commandLine.substr(program.argumentsStart);
    if (line.size() >= CommandLineLimit)
        throw EInOutError(ERROR_FILENAME_EXCED_RANGE,
                          "The command line is " + std::to_string(line.size()) +
                              " characters long, more than the system allows (" +
                              std::to_string(CommandLineLimit - 1) + ")");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION started{};
    // The system wants a whole path here; "X:" alone means the current folder of drive X.
    std::string where;
    if (!folder.empty()) {
        where.resize(::GetFullPathNameA(folder.c_str(), 0, nullptr, nullptr));
        where.resize(
            ::GetFullPathNameA(folder.c_str(), DWORD(where.size()), where.data(), nullptr));
    }
    // Not WinExec itself: it may wait up to half a minute for the program's first window, with
    // the bar frozen meanwhile, and words its failures in codes of its own instead of the
    // system's. CreateProcessA may write into the line, which is our own copy.
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          where.empty() ? nullptr : where.c_str(), &startup, &started))
        throw ioErrorFromWindowsError(::GetLastError());
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
}

} // namespace platform
