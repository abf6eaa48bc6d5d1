#include "platform/DesktopEntry.h"

#include "platform/Applications.h"

#include "platform/Errors.h"
#include "platform/ProcessSystem.h"
#include "platform/Strings.h"

#include <csignal>
#include <dlfcn.h>
#include <gio/gdesktopappinfo.h>
#include <memory>
#include <type_traits>
#include <unistd.h>

namespace platform::detail {

namespace {

const char* const EntryGroup = "Desktop Entry";

// Looks functions up in a library loaded on first use and never closed (GObject's types cannot
// be unloaded); complete() says whether the library and every function were found.
class Symbols {
public:
    explicit Symbols(const char* library) : m_library(::dlopen(library, RTLD_LAZY | RTLD_LOCAL)) {}
    template <typename F> void operator()(F& function, const char* name) {
        function = m_library ? reinterpret_cast<F>(::dlsym(m_library, name)) : nullptr;
        m_complete = m_complete && function;
    }
    bool complete() const { return m_complete; }

private:
    void* m_library;
    bool m_complete = true;
};

// The GLib functions that read an entry. GLib is mapped already (the toolkit's event loop runs
// on it), so reading entries, as the bar does for every section it shows, costs no library.
struct GLib {
    decltype(&g_key_file_new) keyFileNew;
    decltype(&g_key_file_load_from_file) keyFileLoad;
    decltype(&g_key_file_get_string) keyFileString;
    decltype(&g_key_file_free) keyFileFree;
    decltype(&g_error_free) errorFree;
    decltype(&g_free) free;
    decltype(&g_filename_to_uri) filenameToUri;
    decltype(&g_file_error_quark) fileErrorQuark;
    decltype(&g_spawn_error_quark) spawnErrorQuark;
    decltype(&g_shell_parse_argv) shellParseArgv;
    decltype(&g_strfreev) strfreev;
    decltype(&g_list_free_full) listFreeFull;
};

const GLib* glib() {
    static const GLib* const loaded = []() -> const GLib* {
        static GLib functions;
        Symbols find("libglib-2.0.so.0");
        find(functions.keyFileNew, "g_key_file_new");
        find(functions.keyFileLoad, "g_key_file_load_from_file");
        find(functions.keyFileString, "g_key_file_get_string");
        find(functions.keyFileFree, "g_key_file_free");
        find(functions.errorFree, "g_error_free");
        find(functions.free, "g_free");
        find(functions.filenameToUri, "g_filename_to_uri");
        find(functions.fileErrorQuark, "g_file_error_quark");
        find(functions.spawnErrorQuark, "g_spawn_error_quark");
        find(functions.shellParseArgv, "g_shell_parse_argv");
        find(functions.strfreev, "g_strfreev");
        find(functions.listFreeFull, "g_list_free_full");
        return find.complete() ? &functions : nullptr;
    }();
    return loaded;
}

// The GIO functions that start entries and list the desktop's applications: loaded only when
// one of those is first needed.
struct Gio {
    decltype(&g_desktop_app_info_new_from_filename) appInfoNew;
    decltype(&g_desktop_app_info_launch_uris_as_manager) launch;
    decltype(&g_object_unref) objectUnref;
    decltype(&g_app_info_get_default_for_type) defaultForType;
    decltype(&g_app_info_get_all) allApplications;
    decltype(&g_app_info_should_show) shouldShow;
    decltype(&g_app_info_get_name) applicationName;
    decltype(&g_desktop_app_info_get_filename) entryFile;
    decltype(&g_desktop_app_info_get_categories) categories;
    decltype(&g_desktop_app_info_get_type) desktopAppInfoType;
    decltype(&g_type_check_instance_is_a) instanceIsA;
    decltype(&g_app_info_get_icon) applicationIcon;
    decltype(&g_icon_to_string) iconText;
};

const Gio* gio() {
    static const Gio* const loaded = []() -> const Gio* {
        if (!glib())
            return nullptr;
        static Gio functions;
        Symbols find("libgio-2.0.so.0");
        find(functions.appInfoNew, "g_desktop_app_info_new_from_filename");
        find(functions.launch, "g_desktop_app_info_launch_uris_as_manager");
        find(functions.objectUnref, "g_object_unref");
        find(functions.defaultForType, "g_app_info_get_default_for_type");
        find(functions.allApplications, "g_app_info_get_all");
        find(functions.shouldShow, "g_app_info_should_show");
        find(functions.applicationName, "g_app_info_get_name");
        find(functions.entryFile, "g_desktop_app_info_get_filename");
        find(functions.categories, "g_desktop_app_info_get_categories");
        find(functions.desktopAppInfoType, "g_desktop_app_info_get_type");
        find(functions.instanceIsA, "g_type_check_instance_is_a");
        find(functions.applicationIcon, "g_app_info_get_icon");
        find(functions.iconText, "g_icon_to_string");
        return find.complete() ? &functions : nullptr;
    }();
    return loaded;
}

const char* const GLibMissing =
    "GLib (libglib-2.0.so.0), which reads desktop entries, is not installed";
const char* const GioMissing =
    "GLib's GIO library (libgio-2.0.so.0), which starts desktop entries, is not installed";

struct ErrorDeleter {
    void operator()(GError* error) const { glib()->errorFree(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorDeleter>;

// The runtime's code for a GLib error, so that the same failure reads the same way as ours.
int codeOf(const GError& error) {
    const GLib& g = *glib();
    if (error.domain == g.fileErrorQuark())
        return error.code == G_FILE_ERROR_NOENT ? 2 : 5;
    if (error.domain == g.spawnErrorQuark())
        return error.code == G_SPAWN_ERROR_NOENT ? 2 : 5;
    return 5;
}

class KeyFile {
public:
    KeyFile() : m_file(glib()->keyFileNew()) {}
    ~KeyFile() { glib()->keyFileFree(m_file); }
    KeyFile(const KeyFile&) = delete;
    KeyFile& operator=(const KeyFile&) = delete;

    ErrorPtr load(const std::string& path) {
        GError* error = nullptr;
        glib()->keyFileLoad(m_file, path.c_str(), G_KEY_FILE_NONE, &error);
        return ErrorPtr(error);
    }
    // Empty when the key is missing.
    std::string value(const char* key) const {
        gchar* text = glib()->keyFileString(m_file, EntryGroup, key, nullptr);
        std::string result = text ? text : "";
        glib()->free(text);
        return result;
    }

private:
    GKeyFile* m_file;
};

struct AppInfoDeleter {
    void operator()(GDesktopAppInfo* info) const { gio()->objectUnref(info); }
};
using AppInfoPtr = std::unique_ptr<GDesktopAppInfo, AppInfoDeleter>;

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

// The program word of an Exec line, by the line's own quoting rules; empty when it has none.
std::string execProgram(const std::string& exec) {
    gchar** words = nullptr;
    std::string program;
    if (glib()->shellParseArgv(exec.c_str(), nullptr, &words, nullptr) && words && words[0])
        program = words[0];
    glib()->strfreev(words);
    return program;
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

bool isDesktopEntryName(std::string_view path) {
    return path.ends_with(".desktop");
}

void inspectDesktopEntry(ProgramLocation& location) {
    if (!glib())
        return refuse(location, 2, GLibMissing);
    KeyFile entry;
    if (const ErrorPtr error = entry.load(location.path))
        return refuse(location, codeOf(*error), error->message);
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

namespace platform {

namespace {

// An application that comes from a desktop entry file, as the launcher can start it.
std::optional<InstalledApplication> fromAppInfo(GAppInfo* info) {
    const detail::Gio& g = *detail::gio();
    if (!info || !g.instanceIsA(reinterpret_cast<GTypeInstance*>(info), g.desktopAppInfoType()))
        return std::nullopt;
    const char* file = g.entryFile(reinterpret_cast<GDesktopAppInfo*>(info));
    const char* name = g.applicationName(info);
    if (!file || !name)
        return std::nullopt;
    InstalledApplication application{name, file, {}};
    if (GIcon* icon = g.applicationIcon(info)) {
        gchar* text = g.iconText(icon);
        application.icon = text ? text : "";
        detail::glib()->free(text);
    }
    return application;
}

} // namespace

std::optional<InstalledApplication> defaultApplicationFor(const std::string& contentType) {
    if (!detail::gio())
        return std::nullopt;
    GAppInfo* info = detail::gio()->defaultForType(contentType.c_str(), FALSE);
    auto found = fromAppInfo(info);
    if (info)
        detail::gio()->objectUnref(info);
    return found;
}

std::optional<InstalledApplication> applicationOf(const std::string& desktopFile) {
    const detail::Gio* g = detail::gio();
    if (!g)
        return std::nullopt;
    GDesktopAppInfo* info = g->appInfoNew(desktopFile.c_str());
    auto found = fromAppInfo(reinterpret_cast<GAppInfo*>(info));
    if (info)
        g->objectUnref(info);
    return found;
}

namespace {

// The applications the menus show whose desktop entry passes the test, in GIO's order.
template <typename Test> std::vector<InstalledApplication> shownApplications(Test test) {
    std::vector<InstalledApplication> found;
    const detail::Gio* g = detail::gio();
    if (!g)
        return found;
    GList* all = g->allApplications();
    for (GList* item = all; item; item = item->next) {
        auto* info = static_cast<GAppInfo*>(item->data);
        auto application = fromAppInfo(info);
        if (application && g->shouldShow(info) && test(reinterpret_cast<GDesktopAppInfo*>(info)))
            found.push_back(std::move(*application));
    }
    detail::glib()->listFreeFull(all, g->objectUnref);
    return found;
}

} // namespace

std::vector<InstalledApplication> applicationsInCategory(const std::string& category) {
    return shownApplications([&](GDesktopAppInfo* info) {
        const char* list = detail::gio()->categories(info);
        const std::string categories = std::string(";") + (list ? list : "") + ";";
        return categories.find(";" + category + ";") != std::string::npos;
    });
}

std::vector<InstalledApplication> installedApplications() {
    return shownApplications([](GDesktopAppInfo*) { return true; });
}

} // namespace platform
