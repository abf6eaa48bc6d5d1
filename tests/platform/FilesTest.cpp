// Files as every system has them; FilesTest_posix.cpp and FilesTest_win.cpp hold the rest.
#include "platform/Files.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(Files, ReadFileIsByteExactAndReportsMissingFiles) {
    TempDir dir;
    std::string bytes = "a\r\nb\rc\n\x1A";
    bytes += '\0';
    bytes += std::string(40000, 'x'); // more than one read buffer
    writeBytes(dir.file("f"), bytes);
    EXPECT_EQ(platform::readFile(dir.file("f")), bytes);
    EXPECT_EQ(ioCode([&] { platform::readFile(dir.file("missing")); }), 2);
    EXPECT_EQ(ioCode([&] { platform::readFile(dir.file("f") + "/below"); }), 3);
    EXPECT_TRUE(platform::fileExists(dir.file("f")));
    EXPECT_FALSE(platform::fileExists(dir.path()));
}

TEST(Files, CancelledSaveLeavesTheOldFileAlone) {
    TempDir dir;
    const std::string path = dir.file("a.ini");
    writeBytes(path, "original\r\n");

    {
        platform::AtomicFile file(path);
        file.write("half");
    }
    EXPECT_EQ(readBytes(path), "original\r\n");
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"a.ini"});
}
