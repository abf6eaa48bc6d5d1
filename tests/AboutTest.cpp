#include "About.h"

#include "controls/BitBtn.h"
#include "controls/ProUrl.h"
#include "platform/Colors.h"
#include "platform/Image.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

template <typename T> T* part(QWidget& box, const char* name) {
    auto* found = box.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

} // namespace

TEST(About, EveryControlAtItsPlace) {
    TAboutBox box;
    EXPECT_EQ(box.Panel1, nullptr) << "nothing inside is made before the box is shown";
    box.BuildContents();
    EXPECT_EQ(box.objectName(), QStringLiteral("AboutBox"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(box.size(), QSize(298, 281));
    EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "not resizable";
    EXPECT_EQ(part<QWidget>(box, "Panel1")->geometry(), QRect(8, 8, 281, 217));
    EXPECT_EQ(part<QWidget>(box, "ProgramIcon")->geometry(), QRect(24, 24, 41, 41));
    EXPECT_EQ(part<QWidget>(box, "Image1")->geometry(), QRect(216, 24, 41, 41));
    EXPECT_FALSE(part<platform::TImage>(box, "ProgramIcon")->Picture().Graphic()->Empty());
    EXPECT_EQ(part<QWidget>(box, "ProductName")->pos(), QPoint(97, 16));
    EXPECT_EQ(part<QWidget>(box, "Version")->pos(), QPoint(111, 40));
    EXPECT_EQ(part<QWidget>(box, "Comments")->pos(), QPoint(8, 96));
    EXPECT_EQ(part<QWidget>(box, "ProLabel1")->geometry(), QRect(8, 120, 265, 41));
    const auto* note = part<TProLabel>(box, "ProLabel1");
    EXPECT_LE(note->CaptionHeight(), note->height()) << "the whole note shows, \"You.\" too";
    EXPECT_GE(note->font().pixelSize(), 14);
    EXPECT_EQ(part<QWidget>(box, "ProUrlLabel1")->pos(), QPoint(40, 168));
    EXPECT_EQ(part<QWidget>(box, "ProUrlLabel2")->pos(), QPoint(104, 192));
    EXPECT_EQ(part<QWidget>(box, "OKButton")->geometry(), QRect(111, 242, 77, 27));
    EXPECT_EQ(box.ProductName->Caption(), QStringLiteral("Tevlo"));
    EXPECT_EQ(box.ProUrlLabel2->ShadowStyle(), ssRecessed);
    const QRect panelInside = box.Panel1->rect().adjusted(2, 2, -2, -2);
    for (QWidget* inside : box.Panel1->findChildren<QWidget*>())
        EXPECT_TRUE(panelInside.contains(inside->geometry()))
            << inside->objectName().toStdString() << " reaches past the panel's bevels";

    // TEVLO_SCREENSHOT names a PNG file for a picture of the box.
    if (const QByteArray file = qgetenv("TEVLO_SCREENSHOT"); !file.isEmpty()) {
        box.show();
        EXPECT_TRUE(box.grab().save(QString::fromLocal8Bit(file)));
    }
}

TEST(About, OkButtonHasItsGlyphAtTheMarginAndBevelledEdges) {
    TAboutBox box;
    box.show();
    const QImage face = box.OKButton->grab().toImage();
    int glyphLeft = -1;
    for (int x = 0; x < face.width() && glyphLeft < 0; ++x)
        for (int y = 0; y < face.height(); ++y)
            if (face.pixelColor(x, y) == QColor(0x00, 0xC0, 0x00))
                glyphLeft = x;
    // The tick's first green column is column 1 of its cell; the cell starts at the margin, 2
    // pixels inside the face, which begins 4 pixels in (outline, two bevel lines, one spare).
    EXPECT_EQ(glyphLeft, 4 + 2 + 1) << "glyph drawn at its margin, not centred with the text";
    const QColor light = platform::toQColor(clBtnHighlight);
    const QColor dark = platform::toQColor(clBtnShadow);
    EXPECT_EQ(face.pixelColor(1, 12), light) << "a raised bevel: light on the left";
    EXPECT_EQ(face.pixelColor(face.width() - 3, 12), dark) << "and shadowed on the right";
}

TEST(About, LabelsShowThePanelsColourBehindThem) {
    // A theme whose buttons and windows differ, as many do.
    const QPalette saved = QApplication::palette();
    QPalette theme = saved;
    theme.setColor(QPalette::Window, QColor(200, 220, 255));
    theme.setColor(QPalette::Button, QColor(230, 230, 200));
    QApplication::setPalette(theme);
    {
        TAboutBox box;
        box.show();
        const QImage panel = box.Panel1->grab().toImage();
        // Below the note's two lines, inside its box; and the panel's face beside the box.
        EXPECT_EQ(panel.pixelColor(270, 159), QColor(230, 230, 200)) << "the note's background";
        EXPECT_EQ(panel.pixelColor(276, 159), QColor(230, 230, 200)) << "the panel's face";
    }
    QApplication::setPalette(saved);
}

TEST(About, LinksOpenTheirTargetsAndStayVisited) {
    std::vector<QString> opened;
    platform::setShellOpener([&](QWidget*, const QString& target) { opened.push_back(target); });
    TAboutBox box;
    const auto clickLinksThenOk = [&] {
        QTest::mouseClick(box.ProUrlLabel1, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseClick(box.ProUrlLabel2, Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_TRUE(box.isVisible()) << "the box stays open while a link opens";
        box.OKButton->click();
    };
    QTimer::singleShot(0, &box, clickLinksThenOk);
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QString::fromLatin1(MakerHomePage)) << "the caption itself";
    EXPECT_EQ(opened[1], QStringLiteral("mailto:") + QString::fromLatin1(MakerMail));

    QTimer::singleShot(0, &box, [&] { box.reject(); });
    box.exec();
    EXPECT_TRUE(box.ProUrlLabel1->Visited());
    EXPECT_TRUE(box.ProUrlLabel2->Visited());
    EXPECT_EQ(box.ProUrlLabel1->FontColor(), box.ProUrlLabel1->VisitedColor());
    platform::setShellOpener(nullptr);
}
