// The disk an Expert Witness (E01) image holds, read through the image's
// segment files (.E01, .E02, ...), where this build can read them.
#pragma once

#include <memory>

#include "platform/FileSystem.h"

namespace tervaline::platform {

// Whether this build reads E01 images at all.
bool EwfImagesRead();

// The image whose first segment First holds open, unshared: its other
// segments are found from First's name. Raises EFileError naming what is
// wrong with the segment set, or, where this build reads no E01 images,
// saying so and what to do instead.
std::unique_ptr<TStoreSource> OpenEwfImage(std::unique_ptr<TUnsharedReadFile> first);

}  // namespace tervaline::platform
