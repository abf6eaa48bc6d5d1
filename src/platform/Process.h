// The process's current folder and the start of other programs.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// How the started program's first window appears.
enum class ShowCommand : int { Show = 5 };

// Raises EInOutError when the folder cannot be made current; an empty folder never can.
void setCurrentDirectory(const std::string& folder);

// Starts a command line and returns without waiting. Raises EInOutError when the program
// cannot be started. Goes through the replaceable starter below, so tests can see what would
// have been started instead of starting it.
void startProgram(const std::string& commandLine, ShowCommand show);

using ProgramStarter = std::function<void(const std::string& commandLine, ShowCommand show)>;
// Installs a starter and returns the one it replaces; an empty one restores the system's.
ProgramStarter setProgramStarter(ProgramStarter starter);

// The system's own start, without any shell.
// POSIX: when the whole command line names an executable file it is started alone (so paths
// with blanks work); otherwise the line is split into words and the first word is the program,
// looked up in PATH when it holds no "/". The program gets a session of its own, so it outlives
// us, and no descriptors beyond 0, 1 and 2.
// Windows: the line goes unchanged to CreateProcessA, which reads it as WinExec does (an
// unquoted path with blanks is tried up to each blank in turn, ".exe" is implied, the usual
// folders are searched), with the show command for the program's first window and no handles
// inherited.
void spawnCommandLine(const std::string& commandLine, ShowCommand show);

// Splits a command line the way programs on the other platform receive theirs: blanks and tabs
// separate words, double quotes group and are dropped, a backslash is an ordinary character.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

} // namespace platform
