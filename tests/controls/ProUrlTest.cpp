#include "controls/ProUrl.h"

#include "ControlsFixture.h"

#include "platform/Cursors.h"
#include "platform/Shell.h"

#include <QBitmap>
#include <QTest>

namespace {

class Links : public Controls {
protected:
    void SetUp() override {
        Controls::SetUp();
        m_previous = platform::setShellOpener(
            [this](QWidget*, const QString& target) { opened.push_back(target); });
    }
    void TearDown() override {
        platform::setShellOpener(m_previous);
        Controls::TearDown();
    }

    std::vector<QString> opened;

private:
    platform::ShellOpener m_previous;
};

void leave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

} // namespace

TEST_F(Links, ColourFollowsPressLeaveEnterAndRelease) {
    TProUrlLabel link;
    link.SetCaption(QStringLiteral("https://tevlo.example.org/"));
    link.SetAutoSize(false);
    link.resize(100, 16);
    EXPECT_EQ(link.FontColor(), clBlue);
    EXPECT_TRUE(link.font().underline());

    QTest::mousePress(&link, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(link.FontColor(), clRed);
    leave(&link);
    EXPECT_EQ(link.FontColor(), clBlue);
    enter(&link);
    EXPECT_EQ(link.FontColor(), clRed);
    QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(150, 5));
    EXPECT_EQ(link.FontColor(), clBlue);
    EXPECT_FALSE(link.Visited());
    EXPECT_TRUE(opened.empty()) << "released outside: nothing opens";

    // The right button opens too, and the caption goes to the desktop as it stands.
    QTest::mousePress(&link, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&link, Qt::RightButton, {}, QPoint(100, 16));
    EXPECT_EQ(opened, std::vector<QString>{link.Caption()});
    EXPECT_TRUE(link.Visited());
    EXPECT_EQ(link.FontColor(), clNavy);
    EXPECT_EQ(link.UnvisitedColor(), clBlue) << "colours shown while held are not recorded";

    link.SetURL(QStringLiteral("mailto:author@tevlo.example.org"));
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(opened.size(), 2u) << "a visited link opens again";
    EXPECT_EQ(opened[1], link.URL());
    EXPECT_EQ(link.FontColor(), clNavy) << "visited stays visited";
}

TEST_F(Links, FontColourIsTheStateColour) {
    TProUrlLabel link;
    link.SetAutoSize(false);
    link.resize(100, 16);
    link.SetFontColor(clGreen);
    EXPECT_EQ(link.UnvisitedColor(), clGreen);
    link.SetVisitedColor(clPurple);
    EXPECT_EQ(link.FontColor(), clGreen) << "not visited: the visited colour waits";
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(link.FontColor(), clPurple);
    link.SetUnvisitedColor(clTeal);
    EXPECT_EQ(link.FontColor(), clPurple);
    EXPECT_EQ(link.UnvisitedColor(), clTeal);
    link.SetFontColor(clMaroon);
    EXPECT_EQ(link.VisitedColor(), clMaroon);
}

TEST_F(Links, HandCursorsAreRegisteredWithTheirHotSpots) {
    EXPECT_FALSE(platform::isCursorRegistered(crHandPoint));
    RegisterHandCursors();
    const std::pair<int, QPoint> table[] = {{crHandPoint, {6, 0}},
                                            {crSmallHandPoint, {13, 9}},
                                            {crGrabHand, {4, 2}},
                                            {crGrabHandArrow, {0, 0}},
                                            {crDragHand, {0, 0}}};
    for (const auto& [id, hotSpot] : table) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(platform::isCursorRegistered(id));
        const QCursor cursor = platform::cursorFor(id);
        EXPECT_EQ(cursor.hotSpot(), hotSpot);
        const QImage picture = cursor.pixmap().toImage();
        ASSERT_EQ(picture.size(), QSize(32, 32));
        int black = 0, white = 0, clear = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb p = picture.pixel(x, y);
                clear += qAlpha(p) == 0;
                black += qAlpha(p) == 255 && (p & 0xFFFFFF) == 0;
                white += qAlpha(p) == 255 && (p & 0xFFFFFF) == 0xFFFFFF;
            }
        EXPECT_EQ(black + white + clear, 32 * 32) << "two colours and transparency only";
        EXPECT_GT(white, 20);
        EXPECT_GT(black, 20);
    }
    // The pointing hands' hot spots sit on their fingertips.
    EXPECT_EQ(platform::cursorFor(crHandPoint).pixmap().toImage().pixel(6, 0), qRgb(0, 0, 0));
    EXPECT_EQ(platform::cursorFor(crSmallHandPoint).pixmap().toImage().pixel(13, 9), qRgb(0, 0, 0));

    TProUrlLabel link;
    EXPECT_EQ(link.cursor().hotSpot(), QPoint(6, 0)) << "links point with the hand";
    EXPECT_EQ(platform::cursorFor(4711).shape(), Qt::ArrowCursor);
}
