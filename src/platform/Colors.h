// Colours as the settings file stores them: 0x00BBGGRR for plain colours, the high bit plus an
// index for the desktop's own colours, and clNone for "no colour".
#pragma once

#include <QColor>
#include <cstdint>

using TColor = std::int32_t;

constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

// The desktop's colours: the high bit set, the colour's index in the low byte. Written with a
// cast so the stored (signed) value is the negative number the settings file holds.
constexpr TColor systemColor(int index) {
    return TColor(std::uint32_t(0x80000000u) | index);
}

constexpr TColor clWindow = systemColor(5);
constexpr TColor clWindowFrame = systemColor(6);
constexpr TColor clWindowText = systemColor(8);
constexpr TColor clHighlight = systemColor(13);
constexpr TColor clHighlightText = systemColor(14);
constexpr TColor clBtnFace = systemColor(15);
constexpr TColor clBtnShadow = systemColor(16);
constexpr TColor clGrayText = systemColor(17);
constexpr TColor clBtnText = systemColor(18);
constexpr TColor clBtnHighlight = systemColor(20);
constexpr TColor cl3DDkShadow = systemColor(21);
constexpr TColor cl3DLight = systemColor(22);
constexpr TColor clInfoText = systemColor(23);
constexpr TColor clInfoBk = systemColor(24);

namespace platform {

constexpr bool isSystemColor(TColor color) {
    return color < 0;
}

// The plain 0x00BBGGRR value of a colour: desktop colours are looked up in the application's
// palette, so the bar follows the desktop theme. An unknown desktop colour index and clNone
// give black, never garbage.
TColor colorToRGB(TColor color);

QColor toQColor(TColor color);

// The contrast of two colours as WCAG 2.1 measures it, from 1 (the same) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);
// The preferred colour, or the nearest one towards black or white that has at least the minimum
// contrast with the background (4.5 is what WCAG 2.1 asks of text).
QColor readableOn(const QColor& preferred, const QColor& background, double minimum = 4.5);
TColor fromQColor(const QColor& color);

constexpr TColor rgb(int r, int g, int b) {
    return TColor(r | (g << 8) | (b << 16));
}
constexpr int redOf(TColor c) {
    return c & 0xFF;
}
constexpr int greenOf(TColor c) {
    return (c >> 8) & 0xFF;
}
constexpr int blueOf(TColor c) {
    return (c >> 16) & 0xFF;
}

} // namespace platform
