// GLib and its GIO, found at run time. GLib is mapped already (the toolkit's event loop runs on
// it), so reading desktop entries, as the bar does for every section it shows, costs no library;
// GIO, which starts entries and knows the desktop's applications, is loaded when first needed.
// Only the platform layer's desktop entry code uses this.
#pragma once

#include <gio/gdesktopappinfo.h>
#include <memory>
#include <string>

namespace platform::detail {

struct GLib {
    decltype(&g_key_file_new) keyFileNew;
    decltype(&g_key_file_load_from_data) keyFileLoad;
    decltype(&g_key_file_get_string) keyFileString;
    decltype(&g_key_file_get_boolean) keyFileBoolean;
    decltype(&g_key_file_free) keyFileFree;
    decltype(&g_error_free) errorFree;
    decltype(&g_free) free;
    decltype(&g_filename_to_uri) filenameToUri;
    decltype(&g_file_error_quark) fileErrorQuark;
    decltype(&g_key_file_error_quark) keyFileErrorQuark;
    decltype(&g_spawn_error_quark) spawnErrorQuark;
    decltype(&g_shell_parse_argv) shellParseArgv;
    decltype(&g_strfreev) strfreev;
};
// Null when GLib or one of its functions is missing.
const GLib* glib();

struct Gio {
    decltype(&g_desktop_app_info_new_from_filename) appInfoNew;
    decltype(&g_desktop_app_info_new_from_keyfile) appInfoFromKeyFile;
    decltype(&g_desktop_app_info_launch_uris_as_manager) launch;
    decltype(&g_object_unref) objectUnref;
    decltype(&g_app_info_get_default_for_type) defaultForType;
    decltype(&g_app_info_should_show) shouldShow;
    decltype(&g_app_info_get_name) applicationName;
    decltype(&g_desktop_app_info_get_filename) entryFile;
    decltype(&g_desktop_app_info_get_categories) categories;
    decltype(&g_desktop_app_info_get_type) desktopAppInfoType;
    decltype(&g_type_check_instance_is_a) instanceIsA;
    decltype(&g_app_info_get_icon) applicationIcon;
    decltype(&g_icon_to_string) iconText;
};
// Null when GIO or one of its functions is missing.
const Gio* gio();

extern const char* const GLibMissing;
extern const char* const GioMissing;

struct ErrorDeleter {
    void operator()(GError* error) const { glib()->errorFree(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorDeleter>;

// The runtime's code for a GLib error, so that the same failure reads the same way as ours.
int codeOf(const GError& error);

struct AppInfoDeleter {
    void operator()(GDesktopAppInfo* info) const { gio()->objectUnref(info); }
};
using AppInfoPtr = std::unique_ptr<GDesktopAppInfo, AppInfoDeleter>;

// A desktop entry's keys. Only a regular file is read, and it is opened without waiting, so a
// pipe or a device named like an entry can never stall the program.
class KeyFile {
public:
    KeyFile();
    ~KeyFile();
    KeyFile(const KeyFile&) = delete;
    KeyFile& operator=(const KeyFile&) = delete;

    // True when the file was read and is a key file; otherwise code and reason say why, with
    // the runtime's code (2 missing, 5 anything else).
    bool load(const std::string& path, int& code, std::string& reason);
    // Empty when the key is missing. Keys are read from the desktop entry's group unless
    // another is named.
    std::string value(const char* key, const char* group = nullptr) const;
    bool flag(const char* key) const;
    GKeyFile* get() const { return m_file; }

private:
    GKeyFile* m_file;
};

} // namespace platform::detail
