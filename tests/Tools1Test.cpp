#include "Tools1.h"

#include "TestSupport.h"

#include "platform/Process.h"
#include "platform/Strings.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace testing_support;
using Lines = std::vector<std::string>;

namespace {

// Every test gets its own program folder with an empty item table, and leaves no AppIni.
class ItemStore : public ::testing::Test {
protected:
    ItemStore() {
        for (int n = 1; n <= ItemCount; ++n) {
            ItemPrograms[n].clear();
            ItemCaptions[n] = "";
        }
    }
    ~ItemStore() override { AppIni.reset(); }

    TempDir dir;
    ScopedExecutablePath exe{dir.file("tevlo")};
    std::string iniPath = dir.file("tevlo.ini");
};

// Records what would have been started, and where, instead of starting it.
class RecordedStarts {
public:
    RecordedStarts()
        : m_previous(platform::setProgramStarter(
              [this](const std::string& line, const std::string& folder, platform::ShowCommand) {
                  lines.push_back(line);
                  folders.push_back(folder);
              })) {}
    ~RecordedStarts() { platform::setProgramStarter(std::move(m_previous)); }
    Lines lines;
    Lines folders;

private:
    platform::ProgramStarter m_previous;
};

} // namespace

// Text is cut where it is made a caption on purpose, never by a conversion on the way.
static_assert(!std::is_convertible_v<std::string, TItemCaption>);
static_assert(!std::is_convertible_v<const char*, TItemCaption>);

TEST(ItemCaption, EveryAssignmentKeepsAtMostThirtyBytes) {
    TItemCaption caption{std::string(40, 'c')};
    EXPECT_EQ(caption.str(), std::string(30, 'c'));
    caption = "short";
    EXPECT_EQ(caption.str(), "short");
    caption = std::string(30, 'x');
    EXPECT_EQ(caption.size(), 30u);

    // A UTF-8 character across the cut goes as a whole...
    caption = std::string(29, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(caption.str(), std::string(29, 'a'));
    caption = std::string(28, 'a') + "\xE2\x82\xAC" + "tail"; // euro sign, 3 bytes
    EXPECT_EQ(caption.str(), std::string(28, 'a'));
    caption = std::string(28, 'a') + "\xC3\xA9" + "tail"; // ends exactly at the cut
    EXPECT_EQ(caption.str(), std::string(28, 'a') + "\xC3\xA9");
    // ...while bytes of a single-byte code page are cut exactly at 30.
    caption = std::string(30, '\xE9') + "\xE9\xE9";
    EXPECT_EQ(caption.size(), 30u);
    caption = std::string(29, 'a') + "\xE9\xA9x"; // not a UTF-8 sequence
    EXPECT_EQ(caption.size(), 30u);
}

TEST(ItemArray, OnlyItemNumbersOneToHundredExist) {
    EXPECT_NO_THROW(ItemPrograms[1]);
    EXPECT_NO_THROW(ItemCaptions[100]);
    EXPECT_THROW(ItemPrograms[0], std::out_of_range);
    EXPECT_THROW(ItemCaptions[101], std::out_of_range);
}

TEST_F(ItemStore, LoadThenSaveKeepsExactlyTheNonEmptyItems) {
    writeBytes(iniPath, crlf({"[Config]", "Top=1", "[Config.File]", "x=anything", "[Config.Prog]",
                              "07=/seven", "101=/beyond", "3=/old", "[config.caption]",
                              "4=" + std::string(40, 'x'), "[Other]", "keep=me"}));
    LoadItems();
    ASSERT_NE(AppIni, nullptr);
    EXPECT_EQ(AppIni->FileName(), iniPath);
    EXPECT_EQ(ItemPrograms[3], "/old");
    EXPECT_EQ(ItemCaptions[4].str(), std::string(30, 'x'));
    EXPECT_EQ(ItemPrograms[7], "") << "keys are text: 07 is not 7";

    ItemPrograms[3] = "/opt/a b/run --flag";
    ItemCaptions[5] = "Caption only";
    ItemPrograms[6] = "/program/only";
    SaveItems();
    EXPECT_FALSE(AppIni->Modified());
    EXPECT_EQ(readBytes(iniPath),
              crlf({"[Config]", "Top=1", "", "[Other]", "keep=me", "", "[Config.Prog]",
                    "3=/opt/a b/run --flag", "6=/program/only", "", "[Config.Caption]",
                    "4=" + std::string(30, 'x'), "5=Caption only", ""}));

    // A caption on a lower item than any program puts its section first.
    ItemCaptions[1] = "One";
    SaveItems();
    const std::string text = readBytes(iniPath);
    EXPECT_LT(text.find("[Config.Caption]"), text.find("[Config.Prog]"));
}

TEST_F(ItemStore, EmptyTableLeavesNoItemSectionsAndNoFileWithoutOtherContent) {
    writeBytes(iniPath, crlf({"[Config.Prog]", "1=/a", "[Config.Caption]", "1=A"}));
    LoadItems();
    ItemPrograms[1].clear();
    ItemCaptions[1] = "";
    SaveItems();
    EXPECT_EQ(readBytes(iniPath), "");
}

TEST_F(ItemStore, NoFileMeansEmptyItemsAndTheFirstSaveCreatesItInTheUsersFolder) {
    // Nothing beside the program: the settings are the user's, in a folder made private.
    platform::makeSettingsFolder();
    const std::string own = exe.userFolder() + "tevlo.ini";
    EXPECT_EQ(platform::settingsFolder(), exe.userFolder());
    LoadItems();
    for (int n = 1; n <= ItemCount; ++n)
        ASSERT_TRUE(ItemPrograms[n].empty() && ItemCaptions[n].empty()) << n;
    SaveItems();
    EXPECT_FALSE(exists(own)) << "nothing to write, so no file";
    ItemPrograms[100] = "/last";
    SaveItems();
    EXPECT_EQ(readBytes(own), crlf({"[Config.Prog]", "100=/last", ""}));
    EXPECT_FALSE(exists(iniPath)) << "never beside the program unless it is portable";
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(exe.userFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif

    // A portable copy: a file beside the program makes that folder the settings folder, from
    // the next start on; the running program keeps the folder it found.
    writeBytes(dir.file("Items.txt"), "");
    EXPECT_EQ(platform::settingsFolder(), exe.userFolder());
    ScopedExecutablePath nextStart{dir.file("tevlo")};
    EXPECT_EQ(platform::settingsFolder(), dir.file(""));
}

TEST_F(ItemStore, FailedSaveRaisesAndKeepsFileAndTable) {
    const std::string original = crlf({"[Config.Prog]", "1=/a"});
    writeBytes(iniPath, original);
    LoadItems();
    ItemPrograms[1] = "/b";
    {
        ScopedRenameFailure failure(diskFullError);
        EXPECT_EQ(ioCode([] { SaveItems(); }), 101);
    }
    EXPECT_EQ(readBytes(iniPath), original);
    EXPECT_EQ(ItemPrograms[1], "/b");
    EXPECT_TRUE(AppIni->Modified());
}

TEST_F(ItemStore, SaveWithoutLoadedFileRefusesInsteadOfCrashing) {
    writeBytes(iniPath, crlf({"[Config.Prog]", "1=/precious"}));
    ItemPrograms[2] = "/b";
    EXPECT_THROW(SaveItems(), Exception);
    EXPECT_EQ(readBytes(iniPath), crlf({"[Config.Prog]", "1=/precious"}));
}

TEST_F(ItemStore, FreeItemStoreWritesPendingChangesAndReportsFailure) {
    writeBytes(iniPath, "");
    LoadItems();
    AppIni->WriteValue("Config", "Late", "1");
    FreeItemStore();
    EXPECT_EQ(AppIni, nullptr);
    EXPECT_EQ(readBytes(iniPath), crlf({"[Config]", "Late=1", ""}));

    LoadItems();
    AppIni->WriteValue("Config", "Late", "2");
    ScopedErrorCapture errors;
    {
        ScopedRenameFailure failure(accessDeniedError);
        EXPECT_NO_THROW(FreeItemStore());
    }
    EXPECT_EQ(AppIni, nullptr);
    EXPECT_EQ(errors.messages(),
              Lines{"The settings were not saved to \"" + iniPath + "\": File access denied"});
    EXPECT_EQ(readBytes(iniPath), crlf({"[Config]", "Late=1", ""}));

    // A save whose failure reached the caller is tried once more at the release, quietly.
    LoadItems();
    AppIni->WriteValue("Config", "Late", "3");
    {
        ScopedRenameFailure failure(accessDeniedError);
        EXPECT_THROW(SaveItems(), EInOutError);
        FreeItemStore();
    }
    EXPECT_EQ(errors.messages().size(), 1u) << "the failure was told once, by SaveItems";
    LoadItems();
    AppIni->WriteValue("Config", "Late", "4");
    {
        ScopedRenameFailure failure(accessDeniedError);
        EXPECT_THROW(SaveItems(), EInOutError);
    }
    FreeItemStore();
    EXPECT_EQ(readBytes(iniPath), crlf({"[Config]", "Late=4", ""})) << "the last try succeeds";
}

TEST(RunProgram, FormsTheCommandLineInTheGivenFolderLeavingOursAlone) {
    TempDir dir;
    const std::string ours = currentDirectory();
    RecordedStarts starts;
    RunProgram("/bin/prog", "", dir.path() + "/");
    RunProgram("/bin/prog", "  -x", dir.path());
    // No buffer of ours limits the line; only the system's own limit does.
    const std::string longLine = "/bin/prog " + std::string(4000, 'a');
    RunProgram(longLine, "", dir.path());
    EXPECT_EQ(starts.lines, (Lines{"/bin/prog", "/bin/prog   -x", longLine}));
    EXPECT_EQ(starts.folders, (Lines{dir.path() + "/", dir.path(), dir.path()}));
    EXPECT_EQ(currentDirectory(), ours) << "the folder is the program's, not the bar's";

    // A folder that cannot be made current starts nothing.
    EXPECT_EQ(ioCode([] { RunProgram("prog", "", ""); }), emptyFolderCode);
    EXPECT_EQ(ioCode([&] { RunProgram(dir.file("x/prog"), "", dir.file("x/")); }), 2);
    EXPECT_EQ(errorOf([&] { RunProgram("\"" + dir.file("x/prog") + "\" -a", "", dir.file("x/")); }),
              "Cannot start \"" + dir.file("x/prog") + "\" in \"" + dir.file("x/") +
                  "\": File not found");
    EXPECT_EQ(starts.lines.size(), 3u);
}

TEST(RunProgram, ProgramFolderIsWhereTheNamedProgramLies) {
    TempDir dir;
    ScopedExecutablePath exe{dir.file("tevlo")};
    writeBytes(dir.file("tevlo.ini"), ""); // a portable copy
    makeFolder(dir.file("my tools"));
#ifdef _WIN32
    const std::string run = dir.file("my tools\\run.exe");
    const std::string relative = "my tools\\run";
#else
    const std::string run = dir.file("my tools/run");
    const std::string relative = "my tools/run";
#endif
    makeExecutable(run, "#!/bin/sh\n");
    const std::string folder = platform::extractFilePath(run);
    EXPECT_EQ(ProgramFolder("\"" + run + "\" --out=a/b c:\\d"), folder);
    // Relative to the settings folder, never to the current one.
    platform::setCurrentDirectory(dir.file("my tools"));
    EXPECT_EQ(ProgramFolder("\"" + relative + "\" -x"), folder);
    EXPECT_EQ(errorOf([] { ProgramFolder("tevlo-no-such-program-anywhere --help"); }),
              "Cannot start \"tevlo-no-such-program-anywhere\": File not found");
    EXPECT_EQ(currentDirectory(), dir.file("my tools")) << "a refused start changes nothing";
}

TEST(RunProgram, StartsARealProgramAndReportsAMissingOne) {
#ifdef _WIN32
    GTEST_SKIP() << "starts a shell script; Tools1Test_win.cpp starts a Windows program";
#else
    TempDir dir;
    const std::string folder = dir.file("apps dir/");
    makeFolder(folder);
    makeExecutable(folder + "run me", "#!/bin/sh\npwd > '" + dir.file("out.tmp") + "' && mv '" +
                                          dir.file("out.tmp") + "' '" + dir.file("out") + "'\n");
    const std::string ours = currentDirectory();
    RunProgram(folder + "run me", "", folder);
    ASSERT_TRUE(waitForFile(dir.file("out")));
    EXPECT_EQ(readBytes(dir.file("out")), dir.file("apps dir") + "\n");
    EXPECT_EQ(currentDirectory(), ours) << "the bar stays out of the program's folder";

    // The folder exists but the program does not: the failure is reported instead of passing
    // for a start.
    EXPECT_EQ(ioCode([&] { RunProgram(folder + "missing", "", folder); }), 2);
#endif
}
