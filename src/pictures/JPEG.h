// JPEG pictures, decoded by libjpeg.
#pragma once

#include "platform/Graphics.h"

#include <cstdint>

// Pictures beyond this many bytes of decoded pixels are refused before decoding.
constexpr std::int64_t maxJPEGBitmapBytes = 512LL * 1024 * 1024;

class TJPEGImage : public platform::TGraphic {
public:
    TJPEGImage() = default;

    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    bool Empty() const override { return m_image.isNull(); }
    void Draw(QPainter& painter, const QRect& dest) const override;
    std::string ClassName() const override { return "TJPEGImage"; }
    // Every error libjpeg reports becomes EInvalidGraphicOperation with libjpeg's message.
    void LoadFromStream(const std::string& bytes) override;
    bool Equals(const platform::TGraphic& other) const override;
    std::unique_ptr<platform::TGraphic> Clone() const override;

    // The decoded pixels, grey pictures as grey RGB.
    const QImage& image() const { return m_image; }
    bool Grayscale() const { return m_grayscale; }

private:
    QImage m_image;
    bool m_grayscale = false;
};

// Registers TJPEGImage for ".jpeg" and ".jpg"; more calls do nothing more.
void JPEGInitialize();
void JPEGFinalize();
