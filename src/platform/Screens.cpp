#include "platform/Screens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace platform {

namespace {

ScreenAreas& areasSource() {
    static ScreenAreas source;
    return source;
}

qint64 overlap(const QRect& a, const QRect& b) {
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

// The frame moved by the least distance so that it lies inside the area as far as it fits.
QPoint into(const QRect& frame, const QRect& area) {
    const int x =
        std::clamp(frame.x(), area.left(), std::max(area.left(), area.right() + 1 - frame.width()));
    const int y =
        std::clamp(frame.y(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height()));
    return {x, y};
}

qint64 distance(const QRect& frame, const QRect& area) {
    const QPoint moved = into(frame, area) - frame.topLeft();
    return qint64(moved.x()) * moved.x() + qint64(moved.y()) * moved.y();
}

} // namespace

QList<QRect> screenAreas() {
    if (areasSource())
        return areasSource()();
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.push_back(screen->availableGeometry());
    return areas;
}

ScreenAreas setScreenAreas(ScreenAreas areas) {
    return std::exchange(areasSource(), std::move(areas));
}

QRect areaOf(const QWidget* window) {
    const QList<QRect> areas = screenAreas();
    if (areasSource()) {
        // Made-up screens: the one that holds most of the window, else the first.
        const QRect frame = window->frameGeometry();
        const auto best =
            std::max_element(areas.begin(), areas.end(), [&](const QRect& a, const QRect& b) {
                return overlap(frame, a) < overlap(frame, b);
            });
        return best == areas.end() ? QRect() : (overlap(frame, *best) > 0 ? *best : areas.front());
    }
    const QScreen* screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QPoint keptOnScreen(const QRect& frame, const QList<QRect>& areas) {
    if (areas.isEmpty() || frame.isEmpty())
        return frame.topLeft();
    qint64 shown = 0;
    for (const QRect& area : areas)
        shown += overlap(frame, area);
    if (2 * shown > qint64(frame.width()) * frame.height())
        return frame.topLeft();
    const auto nearest =
        std::min_element(areas.begin(), areas.end(), [&](const QRect& a, const QRect& b) {
            return distance(frame, a) < distance(frame, b);
        });
    return into(frame, *nearest);
}

void onScreensChanged(QObject* context, std::function<void()> changed) {
    auto* app = qGuiApp;
    if (!app)
        return;
    const auto watch = [context, changed](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, context, changed);
        QObject::connect(screen, &QScreen::availableGeometryChanged, context, changed);
        QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, context, changed);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    QObject::connect(app, &QGuiApplication::screenAdded, context,
                     [watch, changed](QScreen* screen) {
                         watch(screen);
                         changed();
                     });
    QObject::connect(app, &QGuiApplication::screenRemoved, context, changed);
    QObject::connect(app, &QGuiApplication::primaryScreenChanged, context, changed);
}

} // namespace platform
