// The parts of Files that are the same on every system: the seams and the one-call save.
#include "platform/Files.h"

#include "platform/Errors.h"
#include "platform/FilesSystem.h"
#include "platform/Strings.h"

#include <algorithm>
#include <ctime>

namespace platform {

namespace {

RenameFunction& renameFunction() {
    static RenameFunction rename = detail::systemRename;
    return rename;
}

ExecutablePathSource& executablePathSource() {
    static ExecutablePathSource source;
    return source;
}

// Where the settings live cannot change while the program runs, and finding out lists the
// executable's whole folder (for the stored name), which may be /usr/bin with thousands of
// entries: it is worked out once, on first need, and again only when a test moves the program.
struct SettingsPlace {
    bool known = false;
    std::string fileName;
    std::string folder;
};

SettingsPlace& settingsPlace() {
    static SettingsPlace place;
    return place;
}

const SettingsPlace& knownSettingsPlace() {
    SettingsPlace& place = settingsPlace();
    if (place.known)
        return place;
    const std::string exe = executablePath();
    const auto stored = storedFileName(exe);
    place.fileName = changeFileExt(stored ? *stored : extractFileName(exe), ".ini");
    const std::string beside = extractFilePath(exe);
    if (!beside.empty() && (isBuildFolder(beside) || fileExists(beside + place.fileName) ||
                            fileExists(beside + "Items.txt")))
        place.folder = beside;
    else if (const std::string own = userSettingsFolder(); !own.empty())
        place.folder = own;
    else
        place.folder = beside;
    place.known = true;
    return place;
}

} // namespace

namespace detail {

int renameForSave(const char* from, const char* to) {
    return renameFunction()(from, to);
}

} // namespace detail

AtomicFile::~AtomicFile() {
    cancel();
}

void AtomicFile::write(std::string_view data) {
    if (m_file == -1)
        throw EInOutError(103); // the runtime's "file not open"
    while (!data.empty()) {
        const std::size_t room = detail::bufferSize - m_buffer.size();
        const std::size_t n = std::min(room, data.size());
        m_buffer.append(data.substr(0, n));
        data.remove_prefix(n);
        if (m_buffer.size() == detail::bufferSize)
            flushBuffer();
    }
}

void FileVersion::remember(const FileStamp& stamp, std::string_view content) {
    m_stamp = stamp;
    m_size = content.size();
    m_hash = std::hash<std::string_view>{}(content);
}

std::optional<std::string> FileVersion::changedElsewhere(const std::string& path) const {
    const FileStamp now = fileStamp(path);
    if (!now.exists || now == m_stamp)
        return std::nullopt;
    std::string content = readFile(path);
    if (content.size() == m_size && std::hash<std::string_view>{}(content) == m_hash)
        return std::nullopt;
    return content;
}

std::string keepEditedCopy(const std::string& path, std::string_view content) {
    const std::time_t now = std::time(nullptr);
    char when[32] = {};
    std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", std::localtime(&now));
    std::string name = path + ".edited-" + when;
    for (int n = 2; fileExists(name); ++n)
        name = path + ".edited-" + when + "-" + std::to_string(n);
    writeFileAtomic(name, content);
    return name;
}

void writeFileAtomic(const std::string& path, std::string_view content) {
    AtomicFile file(path);
    file.write(content);
    file.commit();
}

RenameFunction setRenameFunction(RenameFunction rename) {
    RenameFunction previous = std::move(renameFunction());
    renameFunction() = rename ? std::move(rename) : RenameFunction(detail::systemRename);
    return previous;
}

std::string executablePath() {
    if (const ExecutablePathSource& source = executablePathSource())
        return source();
    return detail::systemExecutablePath();
}

std::string settingsFileName() {
    return knownSettingsPlace().fileName;
}

std::string userSettingsFolder() {
    return detail::systemUserSettingsFolder();
}

std::string settingsFolder() {
    return knownSettingsPlace().folder;
}

bool isBuildFolder(const std::string& folder) {
    // CMake leaves its cache in every folder it builds in, and nothing installs one.
    return !folder.empty() && fileExists(folder + "CMakeCache.txt");
}

void makeSettingsFolder() {
    const std::string folder = settingsFolder();
    if (folder.empty())
        return;
    try {
        detail::makeFolders(folder);
    } catch (const EInOutError& error) {
        throw EInOutError(error.ErrorCode(), "The settings folder \"" + folder +
                                                 "\" cannot be used (" + error.Message() +
                                                 "), so the settings of this run cannot be saved");
    }
}

ExecutablePathSource setExecutablePathSource(ExecutablePathSource source) {
    ExecutablePathSource previous = std::move(executablePathSource());
    executablePathSource() = std::move(source);
    settingsPlace() = {};
    return previous;
}

} // namespace platform
