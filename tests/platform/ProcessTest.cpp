// The command-line parts that every system shares; ProcessTest_posix.cpp and
// ProcessTest_win.cpp start real programs.
#include "platform/Process.h"

#include <gtest/gtest.h>

TEST(Process, SplitCommandLineLikeTheOtherPlatform) {
    using V = std::vector<std::string>;
    EXPECT_EQ(platform::splitCommandLine("prog a  b\tc"), (V{"prog", "a", "b", "c"}));
    EXPECT_EQ(platform::splitCommandLine("  \"C:\\My Apps\\x.exe\" \"two words\" \"\" tail "),
              (V{"C:\\My Apps\\x.exe", "two words", "", "tail"}));
    EXPECT_EQ(platform::splitCommandLine("a\"b c\"d e"), (V{"ab cd", "e"}));
    EXPECT_EQ(platform::splitCommandLine("back\\slash \\\"x"), (V{"back\\slash", "\\x"}));
    EXPECT_EQ(platform::splitCommandLine("\"unterminated quote"), (V{"unterminated quote"}));
    EXPECT_EQ(platform::splitCommandLine(" \t "), V{});
}
