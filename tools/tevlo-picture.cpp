// tevlo-picture: tells what a picture file holds, and writes its pixels out, through the same
// picture classes the bar uses. Helps find out why a picture does not show.
//
//   tevlo-picture info FILE
//   tevlo-picture convert FILE OUT.ppm|OUT.png
#include "pictures/JPEG.h"
#include "pictures/PictureFormats.h"
#include "pictures/RxGIF.h"
#include "platform/Errors.h"
#include "platform/Graphics.h"

#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

std::string colorText(TColor color) {
    if (color == clNone)
        return "none";
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", platform::redOf(color),
                  platform::greenOf(color), platform::blueOf(color));
    return text;
}

const char* yesNo(bool value) {
    return value ? "yes" : "no";
}

// Line ends inside a comment would break the one-line-per-value output.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

void info(const platform::TPicture& picture) {
    platform::TGraphic& graphic = *picture.Graphic();
    std::cout << "format: " << graphic.ClassName() << "\n";
    std::cout << "width: " << graphic.Width() << "\n";
    std::cout << "height: " << graphic.Height() << "\n";
    auto* gif = dynamic_cast<TGIFImage*>(&graphic);
    if (!gif)
        return;
    std::cout << "version: "
              << (gif->Version() == 1   ? "87a"
                  : gif->Version() == 2 ? "89a"
                                        : "")
              << "\n";
    std::cout << "screen: " << gif->ScreenWidth() << " x " << gif->ScreenHeight() << "\n";
    std::cout << "background: " << colorText(gif->BackgroundColor()) << "\n";
    std::cout << "looping: " << yesNo(gif->Looping()) << "\n";
    std::cout << "repeat count: " << gif->RepeatCount() << "\n";
    for (const std::string& comment : gif->Comments())
        std::cout << "comment: " << escaped(comment) << "\n";
    std::cout << "frames: " << gif->Count() << "\n";
    for (int i = 0; i < gif->Count(); ++i) {
        TGIFFrame& frame = gif->Frames(i);
        const std::string name = "frame " + std::to_string(i) + " ";
        // Decoding first, so that damage found on the way shows below.
        const int width = frame.Width(), height = frame.Height();
        std::cout << name << "origin: " << frame.Left << ", " << frame.Top << "\n";
        std::cout << name << "size: " << width << " x " << height << "\n";
        std::cout << name << "delay: " << frame.Delay << "\n";
        std::cout << name << "disposal: " << int(frame.Disposal) << "\n";
        std::cout << name << "interlaced: " << yesNo(frame.Interlaced) << "\n";
        std::cout << name << "damaged: " << yesNo(frame.Damaged) << "\n";
        std::cout << name << "transparent: " << colorText(frame.TransparentColor) << "\n";
    }
}

// The pixels as the picture holds them, before any transparent colour is applied.
QImage pixelsOf(platform::TGraphic& graphic) {
    if (auto* gif = dynamic_cast<TGIFImage*>(&graphic))
        return gif->Count() ? gif->CurrentBitmap().image() : QImage();
    if (auto* bitmap = dynamic_cast<platform::TBitmap*>(&graphic))
        return bitmap->image();
    if (auto* icon = dynamic_cast<platform::TIcon*>(&graphic))
        return icon->image();
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(&graphic))
        return jpeg->image();
    QImage canvas(graphic.Width(), graphic.Height(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    graphic.SetTransparent(false);
    QPainter painter(&canvas);
    graphic.Draw(painter, canvas.rect());
    return canvas;
}

void convert(const platform::TPicture& picture, const std::string& out) {
    const QImage image = pixelsOf(*picture.Graphic());
    if (image.isNull())
        throw EInvalidGraphicOperation("The picture has no pixels");
    const std::string ext = out.size() >= 4 ? out.substr(out.size() - 4) : "";
    if (ext == ".png" || ext == ".PNG") {
        if (!image.save(QString::fromStdString(out), "PNG"))
            throw EInvalidGraphicOperation("Cannot write " + out);
        return;
    }
    if (ext != ".ppm" && ext != ".PPM")
        throw EInvalidGraphicOperation("Unknown output format; use .ppm or .png: " + out);
    std::FILE* file = std::fopen(out.c_str(), "wb");
    if (!file)
        throw EInvalidGraphicOperation("Cannot write " + out);
    const std::string header =
        "P6\n" + std::to_string(image.width()) + " " + std::to_string(image.height()) + "\n255\n";
    bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    // A block of rows at a time: large enough for few writes, small beside the picture.
    const QImage pixels =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_ARGB32);
    const std::size_t width = std::size_t(pixels.width());
    const int rowsPerBlock = int(std::max<std::size_t>(1, (256 * 1024) / (3 * width + 1)));
    std::vector<char> block(3 * width * std::size_t(rowsPerBlock));
    for (int y = 0; written && y < pixels.height(); y += rowsPerBlock) {
        const int rows = std::min(rowsPerBlock, pixels.height() - y);
        char* p = block.data();
        for (int r = 0; r < rows; ++r) {
            const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y + r));
            for (std::size_t x = 0; x < width; ++x) {
                *p++ = char(qRed(line[x]));
                *p++ = char(qGreen(line[x]));
                *p++ = char(qBlue(line[x]));
            }
        }
        const std::size_t size = std::size_t(p - block.data());
        written = std::fwrite(block.data(), 1, size, file) == size;
    }
    if (std::fclose(file) != 0 || !written)
        throw EInvalidGraphicOperation("Cannot write " + out);
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (!((command == "info" && argc == 3) || (command == "convert" && argc == 4))) {
        std::cerr << "usage: tevlo-picture info FILE\n"
                     "       tevlo-picture convert FILE OUT.ppm|OUT.png\n";
        return 1;
    }
    // Standard error carries the picture's error message and nothing else.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Only a metafile is drawn to get its pixels; its fonts need an application object, but
    // never a display. Every other picture reads its pixels without one, and starts faster.
    std::optional<QGuiApplication> app;
    if (QString::fromLocal8Bit(argv[2]).endsWith(".wmf", Qt::CaseInsensitive)) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app.emplace(argc, argv);
    }
    RegisterPictureFormats();
    try {
        platform::TPicture picture;
        picture.LoadFromFile(argv[2]);
        if (command == "info")
            info(picture);
        else
            convert(picture, argv[3]);
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
