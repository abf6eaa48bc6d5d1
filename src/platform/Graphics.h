// Pictures: a common base for everything that can be drawn as a picture, the bitmap, the icon,
// the metafile, and the container that picks the picture class by file extension.
#pragma once

#include "platform/Colors.h"
#include "platform/Progress.h"

#include <QImage>
#include <QRect>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

    // Whether drawing leaves the picture's transparent parts out. Normally the switch itself;
    // a kind of picture may also ask whether it has anything transparent at all.
    virtual bool Transparent() const { return m_transparent; }
    virtual void SetTransparent(bool value);

    // Raised after every change of the picture's content or size.
    std::function<void()> OnChange;
    // Raised while a picture loads or decodes.
    TProgressEvent OnProgress;

    // The class name under which the picture container knows this kind of picture.
    virtual std::string ClassName() const { return "TGraphic"; }

    // Resizing is refused by default: most formats only ever show what was loaded.
    virtual void SetWidth(int value);
    virtual void SetHeight(int value);

    // Reads the picture from the whole of bytes, replacing what it held.
    virtual void LoadFromStream(const std::string& bytes);
    // The same from bytes the picture may keep: a kind of picture that refers back to its
    // file's bytes takes them over instead of copying them.
    virtual void LoadFromBytes(std::string&& bytes) { LoadFromStream(bytes); }
    // Reads the file's bytes and loads them; raises EInOutError when the file cannot be read.
    void LoadFromFile(const std::string& path);

    // The colour table the picture was made from; empty for pictures without one.
    virtual std::vector<TColor> Palette() const { return {}; }
    bool PaletteModified() const { return m_paletteModified; }
    void SetPaletteModified(bool value) { m_paletteModified = value; }

    // Whether both stand for the same picture. Without anything better to compare, only a
    // picture is equal to itself.
    virtual bool Equals(const TGraphic& other) const { return this == &other; }
    // A new picture of the same kind and content, or nullptr for a kind that cannot be copied.
    virtual std::unique_ptr<TGraphic> Clone() const { return nullptr; }

protected:
    TGraphic() = default;
    // Copies leave the notifications behind: they belong to the owner of the original.
    TGraphic(const TGraphic& other)
        : m_transparent(other.m_transparent), m_paletteModified(other.m_paletteModified) {}
    TGraphic& operator=(const TGraphic& other) {
        m_transparent = other.m_transparent;
        m_paletteModified = other.m_paletteModified;
        return *this;
    }
    void Changed();
    bool TransparentSwitch() const { return m_transparent; }
    void Progress(TProgressStage stage, int percent, const std::string& message = {});

private:
    bool m_transparent = false;
    bool m_paletteModified = false;
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

    std::string ClassName() const override { return "TBitmap"; }
    // Keeps the pixels that still fit; new ones are white.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    // Reads a bitmap file (".bmp"); anything else fails with "Bitmap image is not valid".
    void LoadFromStream(const std::string& bytes) override;
    std::vector<TColor> Palette() const override;
    // Equal when both hold the same pixels.
    bool Equals(const TGraphic& other) const override;
    std::unique_ptr<TGraphic> Clone() const override;

    // Copies the other picture's pixels and transparency settings, then raises OnChange.
    void Assign(const TBitmap& other);

    const QImage& image() const { return m_image; }
    void setImage(QImage image);
    // Pixels already in the display's form, with the colour table they were made from.
    void setImage(QImage image, std::vector<TColor> palette);
    // A new size, every pixel white; raises OnChange.
    void SetSize(int width, int height);

    // Converts the pixels to the form the screen draws fastest. A colour table the picture
    // had is kept for Palette().
    void ToDisplayFormat();

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
    std::vector<TColor> m_palette;
    TColor m_transparentColor = clNone;
    TTransparentMode m_mode = TTransparentMode::tmAuto;
};

// An icon file's first picture, always drawn with its own mask.
class TIcon : public TGraphic {
public:
    TIcon() = default;

    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    bool Empty() const override { return m_image.isNull(); }
    void Draw(QPainter& painter, const QRect& dest) const override;
    std::string ClassName() const override { return "TIcon"; }
    // Fails with "Icon image is not valid" for anything but an icon file.
    void LoadFromStream(const std::string& bytes) override;
    std::vector<TColor> Palette() const override;
    bool Equals(const TGraphic& other) const override;
    std::unique_ptr<TGraphic> Clone() const override;

    const QImage& image() const { return m_image; }

private:
    QImage m_image;
};

// The image with every pixel of colour key made fully transparent, as 32-bit ARGB.
QImage keyedImage(const QImage& image, TColor key);

// One of the program's own pictures, read by the reader of the format named and by no other:
// with detection on, Qt would load and ask every image plugin first.
QImage readOwnImage(const QString& path, const char* format);

// An image of 32-bit pixels, rows back to back, in memory that is cheap to fill even when it
// is large; a null image when there is not enough memory. The pixels are not initialised.
QImage largeImage(int width, int height, QImage::Format format);

// Makes a picture of a registered kind.
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TFileFormat {
    std::string extension; // lower case, without the dot
    std::string description;
    std::string className;
    TGraphicFactory create;
};

// A named clipboard format: the same name always gets the same id, from 0xC000 up.
unsigned RegisterClipboardFormat(const std::string& name);

// Holds one picture of any registered kind and loads files by their extension.
class TPicture {
public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    TGraphic* Graphic() const { return m_graphic.get(); }
    // Takes the picture over (nullptr empties the container) and raises OnChange.
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    int Width() const { return m_graphic ? m_graphic->Width() : 0; }
    int Height() const { return m_graphic ? m_graphic->Height() : 0; }

    // Picks the class by the file name's extension. On any failure the error is passed on
    // and the container keeps the picture it had.
    void LoadFromFile(const std::string& path);
    // Gives this container its own copy of the other's picture.
    void Assign(const TPicture& other);

    std::function<void()> OnChange;
    TProgressEvent OnProgress;

    // The registry of file formats. A later registration of an extension replaces the
    // earlier one. Bitmaps, icons and metafiles are always known.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   const std::string& className, TGraphicFactory create);
    // Forgets every file and clipboard format of the class.
    static void UnregisterGraphicClass(const std::string& className);
    static std::vector<TFileFormat> FileFormats();
    // "All (*.a;*.b)|*.a;*.b|Description (*.a)|*.a|..." for the open-picture dialogs.
    static std::string GraphicFilter();

    static void RegisterClipboardFormat(unsigned format, const std::string& className,
                                        TGraphicFactory create);
    static bool SupportsClipboardFormat(unsigned format);

private:
    void graphicChanged();

    std::unique_ptr<TGraphic> m_graphic;
};

} // namespace platform
