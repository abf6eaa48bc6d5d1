#include "GifOracle.h"

#include "pictures/GifFile.h"
#include "platform/Errors.h"

#include <algorithm>
#include <vector>

using platform::TProgressStage;

namespace gif_oracle {

namespace {

// The row after y in the four passes of an interlaced frame.
struct InterlaceRows {
    int pass = 0;
    int next(int y, int height) {
        static const int step[] = {8, 8, 4, 2};
        y += step[pass];
        if (y < height || pass == 3)
            return y;
        static const int start[] = {0, 4, 2, 1};
        while (pass < 3) {
            ++pass;
            if (start[pass] < height)
                return start[pass];
        }
        return height;
    }
};

// Codes are taken least-significant bit first from the data sub-blocks. An empty sub-block
// adds nothing; the byte after it is taken as the next length.
class CodeReader {
public:
    CodeReader(const std::uint8_t* data, std::size_t size)
        : m_begin(data), m_p(data), m_end(data + size) {}

    static constexpr int endOfData = -1;

    // The next code, or endOfData once the sub-blocks cannot fill it.
    int fetch(int width) {
        while (m_bits < width) {
            while (m_blockLeft == 0) {
                if (m_p >= m_end)
                    return endOfData;
                m_blockLeft = *m_p++;
            }
            if (m_p >= m_end)
                return endOfData;
            m_acc |= std::uint32_t(*m_p++) << m_bits;
            m_bits += 8;
            --m_blockLeft;
        }
        const int code = int(m_acc & ((1u << width) - 1));
        m_acc >>= width;
        m_bits -= width;
        return code;
    }
    std::size_t position() const { return std::size_t(m_p - m_begin); }

private:
    const std::uint8_t* m_begin;
    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
    std::uint32_t m_acc = 0;
    int m_bits = 0;
    int m_blockLeft = 0;
};

// Writes decoded pixel values into the bottom-up rows.
class PixelSink {
public:
    PixelSink(std::uint8_t* rows, std::size_t stride, int width, int height, int depth,
              bool interlaced)
        : m_rows(rows), m_stride(stride), m_width(width), m_height(height), m_depth(depth),
          m_interlaced(interlaced) {
        // A frame without columns has no pixel bytes: nothing may be stored.
        if (width <= 0)
            m_y = height;
        setRow();
    }

    bool full() const { return m_y >= m_height; }

    void put(unsigned v) {
        if (m_y >= m_height)
            return;
        switch (m_depth) {
        case 8:
            m_row[m_x] = std::uint8_t(v);
            break;
        case 4:
            if (m_x & 1)
                m_row[m_x >> 1] |= std::uint8_t(v & 0x0F);
            else
                m_row[m_x >> 1] = std::uint8_t(v << 4);
            break;
        default:
            if (m_x & 7)
                m_row[m_x >> 3] |= std::uint8_t((v & 1) << (7 - (m_x & 7)));
            else
                m_row[m_x >> 3] = std::uint8_t((v & 1) << 7);
            break;
        }
        if (++m_x == m_width) {
            m_x = 0;
            m_y = m_interlaced ? m_passes.next(m_y, m_height) : m_y + 1;
            setRow();
        }
    }

private:
    void setRow() {
        if (m_y < m_height)
            m_row = m_rows + std::size_t(m_height - 1 - m_y) * m_stride;
    }

    std::uint8_t* m_rows;
    std::uint8_t* m_row = nullptr;
    std::size_t m_stride;
    int m_width;
    int m_height;
    int m_depth;
    bool m_interlaced;
    int m_x = 0;
    int m_y = 0;
    InterlaceRows m_passes;
};

} // namespace

bool DecodeFrameBits(std::string_view zipData, int width, int height, int depth, int bitsPerPixel,
                     bool interlaced, std::uint8_t* rows, std::size_t stride,
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

        const int clearCode = 1 << minCodeSize;
        const int endCode = clearCode + 1;
        int codeSize = minCodeSize + 1;
        int codeLimit = 1 << codeSize;
        int nextFree = clearCode + 2;
        const int rootMask = (1 << bitsPerPixel) - 1;
        std::vector<std::uint16_t> prefix(4096, 0);
        std::vector<std::uint16_t> suffix(4096, 0);
        constexpr std::size_t stackSize = 4097;
        std::vector<std::uint16_t> stack(stackSize);
        int previous = 0;
        int firstPixel = 0;
        bool tableFull = false;
        // A stream that does not begin with a clear code begins as if it did.
        bool afterClear = true;

        const auto* data = reinterpret_cast<const std::uint8_t*>(zipData.data());
        CodeReader codes(data + 1, zipData.size() - 1);
        PixelSink sink(rows, stride, width, height, depth, interlaced);
        int lastPercent = -1;

        int code = codes.fetch(codeSize);
        // Running out of data counts as the end code: what was decoded so far stays, and the
        // frame is damaged only when rows are still missing.
        while (code != CodeReader::endOfData && code != endCode && !sink.full()) {
            if (code == clearCode) {
                codeSize = minCodeSize + 1;
                codeLimit = 1 << codeSize;
                nextFree = clearCode + 2;
                code = codes.fetch(codeSize);
                if (code == CodeReader::endOfData || code == endCode)
                    break;
                previous = code;
                firstPixel = code & rootMask;
                sink.put(unsigned(firstPixel));
                tableFull = false;
                afterClear = false;
            } else if (afterClear) {
                previous = code;
                firstPixel = code & rootMask;
                sink.put(unsigned(firstPixel));
                tableFull = false;
                afterClear = false;
            } else {
                int k = code;
                std::size_t top = 0;
                if (code >= nextFree) {
                    stack[top++] = std::uint16_t(firstPixel);
                    k = previous;
                }
                bool overflow = false;
                while (k > rootMask) {
                    if (top >= stackSize) {
                        overflow = true;
                        break;
                    }
                    stack[top++] = suffix[std::size_t(k)];
                    k = prefix[std::size_t(k)];
                }
                if (overflow || top >= stackSize) {
                    damaged = true;
                    break;
                }
                firstPixel = k & rootMask;
                stack[top++] = std::uint16_t(firstPixel);
                while (top > 0)
                    sink.put(stack[--top]);
                if (!tableFull) {
                    prefix[std::size_t(nextFree)] = std::uint16_t(previous);
                    suffix[std::size_t(nextFree)] = std::uint16_t(firstPixel);
                    ++nextFree;
                    if (nextFree >= codeLimit) {
                        if (codeSize < 12) {
                            ++codeSize;
                            codeLimit <<= 1;
                        } else {
                            tableFull = true;
                        }
                    }
                }
                previous = code;
            }
            code = codes.fetch(codeSize);
            if (progress) {
                const int percent = int(codes.position() * 100 / zipData.size());
                // Only changes are worth a call: a notification per code would cost more than
                // the decoding itself.
                if (percent != lastPercent) {
                    lastPercent = percent;
                    notify(TProgressStage::psRunning, percent);
                }
            }
        }
        if (code == CodeReader::endOfData && !sink.full())
            damaged = true;
    } catch (const Exception& error) {
        notify(TProgressStage::psEnding, 0, error.Message());
        throw;
    }
    notify(TProgressStage::psEnding, 100);
    return damaged;
}

Decoded decode(std::string_view zipData, int width, int height, int bitsPerPixel, bool interlaced) {
    Decoded out;
    const std::size_t w = std::size_t(std::max(width, 0)), h = std::size_t(std::max(height, 0));
    const std::size_t stride = (w + 3) / 4 * 4;
    std::vector<std::uint8_t> rows(stride * h);
    try {
        out.damaged = DecodeFrameBits(zipData, width, height, 8, bitsPerPixel, interlaced,
                                      rows.data(), stride, {});
    } catch (const Exception& error) {
        out.error = error.Message();
        return out;
    }
    out.indexes.reserve(w * h);
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* row = rows.data() + (h - 1 - y) * stride;
        out.indexes.insert(out.indexes.end(), row, row + w);
    }
    return out;
}

} // namespace gif_oracle
