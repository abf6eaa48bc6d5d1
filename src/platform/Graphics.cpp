#include "platform/Graphics.h"

#include <QPainter>

namespace platform {

void TGraphic::SetTransparent(bool value) {
    if (m_transparent == value)
        return;
    m_transparent = value;
    Changed();
}

void TGraphic::Changed() {
    if (OnChange)
        OnChange();
}

TBitmap::TBitmap(int width, int height) : m_image(width, height, QImage::Format_RGB32) {
    m_image.fill(Qt::white);
}

TBitmap::TBitmap(QImage image) : m_image(std::move(image)) {}

void TBitmap::Draw(QPainter& painter, const QRect& dest) const {
    if (Empty())
        return;
    if (Transparent())
        painter.drawImage(dest, keyedImage(m_image, TransparentColor()));
    else
        painter.drawImage(dest, m_image);
}

void TBitmap::Assign(const TBitmap& other) {
    auto notify = std::move(OnChange);
    *this = other;
    OnChange = std::move(notify);
    Changed();
}

void TBitmap::setImage(QImage image) {
    m_image = std::move(image);
    Changed();
}

void TBitmap::SetSize(int width, int height) {
    m_image = QImage(width, height, QImage::Format_RGB32);
    m_image.fill(Qt::white);
    Changed();
}

TColor TBitmap::Pixel(int x, int y) const {
    if (!m_image.valid(x, y))
        return clNone;
    return fromQColor(QColor::fromRgb(m_image.pixel(x, y)));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
    if (!m_image.valid(x, y))
        return;
    if (m_image.depth() < 32)
        m_image = m_image.convertToFormat(QImage::Format_RGB32);
    m_image.setPixel(x, y, toQColor(color).rgb());
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (m_mode == TTransparentMode::tmFixed)
        return m_transparentColor;
    if (Monochrome())
        return clWhite;
    if (Empty())
        return clNone;
    return Pixel(0, Height() - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
    m_transparentColor = color;
    m_mode = color == clNone ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (m_mode == mode)
        return;
    m_mode = mode;
    if (mode == TTransparentMode::tmAuto)
        m_transparentColor = clNone;
    Changed();
}

QImage keyedImage(const QImage& image, TColor key) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    if (key == clNone)
        return out;
    const QRgb keyRgb = toQColor(key).rgb() & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == keyRgb)
                line[x] = 0;
    }
    return out;
}

} // namespace platform
