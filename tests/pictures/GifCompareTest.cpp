// Our reader against giflib and ImageMagick, on real GIF files that ImageMagick makes here:
// flat graphics, photographs cut down to 256 colours, two and sixteen colours, interlaced or
// not. Every pixel of frame 0 must match. Also the LZW decoder against giflib on data that
// ImageMagick never writes.
#include "pictures/RxGIF.h"

#include "GifBuilder.h"
#include "TestSupport.h"
#include "platform/Files.h"

#include <cstdlib>
#include <cstring>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sstream>

namespace {

struct Sample {
    const char* name;
    const char* makeArgs;
};

const Sample samples[] = {
    {"flat.gif", "-size 64x48 xc:white -fill red -draw \"rectangle 5,5 30,30\" -fill blue "
                 "-draw \"circle 40,30 50,30\""},
    {"rose.gif", "rose: -colors 256"},
    {"wizard.gif", "wizard: -colors 256"},
    {"logo-interlaced.gif", "logo: -colors 256 -interlace GIF"},
    {"granite-2.gif", "granite: -colors 2"},
    {"netscape-16.gif", "netscape: -colors 16 +dither"},
    {"gradient-16-interlaced.gif", "-size 33x71 gradient:yellow-navy -colors 16 -interlace GIF"},
    {"plasma-64.gif", "-seed 7 -size 50x37 plasma:fractal -colors 64"},
    {"odd-sizes.gif", "-size 1x5 gradient:red-blue -colors 4 -interlace GIF"},
};

// Frame 0 as giflib decodes it, as packed 0x00RRGGBB per pixel; empty when giflib fails.
std::vector<std::uint32_t> giflibPixels(const std::string& path, int& width, int& height) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif)
        return {};
    std::vector<std::uint32_t> out;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        const SavedImage& image = gif->SavedImages[0];
        const ColorMapObject* map =
            image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        width = image.ImageDesc.Width;
        height = image.ImageDesc.Height;
        for (int i = 0; i < width * height; ++i) {
            const int index = image.RasterBits[i];
            const GifColorType c =
                map && index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
            out.push_back(std::uint32_t(c.Red << 16 | c.Green << 8 | c.Blue));
        }
    }
    DGifCloseFile(gif, &error);
    return out;
}

// A binary PPM file's pixels as 0x00RRGGBB.
std::vector<std::uint32_t> ppmPixels(const std::string& bytes, int& width, int& height) {
    std::istringstream in(bytes);
    // Header fields, with the comment lines some writers put between them.
    auto field = [&] {
        std::string token;
        while (in >> token && token[0] == '#')
            std::getline(in, token);
        return token;
    };
    const std::string magic = field();
    width = std::atoi(field().c_str());
    height = std::atoi(field().c_str());
    const int maxValue = std::atoi(field().c_str());
    in.get();
    std::vector<std::uint32_t> out;
    if (magic != "P6" || maxValue != 255)
        return out;
    for (int i = 0; i < width * height; ++i) {
        const int r = in.get(), g = in.get(), b = in.get();
        if (!in)
            return {};
        out.push_back(std::uint32_t(r << 16 | g << 8 | b));
    }
    return out;
}

// giflib reads a file in memory through a callback; UserData is what is left of it.
int readMemory(GifFileType* gif, GifByteType* out, int size) {
    auto* rest = static_cast<std::string_view*>(gif->UserData);
    const std::size_t n = std::min(std::size_t(size), rest->size());
    std::memcpy(out, rest->data(), n);
    rest->remove_prefix(n);
    return int(n);
}

int run(const std::string& command) {
    return std::system((command + " 2>/dev/null").c_str());
}

} // namespace

TEST(GifCompare, FrameZeroMatchesGiflibAndImageMagick) {
    testing_support::TempDir dir;
    for (const Sample& sample : samples) {
        const std::string path = dir.file(sample.name);
        ASSERT_EQ(run(std::string("convert ") + sample.makeArgs + " " + path), 0)
            << "ImageMagick cannot make " << sample.name;

        int gw = 0, gh = 0;
        const std::vector<std::uint32_t> reference = giflibPixels(path, gw, gh);
        ASSERT_FALSE(reference.empty()) << "giflib cannot read " << sample.name;

        TGIFImage gif;
        gif.LoadFromFile(path);
        ASSERT_EQ(gif.Width(), gw) << sample.name;
        ASSERT_EQ(gif.Height(), gh) << sample.name;
        EXPECT_FALSE(gif.Frames(0).Damaged) << sample.name;
        const QImage& ours = gif.CurrentBitmap().image();
        int mismatches = 0;
        for (int y = 0; y < gh; ++y)
            for (int x = 0; x < gw; ++x)
                if ((ours.pixel(x, y) & 0xFFFFFF) != reference[std::size_t(y * gw + x)] &&
                    ++mismatches <= 3)
                    ADD_FAILURE() << sample.name << ": pixel " << x << ", " << y << " differs";
        EXPECT_EQ(mismatches, 0) << sample.name;

        // The command-line tool writes the same pixels.
        const std::string ppm = dir.file(std::string(sample.name) + ".ppm");
        ASSERT_EQ(run(std::string(TEVLO_PICTURE_TOOL) + " convert " + path + " " + ppm), 0);
        int tw = 0, th = 0;
        EXPECT_EQ(ppmPixels(platform::readFile(ppm), tw, th), reference) << sample.name;

        // ImageMagick's own decoding of frame 0.
        const std::string magick = dir.file(std::string(sample.name) + ".magick.ppm");
        ASSERT_EQ(run("convert " + path + "[0] " + magick), 0);
        int mw = 0, mh = 0;
        EXPECT_EQ(ppmPixels(platform::readFile(magick), mw, mh), reference) << sample.name;
    }
}

TEST(GifCompare, ToolReportsErrorsAlone) {
    testing_support::TempDir dir;
    testing_support::writeBytes(dir.file("bad.gif"), "GIF88a");
    const std::string err = dir.file("err.txt");
    const int status = std::system(
        (std::string(TEVLO_PICTURE_TOOL) + " info " + dir.file("bad.gif") + " >/dev/null 2>" + err)
            .c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(platform::readFile(err), "Unknown GIF version\n");
}

// Some writers leave out the clear code at the start of a frame's data. giflib reads such
// frames, so we must read them, and the same way.
TEST(GifCompare, DataWithoutLeadingClearCodeDecodesAsGiflibDoes) {
    for (int bits : {1, 3, 8}) {
        const int width = 37, height = 29, minCodeSize = std::max(2, bits);
        // Runs and a repeating pattern, so that the data names table entries, the entry about to
        // be made among them, at every code width up to the frame's size.
        std::vector<std::uint8_t> pixels(std::size_t(width * height));
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = std::uint8_t((i % 40 < 15 ? i / 40 : i * i / 7) % (1u << bits));
        const std::string zip =
            char(minCodeSize) +
            gif_test::subBlocks(gif_test::lzwEncode(pixels, minCodeSize, {.leadingClear = false}));
        const std::string file =
            gif_test::GifBuilder(width, height, std::vector<gif_test::Rgb>(1u << bits), bits)
                .descriptor(0, 0, width, height)
                .raw(zip)
                .end();

        std::string_view rest(file);
        int error = 0;
        GifFileType* gif = DGifOpen(&rest, readMemory, &error);
        ASSERT_NE(gif, nullptr) << bits << " bits";
        ASSERT_EQ(DGifSlurp(gif), GIF_OK) << bits << " bits";
        const GifByteType* raster = gif->SavedImages[0].RasterBits;
        const std::vector<std::uint8_t> reference(raster, raster + pixels.size());
        DGifCloseFile(gif, &error);
        EXPECT_EQ(reference, pixels) << "giflib, " << bits << " bits";

        std::vector<std::uint8_t> ours(pixels.size() + gifDecodeSlack);
        EXPECT_FALSE(DecodeFrameIndexes(zip, width, height, bits, false, ours.data(), {}));
        ours.resize(pixels.size());
        EXPECT_EQ(ours, reference) << bits << " bits";
    }
}
