// A program the Windows tests start. Beside itself, under its own name with ".out", it writes
// the folder it runs in, its command line and the show command it was given, one a line; the
// file appears whole or not at all.
#include <string>
#include <windows.h>

int main() {
    char self[MAX_PATH * 4];
    const DWORD n = ::GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self)
        return 1;
    std::string out(self, n);
    out = out.substr(0, out.rfind('.')) + ".out";

    char folder[MAX_PATH * 4];
    const DWORD m = ::GetCurrentDirectoryA(sizeof folder, folder);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoA(&startup);
    const std::string show = (startup.dwFlags & STARTF_USESHOWWINDOW)
                                 ? std::to_string(startup.wShowWindow)
                                 : std::string("none");
    const std::string text =
        std::string(folder, m) + "\n" + ::GetCommandLineA() + "\n" + show + "\n";

    const std::string temporary = out + ".tmp";
    const HANDLE file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const bool ok =
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    ::CloseHandle(file);
    return ok && ::MoveFileExA(temporary.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
