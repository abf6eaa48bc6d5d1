// GiflibConvert: frame 0 of a GIF file as a binary PPM, through giflib and nothing else. The
// yardstick for "tevlo-picture convert" in bench/gif-convert-compare, so it does the plain
// efficient thing a small program would: DGifSlurp, one row buffer, fwrite.
//
//   GiflibConvert IN.gif OUT.ppm
#include <cstdio>
#include <cstring>
#include <gif_lib.h>
#include <vector>

namespace {

int fail(const char* what, int error) {
    std::fprintf(stderr, "GiflibConvert: %s: %s\n", what, GifErrorString(error));
    return 1;
}

bool writePPM(const char* path, const SavedImage& image, const ColorMapObject& map) {
    const int width = image.ImageDesc.Width, height = image.ImageDesc.Height;
    // Indexes past the table are black, as nothing in the file says otherwise.
    unsigned char table[256][3] = {};
    for (int i = 0; i < map.ColorCount && i < 256; ++i) {
        table[i][0] = map.Colors[i].Red;
        table[i][1] = map.Colors[i].Green;
        table[i][2] = map.Colors[i].Blue;
    }
    std::FILE* out = std::fopen(path, "wb");
    if (!out)
        return false;
    std::fprintf(out, "P6\n%d %d\n255\n", width, height);
    std::vector<unsigned char> row(std::size_t(width) * 3);
    const GifByteType* in = image.RasterBits;
    for (int y = 0; y < height; ++y) {
        unsigned char* at = row.data();
        for (int x = 0; x < width; ++x, at += 3)
            std::memcpy(at, table[*in++], 3);
        std::fwrite(row.data(), 1, row.size(), out);
    }
    const bool failed = std::ferror(out);
    return std::fclose(out) == 0 && !failed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: GiflibConvert IN.gif OUT.ppm\n");
        return 2;
    }
    int error = 0;
    GifFileType* gif = DGifOpenFileName(argv[1], &error);
    if (!gif)
        return fail(argv[1], error);
    if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
        const int slurpError = gif->Error;
        DGifCloseFile(gif, &error);
        return fail(argv[1], slurpError);
    }
    const SavedImage& image = gif->SavedImages[0];
    const ColorMapObject* map =
        image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    if (!map || image.ImageDesc.Width <= 0 || image.ImageDesc.Height <= 0) {
        DGifCloseFile(gif, &error);
        std::fprintf(stderr, "GiflibConvert: %s: frame 0 has no colours or no pixels\n", argv[1]);
        return 1;
    }
    const bool written = writePPM(argv[2], image, *map);
    DGifCloseFile(gif, &error);
    if (!written) {
        std::fprintf(stderr, "GiflibConvert: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
