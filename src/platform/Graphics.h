// Pictures: a common base for everything that can be drawn as a picture, and the bitmap.
#pragma once

#include "platform/Colors.h"

#include <QImage>
#include <QRect>
#include <functional>

class QPainter;

namespace platform {

class TGraphic {
public:
    virtual ~TGraphic() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;
    // Draws the whole picture scaled into dest; with Transparent() set, the picture's
    // transparent pixels leave the canvas as it was.
    virtual void Draw(QPainter& painter, const QRect& dest) const = 0;

    bool Transparent() const { return m_transparent; }
    virtual void SetTransparent(bool value);

    // Raised after every change of the picture's content or size.
    std::function<void()> OnChange;

protected:
    TGraphic() = default;
    // Copies leave the change notification behind: it belongs to the owner of the original.
    TGraphic(const TGraphic& other) : m_transparent(other.m_transparent) {}
    TGraphic& operator=(const TGraphic& other) {
        m_transparent = other.m_transparent;
        return *this;
    }
    void Changed();

private:
    bool m_transparent = false;
};

enum class TTransparentMode { tmAuto, tmFixed };

// A picture of pixels. Its transparent colour is the one set explicitly, else white for a
// two-colour picture, else the colour of the bottom-left pixel.
class TBitmap : public TGraphic {
public:
    TBitmap() = default;
    TBitmap(int width, int height);
    explicit TBitmap(QImage image);
    TBitmap(const TBitmap& other) = default;
    TBitmap& operator=(const TBitmap& other) = default;

    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    bool Empty() const override { return m_image.isNull(); }
    void Draw(QPainter& painter, const QRect& dest) const override;

    // Copies the other picture's pixels and transparency settings, then raises OnChange.
    void Assign(const TBitmap& other);

    const QImage& image() const { return m_image; }
    void setImage(QImage image);
    // A new size, every pixel white; raises OnChange.
    void SetSize(int width, int height);

    // Pixels as 0x00BBGGRR; reading outside the picture gives clNone.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    bool Monochrome() const { return m_image.depth() == 1; }

    TColor TransparentColor() const;
    // Setting a colour makes the mode tmFixed; clNone goes back to tmAuto.
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return m_mode; }
    void SetTransparentMode(TTransparentMode mode);

    // Gives back what drawing on screen needed; the pixels stay.
    void ReleaseHandle() const {}

private:
    QImage m_image;
    TColor m_transparentColor = clNone;
    TTransparentMode m_mode = TTransparentMode::tmAuto;
};

// The image with every pixel of colour key made fully transparent, as 32-bit ARGB.
QImage keyedImage(const QImage& image, TColor key);

} // namespace platform
