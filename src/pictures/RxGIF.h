// GIF pictures (GIF87a and GIF89a), read and decoded by our own reader. A picture keeps every
// frame of the file but only ever shows one, the current frame.
#pragma once

#include "pictures/GifFile.h"
#include "platform/Graphics.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TGIFImage;

class TGIFFrame {
public:
    explicit TGIFFrame(TGIFImage* owner);
    TGIFFrame(const TGIFFrame&) = delete;
    TGIFFrame& operator=(const TGIFFrame&) = delete;

    TGIFImage* Owner() const { return m_owner; }

    // The decoded frame, decoded on the first request.
    platform::TBitmap& FrameBitmap();
    bool HasBitmap() const { return m_bitmap != nullptr; }
    const TGIFItem& Item() const { return *m_item; }
    // 0 when there is nothing to decode; otherwise the decoded size.
    int Width();
    int Height();

    // The strings of the frame's comment extension; with create, the extension is made when
    // missing, otherwise nullptr answers that there is none.
    std::vector<std::string>* FrameComments(bool create);
    const std::vector<TExtension>* Extensions() const {
        return m_extensions ? &*m_extensions : nullptr;
    }

    // Takes the other frame's content; the encoded data is shared, not copied.
    void Assign(const TGIFFrame& source);

    int Left = 0;
    int Top = 0;
    bool Interlaced = false;
    bool Damaged = false;
    TColor TransparentColor = clNone;
    // Milliseconds. Wider than the file's field times ten needs, so long delays do not wrap.
    std::uint32_t Delay = 0;
    std::uint8_t Disposal = 0;
    bool LocalColors = false;

private:
    friend class TGIFImage;
    void Reset();
    // Takes over a frame as the file reader left it.
    void Adopt(TGIFFrameRecord&& record);
    void Decode();
    // The frame drawn with its transparent colour left out, kept until the bitmap changes.
    const QImage& KeyedImage();

    TGIFImage* m_owner;
    std::unique_ptr<platform::TBitmap> m_bitmap;
    std::shared_ptr<TGIFItem> m_item;
    std::optional<std::vector<TExtension>> m_extensions;
    QImage m_keyed;
    TColor m_keyedColor = clNone;
};

class TGIFImage : public platform::TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    int Width() const override;
    int Height() const override;
    bool Empty() const override;
    void Draw(QPainter& painter, const QRect& dest) const override;
    // The switch is on and some frame has a transparent colour.
    bool Transparent() const override;
    std::string ClassName() const override { return "TGIFImage"; }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void LoadFromStream(const std::string& bytes) override;
    // Keeps the bytes, which every frame's encoded data refers to.
    void LoadFromBytes(std::string&& bytes) override;
    std::vector<TColor> Palette() const override;
    // Only a picture that shares this one's loaded data is equal to it.
    bool Equals(const TGIFImage& other) const;
    bool Equals(const platform::TGraphic& other) const override;
    std::unique_ptr<platform::TGraphic> Clone() const override;

    // The reader behind LoadFromStream, which decodes frame 0 at once; inspecting tools may
    // leave every frame encoded until it is asked for.
    void ReadStream(const std::string& bytes, bool decodeFirst);
    void ReadStream(std::shared_ptr<const std::string> bytes, bool decodeFirst);

    // Copies another GIF picture; the loaded data is shared between both.
    void Assign(const TGIFImage& source);

    int Count() const { return int(m_frames.size()); }
    TGIFFrame& Frames(int index) const { return *m_frames.at(std::size_t(index)); }
    int FrameIndex() const { return m_frameIndex; }
    // The current frame's bitmap, or frame 0's when the index is out of range.
    platform::TBitmap& CurrentBitmap() const;
    const std::vector<std::string>& Comments() const { return m_data->Comments; }
    const TGIFData& Data() const { return *m_data; }

    std::uint8_t Version() const { return m_version; }
    int ScreenWidth() const { return m_screenWidth; }
    int ScreenHeight() const { return m_screenHeight; }
    TColor BackgroundColor() const { return m_backgroundColor; }
    bool Looping() const { return m_looping; }
    int RepeatCount() const { return m_repeatCount; }

private:
    friend class TGIFFrame;
    void Clear();
    // Takes over what the file reader read.
    void Adopt(TGIFFile&& file);
    void RecalcScreenSize();
    void DecodeProgress(platform::TProgressStage stage, int percent, const std::string& message) {
        Progress(stage, percent, message);
    }

    std::shared_ptr<TGIFData> m_data;
    std::uint8_t m_version = 0;
    std::vector<std::unique_ptr<TGIFFrame>> m_frames;
    int m_frameIndex = -1;
    std::uint16_t m_screenWidth = 0;
    std::uint16_t m_screenHeight = 0;
    TColor m_backgroundColor = clNone;
    bool m_looping = false;
    std::uint16_t m_repeatCount = 1;
};

// Registers TGIFImage with the picture container for ".gif" and the "GIF Image" clipboard
// format; more calls do nothing more. The finalisation takes the registration back.
void RxGIFInitialize();
void RxGIFFinalize();
