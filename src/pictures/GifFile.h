// The GIF file itself (GIF87a and GIF89a), without any drawing: the blocks of a file read into
// a plain model, and the LZW decoding of a frame into rows of colour indexes. TGIFImage shows
// pictures through this; the Windows build of the core uses it as it is.
#pragma once

#include "platform/Progress.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The error texts of the reader, by their string ids.
namespace gif_messages {
constexpr int SGIFVersion = 61092;
constexpr int SGIFCodeSize = 61095;
constexpr int SWrongGIFColors = 61096;
constexpr int SBadGIFExtension = 61097;
constexpr int SGIFNoResize = 61099;
constexpr int SGIFImage = 61100;
const char* text(int id);
// Throws EInvalidGraphicOperation with the text of id.
[[noreturn]] void fail(int id);
} // namespace gif_messages

// Frames bigger than this are refused before anything is allocated for them.
constexpr int maxGIFSide = 16384;
constexpr std::int64_t maxGIFBitmapBytes = 64LL * 1024 * 1024;

// A colour as R + 256 G + 65536 B, the same value the drawing side calls TColor; this value
// stands for no colour at all.
constexpr std::int32_t gifNoColor = 0x1FFFFFFF;

struct TGIFColorTable {
    int Count = 0;
    std::array<std::array<std::uint8_t, 3>, 256> Colors{};

    // R + 256 G + 65536 B of an entry.
    std::int32_t Color(int index) const;
};

// What every picture copied from one loaded file shares.
struct TGIFData {
    std::vector<std::string> Comments;
    std::uint8_t AspectRatio = 0;
    std::uint8_t BitsPerPixel = 0;
    std::uint8_t ColorResBits = 0;
    TGIFColorTable ColorMap;
};

// A frame's encoded form, shared by every copy of the frame.
struct TGIFItem {
    // The whole file as read, shared by every frame of it: the encoded data is never copied.
    std::shared_ptr<const std::string> Bytes;
    std::size_t ZipOffset = 0;
    std::size_t ZipSize = 0;
    // The minimum code size byte, then the data sub-blocks with their length bytes, as they
    // stand in the file.
    std::string_view ZipData() const {
        return Bytes ? std::string_view(*Bytes).substr(ZipOffset, ZipSize) : std::string_view();
    }
    int Width = 0;
    int Height = 0;
    std::uint8_t Flags = 0;
    std::uint8_t BitsPerPixel = 0;
    TGIFColorTable ColorMap;
};

enum class TExtensionKind : std::uint8_t { GraphicControl, PlainText, Application, Comment };

struct TExtension {
    TExtensionKind Kind = TExtensionKind::GraphicControl;
    // One string per data sub-block; absent for a graphic control extension.
    std::optional<std::vector<std::string>> Data;
    // The fixed part, beginning with its block size byte.
    std::string Fixed;
};

// One image descriptor of a file, with the extensions that came before it.
struct TGIFFrameRecord {
    std::shared_ptr<TGIFItem> Item = std::make_shared<TGIFItem>();
    // Absent when no extension came before the frame.
    std::optional<std::vector<TExtension>> Extensions;
    int Left = 0;
    int Top = 0;
    bool Interlaced = false;
    // The encoded data ended inside a sub-block.
    bool Damaged = false;
    std::int32_t TransparentColor = gifNoColor;
    // Milliseconds.
    std::uint32_t Delay = 0;
    std::uint8_t Disposal = 0;
    bool LocalColors = false;
};

// A whole file as read: nothing decoded yet.
struct TGIFFile {
    // 1 for GIF87a, 2 for GIF89a, 0 for no file at all.
    std::uint8_t Version = 0;
    std::uint16_t ScreenWidth = 0;
    std::uint16_t ScreenHeight = 0;
    std::int32_t BackgroundColor = gifNoColor;
    bool Looping = false;
    std::uint16_t RepeatCount = 1;
    TGIFData Data;
    std::vector<TGIFFrameRecord> Frames;
};

// Reads the blocks of a file into file, which must be fresh. Empty bytes are no file and no
// error. A failure throws, and file keeps what was read before it, without the frame that failed.
void ReadGIFFile(std::shared_ptr<const std::string> bytes, TGIFFile& file);
void ReadGIFFile(const std::string& bytes, TGIFFile& file);

// How a frame's indexes are laid out once decoded.
struct TGIFFrameLayout {
    // Bits per index: 1, 4 or 8.
    int Depth = 0;
    // Bytes per row, rounded up to four.
    std::size_t Stride = 0;
};

// The layout for a frame; refuses a colour count that is no power of two and frames bigger
// than maxGIFSide or maxGIFBitmapBytes.
TGIFFrameLayout GIFFrameLayout(const TGIFItem& item);

// What DecodeFrameIndexes may write past a frame's last pixel.
constexpr std::size_t gifDecodeSlack = 32;

// LZW decoding of one frame's encoded data into width x height colour indexes, one byte each,
// top-down and left to right, an interlaced frame's rows already in their places. out holds
// width x height + gifDecodeSlack bytes; pixels the data does not reach are 0. Answers whether
// the data was damaged.
bool DecodeFrameIndexes(std::string_view zipData, int width, int height, int bitsPerPixel,
                        bool interlaced, std::uint8_t* out,
                        const platform::TProgressEvent& progress);
