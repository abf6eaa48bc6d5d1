// What the controls need to know about the application as a whole.
#pragma once

#include <functional>

class QWidget;

namespace platform {

// True while one of this program's windows is the active window of the desktop. Controls keep
// their hover looks off while another program is in front.
bool applicationInForeground();

// Replaces how applicationInForeground() finds its answer; an empty function restores the
// desktop's own answer. Returns the previous source.
using ForegroundSource = std::function<bool()>;
ForegroundSource setForegroundSource(ForegroundSource source);

// The widget under the mouse pointer, disabled ones included; null over other programs.
QWidget* controlUnderPointer();

} // namespace platform
