// Decoding speed of frame 0 of larger GIF files: our reader against giflib, both ending with
// 32-bit pixels the screen can draw (giflib's indices are mapped through the colour table).
// The files are made with ImageMagick at start. Run: build/bench/GifBench [rounds]
#include "pictures/RxGIF.h"

#include "platform/Files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gif_lib.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Sample {
    const char* name;
    const char* makeArgs;
};

const Sample samples[] = {
    {"logo-256.gif", "logo: -resize 300% -colors 256"},
    {"wizard-256-interlaced.gif", "wizard: -resize 300% -colors 256 -interlace GIF"},
    {"plasma-64.gif", "-seed 3 -size 1600x1200 plasma:fractal -colors 64"},
    {"gradient-16.gif", "-size 2000x1000 gradient:yellow-navy -colors 16"},
    {"granite-2.gif", "granite: -resize 1200% -colors 2"},
};

struct MemoryInput {
    const std::string* bytes;
    std::size_t pos;
};

int readMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t got = std::min(std::size_t(n), in->bytes->size() - in->pos);
    std::memcpy(out, in->bytes->data() + in->pos, got);
    in->pos += got;
    return int(got);
}

// giflib's decoding of frame 0 into 32-bit pixels; answers the pixel count.
long long giflibDecode(const std::string& bytes, std::vector<std::uint32_t>& pixels) {
    MemoryInput input{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&input, readMemory, &error);
    if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
        std::fprintf(stderr, "giflib cannot decode a sample\n");
        std::exit(1);
    }
    const SavedImage& image = gif->SavedImages[0];
    const ColorMapObject* map =
        image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    std::uint32_t table[256] = {};
    for (int i = 0; i < map->ColorCount && i < 256; ++i)
        table[i] = 0xFF000000u | std::uint32_t(map->Colors[i].Red) << 16 |
                   std::uint32_t(map->Colors[i].Green) << 8 | map->Colors[i].Blue;
    const long long count = (long long)image.ImageDesc.Width * image.ImageDesc.Height;
    pixels.resize(std::size_t(count));
    for (long long i = 0; i < count; ++i)
        pixels[std::size_t(i)] = table[image.RasterBits[i]];
    DGifCloseFile(gif, &error);
    return count;
}

long long oursDecode(const std::string& bytes) {
    TGIFImage gif;
    gif.LoadFromStream(bytes);
    return (long long)gif.Width() * gif.Height();
}

template <typename F> double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    char folder[] = "/tmp/tevlo-gifbench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    std::vector<std::string> files;
    long long totalPixels = 0;
    for (const Sample& s : samples) {
        const std::string path = std::string(folder) + "/" + s.name;
        if (std::system(("convert " + std::string(s.makeArgs) + " " + path).c_str()) != 0) {
            std::fprintf(stderr, "ImageMagick cannot make %s\n", s.name);
            return 1;
        }
        files.push_back(platform::readFile(path));
        std::remove(path.c_str());
        std::vector<std::uint32_t> pixels;
        const long long n = giflibDecode(files.back(), pixels);
        totalPixels += n;
        std::printf("%-28s %8.2f megapixels, %8zu bytes\n", s.name, n / 1e6, files.back().size());
    }
    rmdir(folder);

    // Best of the rounds, each round decoding every file once, alternating the two readers.
    double bestOurs = 1e9, bestGiflib = 1e9;
    std::vector<std::uint32_t> scratch;
    for (int r = 0; r < rounds; ++r) {
        bestOurs = std::min(bestOurs, seconds([&] {
                                for (const std::string& f : files)
                                    oursDecode(f);
                            }));
        bestGiflib = std::min(bestGiflib, seconds([&] {
                                  for (const std::string& f : files)
                                      giflibDecode(f, scratch);
                              }));
    }
    const double mp = totalPixels / 1e6;
    std::printf("frame 0 of %zu files, %.2f megapixels, best of %d rounds\n", files.size(), mp,
                rounds);
    std::printf("ours:   %8.1f megapixels/s\n", mp / bestOurs);
    std::printf("giflib: %8.1f megapixels/s\n", mp / bestGiflib);
    std::printf("ratio ours/giflib: %.2f\n", bestGiflib / bestOurs);
    return 0;
}
