// Files on POSIX: pipes, permissions, links, a size limit, case-sensitive names.
#include "platform/Files.h"

#include "TestSupport.h"

#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(Files, ReadingSomethingOtherThanAFileFailsInsteadOfHanging) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(ioCode([&] { platform::readFile(dir.file("pipe")); }), 5);
    EXPECT_EQ(ioCode([&] { platform::readFile(dir.path()); }), 5);
    EXPECT_EQ(ioCode([&] { platform::readFile("/dev/zero"); }), 5);
}

TEST(Files, AtomicSaveReplacesContentAndKeepsPermissions) {
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    writeBytes(path, "old");
    ::chmod(path.c_str(), 0640);
    const std::string big(100000, 'n');
    platform::writeFileAtomic(path, big);
    EXPECT_EQ(readBytes(path), big);
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"settings.ini"});

    platform::writeFileAtomic(dir.file("new.ini"), "");
    EXPECT_EQ(readBytes(dir.file("new.ini")), "");
}

TEST(Files, AtomicSaveThroughALinkReplacesTheLinkedFile) {
    TempDir dir;
    writeBytes(dir.file("real.ini"), "old");
    ASSERT_EQ(::symlink("real.ini", dir.file("link.ini").c_str()), 0);
    platform::writeFileAtomic(dir.file("link.ini"), "new");
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readBytes(dir.file("real.ini")), "new");
}

TEST(Files, AtomicSaveWritesThroughADanglingLinkAndRefusesReadOnlyFiles) {
    TempDir dir;
    ASSERT_EQ(::symlink("real.ini", dir.file("link.ini").c_str()), 0);
    platform::writeFileAtomic(dir.file("link.ini"), "new");
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    EXPECT_EQ(readBytes(dir.file("real.ini")), "new");

    ::chmod(dir.file("real.ini").c_str(), 0444);
    EXPECT_EQ(ioCode([&] { platform::writeFileAtomic(dir.file("link.ini"), "newer"); }), 5);
    EXPECT_EQ(readBytes(dir.file("real.ini")), "new");
    EXPECT_EQ(modeOf(dir.file("real.ini")), 0444u);
}

TEST(Files, AtomicSaveRemovesTemporaryFilesOfSavesThatWereKilled) {
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    const std::string dead = path + ".tmp-999999999-3";
    const std::string alive = path + ".tmp-1-0"; // init never ends
    const std::string other = dir.file("other.ini.tmp-999999999-1");
    for (const std::string& leftover : {dead, alive, other})
        writeBytes(leftover, "half a save");
    platform::writeFileAtomic(path, "saved");
    EXPECT_EQ(listFolder(dir.path()),
              (std::vector<std::string>{"other.ini.tmp-999999999-1", "settings.ini",
                                        "settings.ini.tmp-1-0"}));
}

TEST(Files, WriteFailureMidwayLeavesTheOldFileAlone) {
    TempDir dir;
    const std::string path = dir.file("a.ini");
    const std::string original(1000, 'o');
    writeBytes(path, original);

    // A file size limit makes the kernel refuse the write part way, whoever we are.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = 50000;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    const int code = ioCode([&] { platform::writeFileAtomic(path, std::string(200000, 'n')); });
    ::setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_EQ(code, EFBIG);
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"a.ini"});
}

TEST(Files, StoredNamePrefersTheExactNameThenAnyCase) {
    TempDir dir;
    writeBytes(dir.file("Tevlo"), "");
    EXPECT_EQ(platform::storedFileName(dir.file("tevlo")), "Tevlo");
    writeBytes(dir.file("tevlo"), "");
    EXPECT_EQ(platform::storedFileName(dir.file("tevlo")), "tevlo");
    EXPECT_EQ(platform::storedFileName(dir.file("other")), std::nullopt);
    EXPECT_EQ(platform::storedFileName(dir.file("missing/x")), std::nullopt);
}

TEST(Files, TheSettingsPlaceIsWorkedOutOnceAtStart) {
    TempDir dir;
    makeFolder(dir.file("build"));
    writeBytes(dir.file("build/CMakeCache.txt"), "");
    {
        ScopedExecutablePath exe{dir.file("build/tevlo")};
        EXPECT_EQ(platform::settingsFolder(), dir.file("build/")) << "a build keeps its own";
    }

    writeBytes(dir.file("Tevlo"), ""); // the program, as its folder stores its name
    ScopedExecutablePath exe{dir.file("tevlo")};
    EXPECT_EQ(platform::settingsFileName(), "Tevlo.ini");
    EXPECT_EQ(platform::settingsFolder(), exe.userFolder());
    // Looking again would list the folder again and find another answer.
    ASSERT_EQ(::rename(dir.file("Tevlo").c_str(), dir.file("Other").c_str()), 0);
    writeBytes(dir.file("Items.txt"), "");
    EXPECT_EQ(platform::settingsFileName(), "Tevlo.ini");
    EXPECT_EQ(platform::settingsFolder(), exe.userFolder());
}

TEST(Files, ASettingsFolderThatCannotBeMadeIsNamedWithItsReason) {
    TempDir dir;
    writeBytes(dir.file("file"), "");
    ASSERT_EQ(::symlink(dir.file("loop").c_str(), dir.file("loop").c_str()), 0);
    const auto message = [&](const std::string& configHome) {
        ScopedExecutablePath exe{dir.file("bin/tevlo")};
        ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        return errorOf([] { platform::makeSettingsFolder(); });
    };
    const std::string tail = "), so the settings of this run cannot be saved";
    EXPECT_EQ(message(dir.file("file")), "The settings folder \"" + dir.file("file/tevlo/") +
                                             "\" cannot be used (\"" + dir.file("file") +
                                             "\" is a file, not a folder" + tail);
    EXPECT_EQ(message(dir.file("loop")), "The settings folder \"" + dir.file("loop/tevlo/") +
                                             "\" cannot be used (its path runs round a loop of "
                                             "symbolic links" +
                                             tail);
}
