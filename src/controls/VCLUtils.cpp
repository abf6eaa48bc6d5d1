#include "controls/VCLUtils.h"

#include "controls/RXCtrls.h"
#include "platform/GraphicControl.h"

#include <QPainter>
#include <QWidget>

namespace {

// The speed buttons are Qt buttons now, yet they still count among the controls drawn on their
// parent's surface, as they always did.
bool windowless(const QObject* control) {
    return platform::isGraphicControl(control) || qobject_cast<const TRxSpeedButton*>(control);
}

} // namespace

void CopyParentImage(QWidget* control, QPainter& canvas) {
    QWidget* parent = control ? control->parentWidget() : nullptr;
    if (!parent)
        return;
    const QRect area = control->geometry();
    const QRegion behind = QRegion(area.intersected(parent->rect()));
    if (!behind.isEmpty()) {
        // render() lays the region's top-left corner at the offset it is given.
        parent->render(&canvas, behind.boundingRect().topLeft() - area.topLeft(), behind,
                       QWidget::DrawWindowBackground);
    }
    for (QObject* child : parent->children()) {
        if (child == control)
            break;
        auto* sibling = qobject_cast<QWidget*>(child);
        if (!sibling || !windowless(sibling) || sibling->isHidden() ||
            !sibling->geometry().intersects(area))
            continue;
        sibling->render(&canvas, sibling->pos() - area.topLeft(), QRegion(sibling->rect()),
                        QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
}

bool ParentImageComposedByQt(const QWidget* control) {
    const QWidget* parent = control ? control->parentWidget() : nullptr;
    if (!parent)
        return true;
    if (!parent->isWindow() && !parent->autoFillBackground() &&
        !parent->testAttribute(Qt::WA_OpaquePaintEvent))
        return false;
    const QRect area = control->geometry();
    for (const QObject* child : parent->children()) {
        if (child == control)
            break;
        const auto* sibling = qobject_cast<const QWidget*>(child);
        if (sibling && !sibling->isWindow() && !windowless(sibling) && !sibling->isHidden() &&
            sibling->geometry().intersects(area))
            return false;
    }
    return true;
}
