// The fast LZW decoder against the straightforward one it replaced (GifOracle): on frames of
// every shape and depth, whole or broken the ways files break, both must give the same indexes,
// damage flag and error, and the fast one must keep to its buffer.
#include "pictures/GifFile.h"

#include "GifBuilder.h"
#include "GifOracle.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>
#include <random>
#include <sstream>

using namespace gif_test;

namespace {

struct Frame {
    int width = 1;
    int height = 1;
    int bitsPerPixel = 8;
    bool interlaced = false;
    std::string zip;
};

std::string describe(const Frame& f) {
    std::ostringstream out;
    out << f.width << "x" << f.height << ", " << f.bitsPerPixel << " bpp"
        << (f.interlaced ? ", interlaced" : "") << ", " << f.zip.size() << " bytes:";
    for (std::size_t i = 0; i < f.zip.size() && i < 600; ++i)
        out << (i % 32 ? " " : "\n") << std::hex << (std::uint8_t(f.zip[i]) >> 4)
            << (std::uint8_t(f.zip[i]) & 15);
    return out.str();
}

// Both decoders on one frame. The data sits in a block of exactly its size, so that the
// sanitizers see any read past it; the output starts as garbage, because pixels the data never
// reaches must come out 0.
testing::AssertionResult sameAsOracle(const Frame& f, gif_oracle::Decoded* oracle = nullptr) {
    gif_oracle::Decoded local;
    gif_oracle::Decoded& want = oracle ? *oracle : local;
    want = gif_oracle::decode(f.zip, f.width, f.height, f.bitsPerPixel, f.interlaced);
    const std::vector<char> exact(f.zip.begin(), f.zip.end());
    const std::size_t pixels = std::size_t(f.width) * std::size_t(f.height), guard = 64;
    std::vector<std::uint8_t> buffer(guard + pixels + gifDecodeSlack + guard, 0xA5);
    std::uint8_t* out = buffer.data() + guard;
    bool damaged = false;
    std::string error;
    try {
        damaged = DecodeFrameIndexes(std::string_view(exact.data(), exact.size()), f.width,
                                     f.height, f.bitsPerPixel, f.interlaced, out, {});
    } catch (const Exception& e) {
        error = e.Message();
    }
    for (std::size_t i = 0; i < guard; ++i)
        if (buffer[i] != 0xA5 || buffer[buffer.size() - 1 - i] != 0xA5)
            return testing::AssertionFailure() << "wrote outside its buffer; " << describe(f);
    if (error != want.error)
        return testing::AssertionFailure()
               << "error \"" << error << "\", oracle \"" << want.error << "\"; " << describe(f);
    if (error.empty() && damaged != want.damaged)
        return testing::AssertionFailure()
               << "damaged " << damaged << ", oracle " << want.damaged << "; " << describe(f);
    for (std::size_t i = 0; error.empty() && i < pixels; ++i)
        if (out[i] != want.indexes[i])
            return testing::AssertionFailure()
                   << "pixel " << i % std::size_t(f.width) << ", " << i / std::size_t(f.width)
                   << " is " << int(out[i]) << ", oracle " << int(want.indexes[i]) << "; "
                   << describe(f);
    return testing::AssertionSuccess();
}

class Random {
public:
    int below(int n) { return int(m_engine() % std::uint32_t(n)); }
    bool oneIn(int n) { return below(n) == 0; }

    // Noise, a few values in runs, a repeated motif, or noise twice over: short strings that
    // fill the table, long ones that reach far down their chains, and the newest entries of a
    // full table used again.
    std::vector<std::uint8_t> pixels(std::size_t count, int range) {
        std::vector<std::uint8_t> out(count);
        const int kind = below(4);
        std::vector<std::uint8_t> motif(std::size_t(1 + below(12)));
        for (auto& v : motif)
            v = std::uint8_t(below(range));
        const std::size_t made = kind == 3 ? (count + 1) / 2 : count;
        for (std::size_t i = 0; i < made;) {
            if (kind == 1) {
                const std::size_t run = std::size_t(1 + below(oneIn(8) ? 2000 : 40));
                std::fill_n(out.begin() + std::ptrdiff_t(i), std::min(run, made - i),
                            motif[std::size_t(below(std::min<int>(3, int(motif.size()))))]);
                i += std::min(run, made - i);
            } else {
                out[i] = kind == 2 ? motif[i % motif.size()] : std::uint8_t(below(range));
                ++i;
            }
        }
        std::copy_n(out.begin(), count - made, out.begin() + std::ptrdiff_t(made));
        return out;
    }

    // Rows, columns, small and wide frames, and now and then one big enough to fill the table.
    Frame shape() {
        Frame f;
        const int kind = below(12);
        if (kind < 2)
            f.height = 1 + below(400);
        else if (kind < 4)
            f.width = 1 + below(300);
        else if (kind < 6)
            f.width = 1 + below(8), f.height = 1 + below(8);
        else if (kind == 6)
            f.width = 150 + below(150), f.height = 30 + below(40);
        else
            f.width = 1 + below(300), f.height = 1 + below(24);
        f.bitsPerPixel = 1 + below(8);
        f.interlaced = oneIn(2);
        return f;
    }
    int minCodeSize(int bitsPerPixel) {
        const int least = std::max(2, bitsPerPixel);
        return oneIn(4) && least < 9 ? least + 1 + below(9 - least) : least;
    }

    // Sub-blocks of full length, of random lengths, or with empty ones among them.
    std::string blocks(const std::string& data) {
        const int mode = below(4);
        std::string out;
        for (std::size_t at = 0; at < data.size();) {
            if (mode == 3 && oneIn(6)) {
                out += '\0';
                continue;
            }
            const std::size_t n =
                std::min<std::size_t>(mode ? 1 + below(255) : 255, data.size() - at);
            out += char(n) + data.substr(at, n);
            at += n;
        }
        return oneIn(10) ? out : out + '\0';
    }

private:
    std::mt19937 m_engine{20240611};
};

} // namespace

TEST(GifDecode, WholeFramesMatchTheOracle) {
    Random rnd;
    for (int i = 0; i < 800; ++i) {
        Frame f = rnd.shape();
        const int minCodeSize = rnd.minCodeSize(f.bitsPerPixel);
        const auto pixels = rnd.pixels(std::size_t(f.width * f.height), 1 << f.bitsPerPixel);
        const LzwOptions options{!rnd.oneIn(5), !rnd.oneIn(5), rnd.oneIn(2)};
        f.zip = char(minCodeSize) + rnd.blocks(lzwEncode(pixels, minCodeSize, options));
        gif_oracle::Decoded oracle;
        ASSERT_TRUE(sameAsOracle(f, &oracle)) << "case " << i;
        // Both could agree on something wrong: the pixels must also be the ones encoded.
        ASSERT_FALSE(oracle.damaged) << "case " << i;
        std::vector<int> order;
        const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < (f.interlaced ? 4 : 1); ++pass)
            for (int y = f.interlaced ? start[pass] : 0; y < f.height;
                 y += f.interlaced ? step[pass] : 1)
                order.push_back(y);
        std::vector<std::uint8_t> rows(pixels.size());
        for (std::size_t k = 0; k < order.size(); ++k)
            std::copy_n(pixels.begin() + std::ptrdiff_t(k) * f.width, f.width,
                        rows.begin() + std::ptrdiff_t(order[k]) * f.width);
        ASSERT_EQ(oracle.indexes, rows) << "case " << i << "; " << describe(f);
    }
}

TEST(GifDecode, DamagedFramesMatchTheOracle) {
    Random rnd;
    for (int i = 0; i < 1500; ++i) {
        Frame f = rnd.shape();
        const int minCodeSize = rnd.minCodeSize(f.bitsPerPixel);
        const int clear = 1 << minCodeSize;
        // Pixels above the colour count are roots the frame's palette does not have.
        const int range = rnd.oneIn(4) ? std::min(clear, 256) : 1 << f.bitsPerPixel;
        // Too few pixels: the data runs out before the frame is full.
        const std::size_t count = std::size_t(f.width * f.height) / (rnd.oneIn(4) ? 2 : 1);
        std::vector<int> codes = lzwCodes(rnd.pixels(count, range), minCodeSize,
                                          {!rnd.oneIn(5), !rnd.oneIn(3), rnd.oneIn(2)});
        for (int edits = 1 + rnd.below(3); edits > 0 && !codes.empty(); --edits) {
            const std::size_t at = std::size_t(rnd.below(int(codes.size())));
            LzwWidths widths(minCodeSize);
            for (std::size_t k = 0; k < at; ++k)
                widths.after(codes[k]);
            const int limit = 1 << widths.width();
            switch (rnd.below(5)) {
            case 0: // beyond the entry the decoder makes next
                if (widths.next() + 1 < limit)
                    codes[at] = widths.next() + 1 + rnd.below(limit - widths.next() - 1);
                break;
            case 1: // a root above the colour count, or the clear code where there is none
                codes[at] = (1 << f.bitsPerPixel) + rnd.below(clear + 1 - (1 << f.bitsPerPixel));
                break;
            case 2: // two clear codes in a row
                codes.insert(codes.begin() + std::ptrdiff_t(at), 2, clear);
                break;
            case 3: // an early end code
                codes.insert(codes.begin() + std::ptrdiff_t(at), clear + 1);
                break;
            default: // anything the width can hold
                codes[at] = rnd.below(limit);
            }
        }
        f.zip = char(minCodeSize) + rnd.blocks(packCodes(codes, minCodeSize));
        // Bytes broken as a disk or a download breaks them, length bytes included.
        for (int flips = rnd.oneIn(2) ? 0 : 1 + rnd.below(4); flips > 0 && f.zip.size() > 1;
             --flips)
            f.zip[1 + std::size_t(rnd.below(int(f.zip.size()) - 1))] ^= char(1 << rnd.below(8));
        if (rnd.oneIn(3))
            f.zip.resize(std::size_t(rnd.below(int(f.zip.size()) + 1)));
        ASSERT_TRUE(sameAsOracle(f)) << "case " << i;
    }
}

TEST(GifDecode, OddStartsMatchTheOracle) {
    const auto frame = [](int minCodeSize, const std::vector<int>& codes, int bitsPerPixel = 2) {
        return Frame{3, 2, bitsPerPixel, false,
                     char(minCodeSize) + subBlocks(packCodes(codes, minCodeSize))};
    };
    const Frame frames[] = {
        Frame{2, 2, 2, false, ""},
        Frame{2, 2, 2, false, "\2"},
        // A sub-block that ends before its length.
        Frame{2, 2, 2, false, "\2\1"},
        // Code sizes out of range.
        Frame{2, 2, 2, false, std::string("\1\2\x4c\x01\0", 5)},
        Frame{2, 2, 2, false, std::string("\x0a\2\x4c\x01\0", 5)},
        Frame{2, 2, 2, false, std::string("\xff\2\x4c\x01\0", 5)},
        // The end code first, and right after the clear code.
        frame(2, {5}),
        frame(2, {4, 5}),
        // Two clear codes in a row.
        frame(2, {4, 4, 1, 2, 5}),
        // No clear code, then the entry about to be made, at once and again.
        frame(2, {1, 6, 6, 5}),
        // After a clear: the entry about to be made, and one beyond it.
        frame(2, {4, 6, 7, 1, 5}),
        frame(2, {4, 7, 1, 5}),
        // Roots above the colour count, and the entry about to be made after one.
        frame(3, {8, 5, 10, 6, 11, 9}),
        frame(9, {512, 7, 300, 514, 513}, 8),
        // Codes after the end code.
        frame(2, {4, 1, 5, 2, 3, 0}),
        // A chain that runs through itself.
        frame(3, {8, 1, 11, 11, 11, 9}),
        // Frames without columns or rows: nothing to store.
        Frame{0, 3, 2, false, char(2) + subBlocks(packCodes({4, 1, 2, 3, 5}, 2))},
        Frame{3, 0, 2, true, char(2) + subBlocks(packCodes({4, 1, 2, 3, 5}, 2))},
    };
    for (const Frame& f : frames)
        EXPECT_TRUE(sameAsOracle(f));
}
