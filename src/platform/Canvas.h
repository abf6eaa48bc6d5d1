// Formatted text drawing and measuring, with the flag set that the controls are written against.
#pragma once

#include <QRect>
#include <QString>

class QPainter;
class QFontMetrics;

namespace platform {

enum TextFormat : unsigned {
    tfLeft = 0x0,
    tfCenter = 0x1,
    tfRight = 0x2,
    tfVerticalCenter = 0x4,
    tfBottom = 0x8,
    tfWordBreak = 0x10,
    tfSingleLine = 0x20,
    tfExpandTabs = 0x40,
    // Only measure: the rectangle keeps its top-left corner and gets the text's size.
    tfCalcRect = 0x400,
    // "&" is an ordinary character; without it "&x" underlines x and "&&" shows one "&".
    tfNoPrefix = 0x800,
    tfRtlReading = 0x20000,
    // "&" is still taken away, but nothing is underlined.
    tfHidePrefix = 0x100000,
};

// Draws text into rect with the painter's font and pen, clipped to rect, and answers the height
// of the text. With tfCalcRect nothing is drawn and rect becomes the text's extent: as wide as
// the widest line (text broken into several lines by tfWordBreak keeps rect's width), as high as
// all lines. CR LF, CR and LF each end a line unless tfSingleLine is given.
int drawText(QPainter& painter, const QString& text, QRect& rect, unsigned format);

// The width of one line of text in the painter's font, "&" counted as it stands.
int textWidth(const QPainter& painter, const QString& text);

} // namespace platform
