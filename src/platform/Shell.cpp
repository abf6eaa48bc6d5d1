#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

namespace {

ShellOpener& shellOpener() {
    static ShellOpener opener;
    return opener;
}

} // namespace

void shellOpen(QWidget* owner, const QString& target) {
    if (shellOpener()) {
        shellOpener()(owner, target);
        return;
    }
    // A bare "host/path" gets a scheme, as an address typed into a browser would.
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

ShellOpener setShellOpener(ShellOpener opener) {
    return std::exchange(shellOpener(), std::move(opener));
}

} // namespace platform
