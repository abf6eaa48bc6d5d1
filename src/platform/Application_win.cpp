// Windows has no signals to end or show a program, and one window system.
#include "platform/Application.h"
#include "platform/ApplicationSystem.h"

namespace platform {

void detail::installSignalHandling() {}

std::string chooseWindowSystem() {
    return {};
}

// A second start on Windows finds the running bar by its lock alone; it cannot be asked to show.
bool requestRaise(long) {
    return false;
}

} // namespace platform
