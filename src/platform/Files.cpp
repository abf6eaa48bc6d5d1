// The parts of Files that are the same on every system: the seams and the one-call save.
#include "platform/Files.h"

#include "platform/Errors.h"
#include "platform/FilesSystem.h"
#include "platform/Strings.h"

#include <algorithm>

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
    const std::string exe = executablePath();
    const auto stored = storedFileName(exe);
    return changeFileExt(stored ? *stored : extractFileName(exe), ".ini");
}

std::string userSettingsFolder() {
    return detail::systemUserSettingsFolder();
}

std::string settingsFolder() {
    const std::string beside = extractFilePath(executablePath());
#ifdef TEVLO_BUILD_FOLDER
    // scripts/run and a developer's own runs keep their files in the build folder.
    if (!beside.empty() && beside == TEVLO_BUILD_FOLDER)
        return beside;
#endif
    if (!beside.empty() &&
        (fileExists(beside + settingsFileName()) || fileExists(beside + "Items.txt")))
        return beside;
    const std::string own = userSettingsFolder();
    return own.empty() ? beside : own;
}

void makeSettingsFolder() {
    const std::string folder = settingsFolder();
    if (folder.empty())
        return;
    try {
        detail::makeFolders(folder);
    } catch (const EInOutError& error) {
        throw EInOutError(error.ErrorCode(), "The settings folder \"" + folder +
                                                 "\" could not be made: " + error.Message());
    }
}

ExecutablePathSource setExecutablePathSource(ExecutablePathSource source) {
    ExecutablePathSource previous = std::move(executablePathSource());
    executablePathSource() = std::move(source);
    return previous;
}

} // namespace platform
