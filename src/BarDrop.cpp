// Dropping a program, a desktop entry or a web address onto a launch button makes it that
// button's item, through the settings dialog's own controls and saved at once.
#include "Main.h"

#include "config.h"
#include "controls/RXCtrls.h"
#include "platform/Applications.h"
#include "platform/Errors.h"
#include "platform/Strings.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

struct DroppedItem {
    std::string program;
    std::string caption;
};

// Refuses a drop with the reason, before anything is changed.
[[noreturn]] void refuse(const QString& what, const char* reason) {
    throw Exception("Cannot put \"" + what.toStdString() + "\" on the button: " + reason);
}

DroppedItem droppedFile(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists())
        refuse(path, "it does not exist");
    if (file.isDir())
        refuse(path, "it is a folder, not a program");
    if (!file.isReadable())
        refuse(path, "it cannot be read");
    // A pipe or a device would hold the bar up when read, and is no program.
    if (!file.isFile())
        refuse(path, "it is not a regular file");
    const std::string bytes = QFile::encodeName(path).toStdString();
    if (file.suffix() == QLatin1String("desktop")) {
        const auto application = platform::applicationOf(bytes);
        if (!application)
            refuse(path, "it is not a desktop entry the desktop can start");
        return {bytes, application->name};
    }
    if (!file.isExecutable())
        refuse(path, "it is not a program (it may not be run)");
    return {bytes, file.fileName().toStdString()};
}

// A web address goes to the desktop's own opener for its kind, with the address to open.
DroppedItem droppedAddress(const QUrl& url) {
    const QString shown = url.toString();
    const auto opener =
        platform::defaultApplicationFor("x-scheme-handler/" + url.scheme().toStdString());
    if (!opener)
        refuse(shown, "the desktop has no program that opens such addresses");
    return {opener->file + " " + url.toEncoded().toStdString(),
            (url.host().isEmpty() ? shown : url.host()).toStdString()};
}

// The web address or file a drop carries, if it carries one.
QUrl droppedUrl(const QMimeData* data) {
    if (data->hasUrls() && !data->urls().isEmpty())
        return data->urls().front();
    if (data->hasText()) {
        const QUrl url(data->text().trimmed(), QUrl::StrictMode);
        if (url.isValid() && !url.scheme().isEmpty())
            return url;
    }
    return {};
}

bool isAddress(const QUrl& url) {
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

} // namespace

int TBarFrm::LaunchButtonAt(QPoint at) const {
    for (int k = 1; k <= 10; ++k) {
        const TRxSpeedButton* button = SectionButtons[std::size_t(k)];
        if (button && !button->isHidden() && button->rect().contains(button->mapFrom(this, at)))
            return k;
    }
    return 0;
}

void TBarFrm::dragEnterEvent(QDragEnterEvent* event) {
    const QUrl url = droppedUrl(event->mimeData());
    if (url.isLocalFile() || isAddress(url))
        event->acceptProposedAction();
}

void TBarFrm::dragMoveEvent(QDragMoveEvent* event) {
    if (LaunchButtonAt(event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TBarFrm::dropEvent(QDropEvent* event) {
    const int k = LaunchButtonAt(event->position().toPoint());
    const QUrl url = droppedUrl(event->mimeData());
    if (!k || url.isEmpty())
        return;
    event->acceptProposedAction();
    // Refused drops are common; they are reported here, before Qt's drop handling around us.
    platform::guarded([&] { AssignDrop(k, url); });
}

void TBarFrm::AssignDrop(int k, const QUrl& url) {
    const int section = ComboBox1->currentIndex();
    if (!CfgFrm || section < 0 || section > 9)
        return;
    if (!url.isLocalFile() && !isAddress(url))
        refuse(url.toString(), "only program files, desktop entries and web addresses can be");
    const DroppedItem item =
        url.isLocalFile() ? droppedFile(url.toLocalFile()) : droppedAddress(url);
    // A file's name, or an entry's, could otherwise smuggle lines of its own into the settings.
    if (platform::holdsLineBreak(item.program) || platform::holdsLineBreak(item.caption))
        refuse(url.isLocalFile() ? url.toLocalFile() : url.toString(),
               "its name holds a line break");
    const int n = section * 10 + k;
    // A downloaded launcher may run anything; the user is asked, and a "No" changes nothing.
    if (!LauncherMayRun(n, item.program, true))
        throw EAbort();
    CfgFrm->ShowCaption(n, item.caption);
    CfgFrm->ShowProgram(n, item.program);
    CfgFrm->SaveBtClick();
    // Applying the settings refills the section list; the bar stays on the section it showed.
    if (ComboBox1->currentIndex() != section) {
        ComboBox1->setCurrentIndex(section);
        ComboBox1Change();
    }
}
