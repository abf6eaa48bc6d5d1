// Theme icons found by the icon theme rules and read by their named readers. Qt's own theme icons
// would read each file without naming its format, which makes Qt try every image plugin on it,
// and would look for each name with a file test in every folder of every theme: a thousand for a
// name hicolor does not have. Here a theme's icon cache answers, or else its folders are listed
// once, and a name is one lookup.
#include "platform/Icons.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>

namespace platform {

namespace {

// A folder of a theme, as its index.theme describes it.
struct ThemeFolder {
    QString name;
    int size = 0;
    int scale = 1;
    enum { Fixed, Scalable, Threshold } type = Threshold;
    int minSize = 0; // 0: the size
    int maxSize = 0; // 0: the size
    int threshold = 2;

    // How far its icons are from a size in device pixels, by the icon theme rules.
    int distance(int pixels) const {
        const int low = type == Scalable    ? (minSize > 0 ? minSize : size)
                        : type == Threshold ? size - threshold
                                            : size;
        const int high = type == Scalable    ? (maxSize > 0 ? maxSize : size)
                         : type == Threshold ? size + threshold
                                             : size;
        return pixels < low * scale    ? low * scale - pixels
               : pixels > high * scale ? pixels - high * scale
                                       : 0;
    }
};

// Where a theme has an icon: in which folder, under which of the theme's bases, with which suffix.
struct Place {
    std::uint16_t folder;
    std::uint8_t base;
    std::uint8_t suffix;
};
constexpr const char* Suffixes[] = {".png", ".xpm", ".svg"};
constexpr std::uint8_t Drawing = 2;      // the scalable one
constexpr int SuffixFlags[] = {4, 1, 2}; // as the icon cache marks them

// GTK's icon-theme.cache of a theme's folder, which the desktop's packages keep up to date: which
// folders hold each name, without listing one. Trusted only while it is newer than the folder, and
// read with every offset checked, so a damaged file finds nothing rather than anything wrong.
class IconCache {
public:
    bool open(const QString& base) {
        const QFileInfo cache(base + QStringLiteral("/icon-theme.cache"));
        if (!cache.isFile() || cache.lastModified() < QFileInfo(base).lastModified())
            return false;
        m_file.setFileName(cache.filePath());
        if (!m_file.open(QIODevice::ReadOnly) || m_file.size() < 12 || m_file.size() > 1 << 30)
            return false;
        // Mapped, not read: the pages stay the file's, shared and clean.
        m_data = m_file.map(0, m_file.size());
        m_size = quint32(m_file.size());
        return m_data && word(0) == 1;
    }

    // The folders that hold the name's files, with the cache's suffix flags (1 XPM, 2 SVG, 4 PNG).
    std::vector<std::pair<QByteArray, int>> find(const std::string& name) const {
        std::vector<std::pair<QByteArray, int>> found;
        const quint32 hash = long32(4);
        const quint32 folders = long32(8);
        const quint32 buckets = long32(hash);
        if (buckets == 0 || buckets == Bad)
            return found;
        quint32 icon = long32(hash + 4 + 4 * (hashOf(name) % buckets));
        for (int step = 0; icon != Bad && step < 4096; ++step) {
            if (text(long32(icon + 4)) == name.c_str()) {
                const quint32 images = long32(icon + 8);
                const quint32 count = long32(images);
                for (quint32 i = 0; count != Bad && i < count && i < 1024; ++i) {
                    const quint32 folder = word(images + 4 + 8 * i);
                    const QByteArray folderName = text(long32(folders + 4 + 4 * folder));
                    if (folder < long32(folders) && !folderName.isEmpty())
                        found.emplace_back(folderName, word(images + 6 + 8 * i));
                }
                break;
            }
            icon = long32(icon);
        }
        return found;
    }

private:
    static constexpr quint32 Bad = 0xFFFFFFFF;
    static quint32 hashOf(const std::string& name) {
        quint32 h = quint32(static_cast<signed char>(name.empty() ? 0 : name[0]));
        for (std::size_t i = 1; i < name.size(); ++i)
            h = (h << 5) - h + quint32(static_cast<signed char>(name[i]));
        return h;
    }
    quint32 word(quint32 at) const {
        return at <= m_size - 2 ? quint32(m_data[at] << 8 | m_data[at + 1]) : Bad;
    }
    quint32 long32(quint32 at) const {
        return at <= m_size - 4 ? quint32(m_data[at]) << 24 | quint32(m_data[at + 1]) << 16 |
                                      quint32(m_data[at + 2]) << 8 | m_data[at + 3]
                                : Bad;
    }
    // The NUL-terminated text at an offset; empty when it would run past the end.
    QByteArray text(quint32 at) const {
        if (at >= m_size)
            return {};
        const auto* start = reinterpret_cast<const char*>(m_data + at);
        const void* end = std::memchr(start, 0, m_size - at);
        return end ? QByteArray(start, static_cast<const char*>(end) - start) : QByteArray();
    }

    QFile m_file;
    const uchar* m_data = nullptr;
    quint32 m_size = 0;
};

// One key of a folder's group.
void describe(ThemeFolder& folder, QByteArrayView key, QByteArrayView value) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (key == "Type")
        folder.type = value == "Fixed"      ? ThemeFolder::Fixed
                      : value == "Scalable" ? ThemeFolder::Scalable
                                            : ThemeFolder::Threshold;
    else if (!ok)
        return;
    else if (key == "Size")
        folder.size = number;
    else if (key == "Scale")
        folder.scale = std::max(1, number);
    else if (key == "MinSize")
        folder.minSize = number;
    else if (key == "MaxSize")
        folder.maxSize = number;
    else if (key == "Threshold")
        folder.threshold = number;
}

struct Theme {
    QStringList bases; // the theme's folder under each search path that has one
    std::vector<ThemeFolder> folders;
    std::map<QByteArray, std::uint16_t> folderIndex;
    QStringList inherits;
    // By base: its cache, or none, when its folders were listed into listed instead.
    std::vector<std::unique_ptr<IconCache>> caches;
    std::unordered_map<std::string, std::vector<Place>> listed;

    std::vector<Place> places(const std::string& name) const {
        std::vector<Place> found;
        if (const auto known = listed.find(name); known != listed.end())
            found = known->second;
        for (std::size_t b = 0; b < caches.size(); ++b) {
            if (!caches[b])
                continue;
            for (const auto& [folder, flags] : caches[b]->find(name)) {
                const auto index = folderIndex.find(folder);
                if (index == folderIndex.end())
                    continue;
                for (std::uint8_t s = 0; s < std::size(Suffixes); ++s)
                    if (flags & SuffixFlags[s])
                        found.push_back({index->second, std::uint8_t(b), s});
            }
        }
        return found;
    }
};

QStringList listOf(QByteArrayView value) {
    return QString::fromUtf8(value).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

// A theme's index.theme: its parents, and its folders in the order it names them. The format is
// a desktop entry's; read here in one pass straight into folders rather than through QSettings,
// which takes milliseconds and half a megabyte over hicolor's six hundred folders.
void readIndex(const QString& file, Theme& theme) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = in.readAll();
    QStringList order;
    std::map<QString, ThemeFolder> described;
    ThemeFolder* folder = nullptr;
    bool main = false;
    for (qsizetype at = 0; at < data.size();) {
        qsizetype end = data.indexOf('\n', at);
        if (end < 0)
            end = data.size();
        const QByteArrayView line = QByteArrayView(data).sliced(at, end - at).trimmed();
        at = end + 1;
        if (line.startsWith('[') && line.endsWith(']')) {
            const QString group = QString::fromUtf8(line.sliced(1, line.size() - 2));
            main = group == QLatin1String("Icon Theme");
            folder = main ? nullptr : &described[group];
            if (folder)
                folder->name = group;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArrayView key = line.first(equals).trimmed();
        const QByteArrayView value = line.sliced(equals + 1).trimmed();
        if (main && (key == "Directories" || key == "ScaledDirectories"))
            order += listOf(value);
        else if (main && key == "Inherits")
            theme.inherits = listOf(value);
        else if (folder)
            describe(*folder, key, value);
    }
    for (const QString& name : order)
        if (auto found = described.find(name); found != described.end() && found->second.size > 0)
            theme.folders.push_back(std::move(found->second));
}

// The icons of the theme's bases that have no cache, by listing each of their folders.
void listIcons(Theme& theme) {
    for (std::size_t f = 0; f < theme.folders.size() && f <= 0xFFFF; ++f)
        for (qsizetype b = 0; b < theme.bases.size() && b <= 0xFF; ++b) {
            if (theme.caches[std::size_t(b)])
                continue;
            QDirIterator files(theme.bases[b] + QLatin1Char('/') + theme.folders[f].name,
                               QDir::Files);
            while (files.hasNext()) {
                const QString file = files.next();
                const QString name = files.fileName();
                for (std::uint8_t s = 0; s < std::size(Suffixes); ++s)
                    if (name.endsWith(QLatin1String(Suffixes[s]))) {
                        const QString stem = name.left(name.size() - 4);
                        theme.listed[stem.toStdString()].push_back(
                            {std::uint16_t(f), std::uint8_t(b), s});
                        break;
                    }
            }
        }
}

Theme readTheme(const QString& name, const QStringList& searchPaths) {
    Theme theme;
    for (const QString& path : searchPaths)
        if (QFileInfo(path + QLatin1Char('/') + name).isDir())
            theme.bases.push_back(path + QLatin1Char('/') + name);
    for (const QString& base : theme.bases)
        if (QFileInfo::exists(base + QStringLiteral("/index.theme"))) {
            readIndex(base + QStringLiteral("/index.theme"), theme);
            break;
        }
    for (std::size_t f = 0; f < theme.folders.size() && f <= 0xFFFF; ++f)
        theme.folderIndex.emplace(theme.folders[f].name.toUtf8(), std::uint16_t(f));
    for (const QString& base : theme.bases) {
        auto cache = std::make_unique<IconCache>();
        theme.caches.push_back(cache->open(base) ? std::move(cache) : nullptr);
    }
    listIcons(theme);
    return theme;
}

// What each name was found to be, in a theme, kept for the run: a section shown again, or the
// same program in another, needs no theme read again. Never destroyed: a check's thread may still
// be looking while the program ends.
struct FoundBefore {
    std::mutex mutex;
    // By where themes are looked for, the theme and the name.
    std::map<std::tuple<QStringList, QString, std::string>, IconFiles> names;
};
FoundBefore& foundBefore() {
    static auto* found = new FoundBefore;
    return *found;
}

IconFiles filesIn(const Theme& theme, const QString& name, const std::vector<Place>& places) {
    IconFiles found;
    const auto path = [&theme](const Place& place) {
        return theme.bases[place.base] + QLatin1Char('/') + theme.folders[place.folder].name +
               QLatin1Char('/');
    };
    for (const int pixels : {16, 32, 48}) {
        const Place* best = nullptr;
        int bestDistance = 0;
        for (const Place& place : places) {
            const ThemeFolder& folder = theme.folders[place.folder];
            const int distance = folder.distance(pixels);
            const bool larger = folder.size * folder.scale >= pixels;
            if (!best || distance < bestDistance || (distance == bestDistance && larger)) {
                best = &place;
                bestDistance = distance;
            }
        }
        const QString file = path(*best) + name + QLatin1String(Suffixes[best->suffix]);
        if (best->suffix == Drawing)
            return {{file}};
        if (std::find(found.files.begin(), found.files.end(), file) == found.files.end())
            found.files.push_back(file);
    }
    return found;
}

// Whether Qt's SVG icon engine is installed, found by its file: asking Qt which formats it reads
// would load every image plugin to ask it.
bool canDrawDrawings() {
    for (const QString& path : QCoreApplication::libraryPaths())
        for (const QString& plugin :
             QDir(path + QStringLiteral("/iconengines")).entryList(QDir::Files))
            if (plugin.contains(QLatin1String("svg"), Qt::CaseInsensitive))
                return true;
    return false;
}

} // namespace

IconTheme IconTheme::current() {
    static const bool drawings = canDrawDrawings();
    return {QIcon::themeName(), QIcon::themeSearchPaths(), QIcon::fallbackSearchPaths(), drawings};
}

// The themes a lookup has read, in the order their icons are taken: the desktop's theme, the
// themes it inherits from, hicolor.
struct IconLookup::Themes {
    std::map<QString, Theme> read;
    QStringList order;
};

IconLookup::IconLookup(IconTheme theme) : m_theme(std::move(theme)) {}
IconLookup::~IconLookup() = default;

IconFiles IconLookup::find(const std::string& name) {
    const QString text = QString::fromStdString(name);
    if (text.isEmpty())
        return {};
    if (text.startsWith(QLatin1Char('/')))
        return Drawable(text) && QFileInfo(text).isFile() ? IconFiles{{text}} : IconFiles{};
    if (text.contains(QLatin1Char('/')))
        return {};
    const auto key = std::make_tuple(m_theme.searchPaths, m_theme.name, name);
    {
        const std::lock_guard lock(foundBefore().mutex);
        if (const auto known = foundBefore().names.find(key); known != foundBefore().names.end())
            return known->second;
    }
    IconFiles found = FindInThemes(text, name);
    if (found.empty())
        found = InPixmaps(text);
    const std::lock_guard lock(foundBefore().mutex);
    return foundBefore().names.emplace(key, std::move(found)).first->second;
}

bool IconLookup::Drawable(const QString& file) const {
    return m_theme.drawings || !file.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
}

IconFiles IconLookup::InPixmaps(const QString& text) const {
    // The icon theme rules' last resort: the pixmaps folders, unthemed.
    for (const QString& folder : m_theme.fallbackPaths)
        for (const char* suffix : Suffixes)
            if (const QString file = folder + QLatin1Char('/') + text + QLatin1String(suffix);
                Drawable(file) && QFileInfo::exists(file))
                return {{file}};
    return {};
}

IconFiles IconLookup::FindInThemes(const QString& text, const std::string& name) {
    if (!m_themes) {
        m_themes = std::make_unique<Themes>();
        const auto theme = [this](const QString& themeName) -> const Theme& {
            auto known = m_themes->read.find(themeName);
            if (known == m_themes->read.end())
                known = m_themes->read.emplace(themeName, readTheme(themeName, m_theme.searchPaths))
                            .first;
            return known->second;
        };
        QStringList& order = m_themes->order;
        order = {m_theme.name};
        for (qsizetype i = 0; i < order.size() && i < 16; ++i)
            for (const QString& parent : theme(order[i]).inherits)
                if (!order.contains(parent))
                    order.push_back(parent);
        if (!order.contains(QStringLiteral("hicolor")))
            order.push_back(QStringLiteral("hicolor"));
        for (const QString& themeName : order)
            theme(themeName);
    }
    for (const QString& themeName : m_themes->order) {
        const Theme& inTheme = m_themes->read.at(themeName);
        std::vector<Place> found = inTheme.places(name);
        // A drawing that nothing here can draw is no icon: a theme's other sizes, or the next
        // theme, or the next name, give one.
        if (!m_theme.drawings)
            std::erase_if(found, [](const Place& place) { return place.suffix == Drawing; });
        if (!found.empty())
            return filesIn(inTheme, text, found);
    }
    return {};
}

QIcon iconOf(const IconFiles& files) {
    QIcon icon;
    for (const QString& file : files.files) {
        // A drawing scales itself, through Qt's icon engine for it, the SVG plugin's.
        if (file.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
            return QIcon(file);
        QImageReader reader(file, QFileInfo(file).suffix().toLatin1().toLower());
        reader.setAutoDetectImageFormat(false);
        if (const QImage picture = reader.read(); !picture.isNull())
            icon.addPixmap(QPixmap::fromImage(picture));
    }
    return icon;
}

QIcon namedIcon(const std::string& name) {
    return iconOf(IconLookup(IconTheme::current()).find(name));
}

} // namespace platform
