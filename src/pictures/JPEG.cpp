#include "pictures/JPEG.h"

#include "pictures/RxGIF.h"
#include "platform/Errors.h"

#include <QPainter>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>

namespace {

// libjpeg's own error handler ends the process. Ours jumps back to the decoding call with the
// message instead; throwing through the C library's frames would not be safe.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void jpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->pub.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings about damaged data are not worth a line on standard error: the picture shows
// what could be decoded.
extern "C" void jpegSilent(j_common_ptr) {}

// Everything the decoding touches after setjmp lives here, outside the function that calls
// setjmp, so its values are well defined after a jump.
struct Decoding {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    bool created = false;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    bool grayscale = false;
    bool cmyk = false;
    bool tooLarge = false;
};

bool decode(Decoding* d, const unsigned char* data, std::size_t size) {
    if (setjmp(d->err.jump))
        return false;
    jpeg_create_decompress(&d->cinfo);
    d->created = true;
    jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d->cinfo, TRUE);
    d->grayscale = d->cinfo.jpeg_color_space == JCS_GRAYSCALE;
    d->cmyk = d->cinfo.jpeg_color_space == JCS_CMYK || d->cinfo.jpeg_color_space == JCS_YCCK;
    d->cinfo.out_color_space = d->cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    const std::int64_t w = d->cinfo.image_width, h = d->cinfo.image_height;
    if (w * h * 4 > maxJPEGBitmapBytes) {
        d->tooLarge = true;
        return false;
    }
    jpeg_start_decompress(&d->cinfo);
    d->width = int(d->cinfo.output_width);
    d->height = int(d->cinfo.output_height);
    const std::size_t stride = std::size_t(d->width) * 4;
    d->pixels = static_cast<unsigned char*>(std::malloc(stride * std::size_t(d->height) + 1));
    if (!d->pixels) {
        d->tooLarge = true;
        return false;
    }
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        JSAMPROW row = d->pixels + stride * d->cinfo.output_scanline;
        jpeg_read_scanlines(&d->cinfo, &row, 1);
    }
    jpeg_finish_decompress(&d->cinfo);
    return true;
}

} // namespace

void TJPEGImage::LoadFromStream(const std::string& bytes) {
    Progress(platform::TProgressStage::psStarting, 0);
    auto d = std::make_unique<Decoding>();
    d->cinfo.err = jpeg_std_error(&d->err.pub);
    d->err.pub.error_exit = jpegErrorExit;
    d->err.pub.output_message = jpegSilent;
    d->err.message[0] = '\0';
    const bool ok =
        decode(d.get(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (d->created)
        jpeg_destroy_decompress(&d->cinfo);
    QImage image;
    if (ok) {
        image = QImage(d->width, d->height, QImage::Format_RGB32);
        const std::size_t stride = std::size_t(d->width) * 4;
        for (int y = 0; y < d->height; ++y) {
            const unsigned char* from = d->pixels + stride * std::size_t(y);
            auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
            if (d->cmyk) {
                // Adobe writes CMYK inverted, and nearly every CMYK JPEG comes from Adobe.
                for (int x = 0; x < d->width; ++x) {
                    const int c = from[4 * x], m = from[4 * x + 1], yy = from[4 * x + 2];
                    const int k = from[4 * x + 3];
                    to[x] = qRgb(c * k / 255, m * k / 255, yy * k / 255);
                }
            } else {
                std::memcpy(to, from, stride);
            }
        }
    }
    std::free(d->pixels);
    if (!ok) {
        std::string message = d->tooLarge ? "JPEG image is too large to load" : d->err.message;
        if (message.empty())
            message = "JPEG image is not valid";
        Progress(platform::TProgressStage::psEnding, 0, message);
        throw EInvalidGraphicOperation(message);
    }
    m_image = std::move(image);
    m_grayscale = d->grayscale;
    Progress(platform::TProgressStage::psEnding, 100);
    SetPaletteModified(true);
    Changed();
}

void TJPEGImage::Draw(QPainter& painter, const QRect& dest) const {
    if (!Empty())
        painter.drawImage(dest, m_image);
}

bool TJPEGImage::Equals(const platform::TGraphic& other) const {
    const auto* jpeg = dynamic_cast<const TJPEGImage*>(&other);
    return jpeg && (jpeg == this || jpeg->m_image == m_image);
}

std::unique_ptr<platform::TGraphic> TJPEGImage::Clone() const {
    auto copy = std::make_unique<TJPEGImage>();
    copy->m_image = m_image;
    copy->m_grayscale = m_grayscale;
    copy->SetTransparent(Transparent());
    return copy;
}

namespace {
bool registered = false;
}

void JPEGInitialize() {
    if (registered)
        return;
    registered = true;
    for (const char* ext : {"jpeg", "jpg"})
        platform::TPicture::RegisterFileFormat(ext, "JPEG Image File", "TJPEGImage",
                                               [] { return std::make_unique<TJPEGImage>(); });
}

void JPEGFinalize() {
    if (!registered)
        return;
    registered = false;
    platform::TPicture::UnregisterGraphicClass("TJPEGImage");
}
