// The desktop's applications, from the desktop entries of its data folders. The folders are
// walked here rather than by GIO, which would open every entry itself and wait for ever on a pipe
// named like one; GIO makes each application of an entry we have read.
#include "platform/Applications.h"

#include "platform/GLib_posix.h"
#include "platform/ProcessSystem.h"

#include <cstdlib>
#include <dirent.h>
#include <map>
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

// The data folders by the XDG base directory rules, the user's own first.
std::vector<std::string> dataFolders() {
    std::vector<std::string> folders;
    if (const char* own = std::getenv("XDG_DATA_HOME"); own && own[0] == '/')
        folders.emplace_back(own);
    else if (const std::string home = detail::homeFolder(); !home.empty())
        folders.push_back(home + "/.local/share");
    const char* system = std::getenv("XDG_DATA_DIRS");
    const std::string list = system && *system ? system : "/usr/local/share/:/usr/share/";
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        if (end > start && list[start] == '/')
            folders.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return folders;
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

// The applications the menus show whose entry passes the test.
template <typename Test> std::vector<InstalledApplication> shownApplications(Test test) {
    std::vector<InstalledApplication> found;
    const detail::Gio* g = detail::gio();
    if (!g)
        return found;
    std::map<std::string, std::string> entries;
    for (const std::string& data : dataFolders())
        collectEntries(data + "/applications", std::string(), 0, entries);
    for (const auto& [id, file] : entries) {
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

} // namespace

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
    char* real = ::realpath(desktopFile.c_str(), nullptr);
    const std::string path = real ? real : desktopFile;
    std::free(real);
    // What cannot be read is not started either; the start says why.
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return trust;
    for (const std::string& data : dataFolders()) {
        char* folder = ::realpath((data + "/applications").c_str(), nullptr);
        const std::string applications = folder ? std::string(folder) + "/" : std::string();
        std::free(folder);
        if (!applications.empty() && path.starts_with(applications))
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
