#include "BarFixture.h"

#include "controls/PageControl.h"
#include "controls/ProCtrls.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Image.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cerrno>

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
    EXPECT_TRUE(control<QCheckBox>(CfgFrm, "CheckUppercase")->isChecked());
    EXPECT_TRUE(control<QCheckBox>(CfgFrm, "CheckResize")->isChecked());
    for (QCheckBox* box :
         {control<QCheckBox>(CfgFrm, "CheckImage"), control<QCheckBox>(CfgFrm, "CheckImage2"),
          control<QCheckBox>(CfgFrm, "CheckStretch1"), control<QCheckBox>(CfgFrm, "CheckOnTop"),
          control<QCheckBox>(CfgFrm, "CheckSmall"), control<QCheckBox>(CfgFrm, "CheckMin")})
        EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_EQ(control<TFontEdit>(CfgFrm, "EditFont1")->font().family(),
              QStringLiteral("cf_MS Serif"));
    EXPECT_EQ(BarFrm->pos(), QPoint(670, 10)) << "Right and Up";
    EXPECT_TRUE(errors.messages().empty()) << "the default picture is not in use: no message";
    stop();
    EXPECT_EQ(configKeys(ini()),
              (Lines{"CheckImage=0", "CheckImage2=0", "BackColor1=0", "BackColor2=0", "Stretch=0",
                     "Font1=cf_MS Serif", "ColFont1=0", "Pos1=0", "Pos2=0",
                     "BackImage=c:\\windows\\nuvole.bmp", "TitleImage=c:\\windows\\nuvole.bmp",
                     "OnTop=0", "Small=0", "Min=0", "Uppercase=1", "Resize=1", "Icons=1"}));
}

TEST_F(Bar, StoredValuesReadAndWriteBackInTheirEncodings) {
    writeSections(Sections);
    writeIni({"[Config]", "Pos1=7", "BackColor2=0xFF", "OnTop=2", "Min=yes",
              "Font1=", "BackColor1=-2147483633", "[Config.Caption]", "1=short"});
    start();
    EXPECT_EQ(control<QComboBox>(CfgFrm, "ComboBox2")->currentIndex(), -1);
    EXPECT_EQ(control<TEditColor>(CfgFrm, "EditCol2")->Color(), 255);
    EXPECT_TRUE(control<QCheckBox>(CfgFrm, "CheckOnTop")->isChecked());
    EXPECT_TRUE(BarFrm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(control<QCheckBox>(CfgFrm, "CheckMin")->isChecked())
        << "not a number: the default";
    EXPECT_EQ(control<TFontEdit>(CfgFrm, "EditFont1")->font().family(), QString())
        << "present but empty";
    EXPECT_EQ(BarFrm->x(), 0) << "no horizontal place selected: left alone";
    CfgFrm->CaptionEdit(1)->setText(QString(40, QLatin1Char('c')));
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
    EXPECT_EQ(control<TProPanel>(BarFrm, "Panel2")->Color(), 255);
    EXPECT_EQ(control<TProPanel>(BarFrm, "Panel3")->Color(), 255);
    EXPECT_EQ(control<TProPanel>(BarFrm, "Panel1")->Color(), 65280);
    EXPECT_EQ(BarFrm->font().family(), QStringLiteral("Serif"));
    EXPECT_EQ(launchButton(1)->palette().color(QPalette::ButtonText), QColor(Qt::blue));
    EXPECT_EQ(BarFrm->pos(), QPoint(10, 500));
    // Shown on its panel, which a collapsed bar hides with its launch buttons.
    EXPECT_TRUE(control<platform::TImage>(BarFrm, "Image1")
                    ->isVisibleTo(control<TProPanel>(BarFrm, "Panel1")));
    EXPECT_TRUE(control<platform::TImage>(BarFrm, "Image1")->Stretch());
    EXPECT_FALSE(control<platform::TImage>(BarFrm, "Image2")->isVisibleTo(BarFrm));
    ASSERT_NE(control<platform::TImage>(BarFrm, "Image1")->Picture().Graphic(), nullptr);
    EXPECT_EQ(control<platform::TImage>(BarFrm, "Image1")->Picture().Width(), 8);

    // A chosen font's size reaches the bar, its style does not.
    QFont chosen(QStringLiteral("Serif"));
    chosen.setPixelSize(16);
    chosen.setBold(true);
    control<TFontEdit>(CfgFrm, "EditFont1")->setFont(chosen);
    // The bar keeps its own copy of the picture until the next apply.
    control<platform::TImage>(CfgFrm, "Image1")->Picture().SetGraphic(nullptr);
    control<QComboBox>(CfgFrm, "ComboBox1")->setCurrentIndex(4);
    control<QComboBox>(CfgFrm, "ComboBox3")->setCurrentIndex(2);
    control<QCheckBox>(CfgFrm, "CheckOnTop")->setChecked(true);
    EXPECT_EQ(control<platform::TImage>(BarFrm, "Image1")->Picture().Width(), 8);
    CfgFrm->ApplySettings();
    EXPECT_EQ(BarFrm->font().pixelSize(), 16);
    EXPECT_FALSE(BarFrm->font().bold());
    EXPECT_EQ(control<platform::TImage>(BarFrm, "Image1")->Picture().Graphic(), nullptr);
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->currentIndex(), 4);
    EXPECT_EQ(BarFrm->y(), 242) << "Middle, collapsed";
    EXPECT_TRUE(BarFrm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    BarFrm->SetHeight(TBarFrm::FullHeight);
    CfgFrm->ApplySettings();
    EXPECT_EQ(BarFrm->y(), 135) << "Middle, expanded";
}

TEST_F(Bar, TheFontColourReachesTheLaunchButtonsButNotTheSectionList) {
    writeSections(Sections);
    writeIni({"[Config]", "ColFont1=255", "BackColor1=16777215"});
    start();
    BarFrm->resize(BarFrm->width(), TBarFrm::FullHeight);
    const QColor red(255, 0, 0);
    EXPECT_EQ(launchButton(1)->palette().color(QPalette::ButtonText), red);
    const QImage list = control<QComboBox>(BarFrm, "ComboBox1")->grab().toImage();
    int redPixels = 0;
    for (int y = 0; y < list.height(); ++y)
        for (int x = 0; x < list.width(); ++x) {
            const QColor c = list.pixelColor(x, y);
            redPixels += c.red() > 160 && c.green() < 90 && c.blue() < 90;
        }
    EXPECT_EQ(redPixels, 0) << "the section name is drawn in the list's own colour";
    EXPECT_NE(control<QComboBox>(BarFrm, "ComboBox1")->palette().color(QPalette::ButtonText), red);
}

TEST_F(Bar, BrokenPictureKeepsItsNameAndReadingGoesOn) {
    writeSections(Sections);
    testing_support::writeBytes(dir.file("broken.bmp"), "not a bitmap");
    writeIni({"[Config]", "CheckImage=1", "BackImage=" + dir.file("broken.bmp"),
              "TitleImage=" + dir.file("missing.gif"), "OnTop=1", "Small=1"});
    start();
    EXPECT_EQ(errors.messages().size(), 1u) << "only the picture in use is reported";
    EXPECT_TRUE(errors.messages()[0].starts_with("The background picture \"" +
                                                 dir.file("broken.bmp") + "\" could not be read: "))
        << errors.messages()[0];
    EXPECT_EQ(control<platform::TImage>(CfgFrm, "Image1")->Picture().Graphic(), nullptr);
    EXPECT_TRUE(control<QCheckBox>(CfgFrm, "CheckOnTop")->isChecked())
        << "the keys after it are still read";
    EXPECT_TRUE(control<QCheckBox>(CfgFrm, "CheckSmall")->isChecked());
    stop();
    EXPECT_NE(ini().find("BackImage=" + dir.file("broken.bmp")), std::string::npos);
    EXPECT_NE(ini().find("TitleImage=" + dir.file("missing.gif")), std::string::npos);
}

TEST_F(Bar, APictureThatFailsIsReportedAfterEverySettingIsApplied) {
    writeSections(Sections);
    writeIni(
        {"[Config]", "CheckImage=1", "BackImage=" + dir.file("missing.bmp"), "Pos2=2", "Resize=0"});
    // What the message box's event loop would meet: the bar reacts to the activation it
    // brings with the settings the dialog holds at that moment.
    std::vector<std::string> seen;
    const platform::ExceptionHandler previous =
        platform::setExceptionHandler([&](const std::exception& error) {
            seen.push_back(error.what());
            BarFrm->AppActivate();
        });
    start();
    platform::setExceptionHandler(previous);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(control<QCheckBox>(CfgFrm, "CheckResize")->isChecked());
    EXPECT_EQ(BarFrm->height(), TBarFrm::SmallHeight) << "Authomatic Resize is off";
    EXPECT_EQ(BarFrm->y(), 242) << "Middle, collapsed";
}

TEST_F(Bar, AFailedSaveAtShutdownIsReportedOnceAndKeepsTheFile) {
    writeSections(Sections);
    writeIni({"[Config]", "Small=1"});
    start();
    control<QCheckBox>(CfgFrm, "CheckMin")->setChecked(true);
    {
        testing_support::ScopedRenameFailure failure(testing_support::accessDeniedError);
        stop();
        FreeItemStore();
    }
    EXPECT_EQ(errors.messages(), Lines{"The settings were not saved to \"" + dir.file("tevlo.ini") +
                                       "\": File access denied"});
    EXPECT_EQ(ini(), testing_support::crlf({"[Config]", "Small=1"}));
}

namespace {

// Answers every open dialog with answer (empty: cancel), recording what each was preset with.
class AnsweredDialogs {
public:
    explicit AnsweredDialogs(std::string answer) : m_answer(std::move(answer)) {
        m_previous = platform::setOpenDialogFunction([this](QWidget*, platform::TOpenDialog& d) {
            presets.push_back(d.FileName);
            if (m_answer.empty())
                return false;
            d.FileName = m_answer;
            return true;
        });
    }
    ~AnsweredDialogs() { platform::setOpenDialogFunction(m_previous); }
    std::vector<std::string> presets;

private:
    std::string m_answer;
    platform::OpenDialogFunction m_previous;
};

} // namespace

TEST_F(Bar, DialogFollowsTheBarsSectionAndTheBarFollowsThePage) {
    writeSections(Sections);
    start();
    control<QComboBox>(BarFrm, "ComboBox1")->setCurrentIndex(6);
    CfgFrm->FormActivate();
    EXPECT_EQ(control<TPageControl>(CfgFrm, "PageControl1")->ActivePageIndex(), 7);
    EXPECT_EQ(control<QComboBox>(CfgFrm, "ComboBox1")->currentIndex(), 6);
    control<TPageControl>(CfgFrm, "PageControl1")->SetActivePageIndex(4);
    CfgFrm->FormDeactivate();
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->currentIndex(), 3);
    control<TPageControl>(CfgFrm, "PageControl1")->SetActivePageIndex(0);
    launchButton(1)->SetCaption(QStringLiteral("stale"));
    CfgFrm->FormDeactivate();
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->currentIndex(), 3)
        << "from Look the section stays";
    EXPECT_NE(caption(1), QStringLiteral("stale")) << "but the buttons are refreshed";
}

TEST_F(Bar, SectionPagesAreMadeWhenFirstShownAndTheirItemsKeptTillThen) {
    writeSections(Sections);
    writeIni({"[Config.Caption]", "25=kept", "[Config.Prog]", "25=/kept/program"});
    start();
    EXPECT_TRUE(control<QWidget>(CfgFrm, QStringLiteral("Section%1").arg(3))
                    ->findChildren<QLineEdit*>()
                    .isEmpty());
    CfgFrm->SaveSettings();
    EXPECT_NE(ini().find("25=kept"), std::string::npos) << "an unseen page's items are saved";
    EXPECT_NE(ini().find("25=/kept/program"), std::string::npos);
    control<TPageControl>(CfgFrm, "PageControl1")->SetActivePageIndex(3);
    EXPECT_EQ(control<QWidget>(CfgFrm, QStringLiteral("Section%1").arg(3))
                  ->findChildren<QLineEdit*>()
                  .size(),
              20);
    EXPECT_EQ(CfgFrm->findChild<QLineEdit*>(QStringLiteral("EditCap25"))->text(),
              QStringLiteral("kept"));
    EXPECT_EQ(CfgFrm->findChild<QLineEdit*>(QStringLiteral("EditProg25"))->text(),
              QStringLiteral("/kept/program"));
}

TEST_F(Bar, BrowseStartsFromTheItemsSavedProgram) {
    writeSections(Sections);
    writeIni({"[Config.Prog]", "13=/saved/program"});
    start();
    CfgFrm->ProgramEdit(13)->setText(QStringLiteral("/typed/not/saved"));
    control<TPageControl>(CfgFrm, "PageControl1")->SetActivePageIndex(2);
    AnsweredDialogs dialogs("/chosen/program");
    auto* third = CfgFrm->findChild<QPushButton*>(QStringLiteral("BrowseBt13"));
    ASSERT_NE(third, nullptr);
    third->click();
    EXPECT_EQ(dialogs.presets, std::vector<std::string>{"/saved/program"});
    EXPECT_EQ(CfgFrm->ProgramEdit(13)->text(), QStringLiteral("/chosen/program"));
    EXPECT_EQ(CfgFrm->CaptionEdit(13)->text(), QString());
}

TEST_F(Bar, BrowsedApplicationNamesOnlyAnItemWithoutCaption) {
    writeSections(Sections);
    writeIni({"[Config.Caption]", "2=Mine"});
    start();
    control<TPageControl>(CfgFrm, "PageControl1")->SetActivePageIndex(1);
    const std::string entry = "/usr/share/applications/web.desktop";
    auto previous = platform::setOpenDialogFunction([&](QWidget*, platform::TOpenDialog& d) {
        EXPECT_TRUE(d.OffersApplications);
        d.FileName = entry;
        d.ApplicationName = "A Browser Whose Name Is Far Too Long";
        return true;
    });
    for (const char* name : {"BrowseBt1", "BrowseBt2"})
        CfgFrm->findChild<QPushButton*>(QString::fromLatin1(name))->click();
    EXPECT_EQ(CfgFrm->CaptionEdit(1)->text(), QStringLiteral("A Browser Whose Name Is Far To"));
    EXPECT_EQ(CfgFrm->CaptionEdit(2)->text(), QStringLiteral("Mine"));
    for (int n : {1, 2})
        EXPECT_EQ(CfgFrm->ProgramEdit(n)->text(), QString::fromStdString(entry)) << n;
    platform::setOpenDialogFunction(previous);
    // A program file chosen next brings no name from the application before it.
    AnsweredDialogs dialogs("/chosen/program");
    CfgFrm->findChild<QPushButton*>(QStringLiteral("BrowseBt3"))->click();
    EXPECT_EQ(CfgFrm->CaptionEdit(3)->text(), QString());
}

TEST_F(Bar, RenameAddsOnePrefixAndRewritesTheFile) {
    writeSections(Sections);
    start();
    control<QComboBox>(CfgFrm, "ComboBox1")->setCurrentIndex(4);
    control<QLineEdit>(CfgFrm, "Edit1")->setText(QStringLiteral("office é"));
    control<QPushButton>(CfgFrm, "ChangeBtn")->click();
    control<QLineEdit>(CfgFrm, "Edit1")->setText(QStringLiteral("work"));
    control<QPushButton>(CfgFrm, "ChangeBtn")->click();
    EXPECT_EQ(control<QComboBox>(CfgFrm, "ComboBox1")->itemText(4), QStringLiteral("5) WORK"));
    EXPECT_EQ(control<QComboBox>(CfgFrm, "ComboBox1")->currentIndex(), 4);
    EXPECT_TRUE(control<QLineEdit>(CfgFrm, "Edit1")->text().isEmpty());
    Lines expected = Sections;
    expected[4] = "5) WORK";
    EXPECT_EQ(testing_support::readBytes(dir.file("Items.txt")), testing_support::crlf(expected));
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->itemText(4), QStringLiteral("E"))
        << "the bar waits for a save";

    // Edited by hand meanwhile: that version is kept beside it, and said so; the same bytes
    // written anew by a synchronising tool are no edit.
    control<QComboBox>(CfgFrm, "ComboBox1")->setCurrentIndex(-1);
    control<QLineEdit>(CfgFrm, "Edit1")->setText(QStringLiteral("x"));
    platform::writeFileAtomic(dir.file("Items.txt"), testing_support::crlf(expected));
    control<QPushButton>(CfgFrm, "ChangeBtn")->click();
    testing_support::writeBytes(dir.file("Items.txt"), "changed elsewhere");
    control<QPushButton>(CfgFrm, "ChangeBtn")->click();
    EXPECT_EQ(testing_support::readBytes(dir.file("Items.txt")), testing_support::crlf(expected))
        << "no selection: no name changes, the file is still rewritten";
    EXPECT_TRUE(control<QLineEdit>(CfgFrm, "Edit1")->text().isEmpty());
    const Lines kept = testing_support::listFolder(dir.path());
    const auto copy = std::find_if(kept.begin(), kept.end(), [](const std::string& name) {
        return name.starts_with("Items.txt.edited-");
    });
    ASSERT_NE(copy, kept.end());
    EXPECT_EQ(testing_support::readBytes(dir.file(*copy)), "changed elsewhere");
    ASSERT_EQ(errors.messages().size(), 1u);
    EXPECT_NE(errors.messages()[0].find(dir.file(*copy)), std::string::npos);
    EXPECT_EQ(std::count_if(kept.begin(), kept.end(),
                            [](const std::string& name) { return name.starts_with("Items.txt."); }),
              1);
    errors.clear();

    // A write that fails keeps the old file and the typed name.
    control<QComboBox>(CfgFrm, "ComboBox1")->setCurrentIndex(0);
    control<QLineEdit>(CfgFrm, "Edit1")->setText(QStringLiteral("lost?"));
    {
        testing_support::ScopedRenameFailure full(ENOSPC);
        userClick(control<QPushButton>(CfgFrm, "ChangeBtn"));
    }
    EXPECT_EQ(errors.messages(), Lines{"The section names were not saved to \"" +
                                       dir.file("Items.txt") + "\": Disk full"});
    EXPECT_EQ(testing_support::readBytes(dir.file("Items.txt")), testing_support::crlf(expected));
    EXPECT_EQ(control<QLineEdit>(CfgFrm, "Edit1")->text(), QStringLiteral("LOST?"));
    EXPECT_EQ(control<QComboBox>(CfgFrm, "ComboBox1")->itemText(0),
              QString::fromStdString(Sections[0]))
        << "the list keeps the name the file keeps";
}

TEST_F(Bar, DefaultLookPicturesStretchAndDialogsThatRemember) {
    writeSections(Sections);
    writeBitmap(dir.file("pic.bmp"), Qt::green);
    start();
    control<QCheckBox>(CfgFrm, "CheckOnTop")->setChecked(true);
    control<QComboBox>(CfgFrm, "ComboBox2")->setCurrentIndex(2);
    control<QPushButton>(CfgFrm, "DefaultBt")->click();
    EXPECT_EQ(control<TEditColor>(CfgFrm, "EditCol")->Color(), clBtnFace);
    EXPECT_EQ(control<TEditColor>(CfgFrm, "EditCol2")->Color(), clBtnFace);
    EXPECT_EQ(control<TFontEdit>(CfgFrm, "EditFont1")->font().family(),
              QStringLiteral("cf_ MS Serif"));
    EXPECT_EQ(control<TFontEdit>(CfgFrm, "EditFont1")->font().pointSize(), 8);
    EXPECT_TRUE(control<TFontEdit>(CfgFrm, "EditFont1")->font().bold());
    EXPECT_EQ(control<TFontEdit>(CfgFrm, "EditFont1")->FontColor(), 0x000080);
    EXPECT_TRUE(control<QCheckBox>(CfgFrm, "CheckImage")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(CfgFrm, "CheckImage2")->isChecked());
    EXPECT_TRUE(control<QCheckBox>(CfgFrm, "CheckOnTop")->isChecked())
        << "behaviour is not part of the look";
    EXPECT_EQ(control<QComboBox>(CfgFrm, "ComboBox2")->currentIndex(), 2);

    AnsweredDialogs dialogs(dir.file("pic.bmp"));
    userClick(control<QPushButton>(CfgFrm, "ImgBtn2"));
    EXPECT_EQ(errors.messages(),
              std::vector<std::string>{"You have to select Image Check Box above!"});
    EXPECT_TRUE(dialogs.presets.empty()) << "no file dialog without the check box";
    control<QPushButton>(CfgFrm, "ImgBtn")->click();
    ASSERT_EQ(dialogs.presets.size(), 1u);
    EXPECT_EQ(dialogs.presets[0], "c:\\windows\\nuvole.bmp") << "preset with the stored name";
    EXPECT_EQ(control<platform::TImage>(CfgFrm, "Image1")->Picture().Width(), 8);
    EXPECT_EQ(control<platform::TImage>(BarFrm, "Image1")->Picture().Graphic(), nullptr)
        << "the bar gets it on saving";
    control<QCheckBox>(CfgFrm, "CheckStretch1")->click();
    EXPECT_TRUE(control<platform::TImage>(BarFrm, "Image1")->Stretch())
        << "stretch reaches the bar at once";

    std::vector<TColor> colourPresets;
    platform::setColorDialogFunction([&](QWidget*, platform::TColorDialog& d) {
        colourPresets.push_back(d.Color);
        d.Color = clTeal;
        return true;
    });
    control<QPushButton>(CfgFrm, "BackColBt")->click();
    control<QPushButton>(CfgFrm, "BackColBt")->click();
    platform::setColorDialogFunction(nullptr);
    EXPECT_EQ(colourPresets, (std::vector<TColor>{clBlack, clTeal})) << "opens as last closed";
    EXPECT_EQ(control<TEditColor>(CfgFrm, "EditCol")->Color(), clTeal);

    platform::setFontDialogFunction([&](QWidget*, platform::TFontDialog& d) {
        EXPECT_EQ(d.Font.family(), QStringLiteral("MS Serif"));
        EXPECT_EQ(d.Font.pixelSize(), 11);
        EXPECT_FALSE(d.Font.bold());
        EXPECT_EQ(d.FontColor, clBlack);
        return false;
    });
    control<QPushButton>(CfgFrm, "ScBtCar")->click();
    platform::setFontDialogFunction(nullptr);
    EXPECT_EQ(control<TFontEdit>(CfgFrm, "EditFont1")->font().family(),
              QStringLiteral("cf_ MS Serif"))
        << "a cancelled font dialog changes nothing";
}

TEST_F(Bar, CloseKeepsEditsEnterSavesEscapeCloses) {
    writeSections(Sections);
    start();
    CfgFrm->show();
    CfgFrm->CaptionEdit(1)->setText(QStringLiteral("edited"));
    control<QPushButton>(CfgFrm, "CloseBt")->click();
    EXPECT_FALSE(CfgFrm->isVisible());
    EXPECT_EQ(CfgFrm->CaptionEdit(1)->text(), QStringLiteral("edited"));
    EXPECT_EQ(ini().find("edited"), std::string::npos);

    CfgFrm->show();
    QTest::keyClick(CfgFrm->CaptionEdit(2), Qt::Key_Return);
    EXPECT_NE(ini().find("1=edited"), std::string::npos) << "Enter saves";
    EXPECT_EQ(caption(1), QStringLiteral("edited")) << "and refreshes the bar";
    QTest::keyClick(CfgFrm, Qt::Key_Escape);
    EXPECT_FALSE(CfgFrm->isVisible());

    CfgFrm->CaptionEdit(3)->setText(QStringLiteral("never saved"));
    stop();
    EXPECT_NE(ini().find("3=never saved"), std::string::npos) << "shutdown saves it";
}

TEST_F(Bar, CaptionBoxesTakeWhatACaptionKeeps) {
    writeSections(Sections);
    start();
    QLineEdit* box = CfgFrm->CaptionEdit(7);
    box->setFocus();
    QTest::keyClicks(box, QString(35, QLatin1Char('x')));
    EXPECT_EQ(box->text().size(), 30);
    box->clear();
    for (int i = 0; i < 20; ++i) {
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0xE9)));
        QApplication::sendEvent(box, &typed);
    }
    EXPECT_EQ(box->text().toUtf8().size(), 30) << "thirty bytes, never a cut character";
}

// TEVLO_SCREENSHOT names a PNG file: the "Look" page goes there, and the page "Section 1"
// beside it with "-section" added to the name.
TEST_F(Bar, DialogPictures) {
    writeSections(Sections);
    writeIni({"[Config.Prog]", "1=/usr/bin/xterm", "[Config.Caption]", "1=Terminal"});
    start();
    CfgFrm->show();
    const QByteArray file = qgetenv("TEVLO_SCREENSHOT");
    for (int page : {0, 1}) {
        control<TPageControl>(CfgFrm, "PageControl1")->SetActivePageIndex(page);
        const QImage shot = CfgFrm->grab().toImage();
        EXPECT_EQ(shot.size(), QSize(536, 424));
        if (file.isEmpty())
            continue;
        QString name = QString::fromLocal8Bit(file);
        if (page == 1)
            name.replace(QStringLiteral(".png"), QStringLiteral("-section.png"));
        EXPECT_TRUE(shot.save(name));
    }
}

TEST_F(Bar, BytesThatAreNotUtf8SurviveLoadSaveAndRename) {
    // From the Windows years: code page 1252, next to UTF-8.
    Lines sections = Sections;
    sections[0] = "B\xFCro";
    writeSections(sections);
    const std::string program = "/tmp/B\xFCro/run";
    writeIni({"[Config]", "Font1=Caf\xE9", "[Config.Prog]", "1=" + program, "[Config.Caption]",
              "1=Gr\xFC\xDF"
              "e",
              "2=\x80 und \xC3\xA9"});
    start();
    EXPECT_EQ(CfgFrm->ProgramEdit(1)->text(), QString::fromUtf8("/tmp/Büro/run"));
    EXPECT_EQ(CfgFrm->CaptionEdit(1)->text(), QString::fromUtf8("Grüße"));
    EXPECT_EQ(CfgFrm->CaptionEdit(2)->text(), QString::fromUtf8("€ und é"));
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->itemText(0), QString::fromUtf8("Büro"));
    EXPECT_EQ(caption(1), QString::fromUtf8("Grüße"));

    control<QComboBox>(CfgFrm, "ComboBox1")->setCurrentIndex(1);
    control<QLineEdit>(CfgFrm, "Edit1")->setText(QStringLiteral("x"));
    control<QPushButton>(CfgFrm, "ChangeBtn")->click();
    sections[1] = "2) X";
    EXPECT_EQ(testing_support::readBytes(dir.file("Items.txt")), testing_support::crlf(sections));

    CfgFrm->CaptionEdit(3)->setText(QString::fromUtf8("Büro neu"));
    CfgFrm->SaveBtClick();
    stop();
    const std::string saved = ini();
    const Lines expected = {"Font1=Caf\xE9", "1=" + program,
                            "1=Gr\xFC\xDF"
                            "e",
                            "2=\x80 und \xC3\xA9", "3=B\xC3\xBCro neu"};
    for (const std::string& line : expected)
        EXPECT_NE(saved.find("\r\n" + line + "\r\n"), std::string::npos) << line;
}

TEST_F(Bar, CaptionsFitTheirControls) {
    writeSections(Sections);
    start();
    // What a check box shows: the 13-pixel box, 3 pixels, its caption.
    const auto shown = [](QWidget* control) {
        auto* box = qobject_cast<QCheckBox*>(control);
        if (!box)
            return control->geometry();
        const int width = 16 + box->fontMetrics().horizontalAdvance(box->text());
        return QRect(box->pos(), QSize(width, box->height()));
    };
    for (QCheckBox* box : CfgFrm->findChildren<QCheckBox*>()) {
        EXPECT_LE(box->sizeHint().width(), box->width())
            << box->objectName().toStdString() << " cuts \"" << box->text().toStdString() << "\"";
        for (QWidget* other :
             box->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(other == box || !shown(other).intersects(shown(box)))
                << box->objectName().toStdString() << " runs into "
                << other->objectName().toStdString();
    }
    for (QPushButton* button : CfgFrm->findChildren<QPushButton*>())
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 4, button->width())
            << button->objectName().toStdString() << " cuts \"" << button->text().toStdString()
            << "\"";
}

TEST_F(Bar, LinuxLineEndsAndAByteOrderMarkKeepEverything) {
    for (const std::string& mark : {std::string(), std::string("\xEF\xBB\xBF")}) {
        SCOPED_TRACE(mark.empty() ? "LF" : "BOM and LF");
        std::string text = mark + "[Config]\nBackColor1=255\nFont1=Liberation Sans\n";
        std::string programs = "[Config.Prog]\n", captions = "[Config.Caption]\n";
        for (int n = 1; n <= ItemCount; ++n) {
            programs += std::to_string(n) + "=/opt/p" + std::to_string(n) + "\n";
            captions += std::to_string(n) + "=c" + std::to_string(n) + "\n";
        }
        testing_support::writeBytes(dir.file("tevlo.ini"), text + programs + captions);
        testing_support::writeBytes(dir.file("Items.txt"), mark + "One\nTwo\nThree\n");
        start();
        EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->itemText(0), QStringLiteral("One"));
        EXPECT_EQ(control<TEditColor>(CfgFrm, "EditCol")->Color(), 255);
        stop();
        FreeItemStore();
        const std::string saved = ini();
        for (int n = 1; n <= ItemCount; ++n) {
            const std::string key = std::to_string(n);
            EXPECT_NE(saved.find("\r\n" + key + "=/opt/p" + key + "\r\n"), std::string::npos) << n;
            EXPECT_NE(saved.find("\r\n" + key + "=c" + key + "\r\n"), std::string::npos) << n;
        }
        EXPECT_NE(saved.find("Font1=Liberation Sans\r\n"), std::string::npos);
        EXPECT_TRUE(saved.starts_with("[Config]\r\n")) << "written with CR LF and no mark";
    }
}

TEST_F(Bar, BoxesKeepOneLineAndProgramsOfAnyLength) {
    writeSections(Sections);
    const std::string longProgram = "/bin/echo " + std::string(40000, 'p');
    writeIni({"[Config.Prog]", "1=" + longProgram});
    start();
    QApplication::clipboard()->setText(QStringLiteral("two\n3=lines\r\n[Notes]"));
    for (QLineEdit* box :
         {CfgFrm->CaptionEdit(2), CfgFrm->ProgramEdit(2), control<QLineEdit>(CfgFrm, "Edit1")}) {
        box->setText(QStringLiteral("()"));
        box->setCursorPosition(1);
        box->paste();
        EXPECT_EQ(box->text(), QStringLiteral("(two)")) << box->objectName().toStdString();
    }
    control<QPushButton>(CfgFrm, "SaveBt")->click();
    EXPECT_NE(ini().find("\r\n1=" + longProgram + "\r\n"), std::string::npos)
        << "kept whole, though its page was made and saved";
    EXPECT_NE(ini().find("\r\n2=(two)\r\n"), std::string::npos);
    EXPECT_EQ(ini().find("[Notes]"), std::string::npos);
}
