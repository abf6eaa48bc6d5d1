// Desktop entries as programs: read by GLib from a file of our own reading, started by GIO.
#include "platform/DesktopEntry.h"

#include "platform/Errors.h"
#include "platform/GLib_posix.h"
#include "platform/ProcessSystem.h"
#include "platform/Strings.h"

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::detail {

namespace {

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

void refuse(ProgramLocation& location, int error, std::string reason) {
    location.error = error;
    location.reason = std::move(reason);
}

// The folder a program named inside the entry runs in; the program's reason when it is missing.
void findEntryProgram(ProgramLocation& location, const std::string& word, const char* role) {
    const FoundProgram found = findProgram(word, extractFilePath(location.path));
    if (found.error != 0)
        refuse(location, found.error,
               EInOutError::MessageFor(found.error) + " (its " + role + quoted(word) + ")");
    else
        location.folder = extractFilePath(found.path);
}

// Runs in the started program between fork and exec, so only async-signal-safe calls. The
// folder is entered here, in the program alone: GIO would otherwise leave it in ours.
void resetChild(gpointer folder) {
    if (folder && *static_cast<const char*>(folder) &&
        ::chdir(static_cast<const char*>(folder)) != 0) {
        // Checked before the start; a folder gone since leaves the program where GIO put it.
    }
    ::setsid();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal = 1; signal < NSIG; ++signal)
        ::signal(signal, SIG_DFL);
}

// An argument as GIO takes it: an address stays as it is, a file becomes its file address.
std::string uriOf(const std::string& argument, const std::string& folder) {
    if (argument.find("://") != std::string::npos || argument.starts_with("file:"))
        return argument;
    const std::string path = argument.starts_with('/') ? argument : folder + argument;
    gchar* uri = glib()->filenameToUri(path.c_str(), nullptr, nullptr);
    const std::string result = uri ? uri : argument;
    glib()->free(uri);
    return result;
}

} // namespace

std::string execProgram(const std::string& exec) {
    gchar** words = nullptr;
    std::string program;
    if (glib()->shellParseArgv(exec.c_str(), nullptr, &words, nullptr) && words && words[0])
        program = words[0];
    glib()->strfreev(words);
    return program;
}

bool isDesktopEntryName(std::string_view path) {
    return path.ends_with(".desktop");
}

void inspectDesktopEntry(ProgramLocation& location) {
    if (!glib())
        return refuse(location, 2, GLibMissing);
    KeyFile entry;
    int code = 0;
    std::string reason;
    if (!entry.load(location.path, code, reason))
        return refuse(location, code, reason);
    const std::string type = entry.value("Type");
    if (type != "Application")
        return refuse(location, 5,
                      "It is not an application's desktop entry (Type is " +
                          (type.empty() ? std::string("missing") : quoted(type)) + ")");
    const std::string tryExec = entry.value("TryExec");
    if (!tryExec.empty()) {
        findEntryProgram(location, tryExec, "TryExec program ");
        if (location.error != 0)
            return;
    }
    // GIO refuses an entry whose program is missing without saying why, so we look first.
    const std::string program = execProgram(entry.value("Exec"));
    if (program.empty())
        return refuse(location, 5, "It is not a desktop entry that can be started");
    // What GIO itself would refuse has been refused above; starting asks it again. Not asking
    // here keeps GIO's types and modules out of a bar that only shows its entries.
    findEntryProgram(location, program, "program ");
    if (location.error != 0)
        return;

    std::string folder = entry.value("Path");
    if (folder.empty())
        return;
    if (folder.front() != '/')
        folder = extractFilePath(location.path) + folder;
    location.folder = folder;
}

void launchDesktopEntry(const ProgramLocation& location, const std::string& folder) {
    if (!gio())
        throw EInOutError(2, GioMissing);
    // GIO opens the file itself, waiting as long as a pipe makes it: only a regular file goes.
    struct stat st {};
    if (::stat(location.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw EInOutError(5, "It is not a regular file");
    const AppInfoPtr info(gio()->appInfoNew(location.path.c_str()));
    if (!info)
        throw EInOutError(5, "It is not a desktop entry that can be started");

    std::vector<std::string> uris;
    for (const std::string& argument : location.arguments)
        uris.push_back(uriOf(argument, location.folder));
    // GList is a public struct; a list on the stack needs no allocation of GLib's.
    std::vector<GList> list(uris.size());
    for (std::size_t i = 0; i < uris.size(); ++i) {
        list[i].data = uris[i].data();
        list[i].prev = i > 0 ? &list[i - 1] : nullptr;
        list[i].next = i + 1 < uris.size() ? &list[i + 1] : nullptr;
    }

    // Without G_SPAWN_DO_NOT_REAP_CHILD, GLib starts the program through a child of its own
    // that it collects at once, so no zombie is left for us. GLib closes every descriptor
    // beyond 0, 1 and 2 itself.
    GError* failure = nullptr;
    if (!gio()->launch(info.get(), list.empty() ? nullptr : list.data(), nullptr,
                       G_SPAWN_SEARCH_PATH, resetChild, const_cast<char*>(folder.c_str()), nullptr,
                       nullptr, &failure)) {
        const ErrorPtr error(failure);
        throw EInOutError(error ? codeOf(*error) : 5,
                          error ? error->message : "The desktop entry could not be started");
    }
}

} // namespace platform::detail
