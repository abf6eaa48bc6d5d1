#include "controls/ProLabel.h"

#include "controls/ProPanel.h"

#include "platform/Canvas.h"
#include "platform/Errors.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

using platform::toQColor;

namespace {

struct ShadowPreset {
    TDirection direction;
    int depth;
    int size;
    TColor color;
};

ShadowPreset presetFor(TShadowStyle style) {
    switch (style) {
    case ssRaised:
        return {drUpLeft, 1, 1, clWhite};
    case ssRecessed:
        return {drDownRight, 1, 1, clWhite};
    case ssShadow:
        return {drDownRight, 2, 1, clBtnShadow};
    case ssThickShadow:
        return {drDownRight, 1, 4, clBtnShadow};
    default:
        return {drNone, 0, 0, clBtnShadow};
    }
}

} // namespace

QPoint directionStep(TDirection direction) {
    switch (direction) {
    case drNone:
        break;
    case drUp:
        return {0, -1};
    case drDown:
        return {0, 1};
    case drLeft:
        return {-1, 0};
    case drRight:
        return {1, 0};
    case drUpLeft:
        return {-1, -1};
    case drUpRight:
        return {1, -1};
    case drDownLeft:
        return {-1, 1};
    case drDownRight:
        return {1, 1};
    }
    return {0, 0};
}

TProCustomLabel::TProCustomLabel(QWidget* parent) : TGraphicControl(parent) {
    resize(65, 17);
}

void TProCustomLabel::SetCaption(const QString& value) {
    if (!changeValue(m_caption, value))
        return;
    AdjustBounds();
    update();
}

void TProCustomLabel::SetAlignment(TAlignment value) {
    if (changeValue(m_alignment, value))
        update();
}

void TProCustomLabel::SetWordWrap(bool value) {
    if (!changeValue(m_wordWrap, value))
        return;
    AdjustBounds();
    update();
}

void TProCustomLabel::SetAutoSize(bool value) {
    if (!changeValue(m_autoSize, value))
        return;
    AdjustBounds();
    update();
}

void TProCustomLabel::SetTransparent(bool value) {
    if (changeValue(m_transparent, value))
        update();
}

void TProCustomLabel::SetShowAccelChar(bool value) {
    if (!changeValue(m_showAccelChar, value))
        return;
    AdjustBounds();
    update();
}

TColor TProCustomLabel::Color() const {
    if (m_color != clNone)
        return m_color;
    // The colour the parent shows: a panel paints its own face colour, which in many themes is
    // not the window colour that Qt would hand down.
    if (const auto* panel = dynamic_cast<const TProPanel*>(parentWidget()))
        return panel->Color();
    return platform::fromQColor(palette().color(QPalette::Window));
}

void TProCustomLabel::SetColor(TColor value) {
    if (changeValue(m_color, value))
        update();
}

TColor TProCustomLabel::FontColor() const {
    return platform::fromQColor(palette().color(QPalette::WindowText));
}

void TProCustomLabel::SetFontColor(TColor value) {
    if (FontColor() == platform::colorToRGB(value))
        return;
    QPalette changed = palette();
    changed.setColor(QPalette::WindowText, toQColor(value));
    setPalette(changed); // raises the palette change, and so FontChanged
}

void TProCustomLabel::SetAngle(int value) {
    value %= 360;
    if (value < 0)
        value += 360;
    if (!changeValue(m_angle, value))
        return;
    const double radians = value * std::numbers::pi / 180.0;
    AngleCos = std::cos(radians);
    AngleSin = std::sin(radians);
    if (value > 0 && m_autoSize)
        m_autoSize = false;
    update();
}

void TProCustomLabel::SetOffsetX(int value) {
    if (!changeValue(m_offsetX, value))
        return;
    if (value > 0)
        m_autoSize = false;
    update();
}

void TProCustomLabel::SetOffsetY(int value) {
    if (!changeValue(m_offsetY, value))
        return;
    if (value > 0)
        m_autoSize = false;
    update();
}

void TProCustomLabel::SetShadowStyle(TShadowStyle value) {
    m_shadowStyle = value;
    if (value == ssCustom)
        return;
    const ShadowPreset preset = presetFor(value);
    ApplyingStyle = true;
    SetShadowDirection(preset.direction);
    SetShadowDepth(preset.depth);
    SetShadowSize(preset.size);
    SetShadowColor(preset.color);
    ApplyingStyle = false;
}

// A shadow property set by hand makes the style a custom one.
template <typename T> bool TProCustomLabel::ChangeShadow(T& member, T value) {
    if (!changeValue(member, value))
        return false;
    if (!ApplyingStyle)
        m_shadowStyle = ssCustom;
    update();
    return true;
}

void TProCustomLabel::SetShadowDirection(TDirection value) {
    ChangeShadow(m_shadowDirection, value);
}

void TProCustomLabel::SetShadowDepth(int value) {
    ChangeShadow(m_shadowDepth, TShadowDepth(std::clamp(value, 0, MaxShadowSteps)));
}

void TProCustomLabel::SetShadowSize(int value) {
    ChangeShadow(m_shadowSize, TShadowSize(std::clamp(value, 0, MaxShadowSteps)));
}

void TProCustomLabel::SetShadowColor(TColor value) {
    ChangeShadow(m_shadowColor, value);
}

void TProCustomLabel::SetVerticalAlignment(TVerticalAlignment value) {
    if (changeValue(m_verticalAlignment, value))
        update();
}

unsigned TProCustomLabel::TextFormat() const {
    unsigned format = alignmentFormat(m_alignment) | platform::tfExpandTabs;
    if (m_wordWrap)
        format |= platform::tfWordBreak;
    if (!m_showAccelChar)
        format |= platform::tfNoPrefix;
    return format;
}

void TProCustomLabel::AdjustBounds() {
    if (!m_autoSize)
        return;
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter canvas(&scratch);
    canvas.setFont(font());
    QRect measured(0, 0, width(), 0);
    // An empty caption keeps one line's height, so the label does not vanish.
    const QString text = m_caption.isEmpty() ? QStringLiteral(" ") : m_caption;
    platform::drawText(canvas, text, measured,
                       (TextFormat() & ~unsigned(platform::tfCenter | platform::tfRight)) |
                           platform::tfCalcRect);
    QRect bounds = geometry();
    if (m_alignment == taRightJustify)
        bounds.moveLeft(bounds.left() + bounds.width() - measured.width());
    bounds.setSize(measured.size());
    setGeometry(bounds);
}

int TProCustomLabel::CaptionHeight() const {
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter canvas(&scratch);
    canvas.setFont(font());
    QRect measured(0, 0, width(), 0);
    platform::drawText(canvas, m_caption, measured, TextFormat() | platform::tfCalcRect);
    return measured.height();
}

TCaptionPlace TProCustomLabel::PlaceCaption(QPainter& canvas) const {
    TCaptionPlace place;
    QRect r = rect();
    if (m_angle != 0) {
        place.Rotated = true;
        const QFontMetrics metrics = canvas.fontMetrics();
        const int W = metrics.horizontalAdvance(m_caption);
        const int H = metrics.height();
        const int Wc = int(std::trunc(W * AngleCos));
        const int Ws = int(std::trunc(W * AngleSin));
        const int Hc = int(std::trunc(H * AngleCos));
        const int Hs = int(std::trunc(H * AngleSin));
        int boxWidth = 0;
        int boxHeight = 0;
        if (m_angle < 90) {
            boxWidth = Wc + Hs;
            boxHeight = Ws + Hc;
        } else if (m_angle < 180) {
            boxWidth = Hs - Wc;
            boxHeight = Ws - Hc;
        } else if (m_angle < 270) {
            boxWidth = -Wc - Hs;
            boxHeight = -Ws - Hc;
        } else {
            boxWidth = Wc - Hs;
            boxHeight = Hc - Ws;
        }
        // Right and bottom here are the edges' coordinates, one past the last pixel.
        const int right = r.left() + r.width();
        const int bottom = r.top() + r.height();
        boxWidth = std::min(boxWidth, right);
        boxHeight = std::min(boxHeight, bottom);
        r = QRect(r.topLeft(), QSize(boxWidth, boxHeight));
        if (m_alignment == taCenter)
            r.translate((right - boxWidth) / 2, 0);
        else if (m_alignment == taRightJustify)
            r.translate(right - boxWidth, 0);
        r.translate(0, verticalShift(m_verticalAlignment, bottom, boxHeight));
        if (m_angle < 90)
            r.translate(0, Ws);
        else if (m_angle < 180)
            r.translate(-Wc, boxHeight);
        else if (m_angle < 270)
            r.translate(boxWidth, -Hc);
        else
            r.translate(-Hs, 0);
    } else if (m_verticalAlignment != vaTop) {
        QRect measured = r;
        platform::drawText(canvas, m_caption, measured, TextFormat() | platform::tfCalcRect);
        const int h = measured.height();
        r.translate(0, verticalShift(m_verticalAlignment, r.height(), h));
        r.setHeight(h);
    }
    r.translate(m_offsetX, m_offsetY);
    place.Box = r;
    return place;
}

void TProCustomLabel::DrawCaption(QPainter& canvas, const TCaptionPlace& place) const {
    if (place.Rotated) {
        // Plain text output: the text's top-left corner at the box's, turned about it.
        canvas.save();
        canvas.translate(place.Box.topLeft());
        canvas.rotate(-m_angle);
        canvas.drawText(0, canvas.fontMetrics().ascent(), m_caption);
        canvas.restore();
        return;
    }
    QRect box = place.Box;
    platform::drawText(canvas, m_caption, box, TextFormat());
}

void TProCustomLabel::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    canvas.setFont(font());
    if (!m_transparent)
        canvas.fillRect(rect(), toQColor(Color()));
    if (m_angle != 0) {
        // Rotated text needs outlines that turn cleanly.
        QFont turned = font();
        turned.setStyleStrategy(QFont::StyleStrategy(turned.styleStrategy() | QFont::ForceOutline));
        canvas.setFont(turned);
    }
    TCaptionPlace place = PlaceCaption(canvas);
    const bool enabled = isEnabled();
    if (m_shadowStyle != ssNone) {
        const QPoint step = directionStep(m_shadowDirection);
        TCaptionPlace copy = place;
        copy.Box.translate(step * int(m_shadowDepth));
        canvas.setPen(toQColor(enabled ? m_shadowColor : clGrayText));
        for (int i = 0; i < m_shadowSize; ++i) {
            DrawCaption(canvas, copy);
            copy.Box.translate(step);
        }
    }
    canvas.setPen(toQColor(enabled ? FontColor() : clGrayText));
    DrawCaption(canvas, place);
}

void TProCustomLabel::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TProCustomLabel::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TProCustomLabel::enterEvent(QEnterEvent* e) {
    TGraphicControl::enterEvent(e);
    MouseEnter();
}

void TProCustomLabel::leaveEvent(QEvent* e) {
    TGraphicControl::leaveEvent(e);
    MouseLeave();
}

void TProCustomLabel::changeEvent(QEvent* e) {
    TGraphicControl::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::PaletteChange) {
        AdjustBounds();
        update();
        FontChanged();
    } else if (e->type() == QEvent::EnabledChange) {
        update();
    }
}
