// The process's current folder, finding the program a command line names, and starting it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// How the started program's first window appears.
enum class ShowCommand : int { Show = 5 };

// Raises EInOutError when the folder cannot be made current; an empty folder never can.
void setCurrentDirectory(const std::string& folder);
// Raises the EInOutError that setCurrentDirectory would raise for the folder, without making it
// current: whether a program can be started there.
void checkWorkingFolder(const std::string& folder);

// The program that a command line names, found the way the launcher finds it:
// - The line is split into words (see splitCommandLine). On POSIX a whole line that names an
//   existing program file is that file, so stored paths with unquoted blanks keep working;
//   otherwise the first word is the program. On Windows, as the system itself reads a line,
//   an unquoted line is tried up to each blank in turn, shortest first.
// - A word that holds a path delimiter ("/"; on Windows also "\" and ":") is a path; a
//   relative one starts at baseFolder, never at whatever folder is current. On Windows the
//   extensions of PATHEXT are tried when the name has none.
// - Any other word is looked up in the folders of PATH, as a shell does; empty and relative
//   entries of PATH are skipped, since they would depend on the current folder.
// - On POSIX a word that is "~" or starts with "~/" starts at the user's home folder.
// - On POSIX a desktop entry ("*.desktop") is a program too: its Path key, or else the folder
//   of the program its Exec line names, is where it runs; TryExec is honoured.
struct ProgramLocation {
    // The program as the line writes it, for messages.
    std::string name;
    // The file found; empty when none was.
    std::string path;
    // Where the program runs: the folder it was found in, or a desktop entry's Path.
    std::string folder;
    // The words after the program, split as splitCommandLine splits them.
    std::vector<std::string> arguments;
    // Where in the line the arguments begin, for systems that hand them on as written.
    std::size_t argumentsStart = 0;
    bool desktopEntry = false;
    // 0 when it can be started; otherwise the runtime's I/O error code (2 not found, 5 not a
    // program file) and the reason in words, ready for a message.
    int error = 0;
    std::string reason;
};

ProgramLocation locateProgram(std::string_view commandLine, const std::string& baseFolder);

// Starts a command line in the given folder and returns without waiting; the folder is the
// started program's alone, the caller's own current folder stays as it was. Raises EInOutError
// when the program cannot be started. Goes through the replaceable starter below, so tests can
// see what would have been started instead of starting it.
void startProgram(const std::string& commandLine, const std::string& folder, ShowCommand show);

using ProgramStarter = std::function<void(const std::string& commandLine, const std::string& folder,
                                          ShowCommand show)>;
// Installs a starter and returns the one it replaces; an empty one restores the system's.
ProgramStarter setProgramStarter(ProgramStarter starter);

// The system's own start of the program that locateProgram finds, relative paths taken from
// the settings folder, without any shell. The program runs in folder (an empty one: in ours),
// which only the started program enters.
// POSIX: the program gets its arguments as split words, a session of its own, so it outlives
// us, and no descriptors beyond 0, 1 and 2. A program file that the system cannot execute
// (a script without "#!") runs through /bin/sh, as the shell's own exec does. A desktop entry
// is started by GLib's GIO, which handles its Exec line's field codes and Terminal key.
// Windows: the line goes to CreateProcessA with the program found and the arguments exactly as
// written, with the show command for the program's first window and no handles inherited.
// A line longer than the system takes raises EInOutError with a message that says so.
void spawnCommandLine(const std::string& commandLine, const std::string& folder, ShowCommand show);

// Splits a command line the way programs on the other platform receive theirs: blanks and tabs
// separate words, double quotes group and are dropped, a backslash is an ordinary character.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

} // namespace platform
