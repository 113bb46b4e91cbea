// A build without the E01 library: the one place that knows it, so that an
// image is refused with what to do instead rather than scanned as the raw
// bytes of its segment file.
#include <string>

#include "platform/EwfImage.h"

namespace tervaline::platform {

bool EwfImagesRead() { return false; }

std::unique_ptr<TStoreSource> OpenEwfImage(std::unique_ptr<TUnsharedReadFile> first) {
    throw EFileError("\"" + first->Path() +
                     "\" is an Expert Witness (E01) image, and this build of Tervaline reads none: convert it to a "
                     "raw image first (for example with ewfexport -f raw) and scan that, or scan the image with the "
                     "Linux build");
}

}  // namespace tervaline::platform
