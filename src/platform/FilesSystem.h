// What the system-specific half of Files gives the shared half.
#pragma once

#include <string>

namespace platform::detail {

// The path the system reports for the running program; empty when it does not tell.
std::string systemExecutablePath();

// Renames over an existing file. 0 on success, else the system's error code.
int systemRename(const char* from, const char* to);

// The rename that AtomicFile uses: the system's, or a test's replacement.
int renameForSave(const char* from, const char* to);

} // namespace platform::detail
