#include "controls/RXCtrls.h"

#include "ControlsFixture.h"

#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/GraphicControl.h"

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <set>
#include <utility>

using platform::colorToRGB;
using platform::TBitmap;

namespace {

// A picture made of cells of one colour each, with a fuchsia corner that marks the key colour.
TBitmap cells(const std::vector<QRgb>& colors, int size = 16) {
    QImage image(size * int(colors.size()), size, QImage::Format_RGB32);
    for (int i = 0; i < int(colors.size()); ++i)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                image.setPixel(i * size + x, y, 0xFF000000u | colors[std::size_t(i)]);
    image.setPixel(0, size - 1, 0xFFFF00FF);
    return TBitmap(image);
}

// A window-less control that paints one colour, to stand behind or over a button.
class Swatch : public platform::TGraphicControl {
public:
    Swatch(QWidget* parent, QRgb color, QRect where) : TGraphicControl(parent), m_color(color) {
        setGeometry(where);
    }
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(m_color)); }

private:
    QRgb m_color;
};

// Notes that an event of one type reached the object it watches.
class EventSpy : public QObject {
public:
    EventSpy(QObject* parent, QEvent::Type type, bool& seen)
        : QObject(parent), m_type(type), m_seen(seen) {}
    bool eventFilter(QObject*, QEvent* event) override {
        m_seen = m_seen || event->type() == m_type;
        return false;
    }

private:
    QEvent::Type m_type;
    bool& m_seen;
};

} // namespace

TEST_F(Controls, GlyphListsAreSharedAndSlotsReused) {
    ASSERT_FALSE(SharedGlyphCache) << "no renderer, no cache";
    {
        TRxButtonGlyph first;
        TRxButtonGlyph second;
        ASSERT_TRUE(SharedGlyphCache);
        first.SetGlyph(cells({0xFF0000, 0x00FF00}));
        second.SetGlyph(cells({0x0000FF}));
        const int firstUp = first.StateImage(FaceState::up);
        const int secondUp = second.StateImage(FaceState::up);
        ASSERT_EQ(first.CellList(), second.CellList()) << "same cell size, same list";
        EXPECT_EQ(SharedGlyphCache->Count(), 1);
        EXPECT_NE(firstUp, secondUp);
        EXPECT_EQ(first.CellList()->LiveCount(), 2);

        // A new picture for one button frees its slot; the other's image stays as it was.
        first.SetGlyph(cells({0xFFFF00}));
        TGlyphList* list = second.CellList();
        EXPECT_EQ(list->LiveCount(), 1);
        EXPECT_EQ(first.StateImage(FaceState::up), firstUp) << "the freed slot is taken again";
        EXPECT_EQ(list->Count(), 2) << "the list did not grow";
        EXPECT_EQ(at(list->Image(secondUp), 8, 8), 0x0000FFu);
        EXPECT_EQ(at(list->Image(firstUp), 8, 8), 0xFFFF00u);

        // Another size gets another list; a list with no live slot goes away.
        TRxButtonGlyph third;
        third.SetGlyph(cells({0x123456}, 8));
        third.StateImage(FaceState::up);
        EXPECT_EQ(SharedGlyphCache->Count(), 2);
        third.DropImages();
        EXPECT_EQ(SharedGlyphCache->Count(), 1);
    }
    EXPECT_FALSE(SharedGlyphCache) << "the last renderer releases the empty cache";
}

TEST_F(Controls, PictureShapeSetsCellsAndKeyColour) {
    TRxButtonGlyph glyph;
    glyph.SetGlyph(cells({1, 2}));
    EXPECT_EQ(glyph.NumGlyphs(), 2);
    glyph.SetGlyph(cells({1, 2, 3}));
    EXPECT_EQ(glyph.NumGlyphs(), 3);
    glyph.SetGlyph(TBitmap(QImage(20, 16, QImage::Format_RGB32)));
    EXPECT_EQ(glyph.NumGlyphs(), 3) << "not a whole number of cells: the count stays";
    glyph.SetGlyph(cells({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(glyph.NumGlyphs(), 1) << "more than five cells is one wide picture";
    glyph.SetGlyph(TBitmap(QImage(0, 16, QImage::Format_RGB32)));
    EXPECT_EQ(glyph.NumGlyphs(), 1) << "a picture without width keeps a usable count";
    EXPECT_EQ(glyph.StateImage(FaceState::up), -1);

    EXPECT_EQ(glyph.KeyColor(), clFuchsia);
    TBitmap keyed = cells({0x00FF00});
    keyed.SetPixel(0, 15, clBlue);
    glyph.SetGlyph(keyed);
    EXPECT_EQ(glyph.KeyColor(), clBlue) << "the bottom-left pixel";
    keyed.SetTransparentColor(clRed);
    glyph.SetGlyph(keyed);
    EXPECT_EQ(glyph.KeyColor(), clRed) << "an explicit transparent colour";
    QImage mono(16, 16, QImage::Format_Mono);
    mono.fill(0);
    glyph.SetGlyph(TBitmap(mono));
    EXPECT_EQ(glyph.KeyColor(), clWhite) << "two colours: white";
}

TEST_F(Controls, EachLookTakesItsCellOrIsDerived) {
    const QRgb up = 0x102030, disabled = 0x405060, down = 0x708090, exclusive = 0xA0B0C0,
               inactive = 0x0000FF;
    TRxButtonGlyph glyph;
    const auto colorOf = [&](FaceState look) {
        const int slot = glyph.StateImage(look);
        return slot < 0 ? 0xDEADu : at(glyph.CellList()->Image(slot), 8, 8);
    };

    glyph.SetGlyph(cells({up, disabled, down}));
    EXPECT_EQ(colorOf(FaceState::down), down);
    EXPECT_EQ(colorOf(FaceState::exclusive), up) << "no exclusive cell: the up cell";
    EXPECT_EQ(colorOf(FaceState::disabled), disabled);

    glyph.SetGlyph(cells({0xFF0000, disabled}));
    EXPECT_EQ(colorOf(FaceState::down), 0xFF0000u) << "two cells: pressed shows the up cell";
    // Red turns into the grey of its brightness; the key colour stays transparent.
    const int slot = glyph.StateImage(FaceState::inactive);
    const QImage grey = glyph.CellList()->Image(slot);
    EXPECT_EQ(at(grey, 8, 8), 0x4C4C4Cu);
    EXPECT_EQ(qAlpha(grey.pixel(0, 15)), 0) << "the fuchsia key pixel";
    EXPECT_EQ(qAlpha(grey.pixel(8, 8)), 255);

    glyph.SetGlyph(cells({up, disabled, down, exclusive, inactive}));
    EXPECT_EQ(colorOf(FaceState::exclusive), exclusive);
    EXPECT_EQ(colorOf(FaceState::inactive), inactive);
}

TEST_F(Controls, OneCellDisabledLookIsEmbossedBlack) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    image.setPixel(4, 4, qRgb(0, 0, 0));
    image.setPixel(10, 10, qRgb(255, 0, 0));
    TRxButtonGlyph glyph;
    glyph.SetGlyph(TBitmap(image));
    const int slot = glyph.StateImage(FaceState::disabled);
    ASSERT_GE(slot, 0);
    const QImage result = glyph.CellList()->Image(slot);
    EXPECT_EQ(at(result, 4, 4), rgbOf(clBtnShadow)) << "black becomes shadow in place";
    EXPECT_EQ(at(result, 5, 5), rgbOf(clBtnHighlight)) << "with highlight below and right";
    EXPECT_EQ(qAlpha(result.pixel(10, 10)), 0) << "other colours vanish";
    EXPECT_EQ(qAlpha(result.pixel(0, 15)), 0);
}

TEST_F(Controls, DenseCanvasesTakeTheFinerDrawing) {
    TRxButtonGlyph painter;
    painter.SetGlyph(cells({0xFF0000, 0x00FF00}));
    painter.SetFinerGlyph(3, cells({0x0000FF, 0x00FF00}, 48));
    painter.SetFinerGlyph(2, cells({0xFFFF00, 0x00FF00}, 32));
    const auto drawnAt = [&](qreal density) {
        QImage canvas((QSizeF(24, 24) * density).toSize(), QImage::Format_RGB32);
        canvas.setDevicePixelRatio(density);
        canvas.fill(Qt::white);
        QPainter painting(&canvas);
        painter.DrawFace(painting, QRect(0, 0, 24, 24), FaceState::up, QString(), blGlyphLeft, -1,
                         4, 0, Qt::black, false);
        painting.end();
        // The middle of the glyph, in the canvas's own pixels.
        return canvas.pixel(int(12 * density), int(12 * density)) & 0xFFFFFF;
    };
    EXPECT_EQ(drawnAt(1), 0xFF0000u);
    EXPECT_EQ(drawnAt(2), 0xFFFF00u) << "twice the density: the @2x drawing, pixel for pixel";
    EXPECT_EQ(drawnAt(3), 0x0000FFu);
    EXPECT_EQ(drawnAt(1.5), 0xFFFF00u) << "between: the next finer drawing, fitted";
    EXPECT_EQ(drawnAt(4), 0x0000FFu) << "denser than any: the finest there is";
    painter.SetGlyph(cells({0xFF0000, 0x00FF00}));
    EXPECT_EQ(drawnAt(2), 0xFF0000u) << "a new picture forgets the finer drawings of the old";
}

TEST_F(Controls, CaptionsAreFittedLineByLine) {
    QImage canvasImage(1, 1, QImage::Format_RGB32);
    QPainter canvas(&canvasImage);
    canvas.setFont(QApplication::font());
    const QString text = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    const int full = platform::textWidth(canvas, text);
    EXPECT_EQ(EllipsizeText(canvas, text, full), text);
    const QString firstCut = text.left(24) + QStringLiteral("...");
    const int firstCutWidth = platform::textWidth(canvas, firstCut);
    ASSERT_LT(firstCutWidth, full);
    EXPECT_EQ(EllipsizeText(canvas, text, firstCutWidth), firstCut)
        << "the first cut drops two characters";
    EXPECT_EQ(EllipsizeText(canvas, text, firstCutWidth - 1), text.left(23) + "...");
    EXPECT_EQ(EllipsizeText(canvas, text, 0), QStringLiteral("...")) << "never less than ...";

    TRxButtonGlyph glyph;
    const int narrow = platform::textWidth(canvas, QStringLiteral("abcdef..."));
    EXPECT_EQ(glyph.FitCaption(canvas, QStringLiteral("ab\rabcdefghij\nxy  \r\n"), narrow),
              QStringLiteral("ab\r\nabcdef...\r\nxy"));
    EXPECT_EQ(glyph.FitCaption(canvas, QString(300, QLatin1Char('i')), 100000).size(), 255);
    // On a launch button's face a long caption is shortened to the box it is drawn in, and the
    // box lies inside the face.
    const QRect face(2, 2, 84, 17);
    const TFaceLayout placed =
        glyph.LayoutFace(canvas, face, text + text, blGlyphTop, -1, 1, false);
    EXPECT_TRUE(placed.Caption.endsWith(QStringLiteral("..."))) << placed.Caption.toStdString();
    EXPECT_LE(platform::textWidth(canvas, placed.Caption), placed.CaptionBox.width());
    EXPECT_TRUE(face.contains(placed.CaptionBox));
    glyph.WordWrap = true;
    EXPECT_EQ(glyph.FitCaption(canvas, text, narrow), text) << "wrapped, never shortened";
}

TEST_F(Controls, TransparentFlatButtonShowsWhatLiesBehindIt) {
    QWidget window;
    window.resize(120, 60);
    QPalette backdrop = window.palette();
    backdrop.setColor(QPalette::Window, QColor(0x00A000));
    window.setPalette(backdrop);
    window.setAutoFillBackground(true);
    new Swatch(&window, 0x0000FF, QRect(0, 0, 20, 60)); // before: shows
    auto* windowed = new QWidget(&window);              // windowed: never shows
    windowed->setGeometry(0, 25, 120, 10);
    windowed->setAutoFillBackground(true);
    QPalette yellow = windowed->palette();
    yellow.setColor(QPalette::Window, Qt::yellow);
    windowed->setPalette(yellow);
    auto* button = new TRxSpeedButton(&window);
    button->setGeometry(10, 10, 60, 20);
    button->SetFlat(true);
    button->SetTransparent(true);
    button->SetCaption(QStringLiteral("Go"));
    new Swatch(&window, 0xFF0000, QRect(60, 0, 20, 12)); // after: only ever over it
    window.show();
    // What the window shows where the button is.
    const auto onScreen = [&](TRxSpeedButton& shown) {
        return window.grab(shown.geometry()).toImage();
    };

    const QImage inactive = onScreen(*button);
    EXPECT_EQ(at(inactive, 0, 0), 0x0000FFu) << "the earlier sibling";
    EXPECT_EQ(at(inactive, 59, 12), 0x00A000u) << "the parent, not the later sibling";
    EXPECT_EQ(at(inactive, 59, 0), 0xFF0000u) << "the later sibling lies over the button";
    EXPECT_EQ(at(inactive, 30, 19), 0x00A000u) << "the parent, not the windowed sibling";
    int caption = 0;
    for (int y = 2; y < 18; ++y)
        for (int x = 20; x < 50; ++x)
            caption += at(inactive, x, y) == ButtonText;
    EXPECT_GT(caption, 10) << "the caption is drawn over the picture";

    // Under the pointer a raised one-pixel frame appears; the caption stays where it was.
    enter(button);
    const QImage hot = onScreen(*button);
    EXPECT_EQ(at(hot, 0, 0), Highlight);
    EXPECT_EQ(at(hot, 59, 19), Shadow);
    EXPECT_EQ(at(hot, 1, 1), 0x0000FFu) << "one pixel of frame only";
    EXPECT_EQ(hot.copy(2, 2, 56, 16), inactive.copy(2, 2, 56, 16));

    // Without the windowed sibling what lies behind is Qt's own painting, to the same pixels.
    windowed->hide();
    EXPECT_EQ(onScreen(*button), hot);

    // Nothing hot while another program is in front.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    foreground = false;
    enter(button);
    EXPECT_FALSE(button->Hot());
    EXPECT_EQ(at(onScreen(*button), 0, 0), 0x0000FFu);
}

TEST_F(Controls, DisabledButtonIsEngravedAndIgnoresPresses) {
    // Before the window: its spy still watches while the window closes at the end.
    bool passedOn = false;
    QWidget window;
    auto* button = new TRxSpeedButton(&window);
    button->setGeometry(0, 0, 60, 24);
    button->SetCaption(QStringLiteral("Wide"));
    QPalette red = button->palette();
    red.setColor(QPalette::ButtonText, Qt::red);
    button->setPalette(red);
    int clicks = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });
    button->setEnabled(false);
    window.show();

    const QImage image = paint(*button);
    int white = 0, grey = 0, other = 0;
    for (int y = 3; y < 21; ++y)
        for (int x = 3; x < 57; ++x) {
            const QRgb p = at(image, x, y);
            white += p == 0xFFFFFF;
            grey += p == 0x808080;
            other += p != 0xFFFFFF && p != 0x808080 && p != Face;
        }
    EXPECT_GT(white, 5);
    EXPECT_GT(grey, 5);
    EXPECT_EQ(other, 0) << "no trace of the red font colour";

    window.installEventFilter(new EventSpy(&window, QEvent::MouseButtonPress, passedOn));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button->State(), FaceState::disabled);
    EXPECT_TRUE(passedOn) << "the press goes on to what lies beneath";
}

TEST_F(Controls, ClickNeedsReleaseOverTheButton) {
    TRxSpeedButton button;
    button.resize(40, 20);
    int clicks = 0;
    FaceState seenInClick = FaceState::down;
    QObject::connect(&button, &QAbstractButton::clicked, [&] {
        ++clicks;
        seenInClick = button.State();
    });

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button.State(), FaceState::down);
    QTest::mouseMove(&button, QPoint(60, 5));
    EXPECT_EQ(button.State(), FaceState::up) << "pops up when dragged off";
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(60, 5));
    EXPECT_EQ(clicks, 0);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(&button, QPoint(60, 5));
    QTest::mouseMove(&button, QPoint(6, 6));
    EXPECT_EQ(button.State(), FaceState::down) << "goes down again when back";
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(seenInClick, FaceState::up) << "drawn released before the click runs";

    // The row just below the button still counts as on it; the one after does not.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 20));
    EXPECT_EQ(clicks, 2);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 21));
    EXPECT_EQ(clicks, 2);

    // Right presses never click.
    QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 2);
}

TEST_F(Controls, ClickSetsTheDialogResultAfterItsHandler) {
    QDialog dialog;
    auto* ok = new TRxSpeedButton(&dialog);
    ok->SetModalResult(QDialog::Accepted);
    bool visibleInHandler = false;
    QObject::connect(ok, &QAbstractButton::clicked, [&] { visibleInHandler = dialog.isVisible(); });
    QTimer::singleShot(0, &dialog,
                       [&] { QTest::mouseClick(ok, Qt::LeftButton, {}, QPoint(5, 5)); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(visibleInHandler);
}

TEST_F(Controls, AutoRepeatClicksAtPauseThenInterval) {
    TRxSpeedButton button;
    button.resize(30, 20);
    button.SetAllowTimer(true);
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    // The button's repeat timer as the event loop holds it: its id (0 for none) and interval.
    const auto repeatTimer = [&] {
        const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(&button);
        return timers.isEmpty() ? QAbstractEventDispatcher::TimerInfo(0, 0, Qt::CoarseTimer)
                                : timers.first();
    };
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_NE(repeatTimer().timerId, 0);

    const auto tick = [&] {
        QTimerEvent event(repeatTimer().timerId);
        QApplication::sendEvent(&button, &event);
    };

    // Holding for 1.25 s: ticks at 0.5 s, then every 0.1 s up to 1.2 s, each one click.
    int elapsed = 0;
    while (repeatTimer().interval > 0 && elapsed + repeatTimer().interval <= 1250) {
        elapsed += repeatTimer().interval;
        tick();
    }
    EXPECT_EQ(elapsed, 1200);
    EXPECT_EQ(clicks, 8);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 9) << "the release adds its own click";
    EXPECT_EQ(repeatTimer().timerId, 0);

    // Repeated clicks leave a grouped button as it was: only the release puts it down.
    button.SetGroupIndex(1);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    tick();
    EXPECT_FALSE(button.Down());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button.Down());

    // A tick that comes while a click's handler still runs (a message box it opened) ends the
    // repeating, or every tick would open one more box.
    button.SetGroupIndex(0);
    bool nested = true;
    QObject::connect(&button, &QAbstractButton::clicked, [&] {
        if (std::exchange(nested, false))
            tick();
    });
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    tick();
    EXPECT_EQ(repeatTimer().timerId, 0);
    EXPECT_EQ(button.State(), FaceState::up);
    clicks = 0;
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 0) << "the box took the release";

    button.SetAllowTimer(false);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(repeatTimer().timerId, 0) << "without AllowTimer nothing repeats";
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST_F(Controls, GroupKeepsAtMostOneButtonDown) {
    QWidget parent;
    TRxSpeedButton* buttons[3];
    int clicks = 0;
    for (auto*& button : buttons) {
        button = new TRxSpeedButton(&parent);
        button->resize(20, 20);
        button->SetGroupIndex(7);
        QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });
    }
    QTest::mouseClick(buttons[0], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(buttons[0]->Down());
    QTest::mouseClick(buttons[1], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(buttons[1]->Down());
    EXPECT_FALSE(buttons[0]->Down());
    EXPECT_EQ(buttons[0]->State(), FaceState::up);

    QTest::mouseClick(buttons[1], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(buttons[1]->Down()) << "the one down stays down";
    EXPECT_EQ(clicks, 3) << "and still clicks";
    // It wears a checkered face, so it reads as held.
    const QImage held = paint(*buttons[1]);
    EXPECT_NE(at(held, 10, 10), at(held, 11, 10));
    EXPECT_EQ(at(held, 10, 10), at(held, 11, 11));

    // Released outside, a grouped button that is not down is drawn up again.
    QTest::mousePress(buttons[2], Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(buttons[2], Qt::LeftButton, {}, QPoint(50, 5));
    EXPECT_EQ(buttons[2]->State(), FaceState::up);
    EXPECT_FALSE(buttons[2]->Down());

    // One button's AllowAllUp becomes the whole group's.
    buttons[0]->SetAllowAllUp(true);
    EXPECT_TRUE(buttons[1]->AllowAllUp());
    QTest::mouseClick(buttons[1], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(buttons[1]->Down());

    TRxSpeedButton loose;
    loose.SetDown(true);
    EXPECT_FALSE(loose.Down()) << "outside a group nothing stays down";
}

TEST_F(Controls, CaptionFontFollowsTheParentUntilGivenItsOwn) {
    QWidget parent;
    auto* child = new TRxSpeedButton(&parent);
    EXPECT_TRUE(child->ParentFont());
    QFont big = parent.font();
    big.setPixelSize(30);
    parent.setFont(big);
    EXPECT_EQ(child->font().pixelSize(), 30) << "the parent's font reaches the caption";
    child->SetParentFont(false);
    big.setPixelSize(8);
    parent.setFont(big);
    EXPECT_EQ(child->font().pixelSize(), 30) << "an own font stays";
    child->SetParentFont(true);
    EXPECT_EQ(child->font().pixelSize(), 8);
}

// Writes a picture of the looks a person can compare with the design when
// TEVLO_SCREENSHOT names a PNG file; always checks the frames it draws.
TEST_F(Controls, LooksOverAPicture) {
    QWidget window;
    window.resize(5 * 92 + 8, 2 * 29 + 8);
    QImage picture(window.size(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(60 + x % 120, 90 + y * 2, 160));
    QPalette palette = window.palette();
    palette.setBrush(QPalette::Window, QBrush(picture));
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    QImage bulb(32, 16, QImage::Format_RGB32);
    bulb.fill(QColor(255, 0, 255));
    QPainter draw(&bulb);
    draw.setPen(Qt::black);
    draw.setBrush(QColor(255, 220, 0));
    draw.drawEllipse(3, 1, 9, 9);
    draw.fillRect(6, 11, 4, 3, Qt::black);
    draw.setBrush(QColor(128, 128, 128));
    draw.drawEllipse(16 + 3, 1, 9, 9);
    draw.fillRect(16 + 6, 11, 4, 3, QColor(128, 128, 128));
    draw.end();

    std::vector<TRxSpeedButton*> buttons;
    const char* names[] = {"Inactive", "Hot", "Pressed", "Disabled", "A caption too long"};
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 5; ++i) {
            auto* button = new TRxSpeedButton(&window);
            button->setGeometry(4 + i * 92, 4 + row * 29, 88, row == 0 ? 21 : 25);
            button->SetFlat(true);
            button->SetTransparent(true);
            if (row == 0)
                button->SetCaption(QString::fromLatin1(names[i]));
            else
                button->SetGlyph(TBitmap(bulb));
            buttons.push_back(button);
        }
    window.show();
    for (int row = 0; row < 2; ++row) {
        enter(buttons[std::size_t(row * 5 + 1)]);
        QTest::mousePress(buttons[std::size_t(row * 5 + 2)], Qt::LeftButton, {}, QPoint(5, 5));
        buttons[std::size_t(row * 5 + 3)]->setEnabled(false);
    }
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(at(shot, 4 + 92, 4), Highlight) << "hot: raised frame";
    EXPECT_EQ(at(shot, 4 + 184, 4), WindowFrame) << "pressed: sunken frame";
    EXPECT_EQ(at(shot, 4, 4), at(picture, 4, 4)) << "inactive: the picture, no frame";
    // Glyphs: a 16 x 16 cell centred in the 84 x 21 face, the bulb's middle at (7, 5) of it.
    const auto bulbMiddle = [&](int i, int shift) {
        return at(shot, 4 + i * 92 + 2 + 34 + 7 + shift, 33 + 2 + 2 + 5 + shift);
    };
    const int yellowGrey = (77 * 255 + 150 * 220) / 256;
    EXPECT_EQ(bulbMiddle(0, 0), qRgb(yellowGrey, yellowGrey, yellowGrey) & 0xFFFFFFu);
    EXPECT_EQ(bulbMiddle(1, 0), 0xFFDC00u) << "hot: the first cell in colour";
    EXPECT_EQ(bulbMiddle(2, 1), 0xFFDC00u) << "pressed: moved one pixel";
    EXPECT_EQ(bulbMiddle(3, 0), 0x808080u) << "disabled: the second cell";
    // The bulb's outline starts on row 1 of its cell. Of the 5 rows the face has to spare, the
    // odd one goes below: each half is rounded down on its own.
    const auto blackIn = [&](int y) {
        for (int x = 4; x < 4 + 88; ++x)
            if (at(shot, x, y) == 0)
                return true;
        return false;
    };
    int outlineTop = 33;
    while (outlineTop < 33 + 25 && !blackIn(outlineTop))
        ++outlineTop;
    EXPECT_EQ(outlineTop, 33 + 2 + 2 + 1);
    if (const QByteArray file = qgetenv("TEVLO_SCREENSHOT"); !file.isEmpty()) {
        EXPECT_TRUE(shot.scaled(shot.size() * 2).save(QString::fromLocal8Bit(file)));
    }
}

TEST_F(Controls, DropDownMenuPopsUpBelowAndSwallowsItsClosingClick) {
    QWidget window;
    auto* button = new TRxSpeedButton(&window);
    button->setGeometry(10, 10, 40, 20);
    QMenu menu;
    menu.addAction(QStringLiteral("One"));
    button->SetDropDownMenu(&menu);
    int clicks = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });
    window.show();

    QPoint shownAt;
    bool swallowed = false;
    // Qt clears the no-replay mark once the menu is gone; read it as the menu goes.
    QObject::connect(&menu, &QMenu::aboutToHide,
                     [&] { swallowed = menu.testAttribute(Qt::WA_NoMouseReplay); });
    QTimer::singleShot(0, &menu, [&] {
        shownAt = menu.pos();
        // The click that closes the menu lands on the button.
        const QPoint onButton = menu.mapFromGlobal(button->mapToGlobal(QPoint(5, 5)));
        QTest::mouseClick(&menu, Qt::LeftButton, {}, onButton);
        menu.close();
    });
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(shownAt, button->mapToGlobal(QPoint(-1, 20)));
    EXPECT_TRUE(swallowed);
    EXPECT_FALSE(button->Pressing()) << "the press ended when the menu closed";
    EXPECT_EQ(button->State(), FaceState::up);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 0) << "showing the menu is not a click";

    // The arrow is drawn while the menu is set, and goes with the menu.
    const QImage withArrow = paint(*button);
    button->SetDropDownMenu(nullptr);
    EXPECT_NE(paint(*button), withArrow);
}

TEST_F(Controls, LinkedActionGivesCheckedStateAndIcon) {
    QWidget window;
    auto* button = new TRxSpeedButton(&window);
    button->SetGroupIndex(3);
    QAction action(QStringLiteral("Run"));
    action.setCheckable(true);
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    icon.setPixel(8, 8, qRgb(0, 200, 0));
    action.setIcon(QIcon(QPixmap::fromImage(icon)));
    button->SetAction(&action);
    EXPECT_EQ(button->Glyph().Width(), 16);
    EXPECT_EQ(button->Glyph().TransparentColor(), clFuchsia);
    EXPECT_EQ(button->Glyph().Pixel(0, 0), clFuchsia) << "empty icon pixels are the key colour";
    EXPECT_EQ(button->Glyph().Pixel(8, 8), platform::rgb(0, 200, 0));

    action.setChecked(true);
    EXPECT_TRUE(button->Down());
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
    button->Click();
    EXPECT_EQ(triggered, 1) << "a click runs the linked action";
}

TEST_F(Controls, AcceleratorClicksAnEnabledButton) {
    QWidget window;
    auto* button = new TRxSpeedButton(&window);
    button->SetCaption(QStringLiteral("&Go"));
    int clicks = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    button->setEnabled(false);
    QTest::keyClick(&window, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
}

TEST_F(Controls, ScreenReadersHearTheCaptionOrElseTheHint) {
    QWidget window;
    auto* launch = new TRxSpeedButton(&window);
    launch->SetCaption(QStringLiteral("&Terminal"));
    launch->SetHint(QStringLiteral("Key 1"));
    auto* glyphOnly = new TRxSpeedButton(&window);
    glyphOnly->SetHint(QStringLiteral("Set Bar"));

    QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(launch);
    ASSERT_NE(heard, nullptr);
    EXPECT_EQ(heard->role(), QAccessible::Button);
    EXPECT_EQ(heard->text(QAccessible::Name), QStringLiteral("Terminal"));
    EXPECT_EQ(heard->text(QAccessible::Description), QStringLiteral("Key 1"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(glyphOnly)->text(QAccessible::Name),
              QStringLiteral("Set Bar"));
    launch->SetCaption(QString());
    EXPECT_EQ(heard->text(QAccessible::Name), QStringLiteral("Key 1"));
    launch->SetCaption(QStringLiteral("Editor"));
    EXPECT_EQ(heard->text(QAccessible::Name), QStringLiteral("Editor"));
}

TEST_F(Controls, IconStandsLeftAtTheScreensDensityAndGreysWithTheCaption) {
    QWidget window;
    auto* button = new TRxSpeedButton(&window);
    button->setGeometry(0, 0, 88, 21);
    button->SetCaption(QStringLiteral("Go"));
    const QImage without = paint(*button);
    // One colour a size: which one is drawn tells which size was taken.
    QIcon icon;
    for (const auto& [side, colour] : {std::pair{16, Qt::red}, std::pair{32, Qt::blue}}) {
        QPixmap size(side, side);
        size.fill(colour);
        icon.addPixmap(size);
    }
    button->setIcon(icon);
    const auto drawnAt = [&](qreal density) {
        QPixmap canvas((QSizeF(88, 21) * density).toSize());
        canvas.setDevicePixelRatio(density);
        button->render(&canvas);
        return canvas.toImage();
    };
    const QImage once = drawnAt(1);
    EXPECT_EQ(at(once, 3, 10), Face);
    EXPECT_EQ(at(once, 4, 2), 0xFF0000u) << "16 x 16 at 4 from the left, centred";
    EXPECT_EQ(at(once, 19, 17), 0xFF0000u);
    EXPECT_EQ(at(once, 20, 10), Face);
    const auto captionLeft = [](const QImage& image, int from) {
        for (int x = from; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (at(image, x, y) == ButtonText)
                    return x;
        return -1;
    };
    EXPECT_GT(captionLeft(once, 20), captionLeft(without, 0)) << "centred right of the icon";
    const QImage twice = drawnAt(2);
    EXPECT_EQ(at(twice, 2 * 12, 2 * 10), 0x0000FFu) << "the 32 pixel size at scale 2";

    button->SetStrikeOut(true);
    const QRgb grey = at(drawnAt(1), 12, 10);
    EXPECT_TRUE(qRed(grey) == qGreen(grey) && qGreen(grey) == qBlue(grey)) << std::hex << grey;

    button->setIcon(QIcon());
    button->SetStrikeOut(false);
    EXPECT_EQ(paint(*button), without) << "without an icon, the button of before";
}

TEST_F(Controls, FocusFrameShowsForTheKeyboardOverAnyFace) {
    QWidget window;
    window.resize(200, 40);
    new Swatch(&window, 0x000000, QRect(0, 0, 100, 40));
    new Swatch(&window, 0xFFFFFF, QRect(100, 0, 100, 40));
    TRxSpeedButton* buttons[2];
    for (int i = 0; i < 2; ++i) {
        buttons[i] = new TRxSpeedButton(&window);
        buttons[i]->setGeometry(10 + 100 * i, 10, 80, 20);
        buttons[i]->SetFlat(true);
        buttons[i]->SetTransparent(true);
        buttons[i]->setFocusPolicy(Qt::TabFocus);
    }
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto ring = [&](TRxSpeedButton* button) {
        const QImage shown = window.grab(button->geometry()).toImage();
        std::set<QRgb> colours;
        for (int x = 2; x < 78; ++x)
            colours.insert(at(shown, x, 1));
        return colours;
    };
    for (TRxSpeedButton* button : buttons) {
        button->setFocus(Qt::ActiveWindowFocusReason);
        EXPECT_EQ(ring(button).size(), 1u) << "no frame for a focus the keyboard did not move";
        button->clearFocus();
        button->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(ring(button), (std::set<QRgb>{0x000000, 0xFFFFFF}));
    }
}
