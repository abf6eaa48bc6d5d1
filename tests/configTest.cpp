#include "BarFixture.h"

#include "controls/ProCtrls.h"
#include "platform/Image.h"

#include <QCheckBox>

using Lines = std::vector<std::string>;

namespace {

const Lines Sections = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"};

// The "Config" keys of the file, in their order, as "key=value".
Lines configKeys(const std::string& ini) {
    Lines keys;
    bool inConfig = false;
    for (const std::string& line : ParseSectionNames(ini)) {
        if (!line.empty() && line[0] == '[')
            inConfig = line == "[Config]";
        else if (inConfig && !line.empty())
            keys.push_back(line);
    }
    return keys;
}

void writeBitmap(const std::string& path, QColor color) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "BMP"));
}

} // namespace

TEST_F(Bar, FirstStartUsesTheDefaultsAndSavesEveryKeyInOrder) {
    writeSections(Sections);
    start();
    EXPECT_TRUE(CfgFrm->CheckUppercase->isChecked());
    EXPECT_TRUE(CfgFrm->CheckResize->isChecked());
    for (QCheckBox* box : {CfgFrm->CheckImage, CfgFrm->CheckImage2, CfgFrm->CheckStretch1,
                           CfgFrm->CheckOnTop, CfgFrm->CheckSmall, CfgFrm->CheckMin})
        EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_EQ(CfgFrm->EditFont1->font().family(), QStringLiteral("cf_MS Serif"));
    EXPECT_EQ(BarFrm->pos(), QPoint(673, 10)) << "Right and Up";
    EXPECT_TRUE(errors.messages().empty()) << "the default picture is not in use: no message";
    stop();
    EXPECT_EQ(configKeys(ini()),
              (Lines{"CheckImage=0", "CheckImage2=0", "BackColor1=0", "BackColor2=0", "Stretch=0",
                     "Font1=cf_MS Serif", "ColFont1=0", "Pos1=0", "Pos2=0",
                     "BackImage=c:\\windows\\nuvole.bmp", "TitleImage=c:\\windows\\nuvole.bmp",
                     "OnTop=0", "Small=0", "Min=0", "Uppercase=1", "Resize=1"}));
}

TEST_F(Bar, StoredValuesReadAndWriteBackInTheirEncodings) {
    writeSections(Sections);
    writeIni({"[Config]", "Pos1=7", "BackColor2=0xFF", "OnTop=2", "Min=yes",
              "Font1=", "BackColor1=-2147483633", "[Config.Caption]", "1=short"});
    start();
    EXPECT_EQ(CfgFrm->ComboBox2->currentIndex(), -1);
    EXPECT_EQ(CfgFrm->EditCol2->Color(), 255);
    EXPECT_TRUE(CfgFrm->CheckOnTop->isChecked());
    EXPECT_TRUE(BarFrm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(CfgFrm->CheckMin->isChecked()) << "not a number: the default";
    EXPECT_EQ(CfgFrm->EditFont1->font().family(), QString()) << "present but empty";
    EXPECT_EQ(BarFrm->x(), 0) << "no horizontal place selected: left alone";
    CfgFrm->CaptionEdits[1]->setText(QString(40, QLatin1Char('c')));
    stop();
    const Lines keys = configKeys(ini());
    for (const char* expected :
         {"Pos1=-1", "BackColor2=255", "OnTop=1", "Min=0", "Font1=", "BackColor1=-2147483633"})
        EXPECT_NE(std::find(keys.begin(), keys.end(), expected), keys.end()) << expected;
    EXPECT_NE(ini().find("1=" + std::string(30, 'c') + "\r\n"), std::string::npos)
        << "captions are cut to 30 characters";
}

TEST_F(Bar, AppliedSettingsReachTheBar) {
    writeSections(Sections);
    writeBitmap(dir.file("back.bmp"), Qt::red);
    writeIni({"[Config]", "CheckImage=1", "BackColor1=255", "BackColor2=65280", "Font1=Serif",
              "ColFont1=16711680", "Pos1=1", "Pos2=1", "BackImage=" + dir.file("back.bmp"),
              "Stretch=1"});
    start();
    EXPECT_EQ(BarFrm->Panel2->Color(), 255);
    EXPECT_EQ(BarFrm->Panel3->Color(), 255);
    EXPECT_EQ(BarFrm->Panel1->Color(), 65280);
    EXPECT_EQ(BarFrm->font().family(), QStringLiteral("Serif"));
    EXPECT_EQ(BarFrm->SectionButtons[1]->palette().color(QPalette::ButtonText), QColor(Qt::blue));
    EXPECT_EQ(BarFrm->pos(), QPoint(10, 500));
    EXPECT_TRUE(BarFrm->Image1->isVisibleTo(BarFrm));
    EXPECT_TRUE(BarFrm->Image1->Stretch());
    EXPECT_FALSE(BarFrm->Image2->isVisibleTo(BarFrm));
    ASSERT_NE(BarFrm->Image1->Picture().Graphic(), nullptr);
    EXPECT_EQ(BarFrm->Image1->Picture().Width(), 8);

    // A chosen font's size reaches the bar, its style does not.
    QFont chosen(QStringLiteral("Serif"));
    chosen.setPixelSize(16);
    chosen.setBold(true);
    CfgFrm->EditFont1->setFont(chosen);
    // The bar keeps its own copy of the picture until the next apply.
    CfgFrm->Image1->Picture().SetGraphic(nullptr);
    CfgFrm->ComboBox1->setCurrentIndex(4);
    CfgFrm->ComboBox3->setCurrentIndex(2);
    CfgFrm->CheckOnTop->setChecked(true);
    EXPECT_EQ(BarFrm->Image1->Picture().Width(), 8);
    CfgFrm->ApplySettings();
    EXPECT_EQ(BarFrm->font().pixelSize(), 16);
    EXPECT_FALSE(BarFrm->font().bold());
    EXPECT_EQ(BarFrm->Image1->Picture().Graphic(), nullptr);
    EXPECT_EQ(BarFrm->ComboBox1->currentIndex(), 4);
    EXPECT_EQ(BarFrm->y(), 242) << "Middle, collapsed";
    EXPECT_TRUE(BarFrm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    BarFrm->SetHeight(TBarFrm::FullHeight);
    CfgFrm->ApplySettings();
    EXPECT_EQ(BarFrm->y(), 135) << "Middle, expanded";
}

TEST_F(Bar, BrokenPictureKeepsItsNameAndReadingGoesOn) {
    writeSections(Sections);
    testing_support::writeBytes(dir.file("broken.bmp"), "not a bitmap");
    writeIni({"[Config]", "CheckImage=1", "BackImage=" + dir.file("broken.bmp"),
              "TitleImage=" + dir.file("missing.gif"), "OnTop=1", "Small=1"});
    start();
    EXPECT_EQ(errors.messages().size(), 1u) << "only the picture in use is reported";
    EXPECT_EQ(CfgFrm->Image1->Picture().Graphic(), nullptr);
    EXPECT_TRUE(CfgFrm->CheckOnTop->isChecked()) << "the keys after it are still read";
    EXPECT_TRUE(CfgFrm->CheckSmall->isChecked());
    stop();
    EXPECT_NE(ini().find("BackImage=" + dir.file("broken.bmp")), std::string::npos);
    EXPECT_NE(ini().find("TitleImage=" + dir.file("missing.gif")), std::string::npos);
}

TEST_F(Bar, SavingWithoutASettingsFileRefuses) {
    writeSections(Sections);
    start();
    FreeItemStore();
    EXPECT_THROW(CfgFrm->SaveSettings(), Exception);
}
