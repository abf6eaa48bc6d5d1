#include "pictures/PictureFormats.h"

#include "pictures/JPEG.h"
#include "pictures/Metafile.h"
#include "pictures/RxGIF.h"

void RegisterPictureFormats() {
    MetafileInitialize();
    RxGIFInitialize();
    JPEGInitialize();
}

void UnregisterPictureFormats() {
    JPEGFinalize();
    RxGIFFinalize();
    MetafileFinalize();
}
