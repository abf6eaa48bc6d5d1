// LZW decoding of a GIF frame. Every code of a well-formed stream stands for a string that is
// already in the output: a table code for the string it was made from plus one pixel, so a code
// becomes one short block move from earlier output. Whatever a well-formed encoder never writes
// (a code above the next free one, a root above the colour count, a second code right after a
// clear code) is handed on to the general rules, which walk code chains onto a pixel stack and
// so decode damaged data exactly as they always did.
#include "pictures/GifFile.h"

#include "platform/Errors.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using platform::TProgressStage;

// The decoding loop's helpers must melt into it, or its state leaves the registers.
#if defined(__GNUC__)
#define GIF_INLINE __attribute__((always_inline))
#else
#define GIF_INLINE
#endif

namespace {

constexpr int maxCodes = 4096;
constexpr std::size_t stackSize = 4097;

std::uint64_t loadLittleEndian64(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

// Codes are packed least-significant bit first into the data sub-blocks, which are read where
// they stand: eight bytes at a time inside a sub-block, byte by byte across its length byte. An
// empty sub-block adds nothing; the byte after it is taken as the next length.
struct Bits {
    std::uint64_t acc;
    const std::uint8_t* p;
    std::size_t blockLeft;
    int count;
};

// The byte-by-byte refill, out of line and by value so that a decoding loop's reader can stay
// in registers.
[[gnu::noinline]] Bits refillAcrossBlocks(Bits b, const std::uint8_t* end) {
    while (b.count <= 56) {
        while (b.blockLeft == 0) {
            if (b.p >= end)
                return b;
            // A length beyond the data is cut to it, so the eight-byte reads stay inside.
            const std::size_t length = *b.p++;
            b.blockLeft = std::min(length, std::size_t(end - b.p));
        }
        b.acc |= std::uint64_t(*b.p++) << b.count;
        b.count += 8;
        --b.blockLeft;
    }
    return b;
}

GIF_INLINE inline void refill(std::uint64_t& acc, int& count, const std::uint8_t*& p,
                              std::size_t& blockLeft, const std::uint8_t* end) {
    if (blockLeft >= 8) {
        // Up to seven whole bytes fit above the bits still held.
        const int n = (63 - count) >> 3;
        const std::uint64_t word = loadLittleEndian64(p);
        acc |= (word & ((std::uint64_t(1) << (8 * n)) - 1)) << count;
        p += n;
        blockLeft -= std::size_t(n);
        count += 8 * n;
        return;
    }
    const Bits b = refillAcrossBlocks({acc, p, blockLeft, count}, end);
    acc = b.acc;
    p = b.p;
    blockLeft = b.blockLeft;
    count = b.count;
}

class BitReader {
public:
    BitReader(const std::uint8_t* begin, const std::uint8_t* end)
        : begin(begin), end(end), p(begin) {}

    // Whether width more bits are there; refills when they are not yet.
    bool need(int width) {
        if (count >= width)
            return true;
        refill(acc, count, p, blockLeft, end);
        return count >= width;
    }
    int take(int width) {
        const int code = int(acc & ((1u << width) - 1));
        acc >>= width;
        count -= width;
        return code;
    }
    std::size_t position() const { return std::size_t(p - begin); }

    const std::uint8_t* begin;
    const std::uint8_t* end;
    const std::uint8_t* p;
    std::uint64_t acc = 0;
    int count = 0;
    std::size_t blockLeft = 0;
};

// Copies a string of earlier output that ends at or before dst, sixteen bytes at a time; may
// write up to fifteen bytes past its end, which later output or the caller's slack takes.
inline void copyString(std::uint8_t* dst, const std::uint8_t* src, std::uint32_t length) {
    std::uint32_t done = 0;
    do {
        std::uint8_t chunk[16];
        std::memcpy(chunk, src + done, 16);
        std::memcpy(dst + done, chunk, 16);
        done += 16;
    } while (done < length);
}

// A code's string, somewhere in earlier output or, for a root, in the identity array below,
// and the code it was made from.
struct Entry {
    const std::uint8_t* src;
    std::uint16_t length;
    std::uint16_t prefix;
};

// Each root's own pixel, with room for a sixteen-byte read.
struct Identity {
    std::uint8_t values[256 + 16] = {};
    constexpr Identity() {
        for (int i = 0; i < 256; ++i)
            values[i] = std::uint8_t(i);
    }
};
constexpr Identity identity;

template <bool Reporting> class FastLoop;

class LzwDecoder {
public:
    LzwDecoder(const BitReader& bits, int minCodeSize, int bitsPerPixel, std::uint8_t* out,
               std::size_t count, const platform::TProgressEvent& progress, std::size_t size)
        : m_bits(bits), m_clear(1 << minCodeSize), m_minCodeSize(minCodeSize),
          m_rootMask((1 << bitsPerPixel) - 1), m_out(out), m_count(count), m_progress(progress),
          m_size(size) {
        reset();
        if (m_rootMask < m_clear)
            for (int root = 0; root <= m_rootMask; ++root)
                m_table[root] = {identity.values + root, 1, 0};
    }

    // Decodes up to the end code, the end of the data or the last pixel; answers whether the
    // frame is damaged.
    bool run() {
        // A root mask that reaches the clear code makes codes literal pixels that the table
        // also numbers, which only the general rules sort out.
        int code = -1;
        if (m_rootMask >= m_clear || !(m_progress ? fast<true>(code) : fast<false>(code)))
            return general(code);
        return m_damaged;
    }
    std::size_t decoded() const { return m_pos; }

private:
    void reset() {
        m_codeSize = m_minCodeSize + 1;
        m_codeLimit = 1 << m_codeSize;
        m_nextFree = m_clear + 2;
        m_afterClear = true;
    }
    void grow() {
        if (++m_nextFree < m_codeLimit)
            return;
        if (m_codeSize < 12) {
            ++m_codeSize;
            m_codeLimit <<= 1;
        } else {
            m_tableFull = true;
        }
    }
    // The next code, or -1 at the end of the data, which marks the frame damaged, or at the end
    // code.
    int next() {
        if (!m_bits.need(m_codeSize)) {
            m_damaged = true;
            return -1;
        }
        const int code = m_bits.take(m_codeSize);
        if (m_progress)
            report(m_bits.position());
        return code == m_clear + 1 ? -1 : code;
    }
    [[gnu::noinline]] void report(std::size_t position) {
        // Only changes are worth a call: one per code would cost more than the decoding.
        const int percent = int(position * 100 / m_size);
        if (percent != m_lastPercent) {
            m_lastPercent = percent;
            m_progress(TProgressStage::psRunning, percent, {});
        }
    }

    template <bool Reporting> friend class FastLoop;
    template <bool Reporting> [[gnu::noinline]] bool fast(int& handedOn);
    bool general(int code);
    void put(unsigned v) {
        if (m_pos < m_count)
            m_out[m_pos++] = std::uint8_t(v);
    }

    BitReader m_bits;
    const int m_clear;
    const int m_minCodeSize;
    const int m_rootMask;
    std::uint8_t* m_out;
    const std::size_t m_count;
    const platform::TProgressEvent& m_progress;
    const std::size_t m_size;
    int m_lastPercent = -1;

    int m_codeSize = 0;
    int m_codeLimit = 0;
    int m_nextFree = 0;
    bool m_tableFull = false;
    // Right after a clear code, the next code is taken as a pixel whatever it is. A stream that
    // does not begin with a clear code begins as if it did.
    bool m_afterClear = true;
    bool m_atStart = true;
    bool m_damaged = false;
    int m_previous = 0;
    std::size_t m_pos = 0;
    std::uint32_t m_prevStart = 0;
    std::uint32_t m_prevLength = 0;
    // One more than the codes: a full table writes its would-be entries there.
    Entry m_table[maxCodes + 1] = {};
};

// The codes of a well-formed stream. All state is copied into this object, a local of the
// decoding loop whose every function melts into it, so the state can live in registers: kept in
// the decoder, the output's byte stores could alias it and force it back into memory.
template <bool Reporting> class FastLoop {
public:
    explicit FastLoop(LzwDecoder& d)
        : m_d(d), m_acc(d.m_bits.acc), m_count(d.m_bits.count), m_p(d.m_bits.p),
          m_blockLeft(d.m_bits.blockLeft), m_dataEnd(d.m_bits.end), m_dst(d.m_out + d.m_pos),
          m_end(d.m_out + d.m_count), m_clear(d.m_clear), m_rootMask(d.m_rootMask),
          m_codeSize(d.m_codeSize), m_nextFree(d.m_nextFree), m_previous(d.m_previous),
          // A full table keeps its last code width and adds nothing: its would-be entries go
          // to the spare slot at the end, and next free stays there.
          m_codeLimit(d.m_tableFull ? maxCodes : d.m_codeLimit), m_prevSrc(d.m_out + d.m_prevStart),
          m_prevLength(d.m_prevLength), m_table(d.m_table), m_cleared(d.m_afterClear) {}

    // Answers true when the frame is done, false with handedOn set to the first code that
    // needs the general rules.
    GIF_INLINE bool run(int& handedOn) {
        bool going = true;
        if (m_cleared && m_dst < m_end) {
            // A stream may begin without a clear code; then it begins as if it had one.
            int code = fetch();
            if (code == m_clear && m_d.m_atStart)
                code = fetch();
            m_d.m_atStart = false;
            going = afterClear(code);
        }
        // Far from the frame's end no string can reach past it, and the room is not checked.
        constexpr std::size_t longestString = maxCodes + 4;
        std::uint8_t* const roomy = m_end - std::min(m_d.m_count, longestString);
        while (going && m_dst < roomy)
            going = step<false>();
        while (going && m_dst < m_end)
            going = step<true>();
        finish();
        handedOn = m_stop;
        return m_stop < 0;
    }

private:
    // The next code, or -1 at the end of the data, which marks the frame damaged.
    GIF_INLINE int fetch() {
        if (m_count < m_codeSize) {
            refill(m_acc, m_count, m_p, m_blockLeft, m_dataEnd);
            if (m_count < m_codeSize) {
                m_d.m_damaged = true;
                return -1;
            }
        }
        const int code = int(m_acc & ((1u << m_codeSize) - 1));
        m_acc >>= m_codeSize;
        m_count -= m_codeSize;
        if constexpr (Reporting)
            m_d.report(std::size_t(m_p - m_d.m_bits.begin));
        return code;
    }
    // The code after a clear code: a root, output as it is; anything else is for the general
    // rules. Answers false when decoding stops here.
    GIF_INLINE bool afterClear(int code) {
        if (code < 0 || code == m_clear + 1)
            return false;
        if (code > m_rootMask) {
            m_stop = code;
            return false;
        }
        m_cleared = false;
        m_previous = code;
        m_prevSrc = m_dst;
        m_prevLength = 1;
        *m_dst++ = std::uint8_t(code);
        return true;
    }
    GIF_INLINE bool clearTable() {
        m_codeSize = m_d.m_minCodeSize + 1;
        m_codeLimit = 1 << m_codeSize;
        m_nextFree = m_clear + 2;
        m_cleared = true;
        return afterClear(fetch());
    }
    // Copies what fits when the frame ends inside a string; nothing after it matters.
    GIF_INLINE bool lastString(const std::uint8_t* src) {
        std::memcpy(m_dst, src, std::size_t(m_end - m_dst));
        m_dst = m_end;
        return false;
    }
    // One code; answers false when decoding stops.
    template <bool Checked> GIF_INLINE bool step() {
        const int code = fetch();
        if (code < 0)
            return false;
        std::uint32_t length;
        if (code < m_nextFree) [[likely]] {
            const Entry entry = m_table[code];
            length = entry.length;
            if (length == 0) [[unlikely]] {
                if (code == m_clear)
                    return clearTable();
                if (code != m_clear + 1)
                    m_stop = code;
                return false;
            }
            if (Checked && length > std::size_t(m_end - m_dst))
                return lastString(entry.src);
            copyString(m_dst, entry.src, length);
        } else if (code == m_nextFree) {
            // The string of the code before, then its own first pixel.
            length = m_prevLength + 1;
            if (Checked && length > std::size_t(m_end - m_dst))
                return lastString(m_prevSrc);
            copyString(m_dst, m_prevSrc, m_prevLength);
            m_dst[m_prevLength] = m_prevSrc[0];
        } else {
            m_stop = code;
            return false;
        }
        addEntry();
        m_previous = code;
        m_prevSrc = m_dst;
        m_prevLength = length;
        m_dst += length;
        return true;
    }
    GIF_INLINE void addEntry() {
        m_table[m_nextFree] = {m_prevSrc, std::uint16_t(m_prevLength + 1),
                               std::uint16_t(m_previous)};
        if (++m_nextFree >= m_codeLimit) [[unlikely]] {
            if (m_codeSize < 12) {
                ++m_codeSize;
                m_codeLimit <<= 1;
            } else {
                m_nextFree = maxCodes;
            }
        }
    }
    GIF_INLINE void finish() {
        m_d.m_bits.acc = m_acc;
        m_d.m_bits.count = m_count;
        m_d.m_bits.p = m_p;
        m_d.m_bits.blockLeft = m_blockLeft;
        m_d.m_pos = std::size_t(m_dst - m_d.m_out);
        m_d.m_codeSize = m_codeSize;
        m_d.m_codeLimit = 1 << m_codeSize;
        m_d.m_nextFree = m_nextFree;
        m_d.m_previous = m_previous;
        m_d.m_tableFull = m_nextFree == maxCodes;
        m_d.m_afterClear = m_cleared;
        m_d.m_prevStart = std::uint32_t(m_prevSrc - m_d.m_out);
        m_d.m_prevLength = m_prevLength;
    }

    LzwDecoder& m_d;
    std::uint64_t m_acc;
    int m_count;
    const std::uint8_t* m_p;
    std::size_t m_blockLeft;
    const std::uint8_t* const m_dataEnd;
    std::uint8_t* m_dst;
    std::uint8_t* const m_end;
    const int m_clear;
    const int m_rootMask;
    int m_codeSize;
    int m_nextFree;
    int m_previous;
    int m_codeLimit;
    const std::uint8_t* m_prevSrc;
    std::uint32_t m_prevLength;
    Entry* const m_table;
    bool m_cleared;
    // -1 while decoding goes on or once the frame is done, else the code that stopped it.
    int m_stop = -1;
};

template <bool Reporting> bool LzwDecoder::fast(int& handedOn) {
    FastLoop<Reporting> loop(*this);
    return loop.run(handedOn);
}

// The rules for any stream: each code's chain is walked onto a pixel stack and popped into
// the output, bounded by the stack; table entries come from the previous code whatever it was.
bool LzwDecoder::general(int code) {
    std::vector<std::uint16_t> prefix(maxCodes, 0), suffix(maxCodes, 0);
    // The table so far, as chains: an entry's last pixel is its suffix.
    for (int e = m_clear + 2; e < maxCodes; ++e)
        if (m_table[e].length > 0) {
            prefix[std::size_t(e)] = m_table[e].prefix;
            suffix[std::size_t(e)] = m_table[e].src[m_table[e].length - 1];
        }
    int firstPixel = m_prevLength > 0 ? m_out[m_prevStart] : 0;
    std::vector<std::uint16_t> stack(stackSize);
    if (code < 0)
        code = m_pos < m_count ? next() : -1;
    while (code >= 0) {
        if (m_afterClear && code == m_clear && m_atStart) {
            m_atStart = false;
        } else if (m_afterClear) {
            m_atStart = false;
            m_afterClear = false;
            m_tableFull = false;
            m_previous = code;
            firstPixel = code & m_rootMask;
            put(unsigned(firstPixel));
        } else if (code == m_clear) {
            reset();
        } else {
            int k = code;
            std::size_t top = 0;
            if (code >= m_nextFree) {
                stack[top++] = std::uint16_t(firstPixel);
                k = m_previous;
            }
            while (k > m_rootMask) {
                if (top >= stackSize)
                    return true;
                stack[top++] = suffix[std::size_t(k)];
                k = prefix[std::size_t(k)];
            }
            if (top >= stackSize)
                return true;
            firstPixel = k & m_rootMask;
            stack[top++] = std::uint16_t(firstPixel);
            while (top > 0)
                put(stack[--top]);
            if (!m_tableFull) {
                prefix[std::size_t(m_nextFree)] = std::uint16_t(m_previous);
                suffix[std::size_t(m_nextFree)] = std::uint16_t(firstPixel);
                grow();
            }
            m_previous = code;
        }
        code = m_pos < m_count ? next() : -1;
    }
    return m_damaged;
}

// Rows decoded in the order of the four passes are moved to their places, one cycle of the
// permutation at a time through a single row of scratch space.
void deinterlace(std::uint8_t* rows, std::size_t width, int height) {
    std::vector<int> source(static_cast<std::size_t>(height));
    int decoded = 0;
    static const int start[] = {0, 4, 2, 1};
    static const int step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < height; y += step[pass])
            source[std::size_t(y)] = decoded++;
    std::vector<bool> placed(static_cast<std::size_t>(height), false);
    std::vector<std::uint8_t> scratch(width);
    auto row = [&](int y) { return rows + std::size_t(y) * width; };
    for (int first = 0; first < height; ++first) {
        if (placed[std::size_t(first)])
            continue;
        std::memcpy(scratch.data(), row(first), width);
        int y = first;
        while (source[std::size_t(y)] != first) {
            std::memcpy(row(y), row(source[std::size_t(y)]), width);
            placed[std::size_t(y)] = true;
            y = source[std::size_t(y)];
        }
        std::memcpy(row(y), scratch.data(), width);
        placed[std::size_t(y)] = true;
    }
}

} // namespace

bool DecodeFrameIndexes(std::string_view zipData, int width, int height, int bitsPerPixel,
                        bool interlaced, std::uint8_t* out,
                        const platform::TProgressEvent& progress) {
    auto notify = [&](TProgressStage stage, int percent, const std::string& message = {}) {
        if (progress)
            progress(stage, percent, message);
    };
    notify(TProgressStage::psStarting, 0);
    bool damaged = false;
    try {
        if (zipData.empty())
            throw EReadError();
        const int minCodeSize = std::uint8_t(zipData[0]);
        if (minCodeSize < 2 || minCodeSize > 9)
            gif_messages::fail(gif_messages::SGIFCodeSize);
        const std::size_t w = std::size_t(std::max(width, 0));
        const std::size_t h = std::size_t(std::max(height, 0));
        const auto* data = reinterpret_cast<const std::uint8_t*>(zipData.data());
        BitReader bits(data + 1, data + zipData.size());
        auto decoder = std::make_unique<LzwDecoder>(bits, minCodeSize, bitsPerPixel, out, w * h,
                                                    progress, zipData.size());
        damaged = decoder->run();
        // What the data did not reach keeps colour index 0, as does what a string wrote past it.
        std::memset(out + decoder->decoded(), 0, w * h - decoder->decoded());
        if (interlaced && w > 0 && h > 1)
            deinterlace(out, w, height);
    } catch (const Exception& error) {
        notify(TProgressStage::psEnding, 0, error.Message());
        throw;
    }
    notify(TProgressStage::psEnding, 100);
    return damaged;
}
