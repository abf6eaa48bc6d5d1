#include "pictures/JPEG.h"
#include "pictures/PictureFormats.h"

#include "TestSupport.h"
#include "platform/Errors.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <jpeglib.h>

using testing_support::errorOf;

namespace {

// A JPEG file of a picture whose left half is one colour and right half another.
std::string makeJpeg(int width, int height, bool grey, const int left[3], const int right[3]) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(std::size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < cinfo.input_components; ++c)
                row[std::size_t(x * cinfo.input_components + c)] =
                    (unsigned char)(x < width / 2 ? left[c] : right[c]);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<char*>(out), size);
    std::free(out);
    return bytes;
}

// Lossy coding moves colours a little.
bool near(QRgb pixel, int r, int g, int b) {
    return std::abs(qRed(pixel) - r) < 12 && std::abs(qGreen(pixel) - g) < 12 &&
           std::abs(qBlue(pixel) - b) < 12;
}

} // namespace

TEST(JPEG, ColourAndGreyFilesLoadByExtension) {
    const int red[3] = {230, 20, 20}, blue[3] = {20, 20, 230};
    const int dark[3] = {40, 40, 40}, light[3] = {210, 210, 210};
    testing_support::TempDir dir;
    testing_support::writeBytes(dir.file("c.jpg"), makeJpeg(32, 16, false, red, blue));
    testing_support::writeBytes(dir.file("g.JPEG"), makeJpeg(32, 16, true, dark, light));
    RegisterPictureFormats();

    platform::TPicture picture;
    picture.LoadFromFile(dir.file("c.jpg"));
    auto* colour = dynamic_cast<TJPEGImage*>(picture.Graphic());
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(colour->Width(), 32);
    EXPECT_EQ(colour->Height(), 16);
    EXPECT_FALSE(colour->Grayscale());
    EXPECT_TRUE(near(colour->image().pixel(4, 8), 230, 20, 20));
    EXPECT_TRUE(near(colour->image().pixel(28, 8), 20, 20, 230));

    picture.LoadFromFile(dir.file("g.JPEG"));
    auto* grey = dynamic_cast<TJPEGImage*>(picture.Graphic());
    ASSERT_NE(grey, nullptr);
    EXPECT_TRUE(grey->Grayscale());
    EXPECT_TRUE(near(grey->image().pixel(4, 8), 40, 40, 40));
    EXPECT_TRUE(near(grey->image().pixel(28, 8), 210, 210, 210));
    EXPECT_NE(platform::TPicture::GraphicFilter().find("JPEG Image File (*.jpg)|*.jpg"),
              std::string::npos);
}

TEST(JPEG, BrokenFilesRaiseLibjpegsMessage) {
    const int red[3] = {230, 20, 20};
    const std::string good = makeJpeg(16, 16, false, red, red);
    TJPEGImage jpeg;
    jpeg.LoadFromStream(good);

    const std::string notJpeg = errorOf([&] { jpeg.LoadFromStream("GIF89a not a jpeg at all"); });
    EXPECT_NE(notJpeg.find("Not a JPEG file"), std::string::npos) << notJpeg;
    EXPECT_FALSE(errorOf([&] { jpeg.LoadFromStream(""); }).empty());
    EXPECT_FALSE(errorOf([&] { jpeg.LoadFromStream(good.substr(0, 20)); }).empty())
        << "the file ends inside the headers";
    EXPECT_EQ(jpeg.Width(), 16) << "failed loads keep the picture";

    // Every truncation of a valid file either loads or fails with a message; none ends the
    // process.
    for (std::size_t cut = 0; cut < good.size(); cut += 7) {
        TJPEGImage part;
        try {
            part.LoadFromStream(good.substr(0, cut));
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_STRNE(e.what(), "") << "cut at " << cut;
        }
    }
}
