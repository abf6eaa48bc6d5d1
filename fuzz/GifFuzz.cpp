// Arbitrary bytes as a GIF picture: loading either works or fails with one of the picture's
// own errors, and whatever loaded can be measured, decoded, drawn and copied.
#include "pictures/RxGIF.h"

#include "platform/Errors.h"

#include <QGuiApplication>
#include <QPainter>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Frames up to this many pixels are decoded; bigger ones only slow the search down, and the
// size limit itself is covered by the tests.
constexpr std::int64_t maxFuzzPixels = 1 << 20;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "GifFuzz: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TGIFImage gif;
    try {
        gif.ReadStream(bytes, false);
    } catch (const Exception&) {
        return 0;
    }
    for (int i = 0; i < gif.Count(); ++i)
        if (std::int64_t(gif.Frames(i).Item().Width) * gif.Frames(i).Item().Height > maxFuzzPixels)
            return 0;
    try {
        gif.LoadFromStream(bytes);
    } catch (const Exception&) {
        return 0;
    }
    QImage canvas(16, 16, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    gif.Draw(painter, QRect(0, 0, 16, 16));
    check(gif.Width() >= 0 && gif.Height() >= 0, "negative size");
    for (int i = 0; i < gif.Count() && i < 4; ++i) {
        TGIFFrame& frame = gif.Frames(i);
        try {
            const platform::TBitmap& bitmap = frame.FrameBitmap();
            check(bitmap.Empty() || (bitmap.Width() == frame.Item().Width &&
                                     bitmap.Height() == frame.Item().Height),
                  "decoded size differs from the descriptor");
        } catch (const Exception&) {
        }
    }
    TGIFImage copy;
    copy.Assign(gif);
    check(copy.Equals(gif), "a copy is not equal to its source");
    copy.Draw(painter, QRect(0, 0, 7, 5));
    return 0;
}
