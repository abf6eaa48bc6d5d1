// Exceptions of the runtime and the application's last-resort error reporting.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <utility>

// The root of every error the program raises itself; what() is the message shown to the user.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }
    const std::string& Message() const noexcept { return m_message; }

private:
    std::string m_message;
};

// A failed file or process operation. The code is the runtime's I/O error code, and the
// message is worded from it alone, so the same failure always reads the same way.
class EInOutError : public Exception {
public:
    explicit EInOutError(int errorCode);
    // For an operating-system error that has no code of its own in the runtime's list: the
    // message must then give the system's number, even where it collides with a listed code.
    EInOutError(int errorCode, std::string message)
        : Exception(std::move(message)), m_errorCode(errorCode) {}
    int ErrorCode() const noexcept { return m_errorCode; }

    static std::string MessageFor(int errorCode);

private:
    int m_errorCode;
};

class EReadError : public Exception {
public:
    EReadError() : Exception("Stream read error") {}
};

class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

// Ends an operation without telling the user anything.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

namespace platform {

// The I/O error that matches an errno value: a listed code where one fits, else the errno
// value itself as "I/O error N".
EInOutError ioErrorFromErrno(int err);

[[noreturn]] void raiseIoError(int err);

// The I/O error for a Windows error code (GetLastError()). Windows numbers its errors the way
// the runtime numbers its own for 2 to 5, so those keep their code and message; a full disk
// reads "Disk full" as it does on POSIX; every other code is "I/O error N", also where N
// happens to be one of the runtime's own numbers.
EInOutError ioErrorFromWindowsError(std::uint32_t code);

// Where errors go that nobody above can catch: destructors, event handlers. The handler may
// show a message box; it must not throw. EAbort never reaches it.
using ExceptionHandler = std::function<void(const std::exception&)>;

// Installs a handler and returns the one it replaces. An empty handler restores the default,
// which writes the message to standard error.
ExceptionHandler setExceptionHandler(ExceptionHandler handler);

void handleException(const std::exception& error) noexcept;

// Runs the action and hands anything it throws to handleException.
void guarded(const std::function<void()>& action) noexcept;

// A slot that reports what its action throws where it arises. The application object's safety
// net catches whatever leaves an event, but between a slot and that net lie Qt's own frames,
// built without exception support: an exception passing them would skip their clean-up (the
// copies of a mouse event leak, a button may stay pressed). The actions that meet files and
// programs, which can fail, run in such a slot.
template <typename Action> auto reporting(Action action) {
    return [action = std::move(action)] { guarded(action); };
}

} // namespace platform
