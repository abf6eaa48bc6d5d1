#include "pictures/GifFile.h"

#include "GifBuilder.h"
#include "TestSupport.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

using namespace gif_test;
using testing_support::errorOf;

namespace {

const std::vector<Rgb> eight = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                                {255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {255, 255, 255}};

TGIFFile read(const std::string& bytes) {
    TGIFFile file;
    ReadGIFFile(bytes, file);
    return file;
}

std::string zip(const std::vector<std::uint8_t>& pixels, bool endCode = true) {
    return char(3) + subBlocks(plainCodes(pixels, 3, endCode));
}

} // namespace

TEST(GifFile, ReadsBlocksIntoTheModel) {
    const TGIFFile file = read(GifBuilder(6, 5, eight, 3, 2, "GIF87a")
                                   .loop(3, 1)
                                   .gce(0x09, 7, 4)
                                   .image(2, 2, {1, 2, 3, 4}, 3)
                                   .gce(0x01, 1, 1) // dropped by the plain text after it
                                   .plainText()
                                   .image(1, 1, {1}, 2, true, {{9, 8, 7}, {1, 2, 3}}, 2)
                                   .comment({"a", "b"})
                                   .end());
    EXPECT_EQ(file.Version, 1);
    EXPECT_EQ(file.ScreenWidth, 6);
    EXPECT_EQ(file.ScreenHeight, 5);
    EXPECT_EQ(file.BackgroundColor, 0x00FF00);
    EXPECT_TRUE(file.Looping);
    EXPECT_EQ(file.RepeatCount, 3 + 256);
    EXPECT_EQ(file.Data.Comments, (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(file.Frames.size(), 2u);
    const TGIFFrameRecord& first = file.Frames[0];
    EXPECT_EQ(first.Item->BitsPerPixel, 3);
    EXPECT_EQ(first.Delay, 70u);
    EXPECT_EQ(first.Disposal, 2);
    EXPECT_EQ(first.TransparentColor, 0x00FFFF);
    const TGIFFrameRecord& second = file.Frames[1];
    EXPECT_FALSE(second.Extensions.has_value());
    EXPECT_EQ(second.TransparentColor, gifNoColor);
    EXPECT_TRUE(second.LocalColors && second.Interlaced);
    EXPECT_EQ(second.Item->ColorMap.Color(1), 1 + 2 * 256 + 3 * 65536);
}

TEST(GifFile, DecodesRowsTopDownAndInterlacedOnesInPlace) {
    const TGIFFile file = read(GifBuilder(2, 2, eight, 3).image(2, 2, {1, 2, 3, 4}, 3).end());
    const TGIFItem& item = *file.Frames.at(0).Item;
    std::vector<std::uint8_t> out(4 + gifDecodeSlack);
    std::vector<platform::TProgressStage> stages;
    EXPECT_FALSE(DecodeFrameIndexes(
        item.ZipData(), 2, 2, 3, false, out.data(),
        [&](platform::TProgressStage stage, int, const std::string&) { stages.push_back(stage); }));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 4),
              (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(stages.front(), platform::TProgressStage::psStarting);
    EXPECT_EQ(stages.back(), platform::TProgressStage::psEnding);

    // Four passes: rows 0, 4, 2, then 1 and 3.
    std::vector<std::uint8_t> column(5 + gifDecodeSlack);
    EXPECT_FALSE(DecodeFrameIndexes(zip({0, 1, 2, 3, 4}), 1, 5, 3, true, column.data(), {}));
    for (int y = 0, expected[] = {0, 3, 2, 4, 1}; y < 5; ++y)
        EXPECT_EQ(column[std::size_t(y)], expected[y]) << "row " << y;
}

TEST(GifFile, MarksDamagedData) {
    std::vector<std::uint8_t> rows(4 + gifDecodeSlack);
    EXPECT_TRUE(
        DecodeFrameIndexes(zip({1, 2, 3, 4}).substr(0, 3), 1, 4, 3, false, rows.data(), {}));
    EXPECT_FALSE(DecodeFrameIndexes(zip({1, 2, 3, 4}, false), 1, 4, 3, false, rows.data(), {}))
        << "a missing end code after the last row is no damage";
    const TGIFFile cut =
        read(GifBuilder(2, 2, eight, 3).descriptor(0, 0, 2, 2).raw("\x03\x09\x20").bytes);
    ASSERT_EQ(cut.Frames.size(), 1u);
    EXPECT_TRUE(cut.Frames[0].Damaged);
}

TEST(GifFile, RefusesBadFilesWithTheirTexts) {
    EXPECT_EQ(read("").Version, 0);
    EXPECT_EQ(errorOf([] { read("GIF88a"); }), "Unknown GIF version");
    TGIFFile partial;
    EXPECT_EQ(errorOf([&] {
                  ReadGIFFile(
                      GifBuilder(1, 1, eight, 3).image(1, 1, {1}, 3).loop(2, 0).raw("!z").bytes,
                      partial);
              }),
              "Unrecognized extension block: 7A");
    EXPECT_EQ(partial.Frames.size(), 1u) << "what was read before the failure stays";
    EXPECT_TRUE(partial.Looping);
    std::uint8_t row[1 + gifDecodeSlack];
    EXPECT_EQ(errorOf([&] { DecodeFrameIndexes("\x0A", 1, 1, 3, false, row, {}); }),
              "GIF code size not in range 2 to 9");

    TGIFItem item;
    EXPECT_EQ(errorOf([&] { GIFFrameLayout(item); }),
              "Wrong number of colors; must be a power of 2");
    item.BitsPerPixel = 8;
    for (auto [w, h] : {std::pair{16385, 1}, std::pair{4097, 4096}}) {
        item.Width = w;
        item.Height = h;
        EXPECT_NE(errorOf([&] { GIFFrameLayout(item); }).find("too large"), std::string::npos)
            << w << " x " << h;
    }
    item.Width = item.Height = 4096;
    EXPECT_EQ(GIFFrameLayout(item).Stride, 4096u) << "exactly the largest bitmap is allowed";
}
