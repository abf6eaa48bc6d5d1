// Writes small GIF files for the tests, block by block, including broken ones.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gif_test {

struct Rgb {
    std::uint8_t r, g, b;
};

// Packs codes least-significant bit first and cuts the result into data sub-blocks.
class CodeWriter {
public:
    void put(int code, int width) {
        m_acc |= std::uint64_t(code) << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            m_bytes += char(m_acc & 0xFF);
            m_acc >>= 8;
            m_bits -= 8;
        }
    }
    std::string bytes() {
        std::string out = m_bytes;
        if (m_bits > 0)
            out += char(m_acc & 0xFF);
        return out;
    }

private:
    std::string m_bytes;
    std::uint64_t m_acc = 0;
    int m_bits = 0;
};

inline std::string subBlocks(const std::string& data, bool terminate = true) {
    std::string out;
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::string part = data.substr(at, 255);
        out += char(part.size());
        out += part;
    }
    if (terminate)
        out += '\0';
    return out;
}

// LZW data that never compresses: a clear code before the table would make codes wider, so
// every code has the minimum width. Ends with the end code.
inline std::string plainCodes(const std::vector<std::uint8_t>& pixels, int minCodeSize,
                              bool endCode = true) {
    const int clear = 1 << minCodeSize;
    const int width = minCodeSize + 1;
    const int run = (1 << minCodeSize) - 2;
    CodeWriter w;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i % std::size_t(run) == 0)
            w.put(clear, width);
        w.put(pixels[i], width);
    }
    if (endCode)
        w.put(clear + 1, width);
    return w.bytes();
}

inline std::string le16(int v) {
    return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)};
}

inline std::string colorTable(const std::vector<Rgb>& colors) {
    std::string out;
    for (const Rgb& c : colors)
        out += std::string{char(c.r), char(c.g), char(c.b)};
    return out;
}

// bits: the table's size as 2^bits entries; colors fills the front of it.
inline std::string paddedTable(const std::vector<Rgb>& colors, int bits) {
    std::vector<Rgb> all = colors;
    all.resize(std::size_t(1) << bits, Rgb{0, 0, 0});
    return colorTable(all);
}

class GifBuilder {
public:
    // globalBits 0: no global table.
    GifBuilder(int width, int height, const std::vector<Rgb>& colors, int globalBits,
               int background = 0, const char* signature = "GIF89a") {
        bytes = signature;
        bytes += le16(width) + le16(height);
        const int flags = globalBits ? 0x80 | 0x70 | (globalBits - 1) : 0;
        bytes += char(flags);
        bytes += char(background);
        bytes += '\0';
        if (globalBits)
            bytes += paddedTable(colors, globalBits);
    }

    GifBuilder& gce(int flags, int delay, int transparentIndex) {
        bytes += "\x21\xF9\x04";
        bytes += char(flags);
        bytes += le16(delay);
        bytes += char(transparentIndex);
        bytes += '\0';
        return *this;
    }
    GifBuilder& comment(const std::vector<std::string>& lines) {
        bytes += "\x21\xFE";
        for (const std::string& line : lines)
            bytes += char(line.size()) + line;
        bytes += '\0';
        return *this;
    }
    GifBuilder& loop(int lo, int hi) {
        bytes += "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
        bytes += char(lo);
        bytes += char(hi);
        bytes += '\0';
        return *this;
    }
    GifBuilder& plainText() {
        bytes += "\x21\x01\x0C" + std::string(12, '\0') + "\x02hi" + std::string(1, '\0');
        return *this;
    }
    // An image descriptor with an optional local table, then data as given.
    GifBuilder& descriptor(int left, int top, int width, int height, bool interlaced = false,
                           const std::vector<Rgb>& local = {}, int localBits = 0) {
        bytes += ',' + le16(left) + le16(top) + le16(width) + le16(height);
        bytes += char((localBits ? 0x80 | (localBits - 1) : 0) | (interlaced ? 0x40 : 0));
        if (localBits)
            bytes += paddedTable(local, localBits);
        return *this;
    }
    GifBuilder& image(int width, int height, const std::vector<std::uint8_t>& pixels,
                      int minCodeSize, bool interlaced = false, const std::vector<Rgb>& local = {},
                      int localBits = 0) {
        descriptor(0, 0, width, height, interlaced, local, localBits);
        bytes += char(minCodeSize);
        bytes += subBlocks(plainCodes(pixels, minCodeSize));
        return *this;
    }
    GifBuilder& raw(const std::string& data) {
        bytes += data;
        return *this;
    }
    std::string end() const { return bytes + ';'; }

    std::string bytes;
};

} // namespace gif_test
