// Our own metafile player: the records clip art uses, checked when read.
#include "pictures/Metafile.h"

#include "TestSupport.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace testing_support;
using platform::readFile;
using platform::TGraphic;

namespace {

std::string dataFile(const std::string& name) {
    return std::string(TEVLO_TEST_DATA) + "/" + name;
}

} // namespace

TEST(Metafile, PlaysShapesIntoTheDestination) {
    TMetafile metafile;
    metafile.LoadFromFile(dataFile("shapes.wmf"));
    EXPECT_EQ(metafile.Width(), 96) << "1000 units at 1000 per inch";
    EXPECT_EQ(metafile.Height(), 48);
    QImage canvas(200, 100, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        metafile.Draw(painter, QRect(0, 0, 200, 100));
    }
    EXPECT_EQ(canvas.pixel(50, 50), QColor(Qt::red).rgb()) << "rectangle on the left half";
    EXPECT_EQ(canvas.pixel(190, 10), QColor(0, 255, 0).rgb()) << "triangle's right corner";
    EXPECT_EQ(canvas.pixel(130, 90), QColor(Qt::white).rgb()) << "outside the triangle";

    std::unique_ptr<TGraphic> copy = metafile.Clone();
    EXPECT_TRUE(copy->Equals(metafile));
    EXPECT_EQ(copy->Width(), 96);

    EXPECT_EQ(errorOf([&] { metafile.LoadFromFile(dataFile("not-a-metafile.wmf")); }),
              "Metafile is not valid");
    EXPECT_EQ(errorOf([&] { metafile.LoadFromFile(dataFile("record-past-end.wmf")); }),
              "Metafile records run past the end of the file");
    EXPECT_EQ(errorOf([&] { metafile.LoadFromStream("tiny"); }), "Metafile is not valid");
    EXPECT_EQ(metafile.Width(), 96) << "failed loads keep the picture";

    // Without a placeable header the window extent gives the size.
    std::string standard = readFile(dataFile("shapes.wmf")).substr(22);
    TMetafile plain;
    plain.LoadFromStream(standard);
    EXPECT_EQ(plain.Width(), 1000);
    EXPECT_EQ(plain.Height(), 500);
}

namespace {

// Builds a standard metafile (no placeable header) record by record.
class WmfWriter {
public:
    WmfWriter& record(int function, const std::vector<int>& words, const std::string& tail = {}) {
        const std::size_t size = 3 + words.size() + (tail.size() + 1) / 2;
        put32(std::uint32_t(size));
        put16(function);
        for (int w : words)
            put16(w);
        m_body += tail;
        if (tail.size() % 2)
            m_body += '\0';
        return *this;
    }
    std::string bytes() {
        record(0, {});
        std::string header;
        auto h16 = [&](int v) { header += {char(v & 0xFF), char((v >> 8) & 0xFF)}; };
        h16(1);
        h16(9);
        h16(0x300);
        const std::size_t words = (18 + m_body.size()) / 2;
        h16(int(words & 0xFFFF));
        h16(int(words >> 16));
        h16(8);
        h16(0);
        h16(0);
        h16(0);
        return header + m_body;
    }

private:
    void put16(int v) { m_body += {char(v & 0xFF), char((v >> 8) & 0xFF)}; }
    void put32(std::uint32_t v) {
        put16(int(v & 0xFFFF));
        put16(int(v >> 16));
    }
    std::string m_body;
};

// A bottom-up 24-bit device-independent bitmap of one row.
std::string dibRow(const std::vector<QColor>& colors) {
    std::string dib;
    auto p32 = [&](std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            dib += char((v >> (8 * k)) & 0xFF);
    };
    p32(40);
    p32(std::uint32_t(colors.size()));
    p32(1);
    dib += {1, 0, 24, 0};
    p32(0);
    p32(0);
    p32(0);
    p32(0);
    p32(0);
    p32(0);
    for (const QColor& c : colors)
        dib += {char(c.blue()), char(c.green()), char(c.red())};
    while (dib.size() % 4)
        dib += '\0';
    return dib;
}

} // namespace

TEST(Metafile, StateTextAndBitmaps) {
    const std::string metafile =
        WmfWriter()
            .record(0x020B, {0, 0})                 // window origin
            .record(0x020C, {200, 200})             // window extent 200 x 200
            .record(0x02FC, {0, 0x0000, 0x00FF, 0}) // blue brush, object 0
            .record(0x012D, {0})
            .record(0x001E, {})                     // save
            .record(0x02FC, {0, 0x00FF, 0x0000, 0}) // red brush, object 1
            .record(0x012D, {1})
            .record(0x0127, {0xFFFF})        // restore the saved state: blue again
            .record(0x02FA, {5, 0, 0, 0, 0}) // no pen, object 2
            .record(0x012D, {2})
            .record(0x041B, {100, 100, 0, 0}) // rectangle 0,0 - 100,100
            .record(0x0F43, {0x0020, 0x00CC, 0, 1, 2, 0, 0, 100, 100, 100, 100},
                    dibRow({Qt::red, Qt::green})) // stretched into 100,100 - 200,200
            .record(0x0209, {0, 0})               // black text
            .record(0x01F0, {1})                  // delete the red brush: its slot is free again
            .record(0x02FB, {0xFFD8, 0, 0, 0, 700, 0, 0, 0, 0}, "Liberation Sans")
            .record(0x012D, {1}) // the font took the lowest free slot
            .record(0x0102, {1}) // transparent background
            .record(0x0521, {2}, "WW" + std::string("\x70\x00\x05\x00", 4)) // at 5, 112
            .bytes();
    TMetafile wmf;
    wmf.LoadFromStream(metafile);
    EXPECT_EQ(wmf.Width(), 200);
    QImage canvas(100, 100, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        wmf.Draw(painter, QRect(0, 0, 100, 100));
    }
    EXPECT_EQ(canvas.pixel(25, 25), QColor(Qt::blue).rgb()) << "restored brush";
    EXPECT_EQ(canvas.pixel(60, 75), QColor(Qt::red).rgb()) << "left pixel of the bitmap";
    EXPECT_EQ(canvas.pixel(90, 75), QColor(0, 255, 0).rgb()) << "right pixel of the bitmap";
    int dark = 0;
    for (int y = 50; y < 100; ++y)
        for (int x = 0; x < 50; ++x)
            dark += qGray(canvas.pixel(x, y)) < 100;
    EXPECT_GT(dark, 20) << "the text shows in the lower left quarter";
}
