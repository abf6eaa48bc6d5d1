// The first start on a machine whose applications the test makes up.
#include "FirstStart.h"

#include "BigIni.h"
#include "SectionNames.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(FirstStart, WritesAReadableLookAndTheMachinesProgramsOnce) {
    TempDir dir;
    ScopedExecutablePath exe{dir.file("tevlo")};
    // The desktop's applications are these four, and the desktop has no preferences of its own.
    useDesktopData(dir.file("data"), dir.file("no-data-home"));
    const std::string apps = dir.file("data") + "/applications";
    writeDesktopEntry(apps, "term", "Name=Fake Terminal\nCategories=System;TerminalEmulator;");
    writeDesktopEntry(apps, "files", "Name=Fake Files\nMimeType=inode/directory;");
    writeDesktopEntry(
        apps, "web", "Name=A Browser Whose Name Is Far Too Long\nMimeType=x-scheme-handler/https;");
    writeDesktopEntry(apps, "edit", "Name=Fake Editor\nMimeType=text/plain;");
    // What update-desktop-database makes of them, as every installed system has it.
    writeBytes(apps + "/mimeinfo.cache", "[MIME Cache]\ninode/directory=files.desktop;\n"
                                         "x-scheme-handler/https=web.desktop;\n"
                                         "text/plain=edit.desktop;\n");
    platform::makeSettingsFolder();

    SeedFirstStart();
    const std::string folder = exe.userFolder();
    EXPECT_EQ(readBytes(folder + "Items.txt"), crlf(DesignSectionNames()));
    TBigIniFile ini(folder + "tevlo.ini");
    EXPECT_EQ(ini.ReadValue("Config", "BackColor1", "?"), "-2147483633");
    EXPECT_EQ(ini.ReadValue("Config", "ColFont1", "?"), "0");
    EXPECT_NE(ini.ReadValue("Config", "Font1", ""), "") << "a typeface the machine has";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {apps + "/term.desktop", "Fake Terminal"},
        {apps + "/files.desktop", "Fake Files"},
        {apps + "/web.desktop", "A Browser Whose Name Is Far To"},
        {apps + "/edit.desktop", "Fake Editor"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        EXPECT_EQ(ini.ReadValue("Config.Prog", n, ""), expected[i].first) << n;
        EXPECT_EQ(ini.ReadValue("Config.Caption", n, ""), expected[i].second) << n;
    }

    // Files that exist are the user's: never seeded again, even when a key is missing.
    writeBytes(folder + "tevlo.ini", crlf({"[Config]", "Pos1=2"}));
    removeFile(folder + "Items.txt");
    SeedFirstStart();
    EXPECT_EQ(readBytes(folder + "tevlo.ini"), crlf({"[Config]", "Pos1=2"}));
    EXPECT_FALSE(exists(folder + "Items.txt"));
}
