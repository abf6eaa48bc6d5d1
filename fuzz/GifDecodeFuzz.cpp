// The fast LZW decoder against the straightforward one it replaced: the first four bytes choose
// the frame (width, height, colour depth, interlace), the rest is its encoded data, the code
// size byte and the sub-blocks. Any difference in indexes, damage or error text is a failure.
#include "pictures/GifFile.h"

#include "GifOracle.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "GifDecodeFuzz: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    // Up to 512 by 64: wide enough for every code width, small enough to keep the search fast.
    const int width = 1 + (data[0] | (data[1] & 1) << 8);
    const int height = 1 + (data[1] >> 1 & 63);
    const int bitsPerPixel = 1 + (data[2] & 7);
    const bool interlaced = data[3] & 1;
    // A copy of exactly the data's size, so that reading past it is seen.
    const std::vector<char> zip(data + 4, data + size);
    const std::string_view zipData(zip.data(), zip.size());

    const gif_oracle::Decoded want =
        gif_oracle::decode(zipData, width, height, bitsPerPixel, interlaced);
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    // Garbage to start with: pixels the data never reaches must come out 0. The slack is the
    // buffer's end, so the sanitizer sees any write past it.
    std::vector<std::uint8_t> out(pixels + gifDecodeSlack, 0xA5);
    bool damaged = false;
    std::string error;
    try {
        damaged =
            DecodeFrameIndexes(zipData, width, height, bitsPerPixel, interlaced, out.data(), {});
    } catch (const Exception& e) {
        error = e.Message();
    }
    check(error == want.error, "the error differs from the oracle's");
    if (error.empty()) {
        check(damaged == want.damaged, "the damage flag differs from the oracle's");
        check(std::equal(want.indexes.begin(), want.indexes.end(), out.begin()) &&
                  want.indexes.size() == pixels,
              "the indexes differ from the oracle's");
    }
    return 0;
}
