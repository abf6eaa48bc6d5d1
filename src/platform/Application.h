// The application as a whole: its idle and activation events, how errors reach the user, and
// how the desktop ends it.
#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>
#include <string>

class QWidget;

namespace platform {

// The application object, with the one safety net every event passes: an exception that leaves
// an event handler, or a slot that an event set off, goes to the application's error reporting
// (a message box) and the program goes on; it never unwinds into the event loop. Code that runs
// outside any event (start-up, shutdown, the loop's idle and activation hooks) keeps a guard of
// its own (see guarded in Errors.h).
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// True while one of this program's windows is the active window of the desktop. Controls keep
// their hover looks off while another program is in front.
bool applicationInForeground();

// Replaces how applicationInForeground() finds its answer; an empty function restores the
// desktop's own answer. Returns the previous source.
using ForegroundSource = std::function<bool()>;
ForegroundSource setForegroundSource(ForegroundSource source);

// The widget under the mouse pointer, disabled ones included; null over other programs.
QWidget* controlUnderPointer();

// Runs handler each time the event loop has handled everything and is about to wait. The loop
// then waits whatever the handler answers in done, so an idle program uses no processor time.
using IdleHandler = std::function<void(bool& done)>;
void setIdleHandler(IdleHandler handler);

// Called when the application becomes the active one on the desktop and when it stops being so.
void setActivationHandlers(std::function<void()> activate, std::function<void()> deactivate);

// The text an error message box shows: the message, with a full stop added when its last
// character sorts after ".".
QString errorMessageText(const std::string& message);

// The application's title, the caption of its message boxes. Kept apart from Qt's application
// display name, which Qt would append to every window's own title.
void setApplicationTitle(const QString& title);
QString applicationTitle();

// Shows an error message box (error icon, OK button, the application's title as its caption).
// Replaceable, so tests see what would have been shown; an empty function restores the box.
using MessageBoxFunction = std::function<void(const QString& caption, const QString& text)>;
MessageBoxFunction setMessageBoxFunction(MessageBoxFunction function);
void showErrorMessage(const QString& text);

// Asks a yes-or-no question in a warning box (the application's title as its caption, title as
// its heading), "No" the default; true for "Yes". Replaceable, so tests answer it; an empty
// function restores the box. While the program is being ended the answer is "No".
using QuestionFunction = std::function<bool(const QString& title, const QString& text)>;
QuestionFunction setQuestionFunction(QuestionFunction function);
bool askQuestion(const QString& title, const QString& text);

// Makes every error that reaches handleException() appear in an error message box; a silent
// abort shows nothing.
void installMessageBoxExceptionHandler();

// The program's windows name the typefaces of the desktop they were drawn for; this points each
// at a font of the same shape and width that the machine has, so captions fit their controls.
void substituteClassicFonts();

// The bar places its own window, which Wayland compositors do not let a program do: in a Wayland
// session it runs through XWayland, unless the toolkit's platform was chosen explicitly as
// something else. Call before the application object exists. Answers the message to end with
// when there is no X server at all, else an empty string.
std::string chooseWindowSystem();

// Treats the ends the desktop asks for (SIGTERM, SIGINT, SIGHUP, the session ending) as a
// close of the main window, so the program's normal shutdown runs and keeps its data. Installed
// first thing, before any window or message box: a request closes the message boxes and dialogs
// that are open and the main window once there is one; until then it is only remembered (see
// terminationRequested). From then on errors go to standard error instead of boxes that would
// hold the shutdown, and a second request ends the process at once.
void installTerminationHandling();
void setMainWindow(QWidget* mainWindow);
bool terminationRequested();

// What to do when another start of the program asks this one to show itself (SIGUSR1 on POSIX).
void setRaiseHandler(std::function<void()> raise);
// Asks the running program with this process id to show itself; false when it cannot be asked.
bool requestRaise(long processId);

} // namespace platform
