#include "platform/Errors.h"

#include "TestSupport.h"

#include <cerrno>
#include <cstdint>
#include <gtest/gtest.h>

using testing_support::ScopedErrorCapture;

TEST(Errors, InOutErrorMessagesFollowTheCode) {
    const std::pair<int, const char*> cases[] = {{2, "File not found"},
                                                 {3, "Invalid filename"},
                                                 {4, "Too many open files"},
                                                 {5, "File access denied"},
                                                 {100, "Read beyond end of file"},
                                                 {101, "Disk full"},
                                                 {106, "Invalid numeric input"},
                                                 {7, "I/O error 7"},
                                                 {1234, "I/O error 1234"}};
    for (const auto& [code, message] : cases) {
        const EInOutError error(code);
        EXPECT_EQ(error.ErrorCode(), code);
        EXPECT_STREQ(error.what(), message) << "code " << code;
    }
    EXPECT_STREQ(EReadError().what(), "Stream read error");
}

TEST(Errors, ErrnoValuesMapToTheRuntimeCodes) {
    const std::pair<int, int> mapped[] = {
        {ENOENT, 2},  {ENOTDIR, 3}, {ENAMETOOLONG, 3}, {EMFILE, 4}, {ENFILE, 4},
        {EACCES, 5},  {EPERM, 5},   {EROFS, 5},        {EISDIR, 5}, {ENOSPC, 101},
#ifdef EDQUOT
        {EDQUOT, 101}
#endif
    };
    for (const auto& [err, code] : mapped)
        EXPECT_EQ(platform::ioErrorFromErrno(err).ErrorCode(), code) << "errno " << err;

    // An unlisted errno keeps its own number, even where that number is a listed code: EIO is
    // 5 on Linux but is no access problem.
    const EInOutError io = platform::ioErrorFromErrno(EIO);
    EXPECT_EQ(io.ErrorCode(), EIO);
    EXPECT_EQ(io.Message(), "I/O error " + std::to_string(EIO));
    EXPECT_THROW(platform::raiseIoError(ENOENT), EInOutError);
}

TEST(Errors, WindowsErrorCodesMapToTheRuntimeCodes) {
    // File and path not found, too many open files and access denied share the runtime's
    // numbers; both disk-full codes read as the runtime's "Disk full".
    const std::pair<std::uint32_t, int> listed[] = {{2, 2}, {3, 3},    {4, 4},
                                                    {5, 5}, {39, 101}, {112, 101}};
    for (const auto& [code, runtimeCode] : listed)
        EXPECT_EQ(platform::ioErrorFromWindowsError(code).ErrorCode(), runtimeCode) << code;
    EXPECT_EQ(platform::ioErrorFromWindowsError(5).Message(), "File access denied");

    // Everything else keeps the system's number and says it, even where the number is one of
    // the runtime's own: 100 is ERROR_TOO_MANY_SEMAPHORES, no end of a file.
    for (const std::uint32_t code : {32u, 100u, 101u, 106u, 193u, 267u}) {
        const EInOutError error = platform::ioErrorFromWindowsError(code);
        EXPECT_EQ(error.ErrorCode(), static_cast<int>(code));
        EXPECT_EQ(error.Message(), "I/O error " + std::to_string(code));
    }
}

TEST(Errors, GuardedHandsErrorsToTheHandlerAndKeepsAbortSilent) {
    ScopedErrorCapture capture;
    platform::guarded([] { throw EInOutError(2); });
    platform::guarded([] { throw EAbort(); });
    platform::guarded([] { throw 42; });
    platform::guarded([] {});
    ASSERT_EQ(capture.messages().size(), 2u);
    EXPECT_EQ(capture.messages()[0], "File not found");
    EXPECT_EQ(capture.messages()[1], "Unknown error");
}
