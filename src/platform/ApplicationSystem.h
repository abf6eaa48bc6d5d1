// What the system-specific half of Application shares with the common half.
#pragma once

#include <atomic>

class QObject;

namespace platform::detail {

// How often the end was asked for, by a signal or by the session. Counted in the signal handler
// itself on POSIX, so a second request ends the process even while the event loop is held up (a
// disk that does not answer, say); lock-free, as a handler needs.
extern std::atomic<int> endRequests;
static_assert(std::atomic<int>::is_always_lock_free);

// Connections live on this object so that setting a handler again replaces the old one.
QObject& hookOwner();
// The first request to end, counted already: the normal shutdown begins.
void beginEnd();
// Another start of the program asked this one to show itself.
void raiseRequested();

// Turns the system's requests to end (POSIX: SIGTERM, SIGINT, SIGHUP) and to show the program
// (SIGUSR1) into the calls above, on the event loop. Nothing on systems without such signals.
void installSignalHandling();

} // namespace platform::detail
