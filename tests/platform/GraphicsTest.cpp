#include "platform/Graphics.h"

#include "pictures/PictureFormats.h"

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

    RegisterPictureFormats();
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
