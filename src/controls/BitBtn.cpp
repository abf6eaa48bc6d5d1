#include "controls/BitBtn.h"

#include "platform/Canvas.h"
#include "platform/Colors.h"

#include <QPainter>

TBitBtn::TBitBtn(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

void TBitBtn::SetMargin(int value) {
    if (value == m_margin)
        return;
    m_margin = value;
    update();
}

void TBitBtn::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    canvas.setFont(font());
    canvas.fillRect(rect(), platform::toQColor(clBtnFace));
    QRect r = rect();
    // The button that Enter presses wears a dark outline, as on the old desktop.
    if (isDefault() || hasFocus()) {
        canvas.setPen(platform::toQColor(clWindowFrame));
        canvas.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    const bool pressed = isDown();
    r = DrawFrame(canvas, r, pressed, false, bsNew);
    if (pressed)
        r.translate(1, 1);
    const FaceState look = isEnabled() ? FaceState::up : FaceState::disabled;
    const TFaceLayout placed =
        m_glyph.DrawFace(canvas, r, look, text(), blGlyphLeft, m_margin, m_spacing,
                         alignmentFormat(taCenter), palette().color(QPalette::ButtonText), false);
    if (hasFocus()) {
        QPen dotted(palette().color(QPalette::ButtonText), 1, Qt::DotLine);
        canvas.setPen(dotted);
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(placed.CaptionBox.adjusted(-2, -1, 1, 0));
    }
}
