// How the program ends when asked to, and the one bar per settings folder.
#include "platform/Application.h"
#include "platform/Instance.h"

#include "TestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QSysInfo>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Delivers the signal once the event loop runs, as the desktop would while a box is open.
void signalSoon(int signal) {
    QTimer::singleShot(0, [signal] { std::raise(signal); });
}

// A process of this user that is no bar, started with SIGUSR1 blocked: a SIGUSR1 sent to it
// stays pending, where /proc shows it, instead of ending it.
class Bystander {
public:
    Bystander() {
        posix_spawnattr_t attributes;
        ::posix_spawnattr_init(&attributes);
        sigset_t usr1;
        sigemptyset(&usr1);
        sigaddset(&usr1, SIGUSR1);
        ::posix_spawnattr_setsigmask(&attributes, &usr1);
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
        char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
        ::posix_spawn(&pid, "/bin/sleep", nullptr, &attributes, argv, environ);
        ::posix_spawnattr_destroy(&attributes);
    }
    ~Bystander() {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    bool signalled() const {
        std::istringstream status(
            testing_support::readBytes("/proc/" + std::to_string(pid) + "/status"));
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("SigPnd:") || line.starts_with("ShdPnd:")) {
                if ((std::stoull(line.substr(7), nullptr, 16) >> (SIGUSR1 - 1)) & 1)
                    return true;
            }
        }
        return false;
    }
    pid_t pid = 0;
};

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
            // The event loop never runs here, as when a disk that does not answer holds it up.
            std::raise(SIGTERM);
            std::raise(SIGTERM);
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

TEST(InstanceLock, ALockOfAnotherMachineOrProgramIsTakenOverAndNobodySignalled) {
    testing_support::TempDir dir;
    const Bystander sleeper;
    ASSERT_GT(sleeper.pid, 0);
    const std::string settings = dir.file("tevlo.ini");
    // A portable copy carried from another machine names a process id that is anyone's here.
    for (const std::string& host :
         {std::string("another-machine"), QSysInfo::machineHostName().toStdString()}) {
        testing_support::writeBytes(settings + ".lock",
                                    std::to_string(sleeper.pid) + "\ntevlo\n" + host + "\n");
        const platform::InstanceLock lock(settings);
        EXPECT_TRUE(lock.acquired()) << host;
        EXPECT_EQ(lock.problem(), "") << host;
        EXPECT_FALSE(sleeper.signalled()) << host;
    }
}

TEST(InstanceLock, AnEmptyOrBrokenLockIsTakenOverAndOneThatCannotBeIsTold) {
    testing_support::TempDir dir;
    const std::string settings = dir.file("tevlo.ini");
    const std::string lockFile = settings + ".lock";
    for (const std::string content : {"", "garbage\n\x01\n"}) {
        testing_support::writeBytes(lockFile, content);
        const platform::InstanceLock lock(settings);
        EXPECT_TRUE(lock.acquired()) << content;
        EXPECT_EQ(lock.problem(), "") << content;
    }
    ASSERT_EQ(::symlink(lockFile.c_str(), lockFile.c_str()), 0);
    EXPECT_EQ(platform::InstanceLock(settings).problem(), "") << "a link to itself";

    testing_support::makeFolder(lockFile);
    const platform::InstanceLock unlocked(settings);
    EXPECT_TRUE(unlocked.acquired()) << "the bar runs";
    EXPECT_EQ(unlocked.problem(),
              "The lock file \"" + lockFile +
                  "\" cannot be used (a folder stands in its place), so Tevlo runs without it "
                  "and a second start on the same settings is not noticed");
}
