// Icons by the names desktop entries give them: a theme icon's name, looked up in the desktop's
// icon theme, the themes it inherits from, hicolor and then the pixmaps folders, or a picture's
// absolute path. The bar's buttons and the list of installed applications find them the same way.
#pragma once

#include <QIcon>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The desktop's icon theme and where themes lie, as Qt knows them; taken on the user-interface
// thread and handed to findIcon, which may run on any thread.
struct IconTheme {
    QString name;
    QStringList searchPaths;
    QStringList fallbackPaths;
    // Whether SVG drawings can be drawn: Qt's SVG plugin is installed.
    bool drawings = false;
    static IconTheme current();
};

// The files of an icon: for each density a screen may have (16, 32 and 48 pixels), the file that
// suits it best, a larger one before a smaller when none is exact, without repeats; or one
// scalable drawing. Empty when nothing was found.
struct IconFiles {
    std::vector<QString> files;
    bool empty() const { return files.empty(); }
};

// Finds the icons names give: a theme icon's files, or a picture at an absolute path. It only
// looks at the disk, so a thread of its own may ask. The themes are read when a name is first not
// known, and let go with the lookup; what each name was found to be is kept for the run.
class IconLookup {
public:
    explicit IconLookup(IconTheme theme);
    ~IconLookup();
    IconLookup(const IconLookup&) = delete;
    IconLookup& operator=(const IconLookup&) = delete;

    IconFiles find(const std::string& name);

private:
    struct Themes;
    IconFiles FindInThemes(const QString& text, const std::string& name);
    IconFiles InPixmaps(const QString& text) const;
    // False for an SVG drawing where nothing can draw one.
    bool Drawable(const QString& file) const;

    IconTheme m_theme;
    std::unique_ptr<Themes> m_themes;
};

// The icon of found files, read by the readers their suffixes name, so Qt never tries every image
// plugin on them; a null icon when none could be read. User-interface thread only.
QIcon iconOf(const IconFiles& files);

// A lookup and iconOf at once, with the current theme; a null icon when the name gives none.
QIcon namedIcon(const std::string& name);

} // namespace platform
