#include "pictures/RxGIF.h"

#include "GifBuilder.h"
#include "TestSupport.h"
#include "platform/Errors.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace gif_test;
using platform::rgb;

using testing_support::errorOf;

namespace {

const std::vector<Rgb> eight = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                                {255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {255, 255, 255}};

TColor colorOf(const Rgb& c) {
    return rgb(c.r, c.g, c.b);
}

std::unique_ptr<TGIFImage> load(const std::string& bytes) {
    auto gif = std::make_unique<TGIFImage>();
    gif->LoadFromStream(bytes);
    return gif;
}

TColor pixel(TGIFImage& gif, int x, int y, int frame = 0) {
    return gif.Frames(frame).FrameBitmap().Pixel(x, y);
}

QImage drawn(const TGIFImage& gif, int w, int h) {
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(QColor(10, 20, 30));
    QPainter painter(&canvas);
    gif.Draw(painter, QRect(0, 0, w, h));
    return canvas;
}

} // namespace

TEST(RxGIF, EmptyStreamAndVersions) {
    auto empty = load("");
    EXPECT_TRUE(empty->Empty());
    EXPECT_EQ(empty->Width(), 0);
    EXPECT_EQ(empty->Height(), 0);
    EXPECT_EQ(drawn(*empty, 2, 2).pixel(0, 0), QColor(10, 20, 30).rgb()) << "nothing is drawn";

    const std::string body = GifBuilder(1, 1, eight, 3).image(1, 1, {2}, 3).end().substr(6);
    EXPECT_EQ(load("gif89A" + body)->Version(), 2) << "case is ignored";
    EXPECT_EQ(load("GIF87a" + body)->Version(), 1);
    EXPECT_EQ(errorOf([&] { load("GIF88a" + body); }), "Unknown GIF version");
    EXPECT_EQ(errorOf([&] { load("GIX89a" + body); }), "Unknown GIF version");
    EXPECT_EQ(errorOf([&] { load("GI"); }), "Unknown GIF version");
}

TEST(RxGIF, DepthFollowsBitsPerPixel) {
    // 1 bit: a one-bit bitmap of two colours.
    {
        auto gif = load(GifBuilder(9, 2, {{0, 0, 0}, {255, 255, 255}}, 1)
                            .image(9, 2, {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 2)
                            .end());
        ASSERT_EQ(gif->Width(), 9);
        EXPECT_EQ(pixel(*gif, 0, 0), clWhite);
        EXPECT_EQ(pixel(*gif, 1, 0), clBlack);
        EXPECT_EQ(pixel(*gif, 8, 0), clWhite) << "the ninth pixel sits in the second byte";
        EXPECT_EQ(pixel(*gif, 8, 1), clWhite);
        EXPECT_EQ(pixel(*gif, 7, 1), clBlack);
        EXPECT_EQ(gif->Palette().size(), 2u);
    }
    // 3 bits: a four-bit bitmap whose unused entries are grey.
    {
        std::vector<std::uint8_t> pixels(8 * 3);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = std::uint8_t(i % 8);
        auto gif = load(GifBuilder(8, 3, eight, 3).image(8, 3, pixels, 3).end());
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(pixel(*gif, x, 2), colorOf(eight[std::size_t(x)])) << "x " << x;
        const std::vector<TColor> palette = gif->Palette();
        ASSERT_EQ(palette.size(), 16u);
        EXPECT_EQ(palette[3], colorOf(eight[3]));
        EXPECT_EQ(palette[8], rgb(128, 128, 128));
        EXPECT_EQ(palette[15], rgb(128, 128, 128));
    }
    // 6 bits: an eight-bit bitmap; the minimum code size may be larger than the colour bits.
    {
        std::vector<Rgb> colors;
        for (int i = 0; i < 64; ++i)
            colors.push_back({std::uint8_t(i * 4), std::uint8_t(255 - i * 4), 7});
        std::vector<std::uint8_t> pixels;
        for (int i = 0; i < 64; ++i)
            pixels.push_back(std::uint8_t(63 - i));
        auto gif = load(GifBuilder(16, 4, colors, 6).image(16, 4, pixels, 6).end());
        EXPECT_EQ(gif->Palette().size(), 256u);
        for (int i = 0; i < 64; ++i)
            EXPECT_EQ(pixel(*gif, i % 16, i / 16), colorOf(colors[std::size_t(63 - i)]))
                << "pixel " << i;
    }
}

TEST(RxGIF, InterlacedFramesFillEveryRowOnce) {
    for (int height : {1, 2, 3, 5, 9, 17}) {
        // Rows arrive in pass order; each row's value is its number, so a row stored twice
        // or skipped shows the wrong colour.
        std::vector<int> order;
        for (int start : {0, 4, 2, 1})
            for (int y = start; y < height; y += (start == 0 ? 8 : start == 4 ? 8 : start * 2))
                order.push_back(y);
        std::vector<Rgb> colors;
        for (int i = 0; i < 32; ++i)
            colors.push_back({std::uint8_t(i), std::uint8_t(i * 3), std::uint8_t(200)});
        std::vector<std::uint8_t> pixels;
        for (int y : order)
            for (int x = 0; x < 3; ++x)
                pixels.push_back(std::uint8_t(y + 1));
        auto gif = load(GifBuilder(3, height, colors, 5).image(3, height, pixels, 5, true).end());
        ASSERT_EQ(gif->Height(), height);
        EXPECT_FALSE(gif->Frames(0).Damaged) << "height " << height;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(pixel(*gif, x, y), colorOf(colors[std::size_t(y + 1)]))
                    << "height " << height << " row " << y;
    }
}

TEST(RxGIF, TransparencyAndGraphicControl) {
    const std::vector<std::uint8_t> pixels = {1, 2, 1, 2};
    auto gif = load(GifBuilder(2, 2, eight, 3).gce(1, 0, 2).image(2, 2, pixels, 3).end());
    EXPECT_EQ(gif->Frames(0).TransparentColor, colorOf(eight[2]));
    EXPECT_TRUE(gif->Transparent());
    QImage canvas = drawn(*gif, 2, 2);
    EXPECT_EQ(canvas.pixel(1, 0), QColor(10, 20, 30).rgb()) << "transparent pixel shows canvas";
    EXPECT_EQ(canvas.pixel(0, 0), QColor(255, 0, 0).rgb());
    gif->SetTransparent(false);
    EXPECT_FALSE(gif->Transparent());
    EXPECT_EQ(drawn(*gif, 2, 2).pixel(1, 0), QColor(0, 255, 0).rgb()) << "switch off: opaque";

    auto outOfRange = load(GifBuilder(2, 2, {{1, 2, 3}, {4, 5, 6}}, 1)
                               .gce(1, 0, 5)
                               .image(2, 2, {0, 1, 1, 0}, 2)
                               .end());
    EXPECT_EQ(outOfRange->Frames(0).TransparentColor, clNone);
    EXPECT_FALSE(outOfRange->Transparent());

    // Two control blocks for one image: the larger delay, the later transparency and
    // disposal. Delays beyond 6553 hundredths must not wrap.
    auto twice = load(GifBuilder(2, 2, eight, 3)
                          .gce(1 | (2 << 2), 7000, 3)
                          .gce(1 | (1 << 2), 5, 4)
                          .image(2, 2, pixels, 3)
                          .end());
    const TGIFFrame& frame = twice->Frames(0);
    EXPECT_EQ(frame.Delay, 70000u);
    EXPECT_EQ(frame.TransparentColor, colorOf(eight[4]));
    EXPECT_EQ(frame.Disposal, 1);

    // A plain text block drops the control block before it.
    auto text =
        load(GifBuilder(2, 2, eight, 3).gce(1, 9, 2).plainText().image(2, 2, pixels, 3).end());
    EXPECT_EQ(text->Frames(0).TransparentColor, clNone);
    EXPECT_EQ(text->Frames(0).Delay, 0u);
}

TEST(RxGIF, CommentsLoopingAndFrames) {
    const std::vector<std::uint8_t> a = {1, 1, 1, 1}, b = {2, 2, 2, 2, 2, 2};
    auto gif = load(GifBuilder(10, 10, eight, 3, 3)
                        .loop(0x40, 0x9C)
                        .comment({"first"})
                        .image(2, 2, a, 3)
                        .raw(std::string(3, '\0'))
                        .image(3, 2, b, 3)
                        .comment({"one", "two"})
                        .comment({"three"})
                        .end() +
                    "trailing garbage");
    ASSERT_EQ(gif->Count(), 2) << "zero bytes between blocks are skipped";
    ASSERT_NE(gif->Frames(0).FrameComments(false), nullptr);
    EXPECT_EQ(*gif->Frames(0).FrameComments(false), std::vector<std::string>{"first"});
    EXPECT_EQ(gif->Frames(1).FrameComments(false), nullptr);
    EXPECT_EQ(gif->Comments(), (std::vector<std::string>{"one", "two", "\r\n\r\n", "three"}));
    EXPECT_TRUE(gif->Looping());
    EXPECT_EQ(gif->RepeatCount(), 30000);
    EXPECT_EQ(gif->BackgroundColor(), colorOf(eight[3]));
    EXPECT_EQ(gif->ScreenWidth(), 10);
    EXPECT_EQ(gif->Width(), 2) << "frame 0's size, not the screen's";
    EXPECT_EQ(gif->Height(), 2);
    EXPECT_FALSE(gif->Frames(1).HasBitmap()) << "later frames stay encoded";
    EXPECT_EQ(drawn(*gif, 4, 4).pixel(3, 3), QColor(255, 0, 0).rgb()) << "frame 0 is drawn";
    EXPECT_EQ(gif->Frames(1).Width(), 3);

    auto zero = load(GifBuilder(1, 1, eight, 3).loop(0, 0).image(1, 1, {1}, 3).end());
    EXPECT_TRUE(zero->Looping());
    EXPECT_EQ(zero->RepeatCount(), 0);
    EXPECT_FALSE(load(GifBuilder(1, 1, eight, 3).image(1, 1, {1}, 3).end())->Looping());
}

TEST(RxGIF, ErrorsCarryTheirTexts) {
    const auto base = [] { return GifBuilder(2, 1, eight, 3); };
    for (int size : {1, 10}) {
        const std::string file = base()
                                     .descriptor(0, 0, 2, 1)
                                     .raw(std::string(1, char(size)) + subBlocks("\x01\x02"))
                                     .end();
        auto gif = std::make_unique<TGIFImage>();
        EXPECT_EQ(errorOf([&] { gif->LoadFromStream(file); }), "GIF code size not in range 2 to 9")
            << "code size " << size;
        EXPECT_EQ(gif->Count(), 0) << "the failing frame 0 is removed";
    }
    EXPECT_EQ(errorOf([&] { load(base().raw("\x21\x7A\x00").end()); }),
              "Unrecognized extension block: 7A");
    EXPECT_EQ(errorOf([&] { load(base().raw("\x21\xab\x00").end()); }),
              "Unrecognized extension block: AB");
    EXPECT_EQ(errorOf([&] { load(base().gce(0, 0, 0).raw("X").end()); }), "Stream read error");
    EXPECT_EQ(errorOf([&] { load(base().raw(",\x01\x00").bytes); }), "Stream read error")
        << "short image descriptor";
    EXPECT_EQ(errorOf([&] { load(base().descriptor(0, 0, 1, 1, false, eight, 3).bytes); }),
              "Stream read error")
        << "no minimum code size byte";
    EXPECT_EQ(
        errorOf([&] { load(base().raw(",\0\0\0\0\x01\0\x01\0\x82" + std::string(5, 'x')).bytes); }),
        "Stream read error")
        << "short local colour table";
    EXPECT_EQ(errorOf([&] { load(GifBuilder(1, 1, {}, 0).image(1, 1, {1}, 2).end()); }),
              "Wrong number of colors; must be a power of 2")
        << "no colour table at all";

    auto gif = load(base().image(2, 1, {1, 2}, 3).end());
    EXPECT_EQ(errorOf([&] { gif->SetWidth(5); }), "Cannot change the Size of a GIF image");
    EXPECT_EQ(errorOf([&] { gif->SetHeight(5); }), "Cannot change the Size of a GIF image");
    EXPECT_EQ(gif->Width(), 2);
    EXPECT_EQ(gif->Height(), 1);
}

TEST(RxGIF, HugeFramesAreRefusedBeforeDecoding) {
    for (auto [w, h] : {std::pair{20000, 1}, std::pair{1, 16385}, std::pair{5000, 5000}}) {
        const std::string file =
            GifBuilder(1, 1, eight, 3).descriptor(0, 0, w, h).raw("\x03" + subBlocks("\x08")).end();
        const std::string message = errorOf([&] { load(file); });
        EXPECT_NE(message.find("too large"), std::string::npos)
            << w << " x " << h << ": " << message;
    }
    // The largest side allowed still loads.
    auto wide = load(
        GifBuilder(1, 1, eight, 3).image(16384, 1, std::vector<std::uint8_t>(16384, 5), 3).end());
    EXPECT_EQ(wide->Width(), 16384);
    EXPECT_EQ(pixel(*wide, 16383, 0), colorOf(eight[5]));
}

TEST(RxGIF, DamagedAndShortData) {
    const std::vector<std::uint8_t> pixels = {1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5};
    const std::string codes = plainCodes(pixels, 3);

    // The last sub-block is cut short: it is dropped, the frame is damaged, loading goes on,
    // and the rows before keep their pixels while the rest stay at colour 0.
    std::string data = subBlocks(codes.substr(0, 4), false) + char(40) + codes.substr(4);
    auto cut = load(GifBuilder(4, 3, eight, 3).descriptor(0, 0, 4, 3).raw("\x03" + data).bytes);
    EXPECT_TRUE(cut->Frames(0).Damaged);
    EXPECT_EQ(cut->Width(), 4);
    EXPECT_EQ(pixel(*cut, 0, 0), colorOf(eight[1]));
    EXPECT_EQ(pixel(*cut, 3, 2), colorOf(eight[0]));

    // Data that stops before the end code but holds every pixel is whole.
    auto noEnd = load(GifBuilder(4, 3, eight, 3)
                          .descriptor(0, 0, 4, 3)
                          .raw("\x03" + subBlocks(plainCodes(pixels, 3, false)))
                          .end());
    EXPECT_FALSE(noEnd->Frames(0).Damaged);
    EXPECT_EQ(pixel(*noEnd, 3, 2), colorOf(eight[5]));

    // A chain that loops through itself overflows the pixel stack: damaged, not a hang.
    CodeWriter w;
    w.put(8, 4);  // clear
    w.put(1, 4);  // first pixel; previous = 1
    w.put(11, 4); // beyond the next free code (10): previous' chain, adds 10
    w.put(11, 4); // now the next free code: adds 11 with itself as prefix
    w.put(11, 4); // follows prefix 11 -> 11 -> ...
    w.put(9, 4);
    auto loop = load(
        GifBuilder(4, 4, eight, 3).descriptor(0, 0, 4, 4).raw("\x03" + subBlocks(w.bytes())).end());
    EXPECT_TRUE(loop->Frames(0).Damaged);

    // A frame without columns stores nothing.
    auto noColumns = load(
        GifBuilder(4, 3, eight, 3).descriptor(0, 0, 0, 3).raw("\x03" + subBlocks(codes)).end());
    EXPECT_EQ(noColumns->Width(), 0);
}

TEST(RxGIF, CopiesShareTheLoadedData) {
    const std::string file = GifBuilder(5, 5, eight, 3)
                                 .comment({"c"})
                                 .gce(1, 3, 2)
                                 .image(2, 2, {1, 2, 2, 1}, 3)
                                 .descriptor(3, 1, 2, 2)
                                 .raw("\x03" + subBlocks(plainCodes({4, 4, 4, 4}, 3)))
                                 .comment({"end"})
                                 .end();
    auto first = load(file);
    auto second = load(file);
    EXPECT_FALSE(first->Equals(*second)) << "separate loads are different pictures";

    TGIFImage copy;
    copy.Assign(*first);
    EXPECT_TRUE(copy.Equals(*first));
    EXPECT_TRUE(first->Equals(static_cast<const platform::TGraphic&>(copy)));
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.FrameIndex(), 0);
    EXPECT_EQ(copy.Comments(), std::vector<std::string>{"end"});
    EXPECT_EQ(copy.Frames(0).TransparentColor, colorOf(eight[2]));
    EXPECT_EQ(copy.Frames(0).Delay, 30u);
    EXPECT_EQ(*copy.Frames(0).FrameComments(false), std::vector<std::string>{"c"});
    EXPECT_EQ(copy.Frames(1).Left, 3);
    EXPECT_EQ(copy.ScreenWidth(), 5);
    EXPECT_EQ(copy.Frames(1).Item().ZipData().data(), first->Frames(1).Item().ZipData().data())
        << "frames share their encoded data";
    EXPECT_EQ(pixel(copy, 1, 0, 0), colorOf(eight[2]));
    EXPECT_EQ(pixel(copy, 0, 0, 1), colorOf(eight[4]));

    copy.Assign(copy);
    EXPECT_EQ(copy.Count(), 2) << "copying from itself changes nothing";

    std::unique_ptr<platform::TGraphic> clone = first->Clone();
    EXPECT_TRUE(clone->Equals(*first));
    first->LoadFromStream(file);
    EXPECT_FALSE(clone->Equals(*first)) << "a reload makes new data";
    EXPECT_EQ(clone->Width(), 2);
}

TEST(RxGIF, ProgressAndRegistration) {
    const std::string file = GifBuilder(2, 1, eight, 3).image(2, 1, {1, 2}, 3).end();
    std::vector<platform::TProgressStage> stages;
    int lastPercent = -1;
    TGIFImage gif;
    gif.OnProgress = [&](platform::TProgressStage stage, int percent, const std::string&) {
        stages.push_back(stage);
        lastPercent = percent;
    };
    gif.LoadFromStream(file);
    ASSERT_GE(stages.size(), 2u);
    EXPECT_EQ(stages.front(), platform::TProgressStage::psStarting);
    EXPECT_EQ(stages.back(), platform::TProgressStage::psEnding);
    EXPECT_EQ(lastPercent, 100);

    // A progress handler that aborts leaves the frame empty and reports nothing.
    gif.OnProgress = [](platform::TProgressStage, int, const std::string&) { throw EAbort(); };
    gif.LoadFromStream(file);
    EXPECT_EQ(gif.Width(), 0);

    RxGIFInitialize();
    RxGIFInitialize();
    testing_support::TempDir dir;
    testing_support::writeBytes(dir.file("p.GIF"), file);
    platform::TPicture picture;
    picture.LoadFromFile(dir.file("p.GIF"));
    ASSERT_NE(dynamic_cast<TGIFImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_TRUE(platform::TPicture::SupportsClipboardFormat(
        platform::RegisterClipboardFormat("GIF Image")));
    EXPECT_NE(platform::TPicture::GraphicFilter().find("CompuServe GIF Image (*.gif)|*.gif"),
              std::string::npos);
    RxGIFFinalize();
    EXPECT_THROW(picture.LoadFromFile(dir.file("p.GIF")), EInvalidGraphicOperation);
    EXPECT_FALSE(platform::TPicture::SupportsClipboardFormat(
        platform::RegisterClipboardFormat("GIF Image")));
    EXPECT_EQ(picture.Width(), 2) << "a failed load keeps the picture";
}

TEST(RxGIF, HandMadeBadFiles) {
    const std::pair<const char*, const char*> failing[] = {
        {"bad-version.gif", "Unknown GIF version"},
        {"code-size-10.gif", "GIF code size not in range 2 to 9"},
        {"unknown-extension.gif", "Unrecognized extension block: 7A"},
        {"no-color-table.gif", "Wrong number of colors; must be a power of 2"},
        {"short-descriptor.gif", "Stream read error"},
        {"garbage-after-extension.gif", "Stream read error"},
    };
    const std::string data = TEVLO_TEST_DATA;
    for (const auto& [name, message] : failing) {
        const std::string path = data + "/" + name;
        TGIFImage gif;
        EXPECT_EQ(errorOf([&] { gif.LoadFromFile(path); }), message) << name;
    }
    TGIFImage huge;
    EXPECT_NE(errorOf([&] { huge.LoadFromFile(data + "/huge-frame.gif"); }).find("too large"),
              std::string::npos);
    for (const char* name : {"truncated-subblock.gif", "stack-loop.gif"}) {
        TGIFImage gif;
        gif.LoadFromFile(data + "/" + name);
        EXPECT_TRUE(gif.Frames(0).Damaged) << name;
    }
    TGIFImage small;
    small.LoadFromFile(data + "/small.gif");
    EXPECT_EQ(small.Width(), 4);
    EXPECT_EQ(pixel(small, 3, 1), clBlack);
    EXPECT_EQ(pixel(small, 0, 0), colorOf(eight[1]));
}
