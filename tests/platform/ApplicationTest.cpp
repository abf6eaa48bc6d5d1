// How the program ends when asked to, and the one bar per settings folder.
#include "platform/Application.h"
#include "platform/Instance.h"

#include "TestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// Delivers the signal once the event loop runs, as the desktop would while a box is open.
void signalSoon(int signal) {
    QTimer::singleShot(0, [signal] { std::raise(signal); });
}

} // namespace

TEST(Termination, ASignalClosesTheOpenBoxAndTheMainWindow) {
    platform::installTerminationHandling();
    QWidget bar;
    bar.show();
    signalSoon(SIGTERM);
    // A message box from start-up, before the main window is known.
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tevlo"), QStringLiteral("x"));
    QTimer::singleShot(5000, &box, [&] {
        ADD_FAILURE() << "the box stayed open";
        box.reject();
    });
    box.exec();
    EXPECT_TRUE(platform::terminationRequested());
    EXPECT_TRUE(bar.isVisible()) << "not yet the main window";
    platform::setMainWindow(&bar);
    EXPECT_FALSE(bar.isVisible()) << "a main window set after the request is closed at once";
    // From now on an error must not hold the shutdown with a box.
    platform::showErrorMessage(QStringLiteral("The settings were not saved"));
}

TEST(Termination, ASecondSignalEndsTheProcessAtOnce) {
    EXPECT_EXIT(
        {
            platform::installTerminationHandling();
            std::raise(SIGTERM);
            std::raise(SIGTERM);
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            std::exit(0);
        },
        testing::ExitedWithCode(128 + SIGTERM), "");
}

TEST(InstanceLock, ASecondStartOnTheSameFolderAsksTheFirstToShowItself) {
    testing_support::TempDir dir;
    platform::installTerminationHandling();
    int raised = 0;
    platform::setRaiseHandler([&] { ++raised; });
    const std::string settings = dir.file("tevlo.ini");
    // A lock left behind by a process that is gone is taken over.
    testing_support::writeBytes(settings + ".lock", "999999999\ntevlo\n" +
                                                        QSysInfo::machineHostName().toStdString() +
                                                        "\n");
    platform::InstanceLock first(settings);
    EXPECT_TRUE(first.acquired());
    {
        platform::InstanceLock second(settings);
        EXPECT_FALSE(second.acquired());
        for (int i = 0; i < 100 && raised == 0; ++i)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        EXPECT_EQ(raised, 1);
    }
    EXPECT_FALSE(testing_support::exists(dir.file("tevlo.ini"))) << "no settings file touched";

    testing_support::TempDir other;
    EXPECT_TRUE(platform::InstanceLock(other.file("tevlo.ini")).acquired()) << "another folder";
}
