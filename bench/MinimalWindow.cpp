// The yardstick for bar-bench: the least a Qt Widgets program does to put a window of the bar's
// full size on the screen with one line of text in it, so that it pays for fonts as the bar
// does, and the bar's start time and memory can be read against it.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Minimal"));
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.resize(130, 303);
    window.show();
    return QApplication::exec();
}
