// Start-up and shutdown: modules, then the bar, the About box and the settings dialog, the
// message loop, and everything undone in reverse order.
#include "Main.h"
#include "About.h"
#include "FormCreation.h"
#include "Tools1.h"
#include "config.h"
#include "controls/ProUrl.h"
#include "pictures/JPEG.h"
#include "pictures/RxGIF.h"
#include "platform/Application.h"
#include "platform/Help.h"
#include "platform/Instance.h"

#include <QApplication>
#include <QIcon>

#ifndef TEVLO_HELP_FILE
#define TEVLO_HELP_FILE "/usr/local/share/tevlo/HELP.HLP"
#endif

static void initProgramResources() {
    Q_INIT_RESOURCE(resources);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Before any window or message box, so that no request to end is ever ignored.
    platform::installTerminationHandling();
    QApplication::setApplicationName(QStringLiteral("tevlo"));
    platform::setApplicationTitle(QStringLiteral("Tevlo"));
    // The bar's closing ends the program, even with the settings dialog still open.
    QApplication::setQuitOnLastWindowClosed(false);
    initProgramResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tevlo.xpm")));
    platform::installMessageBoxExceptionHandler();
    platform::guarded([] { platform::makeSettingsFolder(); });
    // A second start on the same settings shows the running bar and touches no file.
    const platform::InstanceLock instance(TAppIniFile::DefaultFileName());
    if (!instance.acquired())
        return 0;
    platform::substituteClassicFonts();

    RegisterHandCursors();
    RegisterPictureFormats();
    platform::setHelpFile(QStringLiteral(TEVLO_HELP_FILE));

    CreateForm(BarFrm);
    AboutBox = new TAboutBox();
    CreateForm(CfgFrm);
    platform::setRaiseHandler([] {
        if (!BarFrm)
            return;
        BarFrm->showNormal();
        BarFrm->raise();
        BarFrm->activateWindow();
    });
    platform::setMainWindow(BarFrm);

    // A request to end that came during start-up (while a message box was open) ends the
    // program now, with the normal shutdown.
    int result = 0;
    if (!platform::terminationRequested()) {
        BarFrm->show();
        result = QApplication::exec();
    }

    DestroyForm(CfgFrm);
    delete AboutBox;
    AboutBox = nullptr;
    DestroyForm(BarFrm);
    // Still here only when the last save failed; this is its last chance.
    platform::guarded([] { FreeItemStore(); });
    JPEGFinalize();
    RxGIFFinalize();
    return result;
}
