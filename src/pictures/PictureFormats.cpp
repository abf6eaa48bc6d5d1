#include "pictures/PictureFormats.h"

#include "pictures/JPEG.h"
#include "pictures/Metafile.h"
#include "pictures/RxGIF.h"

#include <memory>
#include <utility>

namespace {
bool metafilesRegistered = false;
}

void RegisterPictureFormats() {
    if (!metafilesRegistered) {
        metafilesRegistered = true;
        platform::TPicture::RegisterFileFormat("wmf", "Metafiles", "TMetafile",
                                               [] { return std::make_unique<TMetafile>(); });
    }
    RxGIFInitialize();
    JPEGInitialize();
}

void UnregisterPictureFormats() {
    JPEGFinalize();
    RxGIFFinalize();
    if (std::exchange(metafilesRegistered, false))
        platform::TPicture::UnregisterGraphicClass("TMetafile");
}
