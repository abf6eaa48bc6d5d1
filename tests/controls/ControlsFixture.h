// What the tests of controls share: a fixed look, so each pixel tells who drew it.
#pragma once

#include "platform/Application.h"
#include "platform/Colors.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPalette>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Distinct values for every desktop colour a button uses, so each pixel tells who drew it.
constexpr QRgb Face = 0xC0C0C0;
constexpr QRgb Highlight = 0xF0F0FA;
constexpr QRgb Shadow = 0x64646E;
constexpr QRgb WindowFrame = 0x140000;
constexpr QRgb ButtonText = 0x000080;
constexpr QRgb Light3D = 0xDCDCE6;
constexpr QRgb WindowText = 0x101010;
constexpr QRgb GrayText = 0x8C8C96;

inline QRgb rgbOf(TColor color) {
    return platform::toQColor(color).rgb() & 0xFFFFFF;
}
inline QRgb at(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

class Controls : public testing::Test {
protected:
    void SetUp() override {
        m_palette = QApplication::palette();
        m_font = QApplication::font();
        QPalette palette;
        palette.setColor(QPalette::Button, QColor(Face));
        palette.setColor(QPalette::Light, QColor(Highlight));
        palette.setColor(QPalette::Dark, QColor(Shadow));
        palette.setColor(QPalette::Shadow, QColor(WindowFrame));
        palette.setColor(QPalette::ButtonText, QColor(ButtonText));
        palette.setColor(QPalette::Midlight, QColor(Light3D));
        palette.setColor(QPalette::Window, QColor(Face));
        palette.setColor(QPalette::WindowText, QColor(WindowText));
        palette.setColor(QPalette::Disabled, QPalette::Text, QColor(GrayText));
        QApplication::setPalette(palette);
        // Crisp text: every caption pixel is either the text's colour or the background.
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(11);
        font.setStyleStrategy(QFont::NoAntialias);
        QApplication::setFont(font);
        m_foreground = platform::setForegroundSource([this] { return foreground; });
    }
    void TearDown() override {
        platform::setForegroundSource(m_foreground);
        QApplication::setPalette(m_palette);
        QApplication::setFont(m_font);
    }

    bool foreground = true;

private:
    QPalette m_palette;
    QFont m_font;
    platform::ForegroundSource m_foreground;
};

inline void enter(QWidget* widget) {
    const QPointF inside(2, 2);
    QEnterEvent event(inside, widget->mapToGlobal(inside), widget->mapToGlobal(inside));
    QApplication::sendEvent(widget, &event);
}

inline QImage paint(QWidget& widget) {
    return widget.grab().toImage();
}
