#include "BigIni.h"

#include "TestSupport.h"

#include "platform/Process.h"
#include "platform/Strings.h"

#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

using namespace testing_support;
using Lines = std::vector<std::string>;
using namespace std::string_literals;

namespace {

Lines copyOf(TBigIniFile& ini) {
    Lines lines;
    ini.CopyToStrings(lines);
    return lines;
}

// A file with the given bytes, loaded.
struct LoadedIni {
    TempDir dir;
    std::string path = dir.file("test.ini");
    std::unique_ptr<TBigIniFile> ini;

    explicit LoadedIni(const std::string& bytes) {
        writeBytes(path, bytes);
        ini = std::make_unique<TBigIniFile>(path);
    }
};

} // namespace

TEST(IniFormat, LoadAndSaveTheDocumentedExample) {
    LoadedIni f(crlf({";first comment", "[Alpha]", "One=1", ";note", "", "Two = 2", "[alpha]",
                      "One=9", "[Beta] ", "[Gamma]", "X=a=b"}));
    TBigIniFile& ini = *f.ini;
    EXPECT_FALSE(ini.Modified()) << "dropping duplicates alone is no change";
    EXPECT_EQ(ini.ReadValue("Alpha", "One", "-"), "1");
    EXPECT_EQ(ini.ReadValue("Alpha", "Two", "-"), "-");
    EXPECT_EQ(ini.ReadValue("Alpha", "Two ", "-"), " 2");
    EXPECT_EQ(ini.ReadValue("Gamma", "X", "-"), "a=b");
    EXPECT_EQ(ini.ReadValue("Beta", "", "-"), "-");

    const Lines expected{"[Alpha]", "One=1", ";note", "Two = 2", "", "[Gamma]", "X=a=b", ""};
    EXPECT_EQ(copyOf(ini), expected);

    // Nothing changed, so nothing is written: the file keeps its duplicates for now.
    const std::string before = readBytes(f.path);
    ini.SaveToDisk();
    EXPECT_EQ(readBytes(f.path), before);

    ini.WriteValue("Gamma", "Y", "1");
    ini.DeleteKey("Gamma", "Y");
    ini.SaveToDisk();
    EXPECT_EQ(readBytes(f.path), crlf(expected));
}

TEST(IniFormat, LineEndsAndEndOfFile) {
    {
        // CR, CR LF and LF end lines; the last line needs no end.
        LoadedIni f("[A]\rk1=a\nb\r\nk2=c\r\r\n\r\nk3=d\n\nk4=e");
        EXPECT_EQ(copyOf(*f.ini), (Lines{"[A]", "k1=a", "b", "k2=c", "k3=d", "k4=e", ""}));
    }
    {
        // Ctrl-Z ends the file in the middle of a line; a zero byte is ordinary text.
        LoadedIni f("[A]\r\nk=x\0y\r\nj=12\x1A"
                    "ignored\r\n[B]\r\nz=1\r\n"s);
        EXPECT_EQ(copyOf(*f.ini), (Lines{"[A]", "k=x\0y"s, "j=12", ""}));
    }
    {
        // A file from a Linux editor, with a byte-order mark: every section and key is there,
        // and it is written back with CR LF and no mark.
        LoadedIni f("\xEF\xBB\xBF[A]\nk=1\nj=2\n[B]\nz=3\n");
        EXPECT_EQ(f.ini->ReadValue("A", "k", "?"), "1");
        EXPECT_EQ(f.ini->ReadValue("B", "z", "?"), "3");
        f.ini->WriteValue("A", "j", "4");
        f.ini->SaveToDisk();
        EXPECT_EQ(readBytes(f.path), crlf({"[A]", "k=1", "j=4", "", "[B]", "z=3", ""}));
    }
    {
        LoadedIni f("");
        EXPECT_EQ(f.ini->Sections().Count(), 0);
    }
}

TEST(IniFormat, HeadersAndLinesOutsideSections) {
    LoadedIni f(crlf({"k=before any header", "[A] ", " [A]", "[]", "e=1", "[A] ", " [B]", "[",
                      "   ", "[x=y]", "v=2", "[[n]]", "w=3"}));
    TBigIniFile& ini = *f.ini;
    Lines names;
    ini.ReadSectionNames(names);
    EXPECT_EQ(names, (Lines{"", "x=y", "[n]"}));
    EXPECT_EQ(copyOf(ini), (Lines{"[]", "e=1", "[A] ", " [B]", "[", "   ", "", "[x=y]", "v=2", "",
                                  "[[n]]", "w=3", ""}));
    EXPECT_EQ(ini.ReadValue("", "e", "-"), "1");
}

TEST(IniFormat, DuplicateSectionsKeepTheFirstWhateverTheSortDoes) {
    // Many sections of few names in mixed case, so that a sort that mixes up equal names
    // would keep the wrong one.
    Lines lines;
    const char* names[] = {"beta", "Alpha", "BETA", "gamma", "ALPHA", "Beta", "alpha", "GAMMA"};
    for (int i = 0; i < 8; ++i) {
        lines.push_back(std::string("[") + names[i] + "]");
        lines.push_back("i=" + std::to_string(i));
    }
    LoadedIni f(crlf(lines));
    TBigIniFile& ini = *f.ini;
    EXPECT_EQ(copyOf(ini),
              (Lines{"[beta]", "i=0", "", "[Alpha]", "i=1", "", "[gamma]", "i=3", ""}));
    EXPECT_FALSE(ini.Modified());

    TSectionList list;
    EXPECT_FALSE(list.RemoveDuplicateSections());
    list.Add("x");
    list.Add("X");
    list.SectionLines(1).push_back("lost");
    EXPECT_TRUE(list.RemoveDuplicateSections());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Strings(0), "x");
    EXPECT_TRUE(list.SectionLines(0).empty());
}

TEST(IniFormat, SectionsWithoutLinesAreNotWritten) {
    LoadedIni f(crlf({"[Empty]", "[Full]", "a=1", "[Emptied]", "b=2"}));
    TBigIniFile& ini = *f.ini;
    ini.DeleteKey("Emptied", "b");
    ini.SaveToDisk();
    EXPECT_EQ(readBytes(f.path), crlf({"[Full]", "a=1", ""}));
    Lines names;
    ini.ReadSectionNames(names);
    EXPECT_EQ(names, (Lines{"Empty", "Full", "Emptied"}));
}

TEST(IniKeys, LookupRules) {
    LoadedIni f(crlf({"[S]", "Name=first", "NAME=second", "Empty=", ";c=comment", "no key",
                      "=nameless", "Two =2", "a=b=c"}));
    TBigIniFile& ini = *f.ini;
    EXPECT_EQ(ini.ReadValue("s", "name", "-"), "first");
    EXPECT_EQ(ini.ReadValue("S", "Empty", "default"), "");
    EXPECT_EQ(ini.ReadValue("S", "Missing", "default"), "default");
    EXPECT_EQ(ini.ReadValue("Missing", "Name", "default"), "default");
    EXPECT_EQ(ini.ReadValue("S", ";c", "-"), "comment");
    EXPECT_EQ(ini.ReadValue("S", "no key", "-"), "-");
    EXPECT_EQ(ini.ReadValue("S", "", "-"), "nameless");
    EXPECT_EQ(ini.ReadValue("S", "Two", "-"), "-");
    EXPECT_EQ(ini.ReadValue("S", "a", "-"), "b=c");
    EXPECT_EQ(ini.ReadValue("S", "a=b", "-"), "-");

    Lines keys{"kept"};
    ini.ReadKeys("s", keys);
    EXPECT_EQ(keys, (Lines{"kept", "Name", "NAME", "Empty", ";c", "", "", "Two ", "a"}));
    Lines raw{"kept"};
    ini.ReadSectionLines("S", raw);
    EXPECT_EQ(raw.size(), 9u);
    EXPECT_EQ(raw[5], "no key");
    ini.ReadKeys("missing", keys);
    ini.ReadSectionLines("missing", raw);
    EXPECT_EQ(keys.size(), 9u);
    EXPECT_EQ(raw.size(), 9u);
}

TEST(IniWrite, ModifiedOnlyWhenTheTextChanges) {
    LoadedIni f(crlf({"[S]", "Key=value"}));
    TBigIniFile& ini = *f.ini;
    // Take the file away: any write to disk would bring it back.
    removeFile(f.path);

    ini.WriteValue("s", "Key", "value");
    EXPECT_FALSE(ini.Modified());
    ini.SaveToDisk();
    EXPECT_FALSE(exists(f.path));

    ini.WriteValue("S", "KEY", "value");
    EXPECT_TRUE(ini.Modified());
    ini.SaveToDisk();
    EXPECT_EQ(readBytes(f.path), crlf({"[S]", "KEY=value", ""}));

    removeFile(f.path);
    ini.SaveToDisk(); // a second save without a change writes nothing
    EXPECT_FALSE(exists(f.path));
}

TEST(IniWrite, NewLinesAndSectionsGoToTheEnd) {
    LoadedIni f(crlf({"[A]", "a=1", "[B]", "b=1"}));
    TBigIniFile& ini = *f.ini;
    ini.WriteValue("A", "a2", "2");
    ini.WriteValue("C", "c", "3");
    ini.ClearSection("A");
    ini.WriteValue("a", "again", "x");
    EXPECT_EQ(copyOf(ini), (Lines{"[B]", "b=1", "", "[C]", "c=3", "", "[a]", "again=x", ""}));
}

TEST(IniWrite, EmptyKeyClearsTheSectionOrSaves) {
    LoadedIni f(crlf({"[A]", "a=1", "[B]", "b=1"}));
    TBigIniFile& ini = *f.ini;
    ini.WriteValue("A", "", "whatever");
    ini.WriteValue("B", "", "");
    EXPECT_EQ(ini.Sections().Count(), 0);
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(readBytes(f.path), crlf({"[A]", "a=1", "[B]", "b=1"}));

    ini.WriteValue("C", "c", "1");
    ini.WriteValue("", "", "");
    EXPECT_FALSE(ini.Modified());
    EXPECT_EQ(readBytes(f.path), crlf({"[C]", "c=1", ""}));
}

TEST(IniWrite, ClearAndDeleteSetModifiedOnlyForRealChanges) {
    LoadedIni f(crlf({"[A]", "a=1"}));
    TBigIniFile& ini = *f.ini;
    ini.ClearSection("Missing");
    ini.DeleteKey("A", "missing");
    ini.DeleteKey("NewSection", "k");
    EXPECT_FALSE(ini.Modified());
    Lines names;
    ini.ReadSectionNames(names);
    EXPECT_EQ(names, (Lines{"A", "NewSection"}));

    ini.ClearSection("newsection"); // existing but empty: still a change
    EXPECT_TRUE(ini.Modified());
    ini.SaveToDisk();
    ini.DeleteKey("a", "A");
    EXPECT_TRUE(ini.Modified());
    ini.SaveToDisk();
    EXPECT_EQ(readBytes(f.path), "");
}

TEST(IniNumbers, ReadNumberRules) {
    const std::pair<const char*, int> numbers[] = {
        {"0x1F", 31},      {"0X1f", 31},   {"$1F", 31}, {"x1F", 31},
        {" 12", 12},       {"+7", 7},      {"007", 7},  {"-2147483648", INT32_MIN},
        {"$FFFFFFFF", -1}, {"  0x10", 16}, {"-5", -5}};
    const char* notNumbers[] = {"12 ", "", "0x", "-0x10", "1.5", "2147483648", "yes", "$", "- 5"};
    TempDir dir;
    TBigIniFile ini(dir.file("n.ini"));
    for (const auto& [text, value] : numbers) {
        ini.WriteValue("N", "k", text);
        EXPECT_EQ(ini.ReadNumber("N", "k", 999), value) << '"' << text << '"';
    }
    for (const char* text : notNumbers) {
        ini.WriteValue("N", "k", text);
        EXPECT_EQ(ini.ReadNumber("N", "k", 999), 999) << '"' << text << '"';
    }
    EXPECT_EQ(ini.ReadNumber("N", "missing", -3), -3);
}

TEST(IniNumbers, FlagsAndWrittenForms) {
    TempDir dir;
    TBigIniFile ini(dir.file("n.ini"));
    const std::pair<const char*, bool> flags[] = {
        {"1", true}, {"5", true}, {"-1", true}, {"0", false}, {"$0", false}};
    for (const auto& [text, value] : flags) {
        ini.WriteValue("F", "k", text);
        EXPECT_EQ(ini.ReadFlag("F", "k", !value), value) << text;
    }
    ini.WriteValue("F", "k", "yes");
    EXPECT_TRUE(ini.ReadFlag("F", "k", true));
    EXPECT_FALSE(ini.ReadFlag("F", "k", false));

    ini.WriteNumber("F", "n", -5);
    ini.WriteFlag("F", "t", true);
    ini.WriteFlag("F", "f", false);
    Lines raw;
    ini.ReadSectionLines("F", raw);
    EXPECT_EQ(raw, (Lines{"k=yes", "n=-5", "t=1", "f=0"}));
}

TEST(IniLookup, RememberedPositions) {
    LoadedIni f(crlf({"[A]", "a=1", "[B]", "b=1", "[C]", "c=1", "[D]", "d=1"}));
    TBigIniFile& ini = *f.ini;
    TSectionList& sections = ini.Sections();

    EXPECT_EQ(sections.FindSection("c"), 2);
    EXPECT_EQ(sections.LastFound(), 2);
    EXPECT_EQ(sections.FindSection("A"), 0); // wraps around
    EXPECT_EQ(sections.FindSection("none"), -1);
    EXPECT_EQ(sections.LastFound(), 0);

    TLineList* lines = nullptr;
    EXPECT_EQ(ini.FindKey("C", "c", lines, false), 0);
    EXPECT_EQ(ini.CurrentSection(), 2);
    EXPECT_EQ(ini.FindKey("none", "c", lines, false), -1);
    EXPECT_EQ(lines, nullptr);
    EXPECT_EQ(ini.CurrentSection(), 1) << "a failed search ends just before where it began";
    EXPECT_EQ(ini.FindKey("A", "zzz", lines, false), -1);
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(*lines, (TLineList{"a=1"}));

    // Removing sections at and below the remembered one keeps every section reachable.
    EXPECT_EQ(ini.FindKey("D", "d", lines, false), 0);
    ini.ClearSection("A");
    ini.ClearSection("C");
    EXPECT_EQ(sections.LastFound(), 0);
    EXPECT_EQ(ini.CurrentSection(), 0);
    EXPECT_EQ(ini.ReadValue("D", "d", "-"), "1");
    EXPECT_EQ(ini.ReadValue("B", "b", "-"), "1");

    EXPECT_EQ(ini.FindKey("E", "e", lines, true), -1);
    ASSERT_NE(lines, nullptr);
    EXPECT_TRUE(lines->empty());
    EXPECT_EQ(ini.CurrentSection(), 2);
}

TEST(IniFile, MemoryOnlyObjectsNeverTouchTheDisk) {
    TempDir dir;
    platform::setCurrentDirectory(dir.path());
    {
        TBigIniFile ini("");
        ini.WriteValue("A", "a", "1");
        EXPECT_TRUE(ini.Modified());
        ini.SaveToDisk();
        EXPECT_FALSE(ini.Modified());
        EXPECT_EQ(ini.FileName(), "");
        ini.WriteValue("A", "b", "2");
    }
    EXPECT_TRUE(listFolder(dir.path()).empty());
}

TEST(IniFile, SetFileNameSavesTheOldFileAndLoadsTheNew) {
    TempDir dir;
    writeBytes(dir.file("b.ini"), crlf({"[B]", "b=1"}));
    TBigIniFile ini(dir.file("a.ini"));
    ini.WriteValue("A", "a", "1");
    ini.SetFileName(dir.file("b.ini"));
    EXPECT_EQ(readBytes(dir.file("a.ini")), crlf({"[A]", "a=1", ""}));
    EXPECT_FALSE(ini.Modified());
    EXPECT_EQ(ini.ReadValue("A", "a", "-"), "-");
    EXPECT_EQ(ini.ReadValue("B", "b", "-"), "1");
}

TEST(IniFile, FailedSaveKeepsOldFileAndModified) {
    const std::string original = crlf({"[A]", "a=1"});
    LoadedIni f(original);
    TBigIniFile& ini = *f.ini;
    ini.WriteValue("A", "a", "2");
    {
        ScopedRenameFailure failure(unlistedError);
        try {
            ini.SaveToDisk();
            ADD_FAILURE() << "the save did not fail";
        } catch (const EInOutError& error) {
            EXPECT_EQ(error.ErrorCode(), unlistedError);
        }
    }
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(readBytes(f.path), original);
    EXPECT_EQ(listFolder(f.dir.path()), Lines{"test.ini"});

    ini.SaveToDisk(); // nothing was lost: the next save writes it all
    EXPECT_EQ(readBytes(f.path), crlf({"[A]", "a=2", ""}));
}

TEST(IniFile, FailedSaveInDestructorIsReportedNotThrown) {
    TempDir dir;
    const std::string original = crlf({"[A]", "a=1"});
    writeBytes(dir.file("a.ini"), original);
    ScopedErrorCapture errors;
    {
        ScopedRenameFailure failure(diskFullError);
        auto ini = std::make_unique<TBigIniFile>(dir.file("a.ini"));
        ini->WriteValue("A", "a", "2");
        EXPECT_NO_THROW(ini.reset());
    }
    EXPECT_EQ(errors.messages(),
              Lines{"The settings were not saved to \"" + dir.file("a.ini") + "\": Disk full"});
    EXPECT_EQ(readBytes(dir.file("a.ini")), original);
}

TEST(IniFile, SaveIntoReadOnlyFolderKeepsTheFile) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX folder permissions; BigIniTest_win.cpp saves over a read-only file";
#else
    TempDir dir;
    const std::string folder = dir.file("ro");
    const std::string path = folder + "/a.ini";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string original = crlf({"[A]", "a=1"});
    writeBytes(path, original);
    ::chmod(path.c_str(), 0666);
    ::chmod(folder.c_str(), 0555);
    ::chmod(dir.path().c_str(), 0755);

    EXPECT_TRUE(runUnprivileged([&] {
        ScopedErrorCapture quiet;
        TBigIniFile ini(path);
        ini.WriteValue("A", "a", "2");
        try {
            ini.SaveToDisk();
        } catch (const EInOutError& error) {
            return error.ErrorCode() == 5 && ini.Modified();
        }
        return false;
    }));
    EXPECT_EQ(readBytes(path), original);
#endif
}

TEST(IniFile, UnreadableFileFailsConstructionAndIsNeverOverwritten) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a FIFO; BigIniTest_win.cpp reads a file another program has locked";
#else
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.ini").c_str(), 0600), 0);
    EXPECT_EQ(errorOf([&] { TBigIniFile ini(dir.file("pipe.ini")); }),
              "The settings could not be read from \"" + dir.file("pipe.ini") +
                  "\": File access denied");

    writeBytes(dir.file("good.ini"), crlf({"[A]", "a=1"}));
    TBigIniFile ini(dir.file("good.ini"));
    EXPECT_THROW(ini.SetFileName(dir.file("pipe.ini")), EInOutError);
    EXPECT_EQ(ini.FileName(), "");
    EXPECT_EQ(ini.Sections().Count(), 0);
    ini.WriteValue("A", "a", "2");
    ini.SaveToDisk();
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("pipe.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
#endif
}

TEST(AppIniFile, NameComesFromTheExecutableAsItsFolderStoresIt) {
    TempDir dir;
    writeBytes(dir.file("Tevlo.Bin"), "");
    writeBytes(dir.file("Tevlo.ini"), crlf({"[Config]", "Top=7"}));
    {
        ScopedExecutablePath exe(dir.file("tevlo.bin"));
        TAppIniFile ini;
        EXPECT_EQ(ini.FileName(), dir.file("Tevlo.ini"));
        EXPECT_EQ(ini.ReadNumber("Config", "Top", 0), 7);
        EXPECT_FALSE(ini.Modified());
    }
    {
        // Nothing beside it: the user's own folder, under the same name.
        ScopedExecutablePath exe(dir.file("gone.exe"));
        EXPECT_EQ(TAppIniFile::DefaultFileName(), exe.userFolder() + "gone.ini");
    }
    // The real executable's name, with ".ini" appended (POSIX) or in place of ".exe".
    EXPECT_EQ(platform::settingsFileName(), "BigIniTest.ini");
}

// Every byte but the line ends and Ctrl-Z, which ends the file.
TEST(IniFile, ValuesOfAnyBytesButLineEndsComeBackByteForByte) {
    TempDir dir;
    const std::string path = dir.file("bytes.ini");
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> byte(1, 255);
    Lines values;
    {
        TBigIniFile ini(path);
        for (int i = 0; i < 300; ++i) {
            std::string value;
            for (int n = length(random); n > 0; --n) {
                const char c = char(byte(random));
                if (c != '\r' && c != '\n' && c != '\x1A')
                    value += c;
            }
            values.push_back(value);
            ini.WriteValue("Config", "key" + std::to_string(i), value);
        }
        ini.SaveToDisk();
    }
    TBigIniFile again(path);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(again.ReadValue("Config", "key" + std::to_string(i), "?"), values[std::size_t(i)])
            << "key" << i;
}

TEST(IniFile, AFileChangedOnDiskDuringTheRunIsKeptBesideIt) {
    TempDir dir;
    const std::string path = dir.file("a.ini");
    writeBytes(path, crlf({"[A]", "a=1"}));
    ScopedErrorCapture errors;
    TBigIniFile ini(path);
    ini.WriteValue("A", "a", "2");
    ini.SaveToDisk();
    EXPECT_EQ(listFolder(dir.path()), Lines{"a.ini"}) << "our own save is no change";
    // A synchronising tool writes the same bytes anew.
    platform::writeFileAtomic(path, readBytes(path));
    ini.WriteValue("A", "a", "2");
    ini.WriteValue("A", "b", "1");
    ini.SaveToDisk();
    EXPECT_EQ(listFolder(dir.path()), Lines{"a.ini"}) << "the same bytes are no hand edit";
    EXPECT_TRUE(errors.messages().empty());
    ini.DeleteKey("A", "b");

    // Someone edits the file by hand while we run.
    const std::string edited = crlf({"[A]", "a=1", "hand=made"});
    writeBytes(path, edited);
    ini.WriteValue("A", "a", "3");
    ini.SaveToDisk();
    const Lines files = listFolder(dir.path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], "a.ini");
    EXPECT_TRUE(files[1].starts_with("a.ini.edited-")) << files[1];
    EXPECT_EQ(readBytes(dir.file(files[1])), edited) << "the hand edit survives";
    EXPECT_EQ(readBytes(path), crlf({"[A]", "a=3", ""}));
    ASSERT_EQ(errors.messages().size(), 1u);
    EXPECT_NE(errors.messages()[0].find(dir.file(files[1])), std::string::npos)
        << errors.messages()[0];
}
