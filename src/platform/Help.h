// The application's help file and the two requests the bar makes of it.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace platform {

enum class HelpCommand { Quit = 2, Contents = 3 };

void setHelpFile(const QString& path);
QString helpFile();

// Contents opens the help file with the desktop's viewer for it; a missing file raises an
// error naming it. Quit has nothing to close here: the viewer is a program of its own.
void helpCommand(QWidget* owner, HelpCommand command, int data);

// Replaces what helpCommand does, so tests see the requests; empty restores the desktop's.
using HelpFunction =
    std::function<void(QWidget* owner, const QString& file, HelpCommand command, int data)>;
HelpFunction setHelpFunction(HelpFunction function);

} // namespace platform
