// Writes small GIF files for the tests, block by block, including broken ones.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
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

// What a GIF decoder's table does with each code, shared by the encoder and the packer so that
// both grow the code width at the same code the decoder does.
class LzwWidths {
public:
    explicit LzwWidths(int minCodeSize) : m_min(minCodeSize) { reset(); }

    int width() const { return m_width; }
    // The entry the decoder makes next.
    int next() const { return m_next; }
    void after(int code) {
        const int clear = 1 << m_min;
        if (code == clear) {
            reset();
            return;
        }
        if (code == clear + 1)
            return;
        if (m_first) {
            // The first code after a clear only starts a string; the entry it begins is made
            // by the code after it.
            m_first = false;
            return;
        }
        // A full table makes no more entries and keeps its width.
        if (m_next == 4096)
            return;
        if (++m_next >= 1 << m_width && m_width < 12)
            ++m_width;
    }

private:
    void reset() {
        m_width = m_min + 1;
        m_next = (1 << m_min) + 2;
        m_first = true;
    }

    int m_min;
    int m_width = 0;
    int m_next = 0;
    bool m_first = true;
};

// Codes packed at the widths a decoder reads them with, whatever they are: edited code lists
// (stray clear codes, codes beyond the table) stay readable up to the edit.
inline std::string packCodes(const std::vector<int>& codes, int minCodeSize) {
    LzwWidths widths(minCodeSize);
    CodeWriter w;
    for (int code : codes) {
        w.put(code & ((1 << widths.width()) - 1), widths.width());
        widths.after(code);
    }
    return w.bytes();
}

struct LzwOptions {
    bool leadingClear = true;
    bool endCode = true;
    // When the table holds 4096 entries: a clear code, or on with the full table.
    bool clearWhenFull = true;
};

// A real LZW encoder, so that the data has long strings and codes that name the entry the
// decoder is about to make. Pixels must be below 2^minCodeSize.
inline std::vector<int> lzwCodes(const std::vector<std::uint8_t>& pixels, int minCodeSize,
                                 LzwOptions options = {}) {
    const int clear = 1 << minCodeSize;
    // Open addressing over (prefix, pixel), at least twice as many cells as entries to keep the
    // probes short, and no more than a small frame needs: the tests encode thousands of them.
    std::size_t cells = 16;
    int shift = 28;
    for (; cells < 8192 && cells < 2 * pixels.size(); --shift)
        cells *= 2;
    std::vector<std::uint32_t> keys(cells);
    const auto entries = std::make_unique_for_overwrite<std::uint16_t[]>(cells);
    std::uint32_t* key = keys.data();
    std::uint16_t* entry = entries.get();
    int next = clear + 2;
    std::vector<int> codes;
    if (options.leadingClear)
        codes.push_back(clear);
    if (!pixels.empty()) {
        int string = pixels[0];
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            const std::uint32_t wanted = (std::uint32_t(string) << 9 | pixels[i]) + 1;
            std::size_t at = (wanted * 2654435761u) >> shift;
            while (key[at] != 0 && key[at] != wanted)
                at = (at + 1) & (cells - 1);
            if (key[at] == wanted) {
                string = entry[at];
                continue;
            }
            codes.push_back(string);
            if (next < 4096) {
                key[at] = wanted;
                entry[at] = std::uint16_t(next++);
            } else if (options.clearWhenFull) {
                codes.push_back(clear);
                std::fill(keys.begin(), keys.end(), 0u);
                next = clear + 2;
            }
            string = pixels[i];
        }
        codes.push_back(string);
    }
    if (options.endCode)
        codes.push_back(clear + 1);
    return codes;
}

inline std::string lzwEncode(const std::vector<std::uint8_t>& pixels, int minCodeSize,
                             LzwOptions options = {}) {
    return packCodes(lzwCodes(pixels, minCodeSize, options), minCodeSize);
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
