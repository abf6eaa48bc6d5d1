// The desktop's icon theme is Qt's choice (QIcon::themeName and its search paths); the files are
// found here by the icon theme rules and read by their named readers. Qt's own theme icons read
// their files without naming the format, which makes Qt try every image plugin on each one: a bar
// that shows ten small PNG files would load the GIF, ICO and JPEG readers for nothing.
#include "platform/Icons.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <QSettings>
#include <algorithm>
#include <map>

namespace platform {

namespace {

// A folder of a theme, as its index.theme describes it.
struct ThemeFolder {
    QString name;
    int size = 0;
    int scale = 1;
    enum { Fixed, Scalable, Threshold } type = Threshold;
    int minSize = 0;
    int maxSize = 0;
    int threshold = 2;

    // How far its icons are from pixels device pixels, by the icon theme rules.
    int distance(int pixels) const {
        const int low = scale * (type == Scalable    ? minSize
                                 : type == Threshold ? size - threshold
                                                     : size);
        const int high = scale * (type == Scalable    ? maxSize
                                  : type == Threshold ? size + threshold
                                                      : size);
        return pixels < low ? low - pixels : pixels > high ? pixels - high : 0;
    }
};

struct Theme {
    QStringList bases; // where the theme's folders lie, first found first
    std::vector<ThemeFolder> folders;
    QStringList inherits;
};

const Theme& theme(const QString& name) {
    // Read once a run: a theme does not change under a running bar often enough to look again.
    static std::map<QString, Theme> themes;
    if (const auto known = themes.find(name); known != themes.end())
        return known->second;
    Theme& made = themes[name];
    for (const QString& path : QIcon::themeSearchPaths())
        if (QDir folder(path + QLatin1Char('/') + name); folder.exists())
            made.bases.push_back(folder.path());
    for (const QString& base : made.bases) {
        if (!QFileInfo::exists(base + QStringLiteral("/index.theme")))
            continue;
        QSettings index(base + QStringLiteral("/index.theme"), QSettings::IniFormat);
        made.inherits = index.value(QStringLiteral("Icon Theme/Inherits")).toStringList();
        QStringList names = index.value(QStringLiteral("Icon Theme/Directories")).toStringList();
        names += index.value(QStringLiteral("Icon Theme/ScaledDirectories")).toStringList();
        for (const QString& folderName : names) {
            index.beginGroup(folderName);
            ThemeFolder folder;
            folder.name = folderName;
            folder.size = index.value(QStringLiteral("Size")).toInt();
            folder.scale = std::max(1, index.value(QStringLiteral("Scale"), 1).toInt());
            const QString type = index.value(QStringLiteral("Type")).toString();
            folder.type = type == QLatin1String("Fixed")      ? ThemeFolder::Fixed
                          : type == QLatin1String("Scalable") ? ThemeFolder::Scalable
                                                              : ThemeFolder::Threshold;
            folder.minSize = index.value(QStringLiteral("MinSize"), folder.size).toInt();
            folder.maxSize = index.value(QStringLiteral("MaxSize"), folder.size).toInt();
            folder.threshold = index.value(QStringLiteral("Threshold"), 2).toInt();
            index.endGroup();
            if (folder.size > 0)
                made.folders.push_back(folder);
        }
        break;
    }
    return made;
}

// An icon file of the theme and its size in device pixels.
struct Found {
    QString file;
    const ThemeFolder* folder = nullptr;
};

// The icon's file in one of the theme's folders, by the suffixes a theme may use; empty if none.
QString fileIn(const Theme& inTheme, const ThemeFolder& folder, const QString& name) {
    for (const QString& base : inTheme.bases)
        for (const char* suffix : {".png", ".xpm", ".svg"})
            if (const QString file = base + QLatin1Char('/') + folder.name + QLatin1Char('/') +
                                     name + QLatin1String(suffix);
                QFileInfo::exists(file))
                return file;
    return {};
}

std::vector<Found> themeFiles(const QString& name, const Theme& inTheme) {
    std::vector<Found> found;
    for (const ThemeFolder& folder : inTheme.folders)
        if (QString file = fileIn(inTheme, folder, name); !file.isEmpty())
            found.push_back({std::move(file), &folder});
    return found;
}

// The theme's files of the icon, in the user's theme, the themes it inherits from, then hicolor.
std::vector<Found> findInThemes(const QString& name) {
    QStringList order{QIcon::themeName()};
    for (int i = 0; i < order.size() && i < 16; ++i)
        for (const QString& parent : theme(order[i]).inherits)
            if (!order.contains(parent))
                order.push_back(parent);
    if (!order.contains(QStringLiteral("hicolor")))
        order.push_back(QStringLiteral("hicolor"));
    for (const QString& themeName : order)
        if (std::vector<Found> found = themeFiles(name, theme(themeName)); !found.empty())
            return found;
    return {};
}

// A picture read by the reader its name says: PNG and XPM are Qt's own, anything else finds
// its plugin by its name alone.
QPixmap readIconFile(const QString& file) {
    QImageReader reader(file, QFileInfo(file).suffix().toLatin1().toLower());
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QIcon iconOfFile(const QString& file) {
    // A drawing scales itself; Qt's icon engine for it is the SVG plugin's.
    if (file.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        return QIcon(file);
    const QPixmap picture = readIconFile(file);
    return picture.isNull() ? QIcon() : QIcon(picture);
}

} // namespace

QIcon namedIcon(const std::string& name) {
    const QString text = QString::fromStdString(name);
    if (text.isEmpty())
        return {};
    if (QFileInfo(text).isAbsolute())
        return QFileInfo(text).isFile() ? iconOfFile(text) : QIcon();
    if (text.contains(QLatin1Char('/')))
        return {};
    const std::vector<Found> found = findInThemes(text);
    if (found.empty()) {
        // The icon theme rules' last resort: the data folders' pixmaps.
        for (const QString& folder : QIcon::fallbackSearchPaths())
            for (const char* suffix : {".png", ".xpm", ".svg"})
                if (const QString file = folder + QLatin1Char('/') + text + QLatin1String(suffix);
                    QFileInfo::exists(file))
                    return iconOfFile(file);
        return {};
    }
    // The best file for each density a screen may have, a larger one before a smaller when
    // none is exact: a small picture blown up is what this is for avoiding.
    QIcon icon;
    std::vector<QString> added;
    for (const int pixels : {16, 32, 48}) {
        const Found* best = nullptr;
        for (const Found& candidate : found) {
            const int distance = candidate.folder->distance(pixels);
            const bool larger = candidate.folder->size * candidate.folder->scale >= pixels;
            if (!best || distance < best->folder->distance(pixels) ||
                (distance == best->folder->distance(pixels) && larger))
                best = &candidate;
        }
        if (std::find(added.begin(), added.end(), best->file) != added.end())
            continue;
        added.push_back(best->file);
        if (best->file.endsWith(QLatin1String(".svg")))
            return QIcon(best->file);
        if (const QPixmap picture = readIconFile(best->file); !picture.isNull())
            icon.addPixmap(picture);
    }
    return icon;
}

QIcon firstNamedIcon(const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (QIcon icon = namedIcon(name); !icon.isNull())
            return icon;
    return {};
}

} // namespace platform
