#include "TestSupport.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

std::string crlf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

int ioCode(const std::function<void()>& action) {
    try {
        action();
    } catch (const EInOutError& error) {
        return error.ErrorCode();
    }
    return 0;
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

ScopedExecutablePath::ScopedExecutablePath(const std::string& path)
    : m_previous(platform::setExecutablePathSource([path] { return path; })) {}

ScopedExecutablePath::~ScopedExecutablePath() {
    platform::setExecutablePathSource(std::move(m_previous));
}

ScopedErrorCapture::ScopedErrorCapture()
    : m_previous(platform::setExceptionHandler(
          [this](const std::exception& error) { m_messages.push_back(error.what()); })) {}

ScopedErrorCapture::~ScopedErrorCapture() {
    platform::setExceptionHandler(std::move(m_previous));
}

ScopedRenameFailure::ScopedRenameFailure(int err)
    : m_previous(platform::setRenameFunction([err](const char*, const char*) { return err; })) {}

ScopedRenameFailure::~ScopedRenameFailure() {
    platform::setRenameFunction(std::move(m_previous));
}

} // namespace testing_support
