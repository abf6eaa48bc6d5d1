// The current folder and program starts on Windows.
#include "platform/Process.h"

#include "platform/Errors.h"

#include <windows.h>

namespace platform {

void setCurrentDirectory(const std::string& folder) {
    if (!::SetCurrentDirectoryA(folder.c_str()))
        throw ioErrorFromWindowsError(::GetLastError());
}

void spawnCommandLine(const std::string& commandLine, ShowCommand show) {
    if (commandLine.find_first_not_of(" \t") == std::string::npos)
        throw EInOutError(2);
    // CreateProcessA may write into the line while it reads it, so it gets a copy of its own.
    std::string line = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION started{};
    // Not WinExec itself: it reads the line the same way but may wait up to half a minute for
    // the program's first window, with the bar frozen meanwhile, and words its failures in
    // codes of its own instead of the system's.
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
        throw ioErrorFromWindowsError(::GetLastError());
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
}

} // namespace platform
