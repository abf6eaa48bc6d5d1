// The applications installed on the desktop, as its menus list them: their names and the
// desktop entry files that start them.
#pragma once

#include "platform/Process.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct InstalledApplication {
    std::string name; // in the user's language
    std::string file; // the desktop entry, which the launcher starts
    std::string icon; // a theme icon's name or a picture file; empty when it names none
};

// The desktop's choice for a kind of content ("inode/directory", "x-scheme-handler/https",
// "text/plain"). Nothing when there is none, or on a system without desktop entries.
std::optional<InstalledApplication> defaultApplicationFor(const std::string& contentType);

// The application a desktop entry file describes, with its name in the user's language; nothing
// when the file is no valid entry.
std::optional<InstalledApplication> applicationOf(const std::string& desktopFile);

// The applications the menus show whose entry lists the category ("TerminalEmulator").
std::vector<InstalledApplication> applicationsInCategory(const std::string& category);

// Every application the menus show, from the applications folders of the desktop's data
// folders, a user's own entry in place of the system's of the same name; in no set order.
std::vector<InstalledApplication> installedApplications();

// Offers the names a launch item's icon may have to found, best first, until found takes one
// (answers true); each a theme icon's name or a picture's absolute path, for the program that
// locateProgram found (or did not find) for its command line:
// - a desktop entry: its Icon key;
// - a web address: the Icon of the desktop's default application for its scheme, then
//   "text-html";
// - a program: its file's name ("xterm"), then the Icon of an installed application whose Exec
//   starts the same program file, then "application-x-executable".
// Read from the disk without GIO, so that a thread of its own may ask, and showing icons never
// loads GIO. The installed applications are read when their turn first comes, once for the data
// folders of the moment.
void programIconNames(const ProgramLocation& location,
                      const std::function<bool(const std::string& name)>& found);

// Whether a desktop entry may be started without asking, by the rule the desktop's file managers
// follow: it lies in an applications folder of the desktop's data folders, or it is the user's
// own (owned by the user or by root, writable by nobody else, marked as a program). A downloaded
// entry, or one in a folder that others share, may run anything its Exec line says.
struct LauncherTrust {
    bool trusted = true;
    // Why not, in words that complete "The launcher ..." ("is not marked as a program").
    std::string reason;
    // The file as it is now: its owner, its place on the disk, its size and its last change. An
    // entry once allowed is asked about again when this changes hands.
    std::string stamp;
    std::string name;
    std::string exec;
};
LauncherTrust launcherTrust(const std::string& desktopFile);

} // namespace platform
