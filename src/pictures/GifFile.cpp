#include "pictures/GifFile.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

using platform::TProgressStage;

namespace gif_messages {

const char* text(int id) {
    switch (id) {
    case SGIFVersion:
        return "Unknown GIF version";
    case SGIFCodeSize:
        return "GIF code size not in range 2 to 9";
    case SWrongGIFColors:
        return "Wrong number of colors; must be a power of 2";
    case SBadGIFExtension:
        return "Unrecognized extension block: %.2x";
    case SGIFNoResize:
        return "Cannot change the Size of a GIF image";
    case SGIFImage:
        return "CompuServe GIF Image";
    default:
        return "";
    }
}

void fail(int id) {
    throw EInvalidGraphicOperation(text(id));
}

} // namespace gif_messages

namespace {

constexpr std::uint8_t extensionIntroducer = '!';
constexpr std::uint8_t imageSeparator = ',';
constexpr std::uint8_t trailer = ';';

// Reads from the in-memory copy of the file. Short reads either fail with the runtime's read
// error or answer how much they got, as each block of the format needs.
class GifReader {
public:
    explicit GifReader(const std::string& bytes) : m_bytes(bytes) {}

    std::size_t remaining() const { return m_bytes.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }

    int byte() {
        if (atEnd())
            throw EReadError();
        return std::uint8_t(m_bytes[m_pos++]);
    }
    // Reads up to n bytes into out, zero-filling what the file lacks; answers the count read.
    std::size_t read(void* out, std::size_t n) {
        const std::size_t got = std::min(n, remaining());
        std::memcpy(out, m_bytes.data() + m_pos, got);
        std::memset(static_cast<char*>(out) + got, 0, n - got);
        m_pos += got;
        return got;
    }
    void readExact(void* out, std::size_t n) {
        if (read(out, n) != n)
            throw EReadError();
    }
    std::string take(std::size_t n) {
        n = std::min(n, remaining());
        std::string s = m_bytes.substr(m_pos, n);
        m_pos += n;
        return s;
    }
    // Data sub-blocks up to the empty one or the end of the bytes, one string each.
    std::vector<std::string> subBlocks() {
        std::vector<std::string> blocks;
        while (!atEnd()) {
            const int length = byte();
            if (length == 0)
                break;
            blocks.push_back(take(std::size_t(length)));
        }
        return blocks;
    }

private:
    const std::string& m_bytes;
    std::size_t m_pos = 0;
};

} // namespace

std::int32_t TGIFColorTable::Color(int index) const {
    const auto& c = Colors[std::size_t(index)];
    return std::int32_t(c[0] | (c[1] << 8) | (c[2] << 16));
}

namespace {

int powerOfTwo(int count) {
    for (int n = 1; n <= 8; ++n)
        if (count == 1 << n)
            return n;
    gif_messages::fail(gif_messages::SWrongGIFColors);
}

// The application extension that makes a browser repeat the animation.
bool isLoopExtension(const TExtension& ext, std::uint16_t& repeatCount) {
    if (ext.Kind != TExtensionKind::Application || ext.Fixed.empty())
        return false;
    static const char id[] = "NETSCAPE2.0";
    const std::size_t n = std::uint8_t(ext.Fixed[0]);
    const std::string given = ext.Fixed.substr(1, n);
    if (given != std::string(id).substr(0, n) || n > 11)
        return false;
    if (!ext.Data || ext.Data->empty())
        return false;
    const std::string& first = ext.Data->front();
    if (first.size() <= 2 || first[0] != 1)
        return false;
    const int count = std::uint8_t(first[1]) + 256 * std::uint8_t(first[2]);
    repeatCount = std::uint16_t(std::min(count, 30000));
    return true;
}

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

bool DecodeFrameBits(const std::string& zipData, int width, int height, int depth, int bitsPerPixel,
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

namespace {

// The image descriptor after its separator, its colour table and its encoded data.
void readFrame(GifReader& reader, const TGIFColorTable& global, TGIFFrameRecord& frame) {
    TGIFItem& item = *frame.Item;
    std::uint8_t d[9];
    reader.readExact(d, sizeof d);
    auto word = [&](int at) { return d[at] | (d[at + 1] << 8); };
    const std::uint8_t flags = d[8];
    frame.Interlaced = (flags & 0x40) != 0;
    if (flags & 0x80) {
        item.BitsPerPixel = std::uint8_t((flags & 7) + 1);
        frame.LocalColors = true;
        item.ColorMap = TGIFColorTable();
        item.ColorMap.Count = 1 << item.BitsPerPixel;
        reader.readExact(item.ColorMap.Colors.data(), std::size_t(item.ColorMap.Count) * 3);
    } else {
        frame.LocalColors = false;
        item.ColorMap = TGIFColorTable();
    }

    item.ZipData.clear();
    item.ZipData += char(reader.byte());
    while (!reader.atEnd()) {
        const int length = reader.byte();
        if (std::size_t(length) > reader.remaining()) {
            frame.Damaged = true;
            break;
        }
        item.ZipData += char(length);
        item.ZipData += reader.take(std::size_t(length));
        if (length == 0)
            break;
    }

    frame.Left = word(0);
    frame.Top = word(2);
    item.Width = word(4);
    item.Height = word(6);
    item.Flags = flags;
    if (!frame.LocalColors)
        item.ColorMap = global;

    frame.Delay = 0;
    if (frame.Extensions)
        for (const TExtension& ext : *frame.Extensions) {
            if (ext.Kind != TExtensionKind::GraphicControl)
                continue;
            const auto f = [&](std::size_t i) {
                return i < ext.Fixed.size() ? std::uint8_t(ext.Fixed[i]) : 0;
            };
            const std::uint8_t gceFlags = f(1);
            if (gceFlags & 1) {
                if (f(4) < item.ColorMap.Count)
                    frame.TransparentColor = item.ColorMap.Color(f(4));
            } else {
                frame.TransparentColor = gifNoColor;
            }
            frame.Delay = std::max<std::uint32_t>(frame.Delay, (f(2) | (f(3) << 8)) * 10u);
            frame.Disposal = std::uint8_t((gceFlags >> 2) & 7);
        }
}

// The extensions up to the next block that is none. A plain text extension drops what came
// before it; the looping extension goes to the file, not to a frame.
std::vector<TExtension> readExtensionGroup(GifReader& reader, int& block, TGIFFile& file) {
    std::vector<TExtension> collected;
    while (block == extensionIntroducer) {
        if (reader.atEnd()) {
            block = trailer;
            break;
        }
        const int label = reader.byte();
        TExtension ext;
        auto fixed = [&](std::size_t n) {
            std::string part(n, '\0');
            part.resize(reader.read(part.data(), n));
            return part;
        };
        switch (label) {
        case 0xF9:
            ext.Kind = TExtensionKind::GraphicControl;
            ext.Fixed = fixed(6);
            break;
        case 0xFE:
            ext.Kind = TExtensionKind::Comment;
            ext.Data = reader.subBlocks();
            break;
        case 0x01:
            ext.Kind = TExtensionKind::PlainText;
            ext.Fixed = fixed(13);
            ext.Data = reader.subBlocks();
            break;
        case 0xFF:
            ext.Kind = TExtensionKind::Application;
            ext.Fixed = fixed(12);
            ext.Data = reader.subBlocks();
            break;
        default: {
            char message[64];
            std::snprintf(message, sizeof message, "Unrecognized extension block: %.2X",
                          unsigned(label));
            throw EInvalidGraphicOperation(message);
        }
        }
        if (ext.Kind == TExtensionKind::PlainText) {
            collected.clear();
        } else if (ext.Kind == TExtensionKind::Application) {
            std::uint16_t repeat = 0;
            if (isLoopExtension(ext, repeat)) {
                file.Looping = true;
                file.RepeatCount = repeat;
            }
        } else {
            collected.push_back(std::move(ext));
        }
        if (reader.atEnd()) {
            block = trailer;
            break;
        }
        block = reader.byte();
    }
    return collected;
}

} // namespace

void ReadGIFFile(const std::string& bytes, TGIFFile& file) {
    if (!bytes.empty()) {
        GifReader reader(bytes);
        char signature[6];
        reader.read(signature, 6);
        auto same = [](const char* a, const char* b) {
            for (int i = 0; i < 3; ++i)
                if (std::tolower(std::uint8_t(a[i])) != std::tolower(std::uint8_t(b[i])))
                    return false;
            return true;
        };
        if (!same(signature, "GIF"))
            gif_messages::fail(gif_messages::SGIFVersion);
        if (same(signature + 3, "87a"))
            file.Version = 1;
        else if (same(signature + 3, "89a"))
            file.Version = 2;
        else
            gif_messages::fail(gif_messages::SGIFVersion);

        std::uint8_t screen[7];
        reader.read(screen, sizeof screen);
        file.ScreenWidth = std::uint16_t(screen[0] | (screen[1] << 8));
        file.ScreenHeight = std::uint16_t(screen[2] | (screen[3] << 8));
        const std::uint8_t flags = screen[4];
        file.Data.AspectRatio = screen[6];
        file.Data.BitsPerPixel = std::uint8_t((flags & 7) + 1);
        file.Data.ColorResBits = std::uint8_t(((flags >> 4) & 7) + 1);
        TGIFColorTable& global = file.Data.ColorMap;
        if (flags & 0x80) {
            global.Count = 1 << file.Data.BitsPerPixel;
            reader.read(global.Colors.data(), std::size_t(global.Count) * 3);
            if (screen[5] < global.Count)
                file.BackgroundColor = global.Color(screen[5]);
        }

        int block = reader.atEnd() ? 0 : reader.byte();
        while (block != 0 && block != trailer && !reader.atEnd()) {
            std::vector<TExtension> collected = readExtensionGroup(reader, block, file);
            if (block == imageSeparator) {
                TGIFFrameRecord frame;
                if (global.Count > 0)
                    frame.Item->BitsPerPixel = std::uint8_t(powerOfTwo(global.Count));
                if (!collected.empty())
                    frame.Extensions = std::move(collected);
                readFrame(reader, global, frame);
                file.Frames.push_back(std::move(frame));
                if (reader.atEnd()) {
                    block = trailer;
                } else {
                    block = reader.byte();
                    while (block == 0 && !reader.atEnd())
                        block = reader.byte();
                    if (block != extensionIntroducer && block != imageSeparator && block != trailer)
                        block = 0;
                }
            } else {
                if (file.Data.Comments.empty() && !collected.empty()) {
                    for (const TExtension& ext : collected) {
                        if (ext.Kind != TExtensionKind::Comment)
                            continue;
                        if (!file.Data.Comments.empty())
                            file.Data.Comments.push_back("\r\n\r\n");
                        file.Data.Comments.insert(file.Data.Comments.end(), ext.Data->begin(),
                                                  ext.Data->end());
                    }
                } else if (block != 0 && block != trailer) {
                    throw EReadError();
                }
            }
        }
    }
}

TGIFFrameLayout GIFFrameLayout(const TGIFItem& item) {
    int depth;
    switch (item.BitsPerPixel) {
    case 1:
        depth = 1;
        break;
    case 2:
    case 3:
    case 4:
        depth = 4;
        break;
    case 5:
    case 6:
    case 7:
    case 8:
        depth = 8;
        break;
    default:
        gif_messages::fail(gif_messages::SWrongGIFColors);
    }
    const std::int64_t w = item.Width, h = item.Height;
    if (w > maxGIFSide || h > maxGIFSide || w * h * 4 > maxGIFBitmapBytes) {
        char message[200];
        std::snprintf(message, sizeof message,
                      "GIF frame of %d x %d pixels is too large: at most %d pixels a side and "
                      "%lld MiB of bitmap are allowed",
                      item.Width, item.Height, maxGIFSide,
                      static_cast<long long>(maxGIFBitmapBytes / (1024 * 1024)));
        throw EInvalidGraphicOperation(message);
    }
    return {depth, std::size_t((w * depth + 31) / 32 * 4)};
}
