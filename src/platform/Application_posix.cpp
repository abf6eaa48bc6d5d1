// The desktop's signals to end or show the program, and the choice of window system, on POSIX.
#include "platform/Application.h"
#include "platform/ApplicationSystem.h"

#include <QSocketNotifier>
#include <QString>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

int terminationPipe[2] = {-1, -1};

void onTerminationSignal(int signal) {
    // Only async-signal-safe work here; the event loop does the rest.
    if (signal != SIGUSR1 && detail::endRequests.fetch_add(1) > 0)
        ::_exit(128 + signal);
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], &byte, 1);
}

} // namespace

void detail::installSignalHandling() {
    if (terminationPipe[0] != -1)
        return;
    if (::pipe(terminationPipe) != 0)
        return;
    for (int fd : terminationPipe)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(terminationPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1})
        ::sigaction(signal, &action, nullptr);
    auto* notifier = new QSocketNotifier(terminationPipe[0], QSocketNotifier::Read, &hookOwner());
    QObject::connect(notifier, &QSocketNotifier::activated, &hookOwner(), [] {
        unsigned char received[16];
        const ssize_t got = ::read(terminationPipe[0], received, sizeof received);
        for (ssize_t i = 0; i < got; ++i) {
            if (received[i] != SIGUSR1)
                beginEnd();
            else
                raiseRequested();
        }
    });
}

std::string chooseWindowSystem() {
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    if (!chosen.isEmpty() && !chosen.startsWith("wayland"))
        return {};
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return {};
    }
    return "Tevlo needs an X display: it places its own window, which a Wayland session allows "
           "only through XWayland, and DISPLAY is not set";
}

bool requestRaise(long processId) {
    return processId > 0 && ::kill(pid_t(processId), SIGUSR1) == 0;
}

} // namespace platform
