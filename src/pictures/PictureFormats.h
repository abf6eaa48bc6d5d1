// The picture formats the program reads beyond the platform's bitmaps and icons.
#pragma once

// Registers metafiles, GIF and JPEG pictures with the picture loader by file extension, in that
// order; more calls do nothing more.
void RegisterPictureFormats();
// Takes them out again, in the reverse order.
void UnregisterPictureFormats();
