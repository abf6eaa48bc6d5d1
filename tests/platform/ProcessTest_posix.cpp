// Program starts and the current folder on POSIX, with shell-script probes.
#include "platform/Process.h"

#include "TestSupport.h"

#include <climits>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace testing_support;
using platform::ShowCommand;

namespace {

// A program that writes where it runs, its session, its open descriptors and its arguments to
// a file of the test's, all at once so that the test never reads half of it.
void writeProbe(const std::string& path, const std::string& output) {
    makeExecutable(path, "#!/bin/sh\n"
                         "{\n"
                         "  pwd\n"
                         // the name in /proc/PID/stat may hold blanks: count from its ")"
                         "  sid=$(set -- $(sed 's/.*) //' /proc/$$/stat); echo $4)\n"
                         "  echo \"pid=$$ sid=$sid\"\n"
                         "  echo \"fds=$(ls /proc/$$/fd | tr '\\n' ' ')\"\n"
                         "  for a in \"$@\"; do echo \"arg=[$a]\"; done\n"
                         "} > '" +
                             output + ".tmp' && mv '" + output + ".tmp' '" + output + "'\n");
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(Process, SetCurrentDirectoryReportsTheRuntimeCodes) {
    TempDir dir;
    writeBytes(dir.file("file"), "");
    EXPECT_EQ(ioCode([&] { platform::setCurrentDirectory(dir.path()); }), 0);
    EXPECT_EQ(currentDirectory(), dir.path());
    EXPECT_EQ(ioCode([&] { platform::setCurrentDirectory(""); }), 2);
    EXPECT_EQ(ioCode([&] { platform::setCurrentDirectory(dir.file("missing")); }), 2);
    EXPECT_EQ(ioCode([&] { platform::setCurrentDirectory(dir.file("file")); }), 3);
}

TEST(Process, StartsAProgramWhoseWholeLineIsAPathWithBlanks) {
    TempDir dir;
    const std::string folder = dir.file("my apps");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string program = folder + "/probe with blanks";
    writeProbe(program, dir.file("out"));

    // A descriptor the bar left open by mistake must not reach the program.
    const int leaked = ::dup2(::open("/dev/null", O_RDONLY), 57);
    ASSERT_EQ(leaked, 57);
    platform::setCurrentDirectory(folder);
    platform::spawnCommandLine(program, ShowCommand::Show);
    ::close(leaked);

    ASSERT_TRUE(waitForFile(dir.file("out")));
    const auto lines = linesOf(readBytes(dir.file("out")));
    ASSERT_EQ(lines.size(), 3u) << readBytes(dir.file("out"));
    EXPECT_EQ(lines[0], folder);
    // Its own session: the program is the leader, so closing the bar's terminal or session
    // does not take it along.
    std::istringstream ids(lines[1]);
    std::string pid, sid;
    ids >> pid >> sid;
    EXPECT_EQ(pid.substr(4), sid.substr(4)) << lines[1];
    EXPECT_EQ(lines[2].find(" 57 "), std::string::npos) << lines[2];
}

TEST(Process, SplitsOtherLinesAndFindsTheProgramInPath) {
    TempDir dir;
    const std::string probe = dir.file("probe");
    writeProbe(probe, dir.file("out"));
    platform::setCurrentDirectory(dir.path());
    platform::spawnCommandLine("sh \"" + probe + "\" \"two words\" \"\" back\\slash",
                               ShowCommand::Show);
    ASSERT_TRUE(waitForFile(dir.file("out")));
    const auto lines = linesOf(readBytes(dir.file("out")));
    ASSERT_EQ(lines.size(), 6u) << readBytes(dir.file("out"));
    EXPECT_EQ(lines[3], "arg=[two words]");
    EXPECT_EQ(lines[4], "arg=[]");
    EXPECT_EQ(lines[5], "arg=[back\\slash]");
}

TEST(Process, FailedStartsRaiseTheMatchingIoError) {
    TempDir dir;
    writeBytes(dir.file("not-executable"), "#!/bin/sh\n");
    ::chmod(dir.file("not-executable").c_str(), 0644);
    const auto start = [](const std::string& line) {
        return ioCode([&] { platform::spawnCommandLine(line, ShowCommand::Show); });
    };
    EXPECT_EQ(start(dir.file("missing")), 2);
    EXPECT_EQ(start("tevlo-no-such-program-anywhere"), 2);
    EXPECT_EQ(start(""), 2);
    EXPECT_EQ(start("   "), 2);
    EXPECT_EQ(start(dir.file("not-executable")), 5);
    EXPECT_EQ(start(dir.path()), 5);
}

TEST(Process, EndedProgramsAreCollected) {
    TempDir dir;
    writeProbe(dir.file("probe"), dir.file("out"));
    platform::spawnCommandLine(dir.file("probe"), ShowCommand::Show);
    ASSERT_TRUE(waitForFile(dir.file("out")));
    std::istringstream ids(linesOf(readBytes(dir.file("out")))[1]);
    std::string pid;
    ids >> pid;
    pid = pid.substr(4);
    const std::string stat = "/proc/" + pid + "/stat";
    // Wait until it has ended and lingers as a zombie, then start another program.
    bool zombie = false;
    for (int i = 0; i < 2000 && !zombie; ++i) {
        zombie = exists(stat) && readBytes(stat).find(") Z ") != std::string::npos;
        if (!zombie)
            ::usleep(10000);
    }
    ASSERT_TRUE(zombie);
    platform::spawnCommandLine("true", ShowCommand::Show);
    EXPECT_FALSE(exists(stat));
}
