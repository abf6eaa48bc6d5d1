// Theme icons found through a theme's icon cache, as the desktop's packages make it with
// gtk-update-icon-cache, and a damaged cache that must find nothing wrong.
#include "platform/Icons.h"

#include "TestSupport.h"

#include <QFile>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

using namespace testing_support;

namespace {

// A theme "made-up" under data/icons with 16 and 32 pixel folders and "a" in both.
std::string makeTheme(const std::string& data) {
    const std::string theme = data + "/icons/made-up";
    for (const char* folder : {"/16x16/apps", "/32x32/apps"})
        std::filesystem::create_directories(theme + folder);
    writeBytes(theme + "/index.theme", "[Icon Theme]\nName=Made Up\nDirectories=16x16/apps,"
                                       "32x32/apps\n\n[16x16/apps]\nSize=16\nType=Fixed\n\n"
                                       "[32x32/apps]\nSize=32\nType=Fixed\n");
    writeBytes(theme + "/16x16/apps/a.png", "");
    writeBytes(theme + "/32x32/apps/a.png", "");
    return theme;
}

// Sets a file's or folder's change time seconds from now.
void age(const std::string& path, int seconds) {
    utimbuf times{};
    times.actime = times.modtime = ::time(nullptr) + seconds;
    ::utime(path.c_str(), &times);
}

platform::IconFiles find(const std::string& data, const std::string& name) {
    platform::IconTheme theme{
        QStringLiteral("made-up"), {QString::fromStdString(data + "/icons")}, {}, false};
    return platform::IconLookup(theme).find(name);
}

} // namespace

TEST(Icons, ACacheAnswersWhileNewerThanItsThemeAndADamagedOneFindsNothingWrong) {
    TempDir dir;
    const std::string data = dir.file("data");
    const std::string theme = makeTheme(data);
    if (std::system(("gtk-update-icon-cache -q -f '" + theme + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "gtk-update-icon-cache is not installed";
    age(theme, -100);
    // Made after the cache, in a folder of the theme: the cache does not know it.
    writeBytes(theme + "/16x16/apps/late.png", "");
    const platform::IconFiles a = find(data, "a");
    ASSERT_EQ(a.files.size(), 2u);
    EXPECT_EQ(a.files[0].toStdString(), theme + "/16x16/apps/a.png");
    EXPECT_EQ(a.files[1].toStdString(), theme + "/32x32/apps/a.png");
    EXPECT_TRUE(find(data, "late").empty()) << "the cache answers";
    // The theme changed after its cache: its folders are listed instead.
    age(theme, 100);
    writeBytes(theme + "/16x16/apps/later.png", "");
    EXPECT_EQ(find(data, "later").files.size(), 1u);

    // Every byte of the cache spoilt in turn, and every length cut short: whatever is found
    // lies in the theme's folders.
    QFile read(QString::fromStdString(theme + "/icon-theme.cache"));
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    const QByteArray cache = read.readAll();
    for (qsizetype at = 0; at < cache.size(); ++at) {
        const std::string copy = dir.file("damaged" + std::to_string(at));
        const std::string copied = makeTheme(copy);
        QByteArray damaged = cache;
        if (at % 2)
            damaged.truncate(at);
        else
            damaged[at] = char(damaged[at] ^ 0xFF);
        writeBytes(copied + "/icon-theme.cache", damaged.toStdString());
        age(copied, -100);
        for (const QString& file : find(copy, "a").files)
            EXPECT_EQ(file.toStdString().rfind(copied + "/", 0), 0u) << file.toStdString();
    }
}
