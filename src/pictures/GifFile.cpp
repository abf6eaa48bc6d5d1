#include "pictures/GifFile.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

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
    explicit GifReader(std::shared_ptr<const std::string> bytes)
        : m_shared(std::move(bytes)), m_bytes(*m_shared) {}

    const std::shared_ptr<const std::string>& shared() const { return m_shared; }
    std::size_t offset() const { return m_pos; }
    void skip(std::size_t n) { m_pos += std::min(n, remaining()); }

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
    std::shared_ptr<const std::string> m_shared;
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

// The encoded data stays where it is in the file; only its extent is found.
void findEncodedData(GifReader& reader, TGIFFrameRecord& frame) {
    TGIFItem& item = *frame.Item;
    item.ZipOffset = reader.offset();
    reader.byte();
    std::size_t end = reader.offset();
    while (!reader.atEnd()) {
        const int length = reader.byte();
        if (std::size_t(length) > reader.remaining()) {
            frame.Damaged = true;
            break;
        }
        reader.skip(std::size_t(length));
        end = reader.offset();
        if (length == 0)
            break;
    }
    item.Bytes = reader.shared();
    item.ZipSize = end - item.ZipOffset;
}

// A graphic control extension's transparent colour, delay and disposal for its frame.
void applyGraphicControl(const TExtension& ext, TGIFFrameRecord& frame) {
    const TGIFItem& item = *frame.Item;
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

    findEncodedData(reader, frame);

    frame.Left = word(0);
    frame.Top = word(2);
    item.Width = word(4);
    item.Height = word(6);
    item.Flags = flags;
    if (!frame.LocalColors)
        item.ColorMap = global;

    frame.Delay = 0;
    if (frame.Extensions)
        for (const TExtension& ext : *frame.Extensions)
            if (ext.Kind == TExtensionKind::GraphicControl)
                applyGraphicControl(ext, frame);
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
    ReadGIFFile(std::make_shared<const std::string>(bytes), file);
}

namespace {

// The signature, the version and the logical screen with its global colour table.
void readHeader(GifReader& reader, TGIFFile& file) {
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
}

// A frame with the extensions before it; answers the block that follows, 0 for none known.
int readFrameBlock(GifReader& reader, std::vector<TExtension> collected, TGIFFile& file) {
    const TGIFColorTable& global = file.Data.ColorMap;
    TGIFFrameRecord frame;
    if (global.Count > 0)
        frame.Item->BitsPerPixel = std::uint8_t(powerOfTwo(global.Count));
    if (!collected.empty())
        frame.Extensions = std::move(collected);
    readFrame(reader, global, frame);
    file.Frames.push_back(std::move(frame));
    if (reader.atEnd())
        return trailer;
    int block = reader.byte();
    while (block == 0 && !reader.atEnd())
        block = reader.byte();
    if (block != extensionIntroducer && block != imageSeparator && block != trailer)
        block = 0;
    return block;
}

// The comments of extensions that no frame follows, kept once for the file.
void keepComments(const std::vector<TExtension>& collected, int block, TGIFFile& file) {
    if (file.Data.Comments.empty() && !collected.empty()) {
        for (const TExtension& ext : collected) {
            if (ext.Kind != TExtensionKind::Comment)
                continue;
            if (!file.Data.Comments.empty())
                file.Data.Comments.push_back("\r\n\r\n");
            file.Data.Comments.insert(file.Data.Comments.end(), ext.Data->begin(), ext.Data->end());
        }
    } else if (block != 0 && block != trailer) {
        throw EReadError();
    }
}

} // namespace

void ReadGIFFile(std::shared_ptr<const std::string> bytes, TGIFFile& file) {
    if (!bytes || bytes->empty())
        return;
    GifReader reader(std::move(bytes));
    readHeader(reader, file);
    int block = reader.atEnd() ? 0 : reader.byte();
    while (block != 0 && block != trailer && !reader.atEnd()) {
        std::vector<TExtension> collected = readExtensionGroup(reader, block, file);
        if (block == imageSeparator)
            block = readFrameBlock(reader, std::move(collected), file);
        else
            keepComments(collected, block, file);
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
