#include "platform/Canvas.h"
#include "platform/Colors.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <gtest/gtest.h>

using namespace platform;

namespace {

struct Canvas {
    Canvas() : image(200, 100, QImage::Format_RGB32), painter(&image) {
        image.fill(Qt::white);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(12);
        font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        painter.setPen(Qt::black);
    }
    QSize measure(const QString& text, unsigned format, int width = 1000) {
        QRect r(5, 7, width, 0);
        drawText(painter, text, r, format | tfCalcRect);
        EXPECT_EQ(r.topLeft(), QPoint(5, 7)) << "measuring keeps the corner";
        return r.size();
    }
    QImage image;
    QPainter painter;
};

} // namespace

TEST(Canvas, MeasuresLinesPrefixesAndBreaks) {
    Canvas c;
    const int lineHeight = c.measure(QStringLiteral("Go"), tfLeft).height();
    EXPECT_EQ(c.measure(QStringLiteral("Go"), tfCenter).width(),
              textWidth(c.painter, QStringLiteral("Go")));
    EXPECT_EQ(c.measure(QStringLiteral("&&Go"), tfLeft).width(),
              textWidth(c.painter, QStringLiteral("&Go")))
        << "a doubled prefix is one character";
    EXPECT_EQ(c.measure(QStringLiteral("&&Go"), tfNoPrefix).width(),
              textWidth(c.painter, QStringLiteral("&&Go")));
    for (const char* twoLines : {"a\rbb", "a\nbb", "a\r\nbb"})
        EXPECT_EQ(c.measure(QString::fromLatin1(twoLines), tfLeft).height(), 2 * lineHeight)
            << "each of CR, LF and CR LF ends a line";
    EXPECT_EQ(c.measure(QStringLiteral("a\r\nbb"), tfSingleLine).height(), lineHeight);
    EXPECT_EQ(c.measure(QString(), tfLeft), QSize(0, 0));

    const QString words = QStringLiteral("one two three four five six");
    const QSize wrapped = c.measure(words, tfWordBreak, 60);
    EXPECT_GT(wrapped.height(), 2 * lineHeight - 1);
    EXPECT_EQ(wrapped.width(), 60) << "broken text keeps the width it was given";
}

TEST(Canvas, DrawsOnlyInsideItsBox) {
    Canvas c;
    QRect box(20, 20, 30, 10);
    drawText(c.painter, QStringLiteral("WWWWWWWWWWWW\nWWWW"), box, tfLeft);
    int inside = 0, outside = 0;
    for (int y = 0; y < c.image.height(); ++y)
        for (int x = 0; x < c.image.width(); ++x)
            if (c.image.pixel(x, y) != qRgb(255, 255, 255))
                (box.contains(x, y) ? inside : outside)++;
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
}

TEST(Colors, DesktopColoursComeFromThePalette) {
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Light, QColor(4, 5, 6));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(7, 8, 9));
    QApplication::setPalette(palette);
    EXPECT_EQ(colorToRGB(clBtnFace), rgb(1, 2, 3));
    EXPECT_EQ(colorToRGB(clBtnHighlight), rgb(4, 5, 6));
    EXPECT_EQ(colorToRGB(clGrayText), rgb(7, 8, 9));
    EXPECT_EQ(clBtnFace, -2147483633) << "stored as the negative number the file holds";
    EXPECT_EQ(colorToRGB(systemColor(99)), clBlack);
    EXPECT_EQ(colorToRGB(clNone), clBlack);
    EXPECT_EQ(toQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(colorToRGB(0x02123456), 0x123456);
}
