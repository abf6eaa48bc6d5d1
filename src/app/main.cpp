// Start-up and shutdown: modules, then the bar, the About box and the settings dialog, the
// message loop, and everything undone in reverse order.
#include "Main.h"
#include "Accessibility.h"
#include "FirstStart.h"
#include "Forms.h"
#include "Tools1.h"
#include "controls/ProUrl.h"
#include "pictures/PictureFormats.h"
#include "platform/Application.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Graphics.h"
#include "platform/Help.h"
#include "platform/Instance.h"
#include "platform/Memory.h"
#include "platform/Strings.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <string_view>

#ifndef TEVLO_VERSION
#define TEVLO_VERSION "2.0"
#endif

#ifndef TEVLO_HELP_FILE
#define TEVLO_HELP_FILE "/usr/local/share/tevlo/help/index.html"
#endif

static void initProgramResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

const char* const Usage =
    "Usage: tevlo [--help] [--version]\n"
    "\n"
    "A small launch bar: ten buttons at a time out of a hundred programs in ten named\n"
    "sections. \"Set Bar\" on the bar edits everything.\n"
    "\n"
    "Its settings are tevlo.ini and Items.txt in $XDG_CONFIG_HOME/tevlo/ (by default\n"
    "~/.config/tevlo/), or beside the program when they already lie there (a portable copy).\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Every other argument is ignored.\n";

// The bar is configured by its files, never by its command line: --help and --version answer and
// end; everything else, the toolkit's own options included, is ignored.
bool answeredCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help") {
            std::fputs(Usage, stdout);
            return true;
        }
        if (argument == "--version") {
            std::printf("tevlo %s\n", TEVLO_VERSION);
            return true;
        }
    }
    return false;
}

QString helpPage() {
    // Nothing is installed for a program run from its build tree; the build keeps a copy of the
    // page beside the program. Found from where the program is, so no path of the machine that
    // built it is compiled in.
    const std::string build = platform::extractFilePath(platform::executablePath());
    if (platform::isBuildFolder(build)) {
        const QString page =
            QFile::decodeName(QByteArray::fromStdString(build + "help/index.html"));
        if (QFileInfo::exists(page))
            return page;
    }
    return QStringLiteral(TEVLO_HELP_FILE);
}

// Start-up reads, measures and decodes much that it frees again. Once the bar has painted for
// the first time, that freed memory goes back to the system instead of staying with a program
// that stays open all day.
class FreedMemoryReturner : public QObject {
public:
    explicit FreedMemoryReturner(QWidget* bar) : m_bar(bar) { bar->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            m_bar->removeEventFilter(this);
            // After the paint itself, whose own scratch memory is freed by then.
            QTimer::singleShot(0, this, [] { platform::releaseFreeMemory(); });
        }
        return false;
    }

private:
    QWidget* m_bar;
};

// While in scope, errors go to standard error instead of message boxes.
class QuietErrors {
public:
    QuietErrors() : m_previous(platform::setExceptionHandler({})) {}
    ~QuietErrors() { platform::setExceptionHandler(std::move(m_previous)); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    platform::ExceptionHandler m_previous;
};

// Who the program is to the desktop, and what it hands the window system. The window system is
// handed every size of the window icon, each one decoded and kept: only the sizes a window frame
// or switcher of this screen's density shows are given. The desktop's menus and docks take the
// installed icons.
void introduceToDesktop() {
    QApplication::setApplicationName(QStringLiteral("tevlo"));
    // The desktop entry's id, so the desktop ties the bar's windows to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.tevlo"));
    platform::setApplicationTitle(QStringLiteral("Tevlo"));
    // The bar's closing ends the program, even with the settings dialog still open.
    QApplication::setQuitOnLastWindowClosed(false);
    initProgramResources();
    QIcon icon;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal density = screen ? screen->devicePixelRatio() : 1.0;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        if (size <= 64 * density)
            // Read by the reader named: a file name alone has Qt ask every image plugin.
            icon.addPixmap(QPixmap::fromImage(
                platform::readOwnImage(QStringLiteral(":/icon-%1.png").arg(size), "PNG")));
    QApplication::setWindowIcon(icon);
}

// Makes the settings folder; false, after one message naming it and why, when it cannot be.
bool settingsFolderMade() {
    try {
        platform::makeSettingsFolder();
        return true;
    } catch (const std::exception& error) {
        platform::handleException(error);
        return false;
    }
}

// The bar is shown, and runs until it is closed; a request to end that came during start-up
// (while a message box was open) ends the program at once, with the normal shutdown.
int runBar() {
    platform::setRaiseHandler([] {
        if (!BarFrm)
            return;
        BarFrm->showNormal();
        BarFrm->raise();
        BarFrm->activateWindow();
    });
    platform::setMainWindow(BarFrm);
    if (platform::terminationRequested())
        return 0;
    FreedMemoryReturner returner(BarFrm);
    BarFrm->show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    if (answeredCommandLine(argc, argv))
        return 0;
    if (const std::string refused = platform::chooseWindowSystem(); !refused.empty()) {
        std::fprintf(stderr, "%s.\n", refused.c_str());
        return 1;
    }
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    platform::TApplication app(toolkitArgc, toolkitArgv);
    // Before any window or message box, so that no request to end is ever ignored.
    platform::installTerminationHandling();
    introduceToDesktop();
    platform::installMessageBoxExceptionHandler();
    // Without its folder every read and write of the settings at start would fail again for the
    // reason just shown: those failures go to standard error, not into more boxes.
    std::optional<QuietErrors> quiet;
    if (!settingsFolderMade())
        quiet.emplace();
    // A second start on the same settings shows the running bar and touches no file.
    const platform::InstanceLock instance(TAppIniFile::DefaultFileName());
    if (!instance.acquired())
        return 0;
    if (!instance.problem().empty())
        platform::handleException(Exception(instance.problem()));
    platform::guarded([] { SeedFirstStart(); });
    platform::substituteClassicFonts();
    RegisterHandCursors();
    RegisterPictureFormats();
    InstallAccessibility();
    platform::setHelpFile(helpPage());

    CreateWindows();
    quiet.reset();
    const int result = runBar();
    DestroyWindows();
    // Still here only when the last save failed; this is its last chance.
    platform::guarded([] { FreeItemStore(); });
    UnregisterPictureFormats();
    return result;
}
