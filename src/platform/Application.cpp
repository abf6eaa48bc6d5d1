#include "platform/Application.h"

#include "platform/Errors.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QMessageBox>
#include <QPointer>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

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

// Connections live on this object so that setting a handler again replaces the old one.
QObject& hookOwner() {
    static QObject* owner = new QObject(QCoreApplication::instance());
    return *owner;
}

#ifndef _WIN32
int terminationPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here; the event loop does the rest.
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], &byte, 1);
}
#endif

} // namespace

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
    QObject::disconnect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &hookOwner(), nullptr);
    if (!handler)
        return;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &hookOwner(), [handler] {
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
    QObject::disconnect(app, &QGuiApplication::applicationStateChanged, &hookOwner(), nullptr);
    QObject::connect(
        app, &QGuiApplication::applicationStateChanged, &hookOwner(),
        [activate, deactivate, was = app->applicationState()](Qt::ApplicationState state) mutable {
            const bool active = state == Qt::ApplicationActive;
            const bool wasActive = was == Qt::ApplicationActive;
            was = state;
            if (active == wasActive)
                return;
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
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.exec();
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

void closeOnTermination(QWidget* mainWindow) {
    QPointer<QWidget> window = mainWindow;
    const auto close = [window] {
        if (window)
            window->close();
    };
    if (auto* app = qGuiApp) {
        // The desktop session is ending: save now, as the bar's closing would.
        QObject::connect(app, &QGuiApplication::commitDataRequest, &hookOwner(),
                         [close](QSessionManager&) { close(); });
    }
#ifndef _WIN32
    if (terminationPipe[0] == -1) {
        if (::pipe(terminationPipe) != 0)
            return;
        for (int fd : terminationPipe)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(terminationPipe[1], F_SETFL, O_NONBLOCK);
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(signal, &action, nullptr);
    }
    auto* notifier = new QSocketNotifier(terminationPipe[0], QSocketNotifier::Read, &hookOwner());
    QObject::connect(notifier, &QSocketNotifier::activated, &hookOwner(), [close] {
        char drained[16];
        [[maybe_unused]] const ssize_t got = ::read(terminationPipe[0], drained, sizeof drained);
        close();
    });
#endif
}

} // namespace platform
