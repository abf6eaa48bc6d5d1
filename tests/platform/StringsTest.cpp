#include "platform/Strings.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Strings, UpperCaseTouchesOnlyAsciiLetters) {
    EXPECT_EQ(upperCase("abc xyz-AZ09{}`"), "ABC XYZ-AZ09{}`");
    // UTF-8 for a-umlaut and a Latin-1 e-acute byte stay as they are.
    EXPECT_EQ(upperCase("\xC3\xA4\xE9q"), "\xC3\xA4\xE9Q");
}

TEST(Strings, CompareTextFoldsAsciiOnlyAndOrdersConsistently) {
    EXPECT_TRUE(sameText("Config.Prog", "CONFIG.prog"));
    EXPECT_FALSE(sameText("Config", "Config "));
    EXPECT_FALSE(sameText("\xC3\xA4", "\xC3\x84")); // a-umlaut and A-umlaut differ
    EXPECT_EQ(compareText("abc", "ABC"), 0);
    EXPECT_LT(compareText("a", "B"), 0);
    EXPECT_GT(compareText("b", "A"), 0);
    EXPECT_LT(compareText("ab", "ABC"), 0);
    // Letters fold to lower case, so "_" (0x5F) sorts before them, as it does against "a".
    EXPECT_LT(compareText("_", "A"), 0);
    EXPECT_GT(compareText("\xC3", "z"), 0); // bytes above 127 compare unsigned
}

TEST(Strings, PathParts) {
    EXPECT_EQ(extractFilePath("/opt/tevlo/tevlo"), "/opt/tevlo/");
    EXPECT_EQ(extractFilePath("tevlo"), "");
    EXPECT_EQ(extractFileName("/opt/tevlo/tevlo.bin"), "tevlo.bin");
    EXPECT_EQ(changeFileExt("/opt/tevlo/tevlo", ".ini"), "/opt/tevlo/tevlo.ini");
    EXPECT_EQ(changeFileExt("/opt/tevlo/Tevlo.EXE", ".ini"), "/opt/tevlo/Tevlo.ini");
    EXPECT_EQ(changeFileExt("/opt/v1.2/tevlo", ".ini"), "/opt/v1.2/tevlo.ini");
    EXPECT_EQ(changeFileExt("/a/b.tar.gz", ".ini"), "/a/b.tar.ini");
    EXPECT_EQ(changeFileExt("name.", ".ini"), "name.ini");
#ifndef _WIN32
    EXPECT_EQ(extractFilePath("C:\\apps\\x.exe"), ""); // backslash and colon are name bytes here
#endif
}

#ifdef _WIN32
TEST(Strings, WindowsPathsEndFoldersAtBackslashColonAndSlash) {
    EXPECT_EQ(extractFilePath("C:\\Program Files\\Tevlo\\tevlo.exe"), "C:\\Program Files\\Tevlo\\");
    EXPECT_EQ(extractFilePath("C:tevlo.exe"), "C:");
    EXPECT_EQ(extractFileName("C:tevlo.exe"), "tevlo.exe");
    EXPECT_EQ(extractFilePath("D:/apps\\x/y.exe"), "D:/apps\\x/");
    EXPECT_EQ(extractFilePath("\\\\server\\share\\a.exe"), "\\\\server\\share\\");
    EXPECT_EQ(changeFileExt("C:\\v1.2\\tevlo", ".ini"), "C:\\v1.2\\tevlo.ini");
    EXPECT_EQ(changeFileExt("C:.hidden\\Tevlo.EXE", ".ini"), "C:.hidden\\Tevlo.ini");
    EXPECT_EQ(changeFileExt("C:v1.2", ".ini"), "C:v1.ini");
    EXPECT_EQ(changeFileExt("C:.x:tevlo", ".ini"), "C:.x:tevlo.ini");
}
#endif
