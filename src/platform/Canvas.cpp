#include "platform/Canvas.h"

#include <QFontMetrics>
#include <QPainter>

namespace platform {

namespace {

int qtFlags(unsigned format) {
    int flags = 0;
    if (format & tfCenter)
        flags |= Qt::AlignHCenter;
    else if (format & tfRight)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    // Left and right mean the sides of the box, also for right-to-left text.
    flags |= Qt::AlignAbsolute;
    if (format & tfVerticalCenter)
        flags |= Qt::AlignVCenter;
    else if (format & tfBottom)
        flags |= Qt::AlignBottom;
    else
        flags |= Qt::AlignTop;
    if (format & tfWordBreak)
        flags |= Qt::TextWordWrap;
    if (format & tfExpandTabs)
        flags |= Qt::TextExpandTabs;
    if (format & tfSingleLine)
        flags |= Qt::TextSingleLine;
    if (!(format & tfNoPrefix))
        flags |= (format & tfHidePrefix) ? Qt::TextHideMnemonic : Qt::TextShowMnemonic;
    return flags;
}

// Qt breaks lines at LF only; a lone CR would otherwise show as a box or nothing at all.
QString normalisedBreaks(const QString& text, unsigned format) {
    if (!text.contains(QLatin1Char('\r')) && !(format & tfSingleLine))
        return text;
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (format & tfSingleLine)
        out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out;
}

} // namespace

int drawText(QPainter& painter, const QString& text, QRect& rect, unsigned format) {
    const QString lines = normalisedBreaks(text, format);
    const int flags = qtFlags(format);
    const QFontMetrics metrics = painter.fontMetrics();
    if (format & tfCalcRect) {
        if (lines.isEmpty()) {
            rect.setSize(QSize(0, 0));
            return 0;
        }
        // Measure from the top-left corner, left-aligned, so the box keeps its place whatever
        // the alignment asks for.
        const int measureFlags = (flags & ~(Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask)) |
                                 Qt::AlignLeft | Qt::AlignTop;
        const int width = (format & tfWordBreak) ? qMax(rect.width(), 1) : 0x3FFFFFFF;
        const QRect extent =
            metrics.boundingRect(QRect(0, 0, width, 0x3FFFFFFF), measureFlags, lines, 0, nullptr);
        // Broken into several lines, the text keeps the whole width it was given.
        const bool severalLines = extent.height() > metrics.height();
        const int extentWidth = (format & tfWordBreak) && severalLines
                                    ? qMax(rect.width(), extent.width())
                                    : extent.width();
        rect.setSize(QSize(extentWidth, extent.height()));
        return extent.height();
    }
    painter.save();
    painter.setLayoutDirection((format & tfRtlReading) ? Qt::RightToLeft : Qt::LeftToRight);
    QRect bounds;
    painter.drawText(rect, flags, lines, &bounds);
    painter.restore();
    return lines.isEmpty() ? 0 : bounds.height();
}

int textWidth(const QPainter& painter, const QString& text) {
    return painter.fontMetrics().horizontalAdvance(text);
}

} // namespace platform
