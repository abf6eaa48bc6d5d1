#include "pictures/RxGIF.h"

#include "platform/Errors.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

using platform::TBitmap;
using platform::TProgressStage;

static_assert(gifNoColor == clNone, "the file reader's missing colour is the drawing one's");

// Frames.

TGIFFrame::TGIFFrame(TGIFImage* owner) : m_owner(owner) {
    Reset();
}

void TGIFFrame::Reset() {
    m_item = std::make_shared<TGIFItem>();
    Damaged = false;
    TransparentColor = clNone;
    Left = Top = 0;
    Interlaced = false;
    LocalColors = false;
    Delay = 0;
    Disposal = 0;
}

void TGIFFrame::Adopt(TGIFFrameRecord&& record) {
    m_item = std::move(record.Item);
    m_extensions = std::move(record.Extensions);
    Left = record.Left;
    Top = record.Top;
    Interlaced = record.Interlaced;
    Damaged = record.Damaged;
    TransparentColor = record.TransparentColor;
    Delay = record.Delay;
    Disposal = record.Disposal;
    LocalColors = record.LocalColors;
}

namespace {

// The 32-bit pixels of each colour index, as the screen draws them, and the colour table of the
// frame's bit depth, where indexes beyond the file's table stand for a middle grey.
struct FramePalette {
    QRgb pixel[256];
    std::vector<TColor> colors;

    FramePalette(const TGIFColorTable& table, int depth) {
        for (int i = 0; i < 256; ++i) {
            const bool known = i < table.Count;
            const auto& c = table.Colors[std::size_t(i)];
            pixel[i] = known ? qRgb(c[0], c[1], c[2]) : qRgb(128, 128, 128);
            if (i < 1 << depth)
                colors.push_back(known ? platform::rgb(c[0], c[1], c[2])
                                       : platform::rgb(128, 128, 128));
        }
    }
};

// Indexes decoded into the last quarter of the pixels' own memory are widened in place, front
// to back: a pixel's four bytes always land on indexes already read, except near the very end,
// whose indexes are set aside first. So the frame never exists twice at full size.
constexpr std::size_t inPlaceTail = 64;
constexpr std::size_t inPlaceMinimum = 4 * inPlaceTail;

QImage frameImage(const TGIFItem& item) {
    QImage image = platform::largeImage(item.Width, item.Height, QImage::Format_RGB32);
    if (image.isNull())
        throw EInvalidGraphicOperation("Not enough memory for a GIF frame of " +
                                       std::to_string(item.Width) + " x " +
                                       std::to_string(item.Height) + " pixels");
    return image;
}

void widen(const std::uint8_t* indexes, std::size_t count, const QRgb* pixel, QRgb* out) {
    std::uint8_t tail[inPlaceTail];
    const std::size_t kept = std::min(count, inPlaceTail);
    const std::size_t body = count - kept;
    std::memcpy(tail, indexes + body, kept);
    std::size_t i = 0;
    for (; i + 16 <= body; i += 16) {
        std::uint8_t chunk[16];
        std::memcpy(chunk, indexes + i, 16);
        for (int j = 0; j < 16; ++j)
            out[i + std::size_t(j)] = pixel[chunk[j]];
    }
    for (; i < body; ++i)
        out[i] = pixel[indexes[i]];
    for (std::size_t j = 0; j < kept; ++j)
        out[body + j] = pixel[tail[j]];
}

} // namespace

void TGIFFrame::Decode() {
    const TGIFItem& item = *m_item;
    const TGIFFrameLayout layout = GIFFrameLayout(item);
    const std::size_t count = std::size_t(item.Width) * std::size_t(item.Height);
    platform::TProgressEvent progress;
    if (m_owner && m_owner->OnProgress)
        progress = [owner = m_owner](TProgressStage stage, int percent, const std::string& msg) {
            owner->DecodeProgress(stage, percent, msg);
        };
    QImage image;
    std::vector<std::uint8_t> separate;
    std::uint8_t* indexes;
    if (count >= inPlaceMinimum) {
        image = frameImage(item);
        indexes = image.bits() + 3 * count - gifDecodeSlack;
    } else {
        separate.resize(count + gifDecodeSlack);
        indexes = separate.data();
    }
    if (DecodeFrameIndexes(item.ZipData(), item.Width, item.Height, item.BitsPerPixel, Interlaced,
                           indexes, progress))
        Damaged = true;
    // A frame without pixels has nothing a bitmap could hold.
    if (count == 0)
        return;
    FramePalette palette(item.ColorMap, layout.Depth);
    // The image's rows lie back to back, so a small frame's separate indexes widen the same way.
    if (image.isNull())
        image = frameImage(item);
    widen(indexes, count, palette.pixel, reinterpret_cast<QRgb*>(image.bits()));
    m_bitmap->setImage(std::move(image), std::move(palette.colors));
}

TBitmap& TGIFFrame::FrameBitmap() {
    if (m_bitmap && !m_bitmap->Empty())
        return *m_bitmap;
    m_bitmap = std::make_unique<TBitmap>();
    m_keyed = QImage();
    if (m_item->ZipData().empty())
        return *m_bitmap;
    try {
        Decode();
    } catch (const EAbort&) {
        // A progress handler asked to stop: the frame stays empty and nobody is told.
        m_bitmap = std::make_unique<TBitmap>();
    }
    return *m_bitmap;
}

int TGIFFrame::Width() {
    if (!m_bitmap && m_item->ZipData().empty())
        return 0;
    return FrameBitmap().Width();
}

int TGIFFrame::Height() {
    if (!m_bitmap && m_item->ZipData().empty())
        return 0;
    return FrameBitmap().Height();
}

std::vector<std::string>* TGIFFrame::FrameComments(bool create) {
    if (m_extensions)
        for (TExtension& ext : *m_extensions)
            if (ext.Kind == TExtensionKind::Comment) {
                if (!ext.Data)
                    ext.Data.emplace();
                return &*ext.Data;
            }
    if (!create)
        return nullptr;
    if (!m_extensions)
        m_extensions.emplace();
    TExtension comment;
    comment.Kind = TExtensionKind::Comment;
    comment.Data.emplace();
    m_extensions->push_back(std::move(comment));
    return &*m_extensions->back().Data;
}

void TGIFFrame::Assign(const TGIFFrame& source) {
    if (&source == this)
        return;
    m_item = source.m_item;
    LocalColors = (m_owner && m_owner == source.m_owner) ? source.LocalColors : true;
    Left = source.Left;
    Top = source.Top;
    Interlaced = source.Interlaced;
    if (source.m_bitmap) {
        m_bitmap = std::make_unique<TBitmap>();
        m_bitmap->Assign(*source.m_bitmap);
    } else {
        // A bitmap decoded from the frame's old data would no longer match the shared item.
        m_bitmap.reset();
    }
    m_keyed = QImage();
    TransparentColor = source.TransparentColor;
    Delay = source.Delay;
    Disposal = source.Disposal;
    Damaged = source.Damaged;
    if (source.m_extensions)
        for (const TExtension& ext : *source.m_extensions)
            if (ext.Kind == TExtensionKind::Comment && ext.Data && !ext.Data->empty()) {
                std::vector<std::string>* comments = FrameComments(true);
                comments->insert(comments->end(), ext.Data->begin(), ext.Data->end());
                break;
            }
    if (m_owner)
        m_owner->RecalcScreenSize();
}

const QImage& TGIFFrame::KeyedImage() {
    const TBitmap& bitmap = FrameBitmap();
    if (m_keyed.isNull() || m_keyedColor != TransparentColor) {
        m_keyed = platform::keyedImage(bitmap.image(), TransparentColor);
        m_keyedColor = TransparentColor;
    }
    return m_keyed;
}

// The picture.

TGIFImage::TGIFImage() {
    Clear();
    SetTransparent(true);
}

TGIFImage::~TGIFImage() {
    OnChange = nullptr;
    OnProgress = nullptr;
}

void TGIFImage::Clear() {
    m_data = std::make_shared<TGIFData>();
    m_frames.clear();
    m_frameIndex = -1;
    m_backgroundColor = clNone;
    m_repeatCount = 1;
    m_looping = false;
    m_version = 0;
}

int TGIFImage::Width() const {
    if (Empty() || m_frameIndex < 0 || m_frameIndex >= Count())
        return 0;
    return m_frames[std::size_t(m_frameIndex)]->FrameBitmap().Width();
}

int TGIFImage::Height() const {
    if (Empty() || m_frameIndex < 0 || m_frameIndex >= Count())
        return 0;
    return m_frames[std::size_t(m_frameIndex)]->FrameBitmap().Height();
}

bool TGIFImage::Empty() const {
    if (m_frames.empty())
        return true;
    const TGIFFrame& frame = *m_frames[std::size_t(std::clamp(m_frameIndex, 0, Count() - 1))];
    return !frame.m_bitmap && frame.m_item->ZipData().empty();
}

void TGIFImage::Draw(QPainter& painter, const QRect& dest) const {
    if (m_frameIndex < 0 || m_frameIndex >= Count())
        return;
    TGIFFrame& frame = *m_frames[std::size_t(m_frameIndex)];
    const TBitmap& bitmap = frame.FrameBitmap();
    if (bitmap.Empty())
        return;
    if (TransparentSwitch() && frame.TransparentColor != clNone)
        painter.drawImage(dest, frame.KeyedImage());
    else
        painter.drawImage(dest, bitmap.image());
}

bool TGIFImage::Transparent() const {
    if (!TransparentSwitch())
        return false;
    return std::any_of(m_frames.begin(), m_frames.end(),
                       [](const auto& f) { return f->TransparentColor != clNone; });
}

void TGIFImage::SetWidth(int) {
    gif_messages::fail(gif_messages::SGIFNoResize);
}

void TGIFImage::SetHeight(int) {
    gif_messages::fail(gif_messages::SGIFNoResize);
}

std::vector<TColor> TGIFImage::Palette() const {
    if (m_frames.empty())
        return {};
    return CurrentBitmap().Palette();
}

TBitmap& TGIFImage::CurrentBitmap() const {
    const int index = m_frameIndex >= 0 && m_frameIndex < Count() ? m_frameIndex : 0;
    return m_frames.at(std::size_t(index))->FrameBitmap();
}

bool TGIFImage::Equals(const TGIFImage& other) const {
    return m_data == other.m_data;
}

bool TGIFImage::Equals(const platform::TGraphic& other) const {
    const auto* gif = dynamic_cast<const TGIFImage*>(&other);
    return gif && Equals(*gif);
}

std::unique_ptr<platform::TGraphic> TGIFImage::Clone() const {
    auto copy = std::make_unique<TGIFImage>();
    copy->SetTransparent(TransparentSwitch());
    copy->Assign(*this);
    return copy;
}

void TGIFImage::Assign(const TGIFImage& source) {
    if (&source == this)
        return;
    m_data = source.m_data;
    m_version = source.m_version;
    m_backgroundColor = source.m_backgroundColor;
    m_looping = source.m_looping;
    m_repeatCount = source.m_repeatCount;
    m_frames.clear();
    for (const auto& from : source.m_frames) {
        auto frame = std::make_unique<TGIFFrame>(this);
        frame->Assign(*from);
        frame->LocalColors = from->LocalColors;
        m_frames.push_back(std::move(frame));
    }
    m_screenWidth = source.m_screenWidth;
    m_screenHeight = source.m_screenHeight;
    m_frameIndex = source.m_frameIndex;
    Changed();
}

void TGIFImage::RecalcScreenSize() {
    // Sizes from the image descriptors: a decoded frame has exactly its descriptor's size, and
    // taking them from there spares decoding every frame of the picture for a copy.
    int width = 0, height = 0;
    for (const auto& frame : m_frames) {
        const int w = frame->m_bitmap ? frame->m_bitmap->Width() : frame->m_item->Width;
        const int h = frame->m_bitmap ? frame->m_bitmap->Height() : frame->m_item->Height;
        width = std::max(width, w + frame->Left);
        height = std::max(height, h + frame->Top);
    }
    m_screenWidth = std::uint16_t(std::min(width, 0xFFFF));
    m_screenHeight = std::uint16_t(std::min(height, 0xFFFF));
}

void TGIFImage::LoadFromStream(const std::string& bytes) {
    ReadStream(bytes, true);
}

void TGIFImage::LoadFromBytes(std::string&& bytes) {
    ReadStream(std::make_shared<const std::string>(std::move(bytes)), true);
}

void TGIFImage::ReadStream(const std::string& bytes, bool decodeFirst) {
    ReadStream(std::make_shared<const std::string>(bytes), decodeFirst);
}

void TGIFImage::ReadStream(std::shared_ptr<const std::string> bytes, bool decodeFirst) {
    Clear();
    TGIFFile file;
    // A failing file still leaves what was read before the failure in the picture.
    try {
        ReadGIFFile(std::move(bytes), file);
    } catch (...) {
        Adopt(std::move(file));
        throw;
    }
    Adopt(std::move(file));
    if (!m_frames.empty()) {
        m_frameIndex = 0;
        if (decodeFirst) {
            try {
                m_frames.front()->FrameBitmap();
            } catch (...) {
                m_frames.erase(m_frames.begin());
                throw;
            }
        }
    }
    SetPaletteModified(true);
    Changed();
}

void TGIFImage::Adopt(TGIFFile&& file) {
    *m_data = std::move(file.Data);
    m_version = file.Version;
    m_screenWidth = file.ScreenWidth;
    m_screenHeight = file.ScreenHeight;
    m_backgroundColor = file.BackgroundColor;
    m_looping = file.Looping;
    m_repeatCount = file.RepeatCount;
    for (TGIFFrameRecord& record : file.Frames) {
        auto frame = std::make_unique<TGIFFrame>(this);
        frame->Adopt(std::move(record));
        m_frames.push_back(std::move(frame));
    }
}

// Registration.

namespace {
bool registered = false;
}

void RxGIFInitialize() {
    if (registered)
        return;
    registered = true;
    platform::TPicture::RegisterFileFormat("gif", gif_messages::text(gif_messages::SGIFImage),
                                           "TGIFImage",
                                           [] { return std::make_unique<TGIFImage>(); });
    const unsigned format = platform::RegisterClipboardFormat("GIF Image");
    platform::TPicture::RegisterClipboardFormat(format, "TGIFImage",
                                                [] { return std::make_unique<TGIFImage>(); });
}

void RxGIFFinalize() {
    if (!registered)
        return;
    registered = false;
    platform::TPicture::UnregisterGraphicClass("TGIFImage");
}
