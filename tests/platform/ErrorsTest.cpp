#include "platform/Errors.h"

#include "TestSupport.h"

#include <cerrno>
#include <gtest/gtest.h>

using testing_support::ScopedErrorCapture;

// The runtime's own codes and words are checked where errors happen (missing programs, full
// disks, refused files); what is left here is the one mistake those cannot show.
TEST(Errors, ASystemsCodeNeverPassesForTheRuntimesOwnNumber) {
    // EIO is 5 on Linux but is no access problem; Windows' 100 is no end of a file.
    const EInOutError io = platform::ioErrorFromErrno(EIO);
    EXPECT_EQ(io.ErrorCode(), EIO);
    EXPECT_EQ(io.Message(), "I/O error " + std::to_string(EIO));
    const EInOutError semaphores = platform::ioErrorFromWindowsError(100);
    EXPECT_EQ(semaphores.ErrorCode(), 100);
    EXPECT_EQ(semaphores.Message(), "I/O error 100");
    EXPECT_EQ(platform::ioErrorFromWindowsError(112).Message(), "Disk full");
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
