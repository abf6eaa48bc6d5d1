// How long loads report their progress. Kept apart from the pictures so that readers without
// any drawing (the GIF file reader) can report too.
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class TProgressStage { psStarting, psRunning, psEnding };

// Long loads report how far they are; percent is 0..100, message is empty unless an error is
// passing through at the end.
using TProgressEvent =
    std::function<void(TProgressStage stage, int percent, const std::string& message)>;

} // namespace platform
