// Helpers shared by the unit tests: a fresh folder per test and scoped replacements of the
// platform's seams.
#pragma once

#include "platform/Errors.h"
#include "platform/Files.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// A new empty folder, removed with everything in it at the end of the test. The current
// directory is restored as well, since the launcher changes it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // path() joined with name by the system's own delimiter ("/", or "\\" on Windows), so that
    // paths compare equal to what the system reports back.
    std::string file(const std::string& name) const;

private:
    std::string m_path;
    std::string m_previousDirectory;
};

// The file text of the lines, each ended by CR LF.
std::string crlf(const std::vector<std::string>& lines);

// The I/O error code that action raises, or 0 when it raises none.
int ioCode(const std::function<void()>& action);

// The message of the error that action raises; empty when it raises none.
std::string errorOf(const std::function<void()>& action);

// The process's current directory; empty when the system does not tell.
std::string currentDirectory();

// System error codes for failures the tests bring about, as this system reports them (errno
// values on POSIX, GetLastError() codes on Windows).
extern const int accessDeniedError;
extern const int diskFullError;
// A failure that has no code of its own in the runtime's list.
extern const int unlistedError;
// The runtime's code for making an empty folder name current: POSIX says "not found" (2),
// Windows "invalid name" (ERROR_INVALID_NAME, 123).
extern const int emptyFolderCode;

void writeBytes(const std::string& path, const std::string& bytes);
void makeFolder(const std::string& path);
void removeFile(const std::string& path);
std::string readBytes(const std::string& path);
bool exists(const std::string& path);
// Names in a folder, without "." and "..", sorted.
std::vector<std::string> listFolder(const std::string& path);
void makeExecutable(const std::string& path, const std::string& content);

// An application's desktop entry, folder/id.desktop, that runs "true"; keys holds the rest
// ("Name=..." among them), one "key=value" a line.
void writeDesktopEntry(const std::string& folder, const std::string& id, const std::string& keys);

// POSIX only. A made-up desktop: system/applications is its one applications folder and
// own/applications the user's own, both made empty. GIO reads where they are on its first use
// in the process, so this comes before anything that may use it.
void useDesktopData(const std::string& system, const std::string& own);

// POSIX only. Runs check in a child process that lacks root's privileges (it becomes "nobody" when
// we are root, since root ignores file permissions) and answers whether check returned true there.
// The check must report through its result only: the child's test framework state is lost.
bool runUnprivileged(const std::function<bool()>& check);

// Waits, up to a generous limit, until a file exists; true when it appeared. Used to wait for
// programs the tests started, never to judge speed.
bool waitForFile(const std::string& path);

// Windows only. The path of tevlo-probe.exe, the test program built beside the tests; started,
// it writes "<folder it ran in>\n<its command line>\n<show command>\n" to its own path with the
// extension ".out".
std::string probeProgram();

// Makes executablePath() answer with the given path while in scope, and points the user's own
// settings folder (XDG_CONFIG_HOME, or APPDATA on Windows) at "config-home" beside it, so that
// no test ever reads or writes the settings of whoever runs the tests.
class ScopedExecutablePath {
public:
    explicit ScopedExecutablePath(const std::string& path);
    ~ScopedExecutablePath();

    // The user's settings folder while in scope, with its final delimiter.
    std::string userFolder() const;

private:
    platform::ExecutablePathSource m_previous;
    std::string m_home;
    std::optional<std::string> m_previousHome;
};

// Collects what reaches the application's error reporting while in scope.
class ScopedErrorCapture {
public:
    ScopedErrorCapture();
    ~ScopedErrorCapture();
    const std::vector<std::string>& messages() const { return m_messages; }
    void clear() { m_messages.clear(); }

private:
    std::vector<std::string> m_messages;
    platform::ExceptionHandler m_previous;
};

// Makes the rename step of every atomic save fail with the given system error code while in
// scope.
class ScopedRenameFailure {
public:
    explicit ScopedRenameFailure(int err);
    ~ScopedRenameFailure();

private:
    platform::RenameFunction m_previous;
};

} // namespace testing_support
