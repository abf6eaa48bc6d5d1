#include "platform/Colors.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QPalette>

namespace platform {

namespace {

// Which palette role stands for each desktop colour. Shadows and highlights of a 3-D edge map to
// the palette's own bevel shades so a dark theme gets a dark bevel.
bool paletteColorFor(int index, QColor& out) {
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 5:
        out = palette.color(QPalette::Base);
        return true;
    case 6:
        out = palette.color(QPalette::Shadow);
        return true;
    case 8:
        out = palette.color(QPalette::Text);
        return true;
    case 13:
        out = palette.color(QPalette::Highlight);
        return true;
    case 14:
        out = palette.color(QPalette::HighlightedText);
        return true;
    case 15:
        out = palette.color(QPalette::Button);
        return true;
    case 16:
        out = palette.color(QPalette::Dark);
        return true;
    case 17:
        out = palette.color(QPalette::Disabled, QPalette::Text);
        return true;
    case 18:
        out = palette.color(QPalette::ButtonText);
        return true;
    case 20:
        out = palette.color(QPalette::Light);
        return true;
    case 21:
        out = palette.color(QPalette::Shadow);
        return true;
    case 22:
        out = palette.color(QPalette::Midlight);
        return true;
    case 23:
        out = palette.color(QPalette::ToolTipText);
        return true;
    case 24:
        out = palette.color(QPalette::ToolTipBase);
        return true;
    default:
        return false;
    }
}

} // namespace

TColor colorToRGB(TColor color) {
    if (color == clNone)
        return clBlack;
    if (!isSystemColor(color))
        return color & 0xFFFFFF;
    QColor c;
    if (!paletteColorFor(color & 0xFF, c))
        return clBlack;
    return fromQColor(c);
}

QColor toQColor(TColor color) {
    const TColor plain = colorToRGB(color);
    return QColor(redOf(plain), greenOf(plain), blueOf(plain));
}

TColor fromQColor(const QColor& color) {
    return rgb(color.red(), color.green(), color.blue());
}

namespace {

double relativeLuminance(const QColor& color) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& preferred, const QColor& background, double minimum) {
    if (contrastRatio(preferred, background) >= minimum)
        return preferred;
    // Towards whichever end can reach the contrast; black or white themselves when nothing less
    // does.
    const QColor end = contrastRatio(Qt::black, background) >= contrastRatio(Qt::white, background)
                           ? QColor(Qt::black)
                           : QColor(Qt::white);
    for (int step = 1; step <= 20; ++step) {
        const double t = step / 20.0;
        const QColor mixed =
            QColor::fromRgbF(float(preferred.redF() + (end.redF() - preferred.redF()) * t),
                             float(preferred.greenF() + (end.greenF() - preferred.greenF()) * t),
                             float(preferred.blueF() + (end.blueF() - preferred.blueF()) * t));
        if (contrastRatio(mixed, background) >= minimum)
            return mixed;
    }
    return end;
}

} // namespace platform
