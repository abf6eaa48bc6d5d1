// The screens the bar lives on: their available areas, keeping a window on them, and the
// desktop's workspaces.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <functional>

class QObject;
class QWidget;

namespace platform {

// The available areas (panels and docks excluded) of every screen, in device-independent
// pixels. Replaceable, so tests can set up screens of any size and number.
using ScreenAreas = std::function<QList<QRect>()>;
QList<QRect> screenAreas();
ScreenAreas setScreenAreas(ScreenAreas areas);

// The available area of the screen a window is on, or of the primary screen before it is shown.
QRect areaOf(const QWidget* window);

// Where a window of this frame must go so that it is not wholly or mostly (more than half) off
// every area: pulled by the shortest way into the area nearest to it. The frame's own top-left
// when it is well enough on some area already, or when there is no area at all.
QPoint keptOnScreen(const QRect& frame, const QList<QRect>& areas);

// Calls changed whenever a screen comes or goes or the size, place, scale or available area of
// one changes, for as long as context lives. No polling: the toolkit's own screen signals.
void onScreensChanged(QObject* context, std::function<void()> changed);

// Shows the window on every workspace of the desktop, as panels and docks are (on X11 by
// _NET_WM_DESKTOP 0xFFFFFFFF); the window keeps its task bar entry. Nothing on systems without
// workspaces of that kind.
void showOnAllWorkspaces(QWidget* window);

} // namespace platform
