#include "TestSupport.h"

#include "platform/Strings.h"

#include <cstdlib>
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

void writeDesktopEntry(const std::string& folder, const std::string& id, const std::string& keys) {
    writeBytes(folder + "/" + id + ".desktop",
               "[Desktop Entry]\nType=Application\nExec=true\n" + keys + "\n");
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

namespace {

#ifdef _WIN32
const char* const HomeVariable = "APPDATA";
#else
const char* const HomeVariable = "XDG_CONFIG_HOME";
#endif

void setVariable(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
    ::_putenv_s(name, value ? value->c_str() : "");
#else
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
#endif
}

} // namespace

ScopedExecutablePath::ScopedExecutablePath(const std::string& path)
    : m_previous(platform::setExecutablePathSource([path] { return path; })),
      m_home(platform::extractFilePath(path) + "config-home") {
    if (const char* previous = std::getenv(HomeVariable))
        m_previousHome = previous;
    setVariable(HomeVariable, m_home);
}

ScopedExecutablePath::~ScopedExecutablePath() {
    setVariable(HomeVariable, m_previousHome);
    platform::setExecutablePathSource(std::move(m_previous));
}

std::string ScopedExecutablePath::userFolder() const {
    return platform::userSettingsFolder();
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
