#include "platform/Application.h"

#include <QApplication>
#include <QCursor>

namespace platform {

namespace {

ForegroundSource& foregroundSource() {
    static ForegroundSource source;
    return source;
}

} // namespace

bool applicationInForeground() {
    if (foregroundSource())
        return foregroundSource()();
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

ForegroundSource setForegroundSource(ForegroundSource source) {
    return std::exchange(foregroundSource(), std::move(source));
}

QWidget* controlUnderPointer() {
    return QApplication::widgetAt(QCursor::pos());
}

} // namespace platform
