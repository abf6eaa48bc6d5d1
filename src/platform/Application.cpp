#include "platform/Application.h"

#include "platform/ApplicationSystem.h"
#include "platform/Errors.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QFont>
#include <QMessageBox>
#include <QPointer>
#include <QSessionManager>
#include <QWidget>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

ForegroundSource& foregroundSource() {
    static ForegroundSource source;
    return source;
}

MessageBoxFunction& messageBoxFunction() {
    static MessageBoxFunction function;
    return function;
}

QuestionFunction& questionFunction() {
    static QuestionFunction function;
    return function;
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        handleException(error);
    } catch (...) {
        handleException(Exception("Unknown error"));
    }
    return false;
}

std::atomic<int> detail::endRequests{0};
using detail::endRequests;

bool applicationInForeground() {
    if (foregroundSource())
        return foregroundSource()();
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

ForegroundSource setForegroundSource(ForegroundSource source) {
    return std::exchange(foregroundSource(), std::move(source));
}

QWidget* controlUnderPointer() {
    return QApplication::widgetAt(QCursor::pos());
}

void setIdleHandler(IdleHandler handler) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return;
    QObject::disconnect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &detail::hookOwner(),
                        nullptr);
    if (!handler)
        return;
    // The loop calls this between events, outside the application's safety net.
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &detail::hookOwner(),
                     [handler] {
                         guarded([&] {
                             bool done = false;
                             handler(done);
                         });
                     });
}

void setActivationHandlers(std::function<void()> activate, std::function<void()> deactivate) {
    auto* app = qGuiApp;
    if (!app)
        return;
    QObject::disconnect(app, &QGuiApplication::applicationStateChanged, &detail::hookOwner(),
                        nullptr);
    QObject::connect(
        app, &QGuiApplication::applicationStateChanged, &detail::hookOwner(),
        [activate, deactivate, was = app->applicationState()](Qt::ApplicationState state) mutable {
            const bool active = state == Qt::ApplicationActive;
            const bool wasActive = was == Qt::ApplicationActive;
            was = state;
            if (active == wasActive)
                return;
            // Told as the window system's events are taken in, outside any event of ours.
            guarded([&] {
                if (active && activate)
                    activate();
                else if (!active && deactivate)
                    deactivate();
            });
        });
}

QString errorMessageText(const std::string& message) {
    QString text = QString::fromStdString(message);
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        text += QLatin1Char('.');
    return text;
}

MessageBoxFunction setMessageBoxFunction(MessageBoxFunction function) {
    return std::exchange(messageBoxFunction(), std::move(function));
}

namespace {

QString& titleOfApplication() {
    static QString title;
    return title;
}

} // namespace

void setApplicationTitle(const QString& title) {
    titleOfApplication() = title;
}

QString applicationTitle() {
    return titleOfApplication().isEmpty() ? QCoreApplication::applicationName()
                                          : titleOfApplication();
}
void showErrorMessage(const QString& text) {
    const QString caption = applicationTitle();
    if (messageBoxFunction()) {
        messageBoxFunction()(caption, text);
        return;
    }
    // The desktop or the user is ending the program: a box would hold that up.
    if (terminationRequested()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.exec();
}

QuestionFunction setQuestionFunction(QuestionFunction function) {
    return std::exchange(questionFunction(), std::move(function));
}

bool askQuestion(const QString& title, const QString& text) {
    if (questionFunction())
        return questionFunction()(title, text);
    if (terminationRequested())
        return false;
    // Escaped: the text may quote a file's own lines, which must not pass for markup.
    QString body = text.toHtmlEscaped();
    body.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    QMessageBox box(QMessageBox::Warning, applicationTitle(),
                    QStringLiteral("<b>%1</b><br><br>%2").arg(title.toHtmlEscaped(), body),
                    QMessageBox::Yes | QMessageBox::No);
    box.setTextFormat(Qt::RichText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void installMessageBoxExceptionHandler() {
    setExceptionHandler([](const std::exception& error) {
        if (dynamic_cast<const EAbort*>(&error))
            return;
        showErrorMessage(errorMessageText(error.what()));
    });
}

void substituteClassicFonts() {
    const std::pair<const char*, QStringList> substitutes[] = {
        {"MS Serif", {"Liberation Serif", "Times New Roman", "serif"}},
        {"Times New Roman", {"Liberation Serif", "serif"}},
        {"MS Sans Serif", {"Liberation Sans", "Arial", "sans-serif"}},
        {"System", {"Liberation Sans", "sans-serif"}},
    };
    for (const auto& [family, fonts] : substitutes)
        QFont::insertSubstitutions(QString::fromLatin1(family), fonts);
}

namespace {

struct Termination {
    QPointer<QWidget> mainWindow;
    std::function<void()> raise;
};

Termination& termination() {
    static Termination state;
    return state;
}

// Closes what holds the event loop: message boxes and dialogs, innermost first.
void closeModalWindows() {
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (modal->isVisible())
            break;
    }
}

void requestTermination(int signal) {
    if (endRequests.fetch_add(1) > 0)
        std::_Exit(128 + signal);
    detail::beginEnd();
}

} // namespace

namespace detail {

QObject& hookOwner() {
    static QObject* owner = new QObject(QCoreApplication::instance());
    return *owner;
}

void beginEnd() {
    closeModalWindows();
    if (termination().mainWindow)
        termination().mainWindow->close();
}

void raiseRequested() {
    if (termination().raise && !terminationRequested())
        termination().raise();
}

} // namespace detail

void setMainWindow(QWidget* mainWindow) {
    termination().mainWindow = mainWindow;
    if (terminationRequested() && mainWindow)
        mainWindow->close();
}

bool terminationRequested() {
    return endRequests.load() > 0;
}

void setRaiseHandler(std::function<void()> raise) {
    termination().raise = std::move(raise);
}

void installTerminationHandling() {
    if (auto* app = qGuiApp) {
        // The desktop session is ending: save now, as the bar's closing would.
        QObject::connect(app, &QGuiApplication::commitDataRequest, &detail::hookOwner(),
                         [](QSessionManager&) { requestTermination(SIGTERM); });
    }
    detail::installSignalHandling();
}

} // namespace platform
