// Desktop entry files ("*.desktop") as programs, read by GLib and started by its GIO. GIO is
// loaded when the first entry is started, so a bar that only shows entries never pays for it.
#pragma once

#include "platform/Process.h"

namespace platform::detail {

bool isDesktopEntryName(std::string_view path);

// The program word of an Exec line, by the line's own quoting rules; empty when it has none.
std::string execProgram(const std::string& exec);

// Sets the folder where the entry's program runs, or the error and reason why it cannot run:
// not readable, not valid, not an application, a TryExec or Exec program that is missing.
void inspectDesktopEntry(ProgramLocation& location);

// Starts the entry's Exec line in folder (an empty one: in ours), with the location's arguments
// as the files or addresses its field codes take. Raises EInOutError when it cannot be started.
void launchDesktopEntry(const ProgramLocation& location, const std::string& folder);

} // namespace platform::detail
