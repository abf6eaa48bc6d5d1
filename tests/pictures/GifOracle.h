// The first, straightforward LZW decoder of the GIF reader, kept beside the tests as the
// measure of the fast one: it follows the codes one at a time, walks each code's chain onto a
// pixel stack and stores pixel by pixel into bottom-up rows of 1, 4 or 8 bits.
#pragma once

#include "platform/Progress.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gif_oracle {

// Decodes into bottom-up rows of the given depth and stride; answers whether the data was
// damaged. Throws the reader's own errors.
bool DecodeFrameBits(std::string_view zipData, int width, int height, int depth, int bitsPerPixel,
                     bool interlaced, std::uint8_t* rows, std::size_t stride,
                     const platform::TProgressEvent& progress);

// One frame as the oracle decodes it: an index per pixel, top-down, or the error it raised.
struct Decoded {
    std::vector<std::uint8_t> indexes;
    bool damaged = false;
    std::string error;
};
Decoded decode(std::string_view zipData, int width, int height, int bitsPerPixel, bool interlaced);

} // namespace gif_oracle
