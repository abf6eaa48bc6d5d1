// Opening addresses and files with the desktop's default handler.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace platform {

// Asks the desktop to "open" target: a web address, a mailto link, a file. owner is the window
// the request comes from. Whether anything opened is not reported: the desktop shows its own
// message when it cannot.
void shellOpen(QWidget* owner, const QString& target);

// Replaces what shellOpen does; an empty function restores the desktop's handler. Returns the
// previous one.
using ShellOpener = std::function<void(QWidget* owner, const QString& target)>;
ShellOpener setShellOpener(ShellOpener opener);

} // namespace platform
