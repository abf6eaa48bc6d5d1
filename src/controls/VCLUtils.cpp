#include "controls/VCLUtils.h"

#include "platform/GraphicControl.h"

#include <QPainter>
#include <QWidget>

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
        if (!sibling || !platform::isGraphicControl(sibling) || sibling->isHidden() ||
            !sibling->geometry().intersects(area))
            continue;
        sibling->render(&canvas, sibling->pos() - area.topLeft(), QRegion(sibling->rect()),
                        QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
}
