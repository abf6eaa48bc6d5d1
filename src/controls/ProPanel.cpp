#include "controls/ProPanel.h"

#include "platform/Canvas.h"
#include "platform/Errors.h"

#include <QPainter>
#include <algorithm>

using platform::toQColor;

void DrawRing(QPainter& canvas, QRect& r, TSides sides, int width, const QColor& topLeft,
              const QColor& bottomRight) {
    for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
        // The right and bottom edges come last and so own the top-right and bottom-left
        // corners.
        if (sides & sdLeft)
            canvas.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
        if (sides & sdTop)
            canvas.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
        if (sides & sdRight)
            canvas.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
        if (sides & sdBottom)
            canvas.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        r.adjust((sides & sdLeft) ? 1 : 0, (sides & sdTop) ? 1 : 0, (sides & sdRight) ? -1 : 0,
                 (sides & sdBottom) ? -1 : 0);
    }
}

TProCustomPanel::TProCustomPanel(QWidget* parent) : QWidget(parent) {
    resize(185, 41);
    // Bevels, border and colour cover every pixel: Qt need paint nothing beneath, and controls
    // that let the panel show through them can leave that to Qt.
    setAttribute(Qt::WA_OpaquePaintEvent);
    UpdateMargins();
}

void TProCustomPanel::Changed() {
    UpdateMargins();
    update();
}

void TProCustomPanel::SetCaption(const QString& value) {
    if (changeValue(m_caption, value))
        update();
}

void TProCustomPanel::SetAlignment(TAlignment value) {
    if (changeValue(m_alignment, value))
        update();
}

void TProCustomPanel::SetColor(TColor value) {
    if (changeValue(m_color, value))
        update();
}

void TProCustomPanel::SetBevelOuter(TPanelBevel value) {
    if (changeValue(m_bevelOuter, value))
        Changed();
}

void TProCustomPanel::SetBevelInner(TPanelBevel value) {
    if (changeValue(m_bevelInner, value))
        Changed();
}

void TProCustomPanel::SetBevelWidth(int value) {
    // Two-ring bevels are two pixels wide whatever is asked.
    if (m_bevelCtl3D)
        value = 2;
    if (changeValue(m_bevelWidth, std::max(value, 1)))
        Changed();
}

void TProCustomPanel::SetBorderWidth(int value) {
    if (changeValue(m_borderWidth, std::max(value, 0)))
        Changed();
}

void TProCustomPanel::SetBorderStyle(TBorderStyle value) {
    if (changeValue(m_borderStyle, value))
        Changed();
}

void TProCustomPanel::SetCtl3D(bool value) {
    if (changeValue(m_ctl3D, value))
        Changed();
}

void TProCustomPanel::SetBevelCtl3D(bool value) {
    if (!changeValue(m_bevelCtl3D, value))
        return;
    m_bevelWidth = value ? 2 : 1;
    Changed();
}

void TProCustomPanel::SetBevelSides(TSides value) {
    if (changeValue(m_bevelSides, value & AllSides))
        Changed();
}

void TProCustomPanel::SetBorderColor(TColor value) {
    if (changeValue(m_borderColor, value))
        update();
}

void TProCustomPanel::SetVerticalAlignment(TVerticalAlignment value) {
    if (changeValue(m_verticalAlignment, value))
        update();
}

void TProCustomPanel::UpdateMargins() {
    const int bevels = (m_bevelOuter != bvNone ? m_bevelWidth : 0) +
                       (m_bevelInner != bvNone ? m_bevelWidth : 0) + m_borderWidth;
    const int frame = m_borderStyle == bsSingle ? 1 : 0;
    const auto side = [&](TSide s) { return frame + ((m_bevelSides & s) ? bevels : 0); };
    setContentsMargins(side(sdLeft), side(sdTop), side(sdRight), side(sdBottom));
}

void TProCustomPanel::DrawBevel(QPainter& canvas, QRect& r, TPanelBevel kind) const {
    if (kind == bvNone)
        return;
    if (kind == bvSpace) {
        // A space bevel is room in the panel's own colour, as a plain panel draws it.
        const QColor space = toQColor(m_color);
        DrawRing(canvas, r, m_bevelSides, m_bevelWidth, space, space);
        return;
    }
    const bool lowered = kind == bvLowered;
    const QColor firstTopLeft = toQColor(lowered ? clBtnShadow : clBtnHighlight);
    const QColor firstBottomRight = toQColor(lowered        ? clBtnHighlight
                                             : m_bevelCtl3D ? clBtnText
                                                            : clBtnShadow);
    if (!m_bevelCtl3D) {
        DrawRing(canvas, r, m_bevelSides, m_bevelWidth, firstTopLeft, firstBottomRight);
        return;
    }
    DrawRing(canvas, r, m_bevelSides, 1, firstTopLeft, firstBottomRight);
    DrawRing(canvas, r, m_bevelSides, 1, toQColor(lowered ? clBtnText : cl3DLight),
             toQColor(lowered ? cl3DLight : clBtnShadow));
}

void TProCustomPanel::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    QRect r = rect();
    if (m_borderStyle == bsSingle) {
        // A single border is a plain one-pixel line, never a sunken edge.
        const QColor line = toQColor(clWindowFrame);
        DrawRing(canvas, r, AllSides, 1, line, line);
    }
    DrawBevel(canvas, r, m_bevelOuter);
    const QColor border = toQColor(m_borderColor);
    DrawRing(canvas, r, m_bevelSides, m_borderWidth, border, border);
    DrawBevel(canvas, r, m_bevelInner);
    if (r.width() <= 0 || r.height() <= 0)
        return;
    canvas.fillRect(r, toQColor(m_color));

    canvas.setFont(font());
    canvas.setPen(palette().color(QPalette::WindowText));
    const unsigned format =
        alignmentFormat(m_alignment) | platform::tfExpandTabs | platform::tfWordBreak;
    if (m_verticalAlignment != vaTop) {
        QRect measured = r;
        platform::drawText(canvas, m_caption, measured, format | platform::tfCalcRect);
        const int h = measured.height();
        r.translate(0, verticalShift(m_verticalAlignment, r.height(), h));
        r.setHeight(h);
    }
    platform::drawText(canvas, m_caption, r, format);
}

void TProCustomPanel::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TProCustomPanel::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TProCustomPanel::enterEvent(QEnterEvent* e) {
    QWidget::enterEvent(e);
    MouseEnter();
}

void TProCustomPanel::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    MouseLeave();
}
