// A control without a window of its own: it draws on its parent's surface. Transparent controls
// paint such siblings behind themselves, but never windowed ones.
#pragma once

#include <QWidget>

namespace platform {

class TGraphicControl : public QWidget {
    Q_OBJECT
public:
    explicit TGraphicControl(QWidget* parent = nullptr) : QWidget(parent) {}
};

inline bool isGraphicControl(const QObject* object) {
    return qobject_cast<const TGraphicControl*>(object) != nullptr;
}

} // namespace platform
