#include <QImage>
#include <QRgb>
#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

static void initGlyphResources() {
    Q_INIT_RESOURCE(glyphs);
}

namespace {

constexpr QRgb kFuchsia = 0xFF00FF, kGray = 0x808080, kWhite = 0xFFFFFF;
constexpr std::array<QRgb, 16> kPalette{0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                        0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                        0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

QRgb at(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

QImage glyph(const char* alias) {
    initGlyphResources();
    return QImage(QStringLiteral(":/glyphs/") + QString::fromLatin1(alias));
}

int drawnPixels(const QImage& image, int left, int width) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = left; x < left + width; ++x)
            count += at(image, x, y) != kFuchsia;
    return count;
}

} // namespace

TEST(Glyphs, DrawnInThePaletteOnAKeyedBackground) {
    const struct {
        const char* alias;
        int cells;
    } glyphs[] = {{"HideBtn", 2}, {"ShowBtn", 2}, {"SetBtn", 2},  {"InfoBtn", 1},
                  {"HelpBtn", 2}, {"ExitBtn", 2}, {"PrevBtn", 2}, {"NextBtn", 2}};
    for (const auto& g : glyphs) {
        SCOPED_TRACE(g.alias);
        const QImage image = glyph(g.alias);
        ASSERT_FALSE(image.isNull());
        const int side = g.cells == 1 ? 17 : 16;
        ASSERT_EQ(image.size(), QSize(side * g.cells, side));
        for (const int scale : {2, 3}) {
            const QImage finer =
                glyph((std::string(g.alias) + "@" + std::to_string(scale) + "x").c_str());
            EXPECT_EQ(finer.size(), image.size() * scale) << "@" << scale << "x";
            EXPECT_EQ(at(finer, 0, finer.height() - 1), kFuchsia) << "@" << scale << "x";
        }
        EXPECT_EQ(at(image, 0, side - 1), kFuchsia) << "the bar keys out the bottom-left colour";
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = at(image, x, y);
                EXPECT_NE(std::find(kPalette.begin(), kPalette.end(), c), kPalette.end())
                    << x << "," << y << " " << std::hex << c;
                if (x < side)
                    continue;
                EXPECT_TRUE(c == kGray || c == kWhite || c == kFuchsia) << x << "," << y;
                // The disabled look is the same drawing: its gray is never where the normal
                // cell shows background.
                if (c == kGray) {
                    EXPECT_NE(at(image, x - side, y), kFuchsia) << x << "," << y;
                }
            }
        for (int cell = 0; cell < g.cells; ++cell) {
            const int drawn = drawnPixels(image, cell * side, side);
            EXPECT_GE(drawn, 30) << "cell " << cell;
            EXPECT_LE(drawn, side * side * 3 / 4) << "cell " << cell;
        }
    }
}

TEST(Glyphs, PreviousHandMirrorsNextHand) {
    const QImage prev = glyph("PrevBtn"), next = glyph("NextBtn");
    ASSERT_EQ(prev.size(), QSize(32, 16));
    ASSERT_EQ(next.size(), QSize(32, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(at(prev, x, y), at(next, 15 - x, y)) << x << "," << y;
            // The disabled highlight always falls down-right, so only the gray mirrors.
            EXPECT_EQ(at(prev, 16 + x, y) == kGray, at(next, 31 - x, y) == kGray) << x << "," << y;
        }
}
