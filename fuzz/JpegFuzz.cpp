// Arbitrary bytes as a JPEG picture: every libjpeg error comes back as a picture error, and
// nothing ends the process.
#include "pictures/JPEG.h"

#include "platform/Errors.h"

#include <QPainter>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <memory>

namespace {

// Pictures above this size only slow the search down; the library's checks are the same.
constexpr long long maxFuzzPixels = 1 << 20;

struct Peek {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    std::jmp_buf jump;
    long long pixels = 0;
};

extern "C" void peekError(j_common_ptr cinfo) {
    std::longjmp(static_cast<Peek*>(cinfo->client_data)->jump, 1);
}

extern "C" void peekSilent(j_common_ptr) {}

bool readHeader(Peek* p, const std::uint8_t* data, std::size_t size) {
    if (setjmp(p->jump))
        return false;
    jpeg_mem_src(&p->cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&p->cinfo, TRUE);
    p->pixels = (long long)p->cinfo.image_width * p->cinfo.image_height;
    return true;
}

// The picture's size from its header, or -1 when the header cannot be read.
long long headerPixels(const std::uint8_t* data, std::size_t size) {
    auto p = std::make_unique<Peek>();
    p->cinfo.err = jpeg_std_error(&p->err);
    p->err.error_exit = peekError;
    p->err.output_message = peekSilent;
    p->cinfo.client_data = p.get();
    jpeg_create_decompress(&p->cinfo);
    const bool ok = readHeader(p.get(), data, size);
    jpeg_destroy_decompress(&p->cinfo);
    return ok ? p->pixels : -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (headerPixels(data, size) > maxFuzzPixels)
        return 0;
    TJPEGImage jpeg;
    try {
        jpeg.LoadFromStream(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const EInvalidGraphicOperation& e) {
        if (e.Message().empty())
            std::abort();
        return 0;
    }
    QImage canvas(8, 8, QImage::Format_RGB32);
    QPainter painter(&canvas);
    jpeg.Draw(painter, canvas.rect());
    return 0;
}
