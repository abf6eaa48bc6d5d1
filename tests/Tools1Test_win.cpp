// The launcher on Windows, with the probe program the tests build.
#include "Tools1.h"

#include "TestSupport.h"

#include "platform/Process.h"
#include "platform/Strings.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace testing_support;

TEST(RunProgram, StartsAWindowsProgramInItsFolderAndReportsAMissingOne) {
    TempDir dir;
    const std::string folder = dir.file("apps dir\\");
    makeFolder(folder);
    const std::string program = folder + "run me.exe";
    ASSERT_TRUE(::CopyFileA(probeProgram().c_str(), program.c_str(), TRUE));
    const std::string out = folder + "run me.out";

    // Windows hands the line over unchanged; Wine puts quotes around a program path with blanks.
    const auto report = [&](const std::string& arguments) {
        const std::string text = readBytes(out);
        const std::string head = dir.file("apps dir") + "\n";
        return text == head + program + arguments + "\n5\n" ||
               text == head + '"' + program + '"' + arguments + "\n5\n";
    };
    RunProgram(program, "", folder);
    ASSERT_TRUE(waitForFile(out));
    EXPECT_TRUE(report("")) << readBytes(out);

    removeFile(out);
    RunProgram(program, " -x \"a b\"", folder);
    ASSERT_TRUE(waitForFile(out));
    EXPECT_TRUE(report("  -x \"a b\"")) << readBytes(out);

    // The folder exists but the program does not: the failure is reported instead of passing
    // for a start, and the folder was never ours.
    platform::setCurrentDirectory(dir.path());
    EXPECT_EQ(ioCode([&] { RunProgram(folder + "missing.exe", "", folder); }), 2);
    EXPECT_EQ(currentDirectory(), dir.path());
}
