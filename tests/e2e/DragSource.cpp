// The other end of a real drop: a small window that, when pressed, drags a file or a web
// address as a file manager or a browser does, and prints "taken" or "refused" when the drag
// ends. It then stays, as those programs do, because the target reads the dropped data from it
// after the drop; it ends when killed, or after a minute. Exits 2 on wrong use.
//
// Usage: tevlo-drag-source FILE-OR-ADDRESS X Y
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace {

class Source : public QLabel {
public:
    explicit Source(QUrl url) : QLabel(QStringLiteral("drag me")), m_url(std::move(url)) {}

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls({m_url});
        // On the heap, as the toolkit wants it: it keeps the drag, and the data, until the
        // target has read them, after exec has returned.
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
        std::printf("%s\n", done == Qt::IgnoreAction ? "refused" : "taken");
        std::fflush(stdout);
        QTimer::singleShot(60000, qApp, &QCoreApplication::quit);
    }

private:
    QUrl m_url;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE-OR-ADDRESS X Y\n", argv[0]);
        return 2;
    }
    const QString what = QString::fromLocal8Bit(argv[1]);
    Source source(what.contains(QStringLiteral("://")) ? QUrl(what) : QUrl::fromLocalFile(what));
    source.setWindowTitle(QStringLiteral("Drag Source"));
    source.setAlignment(Qt::AlignCenter);
    source.setGeometry(std::atoi(argv[2]), std::atoi(argv[3]), 80, 40);
    source.show();
    return application.exec();
}
