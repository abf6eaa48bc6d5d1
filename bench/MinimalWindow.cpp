// The yardstick for bar-bench: the least a Qt Widgets program does to put a window of the bar's
// full size on the screen, so the bar's start time and memory can be read against it.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.resize(130, 303);
    window.show();
    return QApplication::exec();
}
