// Arbitrary bytes as a metafile: loading either works or fails with a picture error, and
// whatever loaded draws without harm.
#include "pictures/Metafile.h"
#include "platform/Errors.h"

#include <QGuiApplication>
#include <QPainter>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMetafile metafile;
    try {
        metafile.LoadFromStream(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const EInvalidGraphicOperation&) {
        return 0;
    }
    QImage canvas(24, 24, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    metafile.Draw(painter, QRect(0, 0, 24, 24));
    metafile.Draw(painter, QRect(20, 20, -10, -10));
    return 0;
}
