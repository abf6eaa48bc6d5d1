#include "platform/GLib_posix.h"

#include "platform/Errors.h"
#include "platform/Files.h"

#include <dlfcn.h>
#include <sys/stat.h>

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

} // namespace

const char* const GLibMissing =
    "GLib (libglib-2.0.so.0), which reads desktop entries, is not installed";
const char* const GioMissing =
    "GLib's GIO library (libgio-2.0.so.0), which starts desktop entries, is not installed";

const GLib* glib() {
    static const GLib* const loaded = []() -> const GLib* {
        static GLib functions;
        Symbols find("libglib-2.0.so.0");
        find(functions.keyFileNew, "g_key_file_new");
        find(functions.keyFileLoad, "g_key_file_load_from_data");
        find(functions.keyFileString, "g_key_file_get_string");
        find(functions.keyFileBoolean, "g_key_file_get_boolean");
        find(functions.keyFileFree, "g_key_file_free");
        find(functions.errorFree, "g_error_free");
        find(functions.free, "g_free");
        find(functions.filenameToUri, "g_filename_to_uri");
        find(functions.fileErrorQuark, "g_file_error_quark");
        find(functions.keyFileErrorQuark, "g_key_file_error_quark");
        find(functions.spawnErrorQuark, "g_spawn_error_quark");
        find(functions.shellParseArgv, "g_shell_parse_argv");
        find(functions.strfreev, "g_strfreev");
        return find.complete() ? &functions : nullptr;
    }();
    return loaded;
}

const Gio* gio() {
    static const Gio* const loaded = []() -> const Gio* {
        if (!glib())
            return nullptr;
        static Gio functions;
        Symbols find("libgio-2.0.so.0");
        find(functions.appInfoNew, "g_desktop_app_info_new_from_filename");
        find(functions.appInfoFromKeyFile, "g_desktop_app_info_new_from_keyfile");
        find(functions.launch, "g_desktop_app_info_launch_uris_as_manager");
        find(functions.objectUnref, "g_object_unref");
        find(functions.defaultForType, "g_app_info_get_default_for_type");
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

int codeOf(const GError& error) {
    const GLib& g = *glib();
    if (error.domain == g.fileErrorQuark())
        return error.code == G_FILE_ERROR_NOENT ? 2 : 5;
    if (error.domain == g.spawnErrorQuark())
        return error.code == G_SPAWN_ERROR_NOENT ? 2 : 5;
    return 5;
}

KeyFile::KeyFile() : m_file(glib()->keyFileNew()) {}

KeyFile::~KeyFile() {
    glib()->keyFileFree(m_file);
}

bool KeyFile::load(const std::string& path, int& code, std::string& reason) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        code = 5;
        reason = "It is not a regular file";
        return false;
    }
    std::string text;
    try {
        text = readFile(path);
    } catch (const EInOutError& error) {
        code = error.ErrorCode();
        reason = error.Message();
        return false;
    }
    GError* failure = nullptr;
    if (glib()->keyFileLoad(m_file, text.data(), text.size(), G_KEY_FILE_NONE, &failure))
        return true;
    const ErrorPtr error(failure);
    code = 5;
    reason = error ? error->message : "It is not a desktop entry";
    return false;
}

std::string KeyFile::value(const char* key, const char* group) const {
    gchar* text = glib()->keyFileString(m_file, group ? group : EntryGroup, key, nullptr);
    std::string result = text ? text : "";
    glib()->free(text);
    return result;
}

bool KeyFile::flag(const char* key) const {
    return glib()->keyFileBoolean(m_file, EntryGroup, key, nullptr);
}

} // namespace platform::detail
