#include "controls/ProCtrls.h"

#include "ControlsFixture.h"

#include <QPainter>
#include <algorithm>
#include <compare>
#include <functional>
#include <set>

namespace {

struct Pixel {
    int x, y;
    auto operator<=>(const Pixel&) const = default;
};

std::set<Pixel> pixelsOf(const QImage& image, QRgb color) {
    std::set<Pixel> found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (at(image, x, y) == color)
                found.insert({x, y});
    return found;
}

// A big, crisp caption on a label of a fixed size.
TProLabel* makeLabel(QWidget* parent, const QString& caption) {
    auto* label = new TProLabel(parent);
    label->SetAutoSize(false);
    label->setGeometry(0, 0, 60, 40);
    QFont big = label->font();
    big.setPixelSize(24);
    label->setFont(big);
    label->SetCaption(caption);
    return label;
}

} // namespace

TEST_F(Controls, LabelSettersKeepTheirRules) {
    TProLabel label;
    label.SetAngle(-90);
    EXPECT_EQ(label.Angle(), 270);
    EXPECT_FALSE(label.AutoSize()) << "a turned caption cannot size the label";
    label.SetAutoSize(true);
    label.SetAngle(720);
    EXPECT_EQ(label.Angle(), 0);
    EXPECT_TRUE(label.AutoSize());

    label.SetOffsetX(-5);
    EXPECT_TRUE(label.AutoSize()) << "a negative offset keeps automatic sizing";
    label.SetOffsetX(5);
    EXPECT_FALSE(label.AutoSize());

    label.SetShadowStyle(ssShadow);
    EXPECT_EQ(label.ShadowDirection(), drDownRight);
    EXPECT_EQ(label.ShadowDepth(), 2);
    EXPECT_EQ(label.ShadowSize(), 1);
    EXPECT_EQ(label.ShadowColor(), clBtnShadow);
    label.SetShadowColor(clBtnShadow);
    EXPECT_EQ(label.ShadowStyle(), ssShadow) << "an equal value changes nothing";
    label.SetShadowDepth(3);
    EXPECT_EQ(label.ShadowStyle(), ssCustom);
    EXPECT_EQ(label.ShadowDirection(), drDownRight);
    EXPECT_EQ(label.ShadowSize(), 1);
    label.SetShadowSize(70000);
    EXPECT_EQ(label.ShadowSize(), MaxShadowSteps);

    label.SetLayout(tlBottom);
    EXPECT_EQ(label.VerticalAlignment(), vaBottom);
}

TEST_F(Controls, LabelShadowsAreOffsetCopies) {
    QWidget window;
    TProLabel* label = makeLabel(&window, QStringLiteral("Ab"));
    const std::set<Pixel> text = pixelsOf(paint(*label), WindowText);
    ASSERT_GT(text.size(), 20u);
    const auto expectShadow = [&](const std::set<Pixel>& shadow, int from, int to) {
        std::set<Pixel> expected;
        for (const Pixel& p : text)
            for (int k = from; k <= to; ++k)
                if (!text.count({p.x + k, p.y + k}) && p.x + k < 60 && p.y + k < 40)
                    expected.insert({p.x + k, p.y + k});
        EXPECT_TRUE(shadow == expected)
            << shadow.size() << " shadow pixels, " << expected.size() << " expected";
    };

    label->SetShadowStyle(ssRecessed);
    QImage image = paint(*label);
    EXPECT_TRUE(pixelsOf(image, WindowText) == text) << "the text itself stays in place";
    expectShadow(pixelsOf(image, 0xFFFFFF), 1, 1);

    label->SetShadowStyle(ssThickShadow);
    expectShadow(pixelsOf(paint(*label), Shadow), 1, 4);

    label->SetShadowSize(0);
    EXPECT_TRUE(pixelsOf(paint(*label), Shadow).empty()) << "no copies, no shadow";

    // Disabled, text and shadow alike are grey.
    label->SetShadowStyle(ssShadow);
    label->setEnabled(false);
    image = paint(*label);
    const std::set<Pixel> grey = pixelsOf(image, GrayText);
    EXPECT_EQ(grey.size() + pixelsOf(image, Face).size(), 60u * 40u);
    EXPECT_TRUE(std::includes(grey.begin(), grey.end(), text.begin(), text.end()));
    EXPECT_GT(grey.size(), text.size());
}

TEST_F(Controls, LabelTurnedAQuarterRunsUpwards) {
    QWidget window;
    TProLabel* label = makeLabel(&window, QStringLiteral("W...."));
    label->resize(60, 90);
    label->SetAngle(90);
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter canvas(&scratch);
    canvas.setFont(label->font());
    const int W = canvas.fontMetrics().horizontalAdvance(label->Caption());
    const int H = canvas.fontMetrics().height();
    const TCaptionPlace place = label->PlaceCaption(canvas);
    EXPECT_TRUE(place.Rotated);
    EXPECT_EQ(place.Box, QRect(0, W, H, W).translated(0, 0)) << "starts at the bottom left";

    const std::set<Pixel> text = pixelsOf(paint(*label), WindowText);
    ASSERT_FALSE(text.empty());
    int upper = 0, lower = 0;
    for (const Pixel& p : text) {
        EXPECT_LT(p.x, H);
        EXPECT_LE(p.y, W);
        (p.y > W / 2 ? lower : upper)++;
    }
    EXPECT_GT(lower, 2 * upper) << "the wide W is the first letter, so at the bottom";
}

TEST_F(Controls, TallCaptionCentredOverflowsBothEdges) {
    QWidget window;
    TProLabel* label = makeLabel(&window, QStringLiteral("one two three four five six"));
    label->SetWordWrap(true);
    label->SetVerticalAlignment(vaCenter);
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter canvas(&scratch);
    canvas.setFont(label->font());
    const QRect box = label->PlaceCaption(canvas).Box;
    ASSERT_GT(box.height(), 40);
    const int above = -box.top();
    const int below = box.top() + box.height() - 40;
    EXPECT_LE(std::abs(above - below), 1) << above << " above, " << below << " below";

    label->SetOffsetX(3);
    label->SetOffsetY(-2);
    EXPECT_EQ(label->PlaceCaption(canvas).Box, box.translated(3, -2));
}

TEST_F(Controls, PanelRingsOnChosenSides) {
    // The settings dialog's divider: two pixels wide, left side only.
    TProPanel divider;
    divider.resize(2, 30);
    divider.SetBevelSides(sdLeft);
    divider.SetBevelOuter(bvLowered);
    divider.SetBevelInner(bvRaised);
    QImage image = paint(divider);
    for (int y = 0; y < 30; ++y) {
        ASSERT_EQ(at(image, 0, y), Shadow) << y;
        ASSERT_EQ(at(image, 1, y), Highlight) << y;
    }

    struct Case {
        TPanelBevel kind;
        QRgb outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
    };
    for (const Case& c : {Case{bvLowered, Shadow, Highlight, ButtonText, Light3D},
                          Case{bvRaised, Highlight, ButtonText, Light3D, Shadow}}) {
        SCOPED_TRACE(c.kind);
        TProPanel panel;
        panel.resize(20, 10);
        panel.SetBevelCtl3D(true);
        panel.SetBevelOuter(c.kind);
        image = paint(panel);
        EXPECT_EQ(at(image, 0, 0), c.outerTopLeft);
        EXPECT_EQ(at(image, 19, 0), c.outerBottomRight) << "the right edge owns that corner";
        EXPECT_EQ(at(image, 0, 9), c.outerBottomRight) << "the bottom edge owns that corner";
        EXPECT_EQ(at(image, 1, 5), c.innerTopLeft);
        EXPECT_EQ(at(image, 18, 8), c.innerBottomRight);
        EXPECT_EQ(at(image, 10, 5), Face);
    }

    TProPanel panel;
    panel.SetBevelWidth(5);
    panel.SetBevelCtl3D(true);
    EXPECT_EQ(panel.BevelWidth(), 2);
    panel.SetBevelCtl3D(false);
    EXPECT_EQ(panel.BevelWidth(), 1);
    panel.SetBorderWidth(3);
    panel.SetBevelSides(sdTop | sdBottom);
    EXPECT_EQ(panel.contentsMargins(), QMargins(0, 4, 0, 4)) << "children stay inside";
}

// Writes a window of turned and shadowed labels to the PNG file that TEVLO_SCREENSHOT names;
// always checks that each label drew something of its own.
TEST_F(Controls, LabelLooks) {
    QWidget window;
    window.resize(330, 170);
    struct Look {
        const char* caption;
        QRect where;
        std::function<void(TProLabel*)> setup;
    };
    const Look looks[] = {
        {"Recessed", {10, 10, 120, 26}, [](TProLabel* l) { l->SetShadowStyle(ssRecessed); }},
        {"Raised", {10, 40, 120, 26}, [](TProLabel* l) { l->SetShadowStyle(ssRaised); }},
        {"Shadow", {10, 70, 120, 26}, [](TProLabel* l) { l->SetShadowStyle(ssShadow); }},
        {"Thick", {10, 100, 120, 26}, [](TProLabel* l) { l->SetShadowStyle(ssThickShadow); }},
        {"Disabled",
         {10, 130, 120, 30},
         [](TProLabel* l) {
             l->SetShadowStyle(ssShadow);
             l->setEnabled(false);
         }},
        {"Up 90", {140, 10, 30, 110}, [](TProLabel* l) { l->SetAngle(90); }},
        {"Down 270", {180, 10, 30, 130}, [](TProLabel* l) { l->SetAngle(270); }},
        {"45 degrees", {215, 10, 110, 110}, [](TProLabel* l) { l->SetAngle(45); }},
        {"Upside", {140, 130, 90, 30}, [](TProLabel* l) { l->SetAngle(180); }},
    };
    for (const Look& look : looks) {
        TProLabel* label = makeLabel(&window, QString::fromLatin1(look.caption));
        QFont font = label->font();
        font.setPixelSize(20);
        label->setFont(font);
        label->setGeometry(look.where);
        look.setup(label);
        EXPECT_GT(pixelsOf(paint(*label), label->isEnabled() ? WindowText : GrayText).size(), 30u)
            << look.caption;
    }
    window.show();
    if (const QByteArray file = qgetenv("TEVLO_SCREENSHOT"); !file.isEmpty()) {
        const QImage shot = window.grab().toImage();
        EXPECT_TRUE(shot.scaled(shot.size() * 2).save(QString::fromLocal8Bit(file)));
    }
}
