#include "platform/Help.h"

#include "platform/Errors.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace platform {

namespace {

QString& file() {
    static QString path;
    return path;
}

HelpFunction& function() {
    static HelpFunction f;
    return f;
}

} // namespace

void setHelpFile(const QString& path) {
    file() = path;
}

QString helpFile() {
    return file();
}

void helpCommand(QWidget* owner, HelpCommand command, int data) {
    if (function()) {
        function()(owner, file(), command, data);
        return;
    }
    if (command != HelpCommand::Contents)
        return;
    if (!QFileInfo(file()).isFile())
        throw Exception("Cannot find the help page \"" + file().toStdString() + "\"");
    QDesktopServices::openUrl(QUrl::fromLocalFile(file()));
}

HelpFunction setHelpFunction(HelpFunction f) {
    return std::exchange(function(), std::move(f));
}

} // namespace platform
