// The desktop's applications, from the desktop entries of its data folders. The folders are
// walked here rather than by GIO, which would open every entry itself and wait for ever on a pipe
// named like one; GIO makes each application of an entry we have read.
#include "platform/Applications.h"

#include "platform/DesktopEntry.h"
#include "platform/GLib_posix.h"
#include "platform/ProcessSystem.h"
#include "platform/Strings.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// An application that comes from a desktop entry, as the launcher can start it.
std::optional<InstalledApplication> fromAppInfo(GAppInfo* info, const char* file) {
    const detail::Gio& g = *detail::gio();
    if (!info || !g.instanceIsA(reinterpret_cast<GTypeInstance*>(info), g.desktopAppInfoType()))
        return std::nullopt;
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

// The entry's application, read by us; null when the file is no entry GIO can start.
detail::AppInfoPtr readApplication(const std::string& file, bool& hidden) {
    detail::KeyFile entry;
    int code = 0;
    std::string reason;
    if (!entry.load(file, code, reason))
        return nullptr;
    hidden = entry.flag("Hidden");
    return detail::AppInfoPtr(detail::gio()->appInfoFromKeyFile(entry.get()));
}

std::vector<std::string> xdgFolders(const char* own, const char* fallbackHome, const char* shared,
                                    const std::string& fallbackList);

// The data folders by the XDG base directory rules, the user's own first.
std::vector<std::string> dataFolders() {
    return xdgFolders("XDG_DATA_HOME", ".local/share", "XDG_DATA_DIRS",
                      "/usr/local/share/:/usr/share/");
}

// Every entry below an applications folder, by its desktop file id ("kde4/a.desktop" is
// "kde4-a.desktop"); an id found earlier, in a folder that comes first, hides the later ones.
void collectEntries(const std::string& folder, const std::string& prefix, int depth,
                    std::map<std::string, std::string>& entries) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* item = ::readdir(dir)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode) && depth < 8)
            collectEntries(path, prefix + name + "-", depth + 1, entries);
        else if (name.ends_with(".desktop"))
            entries.emplace(prefix + name, path);
    }
    ::closedir(dir);
}

// Every entry of the applications folders of the data folders, by desktop file id.
std::map<std::string, std::string> applicationEntries(const std::vector<std::string>& data) {
    std::map<std::string, std::string> entries;
    for (const std::string& folder : data)
        collectEntries(folder + "/applications", std::string(), 0, entries);
    return entries;
}

// The applications the menus show whose entry passes the test.
template <typename Test> std::vector<InstalledApplication> shownApplications(Test test) {
    std::vector<InstalledApplication> found;
    const detail::Gio* g = detail::gio();
    if (!g)
        return found;
    for (const auto& [id, file] : applicationEntries(dataFolders())) {
        bool hidden = false;
        const detail::AppInfoPtr info = readApplication(file, hidden);
        auto* app = reinterpret_cast<GAppInfo*>(info.get());
        if (!info || hidden || !g->shouldShow(app) || !test(info.get()))
            continue;
        if (auto application = fromAppInfo(app, file.c_str()))
            found.push_back(std::move(*application));
    }
    return found;
}

// A folder list by the XDG base directory rules: the user's own folder, or home/fallbackHome,
// then the shared ones of the list variable, or fallbackList.
std::vector<std::string> xdgFolders(const char* own, const char* fallbackHome, const char* shared,
                                    const std::string& fallbackList) {
    std::vector<std::string> folders;
    if (const char* value = std::getenv(own); value && value[0] == '/')
        folders.emplace_back(value);
    else if (const std::string home = detail::homeFolder(); !home.empty())
        folders.push_back(home + "/" + fallbackHome);
    const char* value = std::getenv(shared);
    const std::string list = value && *value ? value : fallbackList;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        if (end > start && list[start] == '/')
            folders.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

std::vector<std::string> splitList(const std::string& list) {
    std::vector<std::string> items;
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (end > start)
            items.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// What the installed applications tell about icons, read once for the data folders of the
// moment: a program's icon by the real path of the file its Exec line starts.
struct IconIndex {
    std::vector<std::string> data;
    std::map<std::string, std::string> byProgram;
};

std::string realPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    const std::string result = real ? real : path;
    std::free(real);
    return result;
}

void readIconIndex(IconIndex& index) {
    index.byProgram.clear();
    for (const auto& [id, file] : applicationEntries(index.data)) {
        detail::KeyFile entry;
        int code = 0;
        std::string reason;
        if (!entry.load(file, code, reason) || entry.flag("Hidden") || entry.flag("NoDisplay"))
            continue;
        const std::string icon = entry.value("Icon");
        const std::string program = detail::execProgram(entry.value("Exec"));
        if (icon.empty() || program.empty())
            continue;
        const detail::FoundProgram found = detail::findProgram(program, std::string());
        if (found.error == 0)
            index.byProgram.emplace(realPath(found.path), icon);
    }
}

// Reads the index again only when the data folders have changed; the caller holds the lock.
// Never destroyed: a check's thread may still be reading it while the program ends.
const IconIndex& iconIndex(std::unique_lock<std::mutex>& lock) {
    struct Kept {
        std::mutex mutex;
        IconIndex index;
        bool read = false;
    };
    static auto* kept = new Kept;
    lock = std::unique_lock(kept->mutex);
    std::vector<std::string> data = dataFolders();
    if (!kept->read || data != kept->index.data) {
        kept->index.data = std::move(data);
        readIconIndex(kept->index);
        kept->read = true;
    }
    return kept->index;
}

// The entry's Icon key; empty when it has none or is no entry.
std::string entryIcon(const std::string& file) {
    detail::KeyFile entry;
    int code = 0;
    std::string reason;
    return entry.load(file, code, reason) ? entry.value("Icon") : std::string();
}

// The icon of the desktop's default application for a scheme, by the mimeapps.list files of the
// configuration and data folders, then the applications folders' caches: as GIO finds it, without
// loading GIO.
std::string schemeIcon(const std::string& scheme) {
    // Only the entries' names are needed here, not what each one starts.
    const std::vector<std::string> data = dataFolders();
    const std::map<std::string, std::string> entries = applicationEntries(data);
    const std::string type = "x-scheme-handler/" + scheme;
    std::vector<std::pair<std::string, const char*>> lists;
    for (const std::string& folder :
         xdgFolders("XDG_CONFIG_HOME", ".config", "XDG_CONFIG_DIRS", "/etc/xdg"))
        lists.emplace_back(folder + "/mimeapps.list", "Default Applications");
    for (const std::string& folder : data)
        lists.emplace_back(folder + "/applications/mimeapps.list", "Default Applications");
    for (const std::string& folder : data)
        lists.emplace_back(folder + "/applications/mimeinfo.cache", "MIME Cache");
    for (const auto& [file, group] : lists) {
        detail::KeyFile list;
        int code = 0;
        std::string reason;
        if (!list.load(file, code, reason))
            continue;
        for (const std::string& id : splitList(list.value(type.c_str(), group)))
            if (const auto entry = entries.find(id); entry != entries.end())
                if (std::string icon = entryIcon(entry->second); !icon.empty())
                    return icon;
    }
    return {};
}

// "https" of "https://example.org"; empty when the text is no address with a scheme.
std::string schemeOf(const std::string& text) {
    const std::size_t colon = text.find("://");
    if (colon == std::string::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(text[0])))
        return {};
    for (std::size_t i = 1; i < colon; ++i)
        if (!std::isalnum(static_cast<unsigned char>(text[i])) && text[i] != '+' &&
            text[i] != '-' && text[i] != '.')
            return {};
    return text.substr(0, colon);
}

} // namespace

void programIconNames(const ProgramLocation& location,
                      const std::function<bool(const std::string& name)>& found) {
    if (!detail::glib())
        return;
    if (const std::string scheme = schemeOf(location.name); !scheme.empty()) {
        const std::string icon = schemeIcon(scheme);
        if (!icon.empty() && found(icon))
            return;
        found("text-html");
        return;
    }
    if (location.desktopEntry) {
        if (const std::string icon = entryIcon(location.path); !icon.empty())
            found(icon);
        return;
    }
    if (found(extractFileName(location.path.empty() ? location.name : location.path)))
        return;
    if (!location.path.empty()) {
        std::string icon;
        {
            std::unique_lock<std::mutex> lock;
            const IconIndex& index = iconIndex(lock);
            if (const auto known = index.byProgram.find(realPath(location.path));
                known != index.byProgram.end())
                icon = known->second;
        }
        if (!icon.empty() && found(icon))
            return;
    }
    found("application-x-executable");
}

std::optional<InstalledApplication> defaultApplicationFor(const std::string& contentType) {
    const detail::Gio* g = detail::gio();
    if (!g)
        return std::nullopt;
    GAppInfo* info = g->defaultForType(contentType.c_str(), FALSE);
    const bool desktopEntry =
        info && g->instanceIsA(reinterpret_cast<GTypeInstance*>(info), g->desktopAppInfoType());
    auto found = fromAppInfo(
        info, desktopEntry ? g->entryFile(reinterpret_cast<GDesktopAppInfo*>(info)) : nullptr);
    if (info)
        g->objectUnref(info);
    return found;
}

std::optional<InstalledApplication> applicationOf(const std::string& desktopFile) {
    if (!detail::gio())
        return std::nullopt;
    bool hidden = false;
    const detail::AppInfoPtr info = readApplication(desktopFile, hidden);
    return fromAppInfo(reinterpret_cast<GAppInfo*>(info.get()), desktopFile.c_str());
}

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

LauncherTrust launcherTrust(const std::string& desktopFile) {
    LauncherTrust trust;
    struct stat st {};
    const std::string path = realPath(desktopFile);
    // What cannot be read is not started either; the start says why.
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return trust;
    for (const std::string& data : dataFolders()) {
        if (path.starts_with(realPath(data + "/applications") + "/"))
            return trust;
    }
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        trust.reason = "belongs to another user";
    else if (st.st_mode & (S_IWGRP | S_IWOTH))
        trust.reason = "may be changed by other users";
    else if (!(st.st_mode & S_IXUSR))
        trust.reason = "is not marked as a program";
    trust.trusted = trust.reason.empty();
    trust.stamp = std::to_string(st.st_uid) + ":" + std::to_string(st.st_dev) + ":" +
                  std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
                  std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
    if (detail::glib()) {
        detail::KeyFile entry;
        int code = 0;
        std::string why;
        if (entry.load(path, code, why)) {
            trust.name = entry.value("Name");
            trust.exec = entry.value("Exec");
        }
    }
    return trust;
}

} // namespace platform
