// What the system-specific half of Files gives the shared half.
#pragma once

#include <cstddef>
#include <string>

namespace platform::detail {

// Saves write through a buffer of this size, and reads take files in pieces of it.
constexpr std::size_t bufferSize = 16384;

// The path the system reports for the running program; empty when it does not tell.
std::string systemExecutablePath();

// The user's own settings folder, with its final delimiter, by the system's conventions.
std::string systemUserSettingsFolder();

// Creates a folder and any missing parents, private to the user, and makes sure it can be
// written to. Raises EInOutError with the reason: a file in the way, a loop of links, no access.
void makeFolders(const std::string& folder);

// Renames over an existing file. 0 on success, else the system's error code.
int systemRename(const char* from, const char* to);

// The rename that AtomicFile uses: the system's, or a test's replacement.
int renameForSave(const char* from, const char* to);

} // namespace platform::detail
