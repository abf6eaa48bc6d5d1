// Runs the program's three windows as start-up makes them, in a folder of their own, with every
// effect outside the process caught: programs started, help asked for, errors shown.
#pragma once

#include "About.h"
#include "Forms.h"
#include "Main.h"
#include "SectionNames.h"
#include "TestSupport.h"
#include "Tools1.h"
#include "config.h"
#include "platform/Application.h"
#include "platform/Help.h"
#include "platform/Process.h"
#include "platform/Screens.h"

#include "controls/RXCtrls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

// A window's control by its object name, as the tests reach the controls the windows keep to
// themselves.
template <typename W> W* control(const QObject* window, const QString& name) {
    W* found = window->findChild<W*>(name);
    if (!found)
        throw std::runtime_error("no control named " + name.toStdString());
    return found;
}

struct Started {
    std::string commandLine;
    std::string folder;
};

class Bar : public testing::Test {
protected:
    void SetUp() override {
        m_starter = platform::setProgramStarter(
            [this](const std::string& line, const std::string& folder, platform::ShowCommand) {
                started.push_back({line, folder});
            });
        // The screen the design was made for, unless a test sets up others.
        m_screens = platform::setScreenAreas([] { return QList<QRect>{QRect(0, 0, 800, 600)}; });
        m_help = platform::setHelpFunction([this](QWidget*, const QString&,
                                                  platform::HelpCommand command,
                                                  int) { help.push_back(command); });
        m_question = platform::setQuestionFunction([this](const QString&, const QString& text) {
            questions.push_back(text.toStdString());
            return answer;
        });
    }
    void TearDown() override {
        stop();
        FreeItemStore();
        platform::setProgramStarter(m_starter);
        platform::setHelpFunction(m_help);
        platform::setScreenAreas(m_screens);
        platform::setQuestionFunction(m_question);
    }

    // "Items.txt" with the given lines, each ended by CR LF.
    void writeSections(const std::vector<std::string>& names) {
        testing_support::writeBytes(dir.file("Items.txt"), testing_support::crlf(names));
    }
    void writeIni(const std::vector<std::string>& lines) {
        testing_support::writeBytes(dir.file("tevlo.ini"), testing_support::crlf(lines));
    }
    // The INI file's text; empty while there is none.
    std::string ini() const {
        const std::string path = dir.file("tevlo.ini");
        return testing_support::exists(path) ? testing_support::readBytes(path) : std::string();
    }

    void start() { CreateWindows(); }
    void stop() { DestroyWindows(); }
    void idle() {
        bool done = true;
        BarFrm->AppIdle(done);
    }
    // Until the buttons show whether their programs were found.
    void waitForChecks() {
        for (int i = 0; i < 5000 && !BarFrm->ProgramsChecked(); ++i) {
            QThread::msleep(1);
            QCoreApplication::processEvents();
        }
        ASSERT_TRUE(BarFrm->ProgramsChecked());
    }
    // Launch button k, 1 to 10, of the bar.
    static TRxSpeedButton* launchButton(int k) {
        return control<TRxSpeedButton>(BarFrm, QStringLiteral("Button%1").arg(k));
    }
    QString caption(int k) const;
    bool enabled(int k) const;
    // As the user clicks: through the application's events, and so its safety net.
    static void userClick(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void selectSection(int index) {
        control<QComboBox>(BarFrm, "ComboBox1")->setCurrentIndex(index);
        BarFrm->ComboBox1Change();
    }

    testing_support::TempDir dir;
    testing_support::ScopedExecutablePath exe{dir.file("tevlo")};
    testing_support::ScopedErrorCapture errors;
    std::vector<Started> started;
    std::vector<platform::HelpCommand> help;
    // The questions asked, and the answer every one gets.
    std::vector<std::string> questions;
    bool answer = false;

private:
    platform::ProgramStarter m_starter;
    platform::HelpFunction m_help;
    platform::ScreenAreas m_screens;
    platform::QuestionFunction m_question;
};

inline QString Bar::caption(int k) const {
    return launchButton(k)->Caption();
}
inline bool Bar::enabled(int k) const {
    return launchButton(k)->isEnabled();
}
