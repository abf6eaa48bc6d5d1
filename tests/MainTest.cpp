#include "BarFixture.h"

#include "controls/ProCtrls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QEventLoop>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <tuple>

using Lines = std::vector<std::string>;

namespace {

const Lines Sections = {"ONE", "TWO",   "THREE", "FOUR", "FIVE",
                        "SIX", "SEVEN", "EIGHT", "NINE", "TEN"};

} // namespace

TEST(SectionNames, LinesEndEveryWayAndAZeroEndsTheText) {
    EXPECT_EQ(ParseSectionNames("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(ParseSectionNames(" a \r\n\r\nb\n"), (Lines{" a ", "", "b"}));
    EXPECT_EQ(ParseSectionNames(std::string("a\nb\0c\nd", 7)), (Lines{"a", "b"}));
    EXPECT_EQ(ParseSectionNames(""), Lines{});
}

TEST_F(Bar, ButtonsShowTheSelectedSectionsItems) {
    writeSections(Sections);
    // The folder is the program's own, whatever its arguments hold.
    testing_support::makeExecutable(dir.file("run25"), "#!/bin/sh\n");
    const std::string withArgument = dir.file("run25") + " --out=logs/today";
    writeIni({"[Config]", "Resize=0", "[Config.Prog]", "24=/opt/none/run24", "25=" + withArgument,
              "100=/opt/last/run100", "[Config.Caption]", "23=no program", "25=Twenty-five é",
              "100=hundred"});
    start();
    selectSection(2);
    EXPECT_EQ(caption(3), QStringLiteral("no program"));
    EXPECT_FALSE(enabled(3)) << "a caption without a program is disabled";
    EXPECT_TRUE(enabled(4));
    EXPECT_EQ(caption(4), QString());
    idle();
    EXPECT_EQ(caption(4), QStringLiteral("?")) << "an empty caption shows ? after idling";
    EXPECT_EQ(caption(5), QStringLiteral("TWENTY-FIVE é")) << "only a..z become capitals";

    QTest::mouseClick(launchButton(5), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].commandLine, withArgument);
    EXPECT_EQ(started[0].folder, dir.path() + "/");
    EXPECT_EQ(BarFrm->height(), TBarFrm::FullHeight);

    BarFrm->HideBtnClick();
    QTest::mouseClick(launchButton(4), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(errors.messages().size(), 1u);
    EXPECT_EQ(errors.messages()[0], "Cannot start \"/opt/none/run24\": File not found");
    EXPECT_EQ(started.size(), 1u);
    EXPECT_EQ(BarFrm->height(), TBarFrm::SmallHeight) << "a failed launch leaves the height";

    selectSection(9);
    EXPECT_EQ(caption(10), QStringLiteral("hundred"));
    control<QCheckBox>(CfgFrm, "CheckUppercase")->setChecked(false);
    idle();
    EXPECT_EQ(caption(10), QStringLiteral("hundred"));
}

TEST_F(Bar, ButtonsOfMissingProgramsAreStruckOutInGreyAndSaySo) {
    writeSections(Sections);
    testing_support::makeExecutable(dir.file("here"), "#!/bin/sh\n");
    // Red captions, so that neither the frame nor the grey can be taken for them, on the
    // desktop's button face, where its grey-text colour is too faint to read.
    writeIni({"[Config]", "Resize=0", "Uppercase=0", "ColFont1=255", "BackColor2=-2147483633",
              "[Config.Prog]", "1=" + dir.file("here"), "2=/opt/none/gone --flag",
              "3=no-such-program-on-path", "[Config.Caption]", "1=Same", "2=Same", "3=Same"});
    start();
    idle();
    waitForChecks();
    auto* found = launchButton(1);
    auto* gone = launchButton(2);
    EXPECT_FALSE(found->StrikeOut());
    EXPECT_EQ(found->Hint(), QStringLiteral("Key 1"));
    EXPECT_TRUE(gone->StrikeOut());
    EXPECT_EQ(gone->Hint(), QStringLiteral("Not found: /opt/none/gone --flag"));
    EXPECT_TRUE(launchButton(3)->StrikeOut()) << "not on PATH";
    EXPECT_TRUE(gone->isEnabled()) << "a click still says why it cannot start";

    // By pixels: the missing item's caption is drawn in a grey that reads on the button face
    // (WCAG's 4.5:1) with a line through it, where the found one is in the button-text colour.
    const QImage good = found->grab().toImage(), bad = gone->grab().toImage();
    if (const QByteArray file = qgetenv("TEVLO_SCREENSHOT"); !file.isEmpty())
        bad.save(QString::fromLocal8Bit(file));
    const QColor face = platform::toQColor(clBtnFace);
    ASSERT_LT(platform::contrastRatio(platform::toQColor(clGrayText), face), 4.5);
    const QColor text = found->palette().color(QPalette::ButtonText);
    // Text is smoothed: its pixels are near its colour, seldom exactly it.
    const auto near = [](const QColor& colour) {
        return [colour](const QColor& c) {
            return std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                       std::abs(c.blue() - colour.blue()) <
                   90;
        };
    };
    const auto readableGrey = [&](const QColor& c) {
        return std::abs(c.red() - c.green()) < 8 && std::abs(c.green() - c.blue()) < 8 &&
               platform::contrastRatio(c, face) >= 4.5;
    };
    const auto count = [](const QImage& image, const auto& is) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += is(image.pixelColor(x, y));
        return n;
    };
    const auto longestRun = [](const QImage& image, const auto& is) {
        int longest = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0, run = 0; x < image.width(); ++x) {
                run = is(image.pixelColor(x, y)) ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        return longest;
    };
    EXPECT_GT(count(good, near(text)), 20);
    EXPECT_EQ(count(bad, near(text)), 0);
    EXPECT_GT(count(bad, readableGrey), 20);
    EXPECT_GE(longestRun(bad, readableGrey), 15) << "a line through the caption";
    EXPECT_LT(longestRun(good, near(text)), 15);

    // Checked again when the bar opens: the program has come meanwhile.
    BarFrm->HideBtnClick();
    testing_support::makeExecutable(dir.file("later"), "#!/bin/sh\n");
    ItemPrograms[2] = dir.file("later");
    BarFrm->ShowBtnClick();
    waitForChecks();
    EXPECT_FALSE(gone->StrikeOut());
}

TEST_F(Bar, IconsFollowTheirSwitchAtOnceAndAreKeptByProgram) {
    writeSections(Sections);
    writeIni({"[Config]", "Resize=0", "Icons=0", "[Config.Prog]", "1=/bin/sh", "2=/opt/none/gone",
              "11=/bin/sh"});
    start();
    waitForChecks();
    EXPECT_TRUE(launchButton(1)->icon().isNull());
    auto* icons = control<QCheckBox>(CfgFrm, "CheckIcons");
    icons->setChecked(true);
    waitForChecks();
    EXPECT_FALSE(launchButton(1)->icon().isNull());
    EXPECT_FALSE(launchButton(2)->icon().isNull()) << "a missing program shows its icon greyed";
    EXPECT_TRUE(launchButton(3)->icon().isNull()) << "an empty item has none";
    const qint64 kept = launchButton(1)->icon().cacheKey();
    selectSection(1);
    EXPECT_EQ(launchButton(1)->icon().cacheKey(), kept) << "the same program's, before any answer";
    CfgFrm->SaveSettings();
    EXPECT_NE(ini().find("Icons=1"), std::string::npos);
    icons->setChecked(false);
    EXPECT_TRUE(launchButton(1)->icon().isNull());
}

TEST_F(Bar, DropsMakeAButtonTheirItemAndSaveOrSayWhyNot) {
    // The desktop opens https addresses with this entry, and has no other preference.
    testing_support::useDesktopData(dir.file("data"), dir.file("no-data-home"));
    const std::string apps = dir.file("data") + "/applications";
    testing_support::writeDesktopEntry(apps, "web", "Name=Web");
    testing_support::writeBytes(apps + "/mimeinfo.cache",
                                "[MIME Cache]\nx-scheme-handler/https=web.desktop;\n");
    writeSections(Sections);
    writeIni({"[Config]", "Resize=0"});
    start();
    BarFrm->ShowBtnClick();
    selectSection(1);
    const auto dropData = [](int k, const std::function<void(QMimeData&)>& fill) {
        QMimeData data;
        fill(data);
        const QPoint at = launchButton(k)->mapTo(BarFrm, QPoint(5, 5));
        // As a drag does: it enters the window, which makes the bar the drop's target.
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(BarFrm, &enter);
        QDropEvent event(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(BarFrm, &event);
    };
    const auto drop = [&](int k, const QString& path) {
        dropData(k, [&](QMimeData& data) { data.setUrls({QUrl::fromLocalFile(path)}); });
    };
    const std::string program = dir.file("a program with a name far too long for a caption");
    testing_support::makeExecutable(program, "#!/bin/sh\n");
    drop(3, QString::fromStdString(program));
    EXPECT_EQ(ItemPrograms[13], program);
    EXPECT_EQ(ItemCaptions[13].str(), "a program with a name far too ") << "cut as captions are";
    idle();
    EXPECT_EQ(caption(3), QStringLiteral("A PROGRAM WITH A NAME FAR TOO "));
    EXPECT_NE(ini().find("13=" + program), std::string::npos) << "saved at once";
    waitForChecks();
    EXPECT_FALSE(launchButton(3)->icon().isNull()) << "with its icon";

    // A launcher not marked as a program is asked about; "No" changes nothing.
    const std::string thing = dir.file("thing.desktop");
    testing_support::writeDesktopEntry(dir.path(), "thing", "Name=Thing");
    drop(4, QString::fromStdString(thing));
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("\"Thing\" (" + thing + ") is not marked as a program"),
              std::string::npos)
        << questions[0];
    EXPECT_NE(questions[0].find("runs:\n\ntrue\n"), std::string::npos) << "its Exec line";
    EXPECT_TRUE(ItemPrograms[14].empty());
    answer = true;
    drop(4, QString::fromStdString(thing));
    EXPECT_EQ(ItemCaptions[14].str(), "Thing") << "the entry's own name";
    EXPECT_EQ(ItemPrograms[14], thing);
    // Allowed, it starts without a question, until the file changes hands.
    BarFrm->LaunchItem(14);
    EXPECT_EQ(questions.size(), 2u);
    ASSERT_EQ(started.size(), 1u);
    testing_support::writeDesktopEntry(dir.path(), "thing",
                                       "Name=Thing\nComment=changed by its owner");
    answer = false;
    BarFrm->LaunchItem(14);
    EXPECT_EQ(questions.size(), 3u);
    EXPECT_EQ(started.size(), 1u) << "refused, so not started";
    // One of the user's own, marked as a program, is trusted.
    testing_support::makeExecutable(dir.file("own.desktop"),
                                    "[Desktop Entry]\nType=Application\nName=Own\nExec=true\n");
    drop(8, QString::fromStdString(dir.file("own.desktop")));
    EXPECT_EQ(ItemPrograms[18], dir.file("own.desktop"));
    EXPECT_EQ(questions.size(), 3u);

    // A web address, as a link or as text, is opened by the desktop's opener for its kind.
    dropData(6, [](QMimeData& data) {
        data.setUrls({QUrl(QStringLiteral("https://example.org/a?b=c d"))});
    });
    dropData(7, [](QMimeData& data) { data.setText(QStringLiteral(" https://www.test/ ")); });
    EXPECT_EQ(ItemPrograms[16], apps + "/web.desktop https://example.org/a?b=c%20d");
    EXPECT_EQ(ItemCaptions[16].str(), "example.org");
    EXPECT_EQ(ItemPrograms[17], apps + "/web.desktop https://www.test/");

    const std::string before = ini();
    testing_support::writeBytes(dir.file("text"), "not a program");
    // A name on two lines would write a line of its own into the file: another button's item.
    const std::string smuggler = dir.file("notes\n16=sh -c evil");
    testing_support::makeExecutable(smuggler, "#!/bin/sh\n");
    testing_support::writeDesktopEntry(dir.path(), "two-lines", "Name=Two\\n[Notes]");
    for (const std::string& refused :
         {dir.path(), dir.file("text"), dir.file("none"), smuggler, dir.file("two-lines.desktop")})
        drop(5, QString::fromStdString(refused));
    ASSERT_EQ(errors.messages().size(), 5u) << errors.messages().front();
    EXPECT_NE(errors.messages()[0].find("it is a folder, not a program"), std::string::npos);
    EXPECT_NE(errors.messages()[1].find("it is not a program"), std::string::npos);
    EXPECT_NE(errors.messages()[2].find("it does not exist"), std::string::npos);
    EXPECT_EQ(errors.messages()[3],
              "Cannot put \"" + smuggler + "\" on the button: its name holds a line break");
    EXPECT_NE(errors.messages()[4].find("its name holds a line break"), std::string::npos);
    EXPECT_TRUE(ItemPrograms[15].empty());
    EXPECT_EQ(ini(), before) << "a refused drop changes nothing";
}

TEST_F(Bar, LaunchStartsInTheProgramsFolderAndResizes) {
    writeSections(Sections);
    testing_support::makeExecutable(dir.file("run"), "#!/bin/sh\n");
    writeIni({"[Config]", "Resize=0", "Pos2=1", "[Config.Prog]", "15=" + dir.file("run")});
    start();
    selectSection(1);
    launchButton(5)->Click();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].commandLine, dir.file("run"));
    EXPECT_EQ(started[0].folder, dir.path() + "/");
    EXPECT_EQ(BarFrm->height(), TBarFrm::FullHeight);
    const int top = BarFrm->y();
    control<QCheckBox>(CfgFrm, "CheckSmall")->setChecked(true);
    BarFrm->LaunchItem(15);
    EXPECT_EQ(BarFrm->height(), TBarFrm::SmallHeight);
    EXPECT_EQ(BarFrm->y(), top) << "a launch never moves the bar";
    BarFrm->LaunchItem(16);
    EXPECT_EQ(started.size(), 2u) << "an item without a program starts nothing";
}

TEST_F(Bar, NextAndPreviousStopAtTheEnds) {
    writeSections(Sections);
    writeIni({"[Config.Caption]", "91=ninety-one", "1=one"});
    start();
    selectSection(9);
    launchButton(1)->SetCaption(QStringLiteral("stale"));
    BarFrm->NextBtnClick();
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->currentIndex(), 9);
    EXPECT_EQ(caption(1), QStringLiteral("ninety-one")) << "still refreshed";
    selectSection(0);
    launchButton(1)->SetCaption(QStringLiteral("stale"));
    BarFrm->PrevBtnClick();
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->currentIndex(), 0);
    EXPECT_EQ(caption(1), QStringLiteral("stale")) << "nothing refreshed at the first section";
    BarFrm->NextBtnClick();
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->currentIndex(), 1);
}

TEST_F(Bar, HeightsAndTopsFollowTheirTriggers) {
    writeSections(Sections);
    writeIni({"[Config]", "Pos2=1"});
    start();
    EXPECT_EQ(BarFrm->height(), TBarFrm::SmallHeight);
    EXPECT_EQ(BarFrm->y(), 500) << "placed by the settings while collapsed";
    BarFrm->ShowBtnClick();
    EXPECT_EQ(BarFrm->height(), TBarFrm::FullHeight);
    EXPECT_EQ(BarFrm->y(), 268);
    BarFrm->HideBtnClick();
    EXPECT_EQ(BarFrm->height(), TBarFrm::SmallHeight);
    EXPECT_EQ(BarFrm->y(), 500);
    BarFrm->AppActivate();
    EXPECT_EQ(BarFrm->height(), TBarFrm::FullHeight) << "automatic resize is on by default";
    EXPECT_EQ(BarFrm->y(), 268);
    BarFrm->AppDeactivate();
    EXPECT_EQ(BarFrm->y(), 500);

    control<QComboBox>(CfgFrm, "ComboBox3")->setCurrentIndex(2);
    BarFrm->ShowBtnClick();
    EXPECT_EQ(BarFrm->y(), 135);
    BarFrm->HideBtnClick();
    EXPECT_EQ(BarFrm->y(), 242);
    control<QComboBox>(CfgFrm, "ComboBox3")->setCurrentIndex(0);
    BarFrm->ShowBtnClick();
    EXPECT_EQ(BarFrm->y(), 242) << "Up: the bar's own triggers never move it";
    BarFrm->HideBtnClick();
    BarFrm->ComboBox1Click();
    EXPECT_EQ(BarFrm->height(), TBarFrm::FullHeight);
    EXPECT_EQ(BarFrm->y(), 242);

    control<QCheckBox>(CfgFrm, "CheckResize")->setChecked(false);
    BarFrm->AppDeactivate();
    EXPECT_EQ(BarFrm->height(), TBarFrm::FullHeight);
    EXPECT_EQ(BarFrm->maximumWidth(), TBarFrm::BarWidth);
    EXPECT_EQ(BarFrm->minimumHeight(), TBarFrm::SmallHeight);
    EXPECT_EQ(BarFrm->maximumHeight(), TBarFrm::FullHeight);
}

TEST_F(Bar, MissingSectionFileIsSaidOnceAndNothingStoredIsLost) {
    writeIni({"[Config]", "BackColor1=255", "Pos1=2", "[Config.Caption]", "1=kept"});
    start();
    ASSERT_EQ(errors.messages().size(), 1u);
    EXPECT_EQ(errors.messages()[0], "Cannot open file " + dir.file("Items.txt"));
    ASSERT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->count(), 10);
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->itemText(0),
              QStringLiteral("SYSTEM UTILITIES"));
    EXPECT_EQ(control<QComboBox>(CfgFrm, "ComboBox1")->itemText(9), QStringLiteral("GAMES"));
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->currentIndex(), 0);
    EXPECT_EQ(caption(1), QStringLiteral("kept"));
    EXPECT_EQ(BarFrm->x(), 348) << "the settings were loaded and applied";
    stop();
    EXPECT_NE(ini().find("BackColor1=255"), std::string::npos);
    EXPECT_NE(ini().find("1=kept"), std::string::npos);
}

TEST_F(Bar, ShortSectionListNeverReachesOutsideTheItems) {
    writeSections({"A", "B", "C"});
    writeIni({"[Config.Prog]", "21=/bin/true", "[Config.Caption]", "21=c1"});
    start();
    selectSection(2);
    EXPECT_EQ(caption(1), QStringLiteral("c1"));
    BarFrm->NextBtnClick();
    EXPECT_EQ(control<QComboBox>(BarFrm, "ComboBox1")->currentIndex(), -1);
    for (int k = 1; k <= 10; ++k) {
        EXPECT_FALSE(enabled(k)) << k;
        EXPECT_EQ(caption(k), QString()) << k;
    }
    BarFrm->ButtonAllClick(launchButton(1));
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(errors.messages().empty());
}

TEST_F(Bar, HelpOpensAndClosesWithTheBar) {
    writeSections(Sections);
    start();
    BarFrm->HelpBtnClick();
    stop();
    EXPECT_EQ(help, (std::vector<platform::HelpCommand>{platform::HelpCommand::Contents,
                                                        platform::HelpCommand::Quit}));
}

TEST_F(Bar, IdleMomentsCorrectCaptionsAndTheBodyDragsTheWindow) {
    writeSections(Sections);
    writeIni({"[Config]", "Resize=0", "Pos1=1", "Pos2=0", "[Config.Prog]", "1=/bin/true",
              "[Config.Caption]", "2=lower"});
    start();
    BarFrm->show();
    EXPECT_EQ(caption(1), QString());
    // The loop calls the idle handler whenever it is about to wait.
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(caption(1), QStringLiteral("?"));
    EXPECT_EQ(caption(2), QStringLiteral("LOWER"));

    const QPoint from = BarFrm->pos();
    QWidget* body = control<TProPanel>(BarFrm, "Panel1");
    const QPoint grip(4, 230);
    QTest::mousePress(body, Qt::LeftButton, {}, grip);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(30, 40)),
                     QPointF(body->mapToGlobal(grip) + QPoint(30, 40)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(body, &move);
    QTest::mouseRelease(body, Qt::LeftButton, {}, grip + QPoint(30, 40));
    EXPECT_EQ(BarFrm->pos(), from + QPoint(30, 40));
}

TEST_F(Bar, TheSectionListDropsDownTenRowsAndScrolls) {
    std::vector<std::string> names;
    for (int i = 1; i <= 14; ++i)
        names.push_back("section " + std::to_string(i));
    writeSections(names);
    start();
    BarFrm->show();
    control<QComboBox>(BarFrm, "ComboBox1")->showPopup();
    QAbstractItemView* rows = control<QComboBox>(BarFrm, "ComboBox1")->view();
    ASSERT_TRUE(rows->isVisible());
    EXPECT_EQ(rows->viewport()->height(), 10 * 11) << "ten rows of eleven pixels";
    EXPECT_GT(rows->verticalScrollBar()->maximum(), 0) << "the other four are scrolled to";
    control<QComboBox>(BarFrm, "ComboBox1")->hidePopup();
}

TEST(BarPlaces, KeepTheirNumbersOn800x600AndTheirEdgesElsewhere) {
    const QRect design(0, 0, 800, 600);
    EXPECT_EQ(PlaceLeft(0, design), 800 - TBarFrm::BarWidth) << "the whole bar on the screen";
    EXPECT_EQ(PlaceLeft(1, design), 10);
    EXPECT_EQ(PlaceLeft(2, design), 348);
    for (const auto& [vertical, collapsed, expanded] :
         {std::tuple{0, 10, 10}, std::tuple{1, 500, 268}, std::tuple{2, 242, 135}}) {
        EXPECT_EQ(PlaceTop(vertical, true, design), collapsed) << vertical;
        EXPECT_EQ(PlaceTop(vertical, false, design), expanded) << vertical;
    }
    EXPECT_EQ(PlaceLeft(3, design), -1);
    EXPECT_EQ(PlaceTop(-1, true, design), -1);

    const QRect small(0, 0, 1024, 768);
    EXPECT_EQ(PlaceLeft(0, small), 1024 - 130);
    EXPECT_EQ(PlaceLeft(2, small), 512 - 52);
    EXPECT_EQ(PlaceTop(1, true, small), 768 - 100);
    EXPECT_EQ(PlaceTop(2, false, small), 384 - 165);
    // A panel of 32 pixels at the top of a full-HD screen: measured below it.
    const QRect panelled(0, 32, 1920, 1048);
    EXPECT_EQ(PlaceTop(0, true, panelled), 42);
    EXPECT_EQ(PlaceTop(1, false, panelled), 1080 - 332);
    EXPECT_EQ(PlaceLeft(0, panelled), 1920 - 130);
    const QRect large(0, 0, 3840, 2160);
    EXPECT_EQ(PlaceLeft(0, large), 3710);
    EXPECT_EQ(PlaceTop(2, true, large), 1080 - 58);
}

TEST_F(Bar, PlacesFollowTheBarsScreenAndTheBarIsNeverLost) {
    QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    platform::setScreenAreas([&] { return screens; });
    writeSections(Sections);
    writeIni({"[Config]", "Pos1=1", "Pos2=1", "Resize=0"});
    start();
    EXPECT_EQ(BarFrm->pos(), QPoint(10, 980)) << "Left and Down on the first screen";

    // Dragged to the second monitor, then "Right" and "Middle" applied: it stays there.
    BarFrm->move(2000, 100);
    control<QComboBox>(CfgFrm, "ComboBox2")->setCurrentIndex(0);
    control<QComboBox>(CfgFrm, "ComboBox3")->setCurrentIndex(2);
    CfgFrm->ApplySettings();
    EXPECT_EQ(BarFrm->pos(), QPoint(1920 + 1280 - 130, 512 - 58));

    // That monitor is unplugged: the bar comes back onto the one that is left.
    screens = {QRect(0, 0, 1920, 1080)};
    BarFrm->KeepOnScreen();
    EXPECT_EQ(BarFrm->pos(), QPoint(1920 - TBarFrm::BarWidth, 512 - 58));
    // Mostly off the bottom: pulled up, the shortest way.
    BarFrm->move(500, 1060);
    BarFrm->KeepOnScreen();
    EXPECT_EQ(BarFrm->pos(), QPoint(500, 1080 - BarFrm->height()));
    // Half a window off is still a visible bar: left where the user put it.
    BarFrm->move(-40, 200);
    BarFrm->KeepOnScreen();
    EXPECT_EQ(BarFrm->pos(), QPoint(-40, 200));
}
