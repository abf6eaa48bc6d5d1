// The INI engine on Windows: the application INI file's name and files other programs hold.
#include "BigIni.h"

#include "TestSupport.h"

#include "platform/Process.h"
#include "platform/Strings.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace testing_support;

TEST(AppIniFile, ShortOrOtherwiseCasedExecutableNamesFindTheStoredLongName) {
    TempDir dir;
    writeBytes(dir.file("Tevlo Launch Bar.exe"), "");
    writeBytes(dir.file("Tevlo Launch Bar.ini"), crlf({"[Config]", "Top=7"}));
    {
        ScopedExecutablePath exe(dir.file("TEVLO LAUNCH BAR.EXE"));
        TAppIniFile ini;
        EXPECT_EQ(ini.FileName(), dir.file("Tevlo Launch Bar.ini"));
        EXPECT_EQ(ini.ReadNumber("Config", "Top", 0), 7);
    }
    {
        char shortPath[MAX_PATH * 4];
        const DWORD n = ::GetShortPathNameA(dir.file("Tevlo Launch Bar.exe").c_str(), shortPath,
                                            sizeof shortPath);
        ASSERT_GT(n, 0u);
        const std::string shortExe(shortPath, n);
        ASSERT_NE(platform::extractFileName(shortExe), "Tevlo Launch Bar.exe");
        ScopedExecutablePath exe(shortExe);
        TAppIniFile ini;
        // The folder stays as the program was started; only the name is the stored one.
        EXPECT_EQ(ini.FileName(), platform::extractFilePath(shortExe) + "Tevlo Launch Bar.ini");
        EXPECT_EQ(ini.ReadNumber("Config", "Top", 0), 7);
    }
}

TEST(AppIniFile, DriveLettersColonsAndSlashesEndTheFolder) {
    TempDir dir;
    writeBytes(dir.file("Tevlo.EXE"), "");
    writeBytes(dir.file("Items.txt"), ""); // a portable copy
    platform::setCurrentDirectory(dir.path());
    const std::string drive = dir.path().substr(0, 2); // "C:"
    {
        // "C:tevlo.exe" is tevlo.exe in drive C's current folder.
        ScopedExecutablePath exe(drive + "tevlo.exe");
        EXPECT_EQ(TAppIniFile::DefaultFileName(), drive + "Tevlo.ini");
    }
    {
        ScopedExecutablePath exe(dir.path() + "/tevlo.exe");
        EXPECT_EQ(TAppIniFile::DefaultFileName(), dir.path() + "/Tevlo.ini");
    }
    {
        // A folder without the files: the user's own folder.
        ScopedExecutablePath exe(drive + "\\v1.2\\tevlo");
        EXPECT_EQ(TAppIniFile::DefaultFileName(), exe.userFolder() + "tevlo.ini");
    }
}

TEST(IniFile, FilesOtherProgramsHoldOrProtect) {
    TempDir dir;
    const std::string path = dir.file("a.ini");
    const std::string original = crlf({"[A]", "a=1"});
    writeBytes(path, original);
    {
        // Another program holds the file open without sharing: loading fails.
        const HANDLE lock = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        EXPECT_EQ(errorOf([&] { TBigIniFile ini(path); }),
                  "The settings could not be read from \"" + path + "\": I/O error 32");
        ::CloseHandle(lock);
    }

    // A read-only file is refused on save and kept, and the changes stay pending.
    TBigIniFile ini(path);
    ini.WriteValue("A", "a", "2");
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ioCode([&] { ini.SaveToDisk(); }), 5);
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"a.ini"});

    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    ini.SaveToDisk();
    EXPECT_EQ(readBytes(path), crlf({"[A]", "a=2", ""}));
}
