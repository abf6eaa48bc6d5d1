#include "platform/Graphics.h"

#include "TestSupport.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Image.h"

#include <QBuffer>
#include <QPainter>
#include <gtest/gtest.h>

using namespace platform;
using testing_support::TempDir;

using testing_support::errorOf;

namespace {

std::string encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

QImage twoTone(int w, int h, QColor left, QColor right) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(right);
    QPainter(&image).fillRect(0, 0, w / 2, h, left);
    return image;
}

std::string dataFile(const char* name) {
    return std::string(TEVLO_TEST_DATA) + "/" + name;
}

} // namespace

TEST(Graphics, ContainerLoadsByExtensionAndKeepsOldPictureOnFailure) {
    TempDir dir;
    testing_support::writeBytes(dir.file("a.BMP"),
                                encoded(twoTone(6, 4, Qt::red, Qt::blue), "BMP"));
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter(&icon).fillRect(0, 0, 8, 16, Qt::green);
    testing_support::writeBytes(dir.file("b.ico"), encoded(icon, "ICO"));
    testing_support::writeBytes(dir.file("bad.bmp"), "BM not really");

    TPicture picture;
    int changes = 0;
    picture.OnChange = [&] { ++changes; };
    picture.LoadFromFile(dir.file("a.BMP"));
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr) << "extension case does not matter";
    EXPECT_EQ(picture.Width(), 6);
    EXPECT_EQ(bitmap->Pixel(0, 0), clRed);
    EXPECT_EQ(bitmap->Pixel(5, 3), clBlue);
    EXPECT_EQ(changes, 1);

    EXPECT_EQ(errorOf([&] { picture.LoadFromFile(dir.file("bad.bmp")); }),
              "Bitmap image is not valid");
    EXPECT_EQ(errorOf([&] { picture.LoadFromFile(dir.file("x.png")); }),
              "Unknown picture file extension (.png)");
    EXPECT_EQ(errorOf([&] { picture.LoadFromFile(""); }), "Unknown picture file extension (.)");
    EXPECT_THROW(picture.LoadFromFile(dir.file("missing.bmp")), EInOutError);
    EXPECT_EQ(picture.Graphic(), bitmap) << "failed loads keep the old picture";

    picture.LoadFromFile(dir.file("b.ico"));
    auto* ico = dynamic_cast<TIcon*>(picture.Graphic());
    ASSERT_NE(ico, nullptr);
    EXPECT_EQ(ico->Width(), 16);
    QImage canvas(16, 16, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        ico->Draw(painter, QRect(0, 0, 16, 16));
    }
    EXPECT_EQ(canvas.pixel(2, 2), QColor(Qt::green).rgb());
    EXPECT_EQ(canvas.pixel(12, 2), QColor(Qt::white).rgb()) << "icons keep their mask";

    const std::string filter = TPicture::GraphicFilter();
    EXPECT_EQ(filter.rfind("All (*.bmp;*.ico;*.wmf", 0), 0u) << filter;
    EXPECT_NE(filter.find("|Bitmaps (*.bmp)|*.bmp"), std::string::npos) << filter;
}

TEST(Graphics, CopiesAreIndependentAndEqual) {
    TPicture source;
    source.SetGraphic(std::make_unique<TBitmap>(twoTone(4, 4, Qt::red, Qt::blue)));
    TPicture copy;
    copy.Assign(source);
    ASSERT_NE(copy.Graphic(), nullptr);
    EXPECT_NE(copy.Graphic(), source.Graphic());
    EXPECT_TRUE(copy.Graphic()->Equals(*source.Graphic()));
    static_cast<TBitmap*>(source.Graphic())->SetPixel(0, 0, clLime);
    EXPECT_FALSE(copy.Graphic()->Equals(*source.Graphic()));
    EXPECT_EQ(static_cast<TBitmap*>(copy.Graphic())->Pixel(0, 0), clRed);

    TPicture empty;
    copy.Assign(empty);
    EXPECT_EQ(copy.Graphic(), nullptr);
    EXPECT_EQ(copy.Width(), 0);

    EXPECT_EQ(RegisterClipboardFormat("Some Format"), RegisterClipboardFormat("some format"));
    EXPECT_GE(RegisterClipboardFormat("Other"), 0xC000u);
}

TEST(Graphics, BitmapFromMemoryKeepsItsPalette) {
    QImage indexed(3, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50)});
    indexed.fill(1);
    TBitmap bitmap;
    bitmap.LoadFromStream(encoded(indexed, "BMP"));
    EXPECT_TRUE(bitmap.PaletteModified());
    bitmap.ToDisplayFormat();
    EXPECT_EQ(bitmap.image().format(), QImage::Format_RGB32);
    ASSERT_GE(bitmap.Palette().size(), 2u);
    EXPECT_EQ(bitmap.Palette()[1], rgb(200, 100, 50));
    EXPECT_EQ(bitmap.Pixel(2, 1), rgb(200, 100, 50));
    EXPECT_THROW(bitmap.LoadFromStream(""), EInvalidGraphicOperation);
    EXPECT_EQ(bitmap.Width(), 3) << "a failed load keeps the pixels";
}

TEST(Graphics, ImageControlStretchesCentresAndLetsTheParentShow) {
    QWidget parent;
    parent.resize(20, 10);
    parent.setAutoFillBackground(true);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, Qt::yellow);
    parent.setPalette(pal);
    TImage image(&parent);
    image.setGeometry(0, 0, 20, 10);
    // The bottom-left pixel is red, so red is the automatic transparent colour.
    image.Picture().SetGraphic(std::make_unique<TBitmap>(twoTone(4, 2, Qt::red, Qt::white)));

    auto shot = [&] {
        QImage out(20, 10, QImage::Format_RGB32);
        parent.render(&out);
        return out;
    };
    QImage plain = shot();
    EXPECT_EQ(plain.pixel(1, 1), QColor(Qt::red).rgb());
    EXPECT_EQ(plain.pixel(3, 1), QColor(Qt::white).rgb());
    EXPECT_EQ(plain.pixel(10, 5), QColor(Qt::yellow).rgb()) << "outside the picture";

    image.SetStretch(true);
    QImage stretched = shot();
    EXPECT_EQ(stretched.pixel(9, 5), QColor(Qt::red).rgb());
    EXPECT_EQ(stretched.pixel(19, 9), QColor(Qt::white).rgb());

    image.SetStretch(false);
    image.SetCenter(true);
    EXPECT_EQ(image.DestRect(), QRect(8, 4, 4, 2));

    image.SetTransparent(true);
    image.SetCenter(false);
    QImage transparent = shot();
    EXPECT_EQ(transparent.pixel(1, 1), QColor(Qt::yellow).rgb()) << "red is left out";
    EXPECT_EQ(transparent.pixel(3, 1), QColor(Qt::white).rgb());
}

TEST(Graphics, MetafilePlaysShapesIntoTheDestination) {
    TMetafile metafile;
    metafile.LoadFromFile(dataFile("shapes.wmf"));
    EXPECT_EQ(metafile.Width(), 96) << "1000 units at 1000 per inch";
    EXPECT_EQ(metafile.Height(), 48);
    QImage canvas(200, 100, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        metafile.Draw(painter, QRect(0, 0, 200, 100));
    }
    EXPECT_EQ(canvas.pixel(50, 50), QColor(Qt::red).rgb()) << "rectangle on the left half";
    EXPECT_EQ(canvas.pixel(190, 10), QColor(0, 255, 0).rgb()) << "triangle's right corner";
    EXPECT_EQ(canvas.pixel(130, 90), QColor(Qt::white).rgb()) << "outside the triangle";

    std::unique_ptr<TGraphic> copy = metafile.Clone();
    EXPECT_TRUE(copy->Equals(metafile));
    EXPECT_EQ(copy->Width(), 96);

    EXPECT_EQ(errorOf([&] { metafile.LoadFromFile(dataFile("not-a-metafile.wmf")); }),
              "Metafile is not valid");
    EXPECT_EQ(errorOf([&] { metafile.LoadFromFile(dataFile("record-past-end.wmf")); }),
              "Metafile records run past the end of the file");
    EXPECT_EQ(errorOf([&] { metafile.LoadFromStream("tiny"); }), "Metafile is not valid");
    EXPECT_EQ(metafile.Width(), 96) << "failed loads keep the picture";

    // Without a placeable header the window extent gives the size.
    std::string standard = readFile(dataFile("shapes.wmf")).substr(22);
    TMetafile plain;
    plain.LoadFromStream(standard);
    EXPECT_EQ(plain.Width(), 1000);
    EXPECT_EQ(plain.Height(), 500);
}

namespace {

// Builds a standard metafile (no placeable header) record by record.
class WmfWriter {
public:
    WmfWriter& record(int function, const std::vector<int>& words, const std::string& tail = {}) {
        const std::size_t size = 3 + words.size() + (tail.size() + 1) / 2;
        put32(std::uint32_t(size));
        put16(function);
        for (int w : words)
            put16(w);
        m_body += tail;
        if (tail.size() % 2)
            m_body += '\0';
        return *this;
    }
    std::string bytes() {
        record(0, {});
        std::string header;
        auto h16 = [&](int v) { header += {char(v & 0xFF), char((v >> 8) & 0xFF)}; };
        h16(1);
        h16(9);
        h16(0x300);
        const std::size_t words = (18 + m_body.size()) / 2;
        h16(int(words & 0xFFFF));
        h16(int(words >> 16));
        h16(8);
        h16(0);
        h16(0);
        h16(0);
        return header + m_body;
    }

private:
    void put16(int v) { m_body += {char(v & 0xFF), char((v >> 8) & 0xFF)}; }
    void put32(std::uint32_t v) {
        put16(int(v & 0xFFFF));
        put16(int(v >> 16));
    }
    std::string m_body;
};

// A bottom-up 24-bit device-independent bitmap of one row.
std::string dibRow(const std::vector<QColor>& colors) {
    std::string dib;
    auto p32 = [&](std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            dib += char((v >> (8 * k)) & 0xFF);
    };
    p32(40);
    p32(std::uint32_t(colors.size()));
    p32(1);
    dib += {1, 0, 24, 0};
    p32(0);
    p32(0);
    p32(0);
    p32(0);
    p32(0);
    p32(0);
    for (const QColor& c : colors)
        dib += {char(c.blue()), char(c.green()), char(c.red())};
    while (dib.size() % 4)
        dib += '\0';
    return dib;
}

} // namespace

TEST(Graphics, MetafileStateTextAndBitmaps) {
    const std::string metafile =
        WmfWriter()
            .record(0x020B, {0, 0})                 // window origin
            .record(0x020C, {200, 200})             // window extent 200 x 200
            .record(0x02FC, {0, 0x0000, 0x00FF, 0}) // blue brush, object 0
            .record(0x012D, {0})
            .record(0x001E, {})                     // save
            .record(0x02FC, {0, 0x00FF, 0x0000, 0}) // red brush, object 1
            .record(0x012D, {1})
            .record(0x0127, {0xFFFF})        // restore the saved state: blue again
            .record(0x02FA, {5, 0, 0, 0, 0}) // no pen, object 2
            .record(0x012D, {2})
            .record(0x041B, {100, 100, 0, 0}) // rectangle 0,0 - 100,100
            .record(0x0F43, {0x0020, 0x00CC, 0, 1, 2, 0, 0, 100, 100, 100, 100},
                    dibRow({Qt::red, Qt::green})) // stretched into 100,100 - 200,200
            .record(0x0209, {0, 0})               // black text
            .record(0x01F0, {1})                  // delete the red brush: its slot is free again
            .record(0x02FB, {0xFFD8, 0, 0, 0, 700, 0, 0, 0, 0}, "Liberation Sans")
            .record(0x012D, {1}) // the font took the lowest free slot
            .record(0x0102, {1}) // transparent background
            .record(0x0521, {2}, "WW" + std::string("\x70\x00\x05\x00", 4)) // at 5, 112
            .bytes();
    platform::TMetafile wmf;
    wmf.LoadFromStream(metafile);
    EXPECT_EQ(wmf.Width(), 200);
    QImage canvas(100, 100, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        wmf.Draw(painter, QRect(0, 0, 100, 100));
    }
    EXPECT_EQ(canvas.pixel(25, 25), QColor(Qt::blue).rgb()) << "restored brush";
    EXPECT_EQ(canvas.pixel(60, 75), QColor(Qt::red).rgb()) << "left pixel of the bitmap";
    EXPECT_EQ(canvas.pixel(90, 75), QColor(0, 255, 0).rgb()) << "right pixel of the bitmap";
    int dark = 0;
    for (int y = 50; y < 100; ++y)
        for (int x = 0; x < 50; ++x)
            dark += qGray(canvas.pixel(x, y)) < 100;
    EXPECT_GT(dark, 20) << "the text shows in the lower left quarter";
}
