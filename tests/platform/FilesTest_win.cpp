// Files on Windows: devices, locks, read-only files, stored long names.
#include "platform/Files.h"

#include "TestSupport.h"

#include "platform/Strings.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace testing_support;

namespace {

// Holds a file open with no sharing, as another program may, while in scope.
class LockedFile {
public:
    explicit LockedFile(const std::string& path)
        : m_handle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~LockedFile() { ::CloseHandle(m_handle); }
    bool ok() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

} // namespace

TEST(Files, ReadingFoldersDevicesAndLockedFilesFails) {
    TempDir dir;
    EXPECT_EQ(errorOf([&] { platform::readFile(dir.path()); }), "File access denied");
    EXPECT_EQ(ioCode([] { platform::readFile("NUL"); }), 5) << "a device has no end to read to";
    EXPECT_FALSE(platform::fileExists(dir.path()));

    writeBytes(dir.file("locked.ini"), "x");
    LockedFile lock(dir.file("locked.ini"));
    ASSERT_TRUE(lock.ok());
    // ERROR_SHARING_VIOLATION has no code of the runtime's own.
    EXPECT_EQ(errorOf([&] { platform::readFile(dir.file("locked.ini")); }), "I/O error 32");
    // Replacing a file that is in use is refused as access denied.
    EXPECT_EQ(ioCode([&] { platform::writeFileAtomic(dir.file("locked.ini"), "new"); }), 5);
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"locked.ini"});
}

TEST(Files, AtomicSaveReplacesContentAndRespectsReadOnlyFiles) {
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    writeBytes(path, "old");
    const std::string big(100000, 'n');
    platform::writeFileAtomic(path, big);
    EXPECT_TRUE(readBytes(path) == big) << "the content was not replaced";
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"settings.ini"});

    // The user marked the file read-only: the save is refused and nothing is left behind.
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(errorOf([&] { platform::writeFileAtomic(path, "new"); }), "File access denied");
    EXPECT_TRUE(readBytes(path) == big) << "the read-only file was changed";
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"settings.ini"});

    EXPECT_EQ(ioCode([&] { platform::writeFileAtomic(dir.file("missing\\a.ini"), "x"); }), 3);
}

TEST(Files, AtomicSaveRemovesTemporaryFilesOfSavesThatWereKilled) {
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    writeBytes(path + ".tmp-999999996-3", "half a save");
    writeBytes(path + ".tmp-" + std::to_string(::GetCurrentProcessId()) + "-999", "ours");
    platform::writeFileAtomic(path, "saved");
    EXPECT_EQ(listFolder(dir.path()),
              (std::vector<std::string>{"settings.ini", "settings.ini.tmp-" +
                                                            std::to_string(::GetCurrentProcessId()) +
                                                            "-999"}));
}

TEST(Files, StoredNameIsTheLongNameInItsStoredCase) {
    TempDir dir;
    const std::string stored = "Tevlo Launch Bar.Exe";
    writeBytes(dir.file(stored), "");
    EXPECT_EQ(platform::storedFileName(dir.file("TEVLO launch bar.exe")), stored);

    char shortPath[MAX_PATH * 4];
    const DWORD n = ::GetShortPathNameA(dir.file(stored).c_str(), shortPath, sizeof shortPath);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, sizeof shortPath);
    const std::string shortName = platform::extractFileName(std::string(shortPath, n));
    ASSERT_NE(shortName, stored) << "the name has blanks, so it has a short form";
    EXPECT_EQ(platform::storedFileName(std::string(shortPath, n)), stored) << shortName;

    // Hidden and read-only entries count as well.
    ASSERT_TRUE(::SetFileAttributesA(dir.file(stored).c_str(),
                                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(platform::storedFileName(dir.file("tevlo launch bar.exe")), stored);

    // A wildcard would match the file, but no file can be stored under such a name.
    EXPECT_EQ(platform::storedFileName(dir.file("Tevlo*")), std::nullopt);
    EXPECT_EQ(platform::storedFileName(dir.file("Tevlo Launch Bar.Ex?")), std::nullopt);
    EXPECT_EQ(platform::storedFileName(dir.file("other.exe")), std::nullopt);
    EXPECT_EQ(platform::storedFileName(dir.file("missing\\x.exe")), std::nullopt);
    EXPECT_EQ(platform::storedFileName(dir.path() + "\\"), std::nullopt);
}

TEST(Files, ExecutablePathIsTheRunningProgram) {
    const std::string exe = platform::executablePath();
    ASSERT_GE(exe.size(), 3u);
    EXPECT_EQ(exe[1], ':') << exe << " should start with a drive letter";
    EXPECT_TRUE(platform::sameText(platform::extractFileName(exe), "FilesTest.exe")) << exe;
    EXPECT_TRUE(platform::fileExists(exe)) << exe;
    EXPECT_EQ(platform::storedFileName(exe), platform::extractFileName(exe));
}
