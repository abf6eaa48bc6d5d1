// Program starts and the current folder on Windows, with the probe program the tests build.
#include "platform/Process.h"

#include "TestSupport.h"

#include "platform/Strings.h"

#include <gtest/gtest.h>
#include <sstream>
#include <windows.h>

using namespace testing_support;
using platform::ShowCommand;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A copy of the probe under the given path; returns where its report will appear.
std::string placeProbe(const std::string& path) {
    if (!::CopyFileA(probeProgram().c_str(), path.c_str(), TRUE))
        throw std::runtime_error("cannot copy the probe to " + path);
    return platform::changeFileExt(path, ".out");
}

} // namespace

TEST(Process, SetCurrentDirectoryTakesDrivesAndBothSlashes) {
    TempDir dir;
    makeFolder(dir.file("sub"));
    writeBytes(dir.file("file"), "");
    EXPECT_EQ(ioCode([&] { platform::setCurrentDirectory(dir.file("sub") + "/"); }), 0);
    EXPECT_EQ(currentDirectory(), dir.file("sub"));
    EXPECT_EQ(ioCode([&] { platform::setCurrentDirectory(dir.path() + "\\"); }), 0);
    EXPECT_EQ(currentDirectory(), dir.path());
    // "X:" alone is the current folder of drive X, here the one just made current.
    EXPECT_EQ(ioCode([&] { platform::setCurrentDirectory(dir.path().substr(0, 2)); }), 0);
    EXPECT_EQ(currentDirectory(), dir.path());

    EXPECT_EQ(ioCode([&] { platform::setCurrentDirectory(dir.file("missing")); }), 2);
    EXPECT_EQ(ioCode([&] { platform::setCurrentDirectory(dir.file("missing\\deeper")); }), 3);
    EXPECT_EQ(errorOf([&] { platform::setCurrentDirectory(dir.file("file")); }),
              "I/O error 267"); // ERROR_DIRECTORY
    EXPECT_EQ(ioCode([] { platform::setCurrentDirectory(""); }), emptyFolderCode);
    EXPECT_EQ(currentDirectory(), dir.path()) << "a refused change leaves the folder as it was";
}

TEST(Process, StartsAProgramPathWithBlanksAsWinExecDoes) {
    TempDir dir;
    const std::string folder = dir.file("my apps");
    makeFolder(folder);
    const std::string out = placeProbe(folder + "\\probe with blanks.exe");
    const std::string ours = currentDirectory();

    // Unquoted: the line is tried up to each blank in turn until a program is found, and its
    // extension may be left out.
    const std::string program = folder + "\\probe with blanks";
    const std::string arguments = "  first \"two words\"";
    platform::spawnCommandLine(program + arguments, folder, ShowCommand::Show);
    ASSERT_TRUE(waitForFile(out));
    const auto lines = linesOf(readBytes(out));
    ASSERT_EQ(lines.size(), 3u) << readBytes(out);
    EXPECT_EQ(lines[0], folder);
    EXPECT_EQ(currentDirectory(), ours) << "only the program enters its folder";
    // The program it found, quoted, and the arguments exactly as written.
    EXPECT_TRUE(platform::sameText(lines[1], '"' + program + ".exe\"" + arguments)) << lines[1];
    EXPECT_EQ(lines[2], "5") << "SW_SHOW";
}

TEST(Process, FindsProgramsInTheSystemFolder) {
    TempDir dir;
    platform::spawnCommandLine("cmd.exe /c echo started> started.txt", dir.path(),
                               ShowCommand::Show);
    ASSERT_TRUE(waitForFile(dir.file("started.txt")));
}

TEST(Process, FailedStartsRaiseTheSystemsCode) {
    TempDir dir;
    writeBytes(dir.file("not a program.exe"), "MZ? no, just text");
    const auto start = [](const std::string& line) {
        return ioCode([&] { platform::spawnCommandLine(line, "", ShowCommand::Show); });
    };
    EXPECT_EQ(start(dir.file("missing.exe")), 2);
    EXPECT_EQ(start("tevlo-no-such-program-anywhere"), 2);
    EXPECT_EQ(start(""), 2);
    EXPECT_EQ(start(" \t "), 2);
    EXPECT_EQ(start(dir.file("not a program.exe")), 193); // ERROR_BAD_EXE_FORMAT
}

TEST(Process, LocatesProgramsByDrivePathsRelativePathsAndPath) {
    TempDir dir;
    makeFolder(dir.file("my apps"));
    makeFolder(dir.file("elsewhere"));
    placeProbe(dir.file("my apps\\probe.exe"));
    const std::string folder = dir.file("my apps\\");
    const std::string base = dir.path() + "\\";
    platform::setCurrentDirectory(dir.file("elsewhere"));
    const auto path = [&](const std::string& line) {
        const auto location = platform::locateProgram(line, base);
        return location.error == 0 ? location.path : location.reason;
    };
    EXPECT_TRUE(platform::sameText(path("\"" + folder + "probe\" -x"), folder + "probe.exe"));
    EXPECT_EQ(path(folder + "probe.exe a\\b c:d"), folder + "probe.exe");
    EXPECT_EQ(path("my apps\\probe.exe"), folder + "probe.exe") << "relative to the settings";
    EXPECT_EQ(path("my apps/probe.exe"), base + "my apps/probe.exe");
    EXPECT_TRUE(platform::sameText(path("\"my apps\\probe\""), folder + "probe.exe"));
    EXPECT_EQ(path("probe -x"), "File not found") << "not in the current folder, not on PATH";
    EXPECT_EQ(path(dir.path().substr(0, 2) + "\\no such folder\\probe.exe"), "File not found");

    const std::string oldPath = [] {
        char value[32767];
        const DWORD n = ::GetEnvironmentVariableA("PATH", value, sizeof value);
        return std::string(value, n);
    }();
    ::SetEnvironmentVariableA("PATH", (folder + ";;relative;" + oldPath).c_str());
    const auto found = platform::locateProgram("probe a\\b", base);
    ::SetEnvironmentVariableA("PATH", oldPath.c_str());
    EXPECT_TRUE(platform::sameText(found.path, folder + "probe.exe")) << found.reason;
    EXPECT_EQ(found.folder, folder);
    EXPECT_EQ(found.arguments, std::vector<std::string>{"a\\b"});
}

TEST(Process, ALineLongerThanTheSystemTakesIsRefusedSayingSo) {
    const std::string line = "cmd.exe /c rem " + std::string(40000, 'x');
    const std::string message =
        errorOf([&] { platform::spawnCommandLine(line, "", ShowCommand::Show); });
    EXPECT_NE(message.find("characters long, more than the system allows (32766)"),
              std::string::npos)
        << message;
}
