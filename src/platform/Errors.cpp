#include "platform/Errors.h"

#include <cerrno>
#include <cstdio>

EInOutError::EInOutError(int errorCode)
    : Exception(MessageFor(errorCode)), m_errorCode(errorCode) {}

std::string EInOutError::MessageFor(int errorCode) {
    switch (errorCode) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    case 100:
        return "Read beyond end of file";
    case 101:
        return "Disk full";
    case 106:
        return "Invalid numeric input";
    default:
        return "I/O error " + std::to_string(errorCode);
    }
}

namespace platform {

EInOutError ioErrorFromErrno(int err) {
    switch (err) {
    case ENOENT:
        return EInOutError(2);
    case ENOTDIR:
    case ENAMETOOLONG:
        return EInOutError(3);
    case EMFILE:
    case ENFILE:
        return EInOutError(4);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return EInOutError(5);
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return EInOutError(101);
    default:
        return EInOutError(err, "I/O error " + std::to_string(err));
    }
}

void raiseIoError(int err) {
    throw ioErrorFromErrno(err);
}

EInOutError ioErrorFromWindowsError(std::uint32_t code) {
    // Numbers from winerror.h, named here so the mapping stays testable on every system.
    constexpr std::uint32_t handleDiskFull = 39; // ERROR_HANDLE_DISK_FULL
    constexpr std::uint32_t diskFull = 112;      // ERROR_DISK_FULL
    switch (code) {
    case 2:
    case 3:
    case 4:
    case 5:
        return EInOutError(static_cast<int>(code));
    case handleDiskFull:
    case diskFull:
        return EInOutError(101);
    default:
        return EInOutError(static_cast<int>(code), "I/O error " + std::to_string(code));
    }
}

namespace {

void writeToStandardError(const std::exception& error) {
    std::fprintf(stderr, "tevlo: %s\n", error.what());
}

ExceptionHandler& currentHandler() {
    static ExceptionHandler handler = writeToStandardError;
    return handler;
}

} // namespace

ExceptionHandler setExceptionHandler(ExceptionHandler handler) {
    ExceptionHandler previous = std::move(currentHandler());
    currentHandler() = handler ? std::move(handler) : ExceptionHandler(writeToStandardError);
    return previous;
}

void handleException(const std::exception& error) noexcept {
    if (dynamic_cast<const EAbort*>(&error))
        return;
    try {
        currentHandler()(error);
    } catch (...) {
        // A failing handler has nowhere left to report to; the message at least reaches stderr.
        writeToStandardError(error);
    }
}

void guarded(const std::function<void()>& action) noexcept {
    try {
        action();
    } catch (const std::exception& error) {
        handleException(error);
    } catch (...) {
        handleException(Exception("Unknown error"));
    }
}

} // namespace platform
