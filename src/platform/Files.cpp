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

std::string settingsFolder() {
    return extractFilePath(executablePath());
}

ExecutablePathSource setExecutablePathSource(ExecutablePathSource source) {
    ExecutablePathSource previous = std::move(executablePathSource());
    executablePathSource() = std::move(source);
    return previous;
}

} // namespace platform
