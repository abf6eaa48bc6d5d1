// Program starts and the current folder on POSIX, with shell-script probes.
#include "platform/Applications.h"
#include "platform/Process.h"

#include "TestSupport.h"

#include <atomic>
#include <climits>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
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
    const std::string ours = currentDirectory();
    platform::spawnCommandLine(program, folder, ShowCommand::Show);
    ::close(leaked);

    ASSERT_TRUE(waitForFile(dir.file("out")));
    const auto lines = linesOf(readBytes(dir.file("out")));
    ASSERT_EQ(lines.size(), 3u) << readBytes(dir.file("out"));
    EXPECT_EQ(lines[0], folder);
    EXPECT_EQ(currentDirectory(), ours) << "only the program enters its folder";
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
    platform::spawnCommandLine("sh \"" + probe + "\" \"two words\" \"\" back\\slash", dir.path(),
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
        return ioCode([&] { platform::spawnCommandLine(line, "", ShowCommand::Show); });
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
    platform::spawnCommandLine(dir.file("probe"), "", ShowCommand::Show);
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
    platform::spawnCommandLine("true", "", ShowCommand::Show);
    EXPECT_FALSE(exists(stat));
}

TEST(Process, LocatesTheProgramTheLineNames) {
    TempDir dir;
    makeFolder(dir.file("My Tools"));
    makeFolder(dir.file("bin"));
    makeFolder(dir.file("elsewhere"));
    makeExecutable(dir.file("My Tools/run"), "#!/bin/sh\n");
    makeExecutable(dir.file("bin/tool"), "#!/bin/sh\n");
    makeExecutable(dir.file("elsewhere/only-here"), "#!/bin/sh\n");
    writeBytes(dir.file("bin/plain"), "#!/bin/sh\n");
    ::setenv("PATH", (":relative:" + dir.file("bin") + ":/usr/bin:/bin").c_str(), 1);
    ::setenv("HOME", dir.file("My Tools").c_str(), 1);
    // Neither relative paths nor empty PATH entries may depend on the current folder.
    platform::setCurrentDirectory(dir.file("elsewhere"));
    const std::string base = dir.path() + "/";
    using V = std::vector<std::string>;

    auto found = platform::locateProgram("\"My Tools/run\" --fast \"two words\" a/b", base);
    EXPECT_EQ(found.error, 0) << found.reason;
    EXPECT_EQ(found.path, dir.file("My Tools/run"));
    EXPECT_EQ(found.folder, dir.file("My Tools/"));
    EXPECT_EQ(found.arguments, (V{"--fast", "two words", "a/b"}));

    found = platform::locateProgram(dir.file("My Tools/run"), "/nowhere/");
    EXPECT_EQ(found.path, dir.file("My Tools/run")) << "a whole line naming a file is that file";
    EXPECT_EQ(found.arguments, V{});
    found = platform::locateProgram("My Tools/run", base);
    EXPECT_EQ(found.path, dir.file("My Tools/run")) << "also when relative";

    found = platform::locateProgram("tool /etc/hosts ~/x \"~/y\" a~/z", base);
    EXPECT_EQ(found.path, dir.file("bin/tool"));
    EXPECT_EQ(found.folder, dir.file("bin/"));
    EXPECT_EQ(found.arguments, (V{"/etc/hosts", dir.file("My Tools/x"), "~/y", "a~/z"}));
    EXPECT_EQ(platform::locateProgram("~/run", base).path, dir.file("My Tools/run"));

    const auto failure = [&](const std::string& line) {
        const auto location = platform::locateProgram(line, base);
        return location.name + " " + std::to_string(location.error) + " " + location.reason;
    };
    EXPECT_EQ(failure(dir.file("bin/toolx") + " --fast"),
              dir.file("bin/toolx") + " 2 File not found");
    EXPECT_EQ(failure("plain"), "plain 5 File access denied") << "found, but not executable";
    EXPECT_EQ(failure("only-here"), "only-here 2 File not found");
    EXPECT_EQ(failure("./only-here"), "./only-here 2 File not found");
    EXPECT_EQ(failure("bin"), "bin 2 File not found");
    EXPECT_EQ(failure("My Tools"), "My 2 File not found");
    EXPECT_EQ(failure("\"My Tools/\" -x"), "My Tools/ 5 File access denied");
    EXPECT_EQ(failure("  "), " 2 File not found");
}

TEST(Process, AScriptWithoutHashBangRunsThroughTheShell) {
    TempDir dir;
    writeProbe(dir.file("probe"), dir.file("out"));
    const std::string script = readBytes(dir.file("probe"));
    makeExecutable(dir.file("probe"), script.substr(script.find('\n') + 1));
    platform::spawnCommandLine(dir.file("probe") + " one \"two words\"", "", ShowCommand::Show);
    ASSERT_TRUE(waitForFile(dir.file("out")));
    const auto lines = linesOf(readBytes(dir.file("out")));
    ASSERT_EQ(lines.size(), 5u) << readBytes(dir.file("out"));
    EXPECT_EQ(lines[3], "arg=[one]");
    EXPECT_EQ(lines[4], "arg=[two words]");
}

TEST(Process, ALineLongerThanTheSystemTakesIsRefusedSayingSo) {
    const std::string line = "true " + std::string(200000, 'x');
    const std::string message =
        errorOf([&] { platform::spawnCommandLine(line, "", ShowCommand::Show); });
    EXPECT_EQ(message, "The command line is 200005 characters long, more than the system allows");
}

namespace {

std::string entryText(const std::vector<std::string>& keys) {
    std::string text = "[Desktop Entry]\nType=Application\nName=Probe Entry\n";
    for (const std::string& key : keys)
        text += key + "\n";
    return text;
}

} // namespace

TEST(Process, DesktopEntriesStartTheirExecLine) {
    TempDir dir;
    makeFolder(dir.file("work"));
    writeProbe(dir.file("probe"), dir.file("out"));
    const std::string entry = dir.file("probe.desktop");
    writeBytes(entry, entryText({"Exec=" + dir.file("probe") + " --name %c %k %f",
                                 "Path=" + dir.file("work"), "Icon=probe"}));
    const auto location = platform::locateProgram(entry + " " + dir.file("data.txt"), "/");
    EXPECT_EQ(location.error, 0) << location.reason;
    EXPECT_TRUE(location.desktopEntry);
    EXPECT_EQ(location.folder, dir.file("work"));

    const int leaked = ::dup2(::open("/dev/null", O_RDONLY), 57);
    ASSERT_EQ(leaked, 57);
    platform::spawnCommandLine(entry + " " + dir.file("data.txt"), location.folder,
                               ShowCommand::Show);
    ::close(leaked);
    ASSERT_TRUE(waitForFile(dir.file("out")));
    const auto lines = linesOf(readBytes(dir.file("out")));
    ASSERT_EQ(lines.size(), 7u) << readBytes(dir.file("out"));
    EXPECT_EQ(lines[0], dir.file("work"));
    std::istringstream ids(lines[1]);
    std::string pid, sid;
    ids >> pid >> sid;
    EXPECT_EQ(pid.substr(4), sid.substr(4)) << "a session of its own: " << lines[1];
    EXPECT_EQ(lines[2].find(" 57 "), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3], "arg=[--name]");
    EXPECT_EQ(lines[4], "arg=[Probe Entry]");
    EXPECT_EQ(lines[5], "arg=[" + entry + "]");
    EXPECT_EQ(lines[6], "arg=[" + dir.file("data.txt") + "]");

    // Without Path it runs in its program's folder, found on PATH like any other, which GIO
    // alone would not enter.
    writeBytes(entry, entryText({"Exec=sh -c true"}));
    EXPECT_EQ(platform::locateProgram(entry, "/").folder,
              platform::locateProgram("sh", "/").folder);
    writeBytes(entry, entryText({"Exec=" + dir.file("probe")}));
    removeFile(dir.file("out"));
    platform::spawnCommandLine(entry, platform::locateProgram(entry, "/").folder,
                               ShowCommand::Show);
    ASSERT_TRUE(waitForFile(dir.file("out")));
    EXPECT_EQ(linesOf(readBytes(dir.file("out")))[0], dir.path());
}

TEST(Process, DesktopEntriesThatCannotStartSayWhy) {
    TempDir dir;
    const std::string entry = dir.file("app.desktop");
    const auto reason = [&](const std::string& text) {
        writeBytes(entry, text);
        const auto location = platform::locateProgram(entry, "/");
        return std::to_string(location.error) + " " + location.reason;
    };
    EXPECT_EQ(reason(entryText({"Exec=true", "TryExec=tevlo-no-such-program"})),
              "2 File not found (its TryExec program \"tevlo-no-such-program\")");
    EXPECT_EQ(reason(entryText({"Exec=tevlo-no-such-program --x"})),
              "2 File not found (its program \"tevlo-no-such-program\")");
    EXPECT_EQ(reason("[Desktop Entry]\nType=Link\nName=Web\nURL=https://example.org/\n"),
              "5 It is not an application's desktop entry (Type is \"Link\")");
    EXPECT_EQ(reason(entryText({})), "5 It is not a desktop entry that can be started");
    const std::string broken = reason("this is no desktop entry\n");
    EXPECT_EQ(broken.substr(0, 2), "5 ") << broken;
    EXPECT_GT(broken.size(), 2u) << "GLib's words for what is wrong";
}

TEST(Process, DesktopEntriesForATerminalRunInOne) {
    TempDir dir;
    makeFolder(dir.file("terminal"));
    // The only terminal on PATH records how it was asked to run the program.
    makeExecutable(dir.file("terminal/xterm"),
                   "#!/bin/sh\nfor a in \"$@\"; do echo \"arg=[$a]\"; done > '" +
                       dir.file("out.tmp") + "' && /bin/mv '" + dir.file("out.tmp") + "' '" +
                       dir.file("out") + "'\n");
    ::setenv("PATH", dir.file("terminal").c_str(), 1);
    const std::string entry = dir.file("shell.desktop");
    writeBytes(entry, entryText({"Exec=/bin/sh -c \"echo hi\"", "Terminal=true"}));
    platform::spawnCommandLine(entry, "", ShowCommand::Show);
    ASSERT_TRUE(waitForFile(dir.file("out")));
    const std::string out = readBytes(dir.file("out"));
    EXPECT_NE(out.find("arg=[/bin/sh]\narg=[-c]\narg=[echo hi]\n"), std::string::npos) << out;
}

TEST(Process, APipeNamedLikeADesktopEntryHoldsNothingUp) {
    TempDir dir;
    useDesktopData(dir.file("system"), dir.file("own"));
    const std::string pipe = dir.file("system/applications/pipe.desktop");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    writeDesktopEntry(dir.file("system/applications"), "real", "Name=Real");
    std::vector<platform::InstalledApplication> shown;
    std::optional<platform::InstalledApplication> dropped;
    platform::ProgramLocation located;
    // On a thread of its own, with a time limit: a reader stalled on the pipe is failed, then
    // let go by opening the pipe's other end, so the test always ends.
    std::atomic<bool> done{false};
    std::thread reader([&] {
        shown = platform::installedApplications();
        dropped = platform::applicationOf(pipe);
        located = platform::locateProgram(pipe, "/");
        done = true;
    });
    for (int i = 0; i < 1000 && !done; ++i)
        ::usleep(10000);
    EXPECT_TRUE(done) << "stalled on the pipe";
    while (!done) {
        const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        ::usleep(10000);
    }
    reader.join();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, "Real");
    EXPECT_FALSE(dropped);
    EXPECT_EQ(located.error, 5) << located.reason;
}

TEST(Process, IconNamesComeFromEntriesProgramsInstalledApplicationsAndSchemes) {
    TempDir dir;
    useDesktopData(dir.file("system"), dir.file("own"));
    makeFolder(dir.file("config"));
    ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", dir.file("none").c_str(), 1);
    makeFolder(dir.file("bin"));
    ::setenv("PATH", (dir.file("bin") + ":/usr/bin:/bin").c_str(), 1);
    for (const char* name : {"tevlo-tool", "other"})
        makeExecutable(dir.file("bin/") + name, "#!/bin/sh\n");
    const auto entry = [&](const std::string& path, const std::string& keys) {
        writeBytes(path, "[Desktop Entry]\nType=Application\nName=A\n" + keys + "\n");
    };
    // Installed: one that starts tevlo-tool by its name on PATH, one hidden, the web browser.
    entry(dir.file("system/applications/tool.desktop"), "Exec=tevlo-tool %F\nIcon=tool-icon");
    entry(dir.file("system/applications/hidden.desktop"),
          "Exec=" + dir.file("bin/other") + "\nIcon=hidden-icon\nNoDisplay=true");
    entry(dir.file("system/applications/browser.desktop"), "Exec=true %u\nIcon=browser-icon");
    writeBytes(dir.file("config/mimeapps.list"),
               "[Default Applications]\nx-scheme-handler/https=gone.desktop;browser.desktop;\n");
    entry(dir.file("mine.desktop"), "Exec=true\nIcon=/pictures/mine.png");
    const auto names = [&](const std::string& line) {
        std::vector<std::string> offered;
        platform::programIconNames(platform::locateProgram(line, dir.path()),
                                   [&](const std::string& name) {
                                       offered.push_back(name);
                                       return false;
                                   });
        return offered;
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(names(dir.file("mine.desktop")), (Names{"/pictures/mine.png"}));
    EXPECT_EQ(names(dir.file("bin/tevlo-tool") + " --x"),
              (Names{"tevlo-tool", "tool-icon", "application-x-executable"}));
    EXPECT_EQ(names("other"), (Names{"other", "application-x-executable"})) << "not from NoDisplay";
    EXPECT_EQ(names("/opt/gone/thing -v"), (Names{"thing", "application-x-executable"}));
    EXPECT_EQ(names("https://example.org/a"), (Names{"browser-icon", "text-html"}));
    EXPECT_EQ(names("gopher://example.org"), (Names{"text-html"}));
    // Taken at the first name, nothing after it is looked for.
    int offered = 0;
    platform::programIconNames(platform::locateProgram("tevlo-tool", dir.path()),
                               [&](const std::string&) { return ++offered > 0; });
    EXPECT_EQ(offered, 1);
    // Other data folders: the installed applications are read again.
    useDesktopData(dir.file("system2"), dir.file("own2"));
    EXPECT_EQ(names("tevlo-tool"), (Names{"tevlo-tool", "application-x-executable"}));
}
