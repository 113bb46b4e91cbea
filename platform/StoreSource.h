// Opening what a scan reads: a file or disk as it stands or, where the file
// begins as an Expert Witness (E01) image does, the disk the image holds,
// so that the engine reads both alike.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace tervaline::platform {

// Opens Path for a scan, unshared (TUnsharedReadFile); raises EFileError
// naming what is wrong when it cannot, an image's missing or damaged
// segment files among them.
std::unique_ptr<TStoreSource> OpenStoreSource(const std::string& path);

// The size of what a scan of Path reads, an image's disk for an image, for
// sizing what is shown before the scan; FileSizeOrZero's answer where Path
// cannot be opened now (the scan will say why).
std::uint64_t StoreSizeOrZero(const std::string& path);

// Whether Head, the first bytes of a file, is an E01 image's signature.
bool IsEwfSignature(std::string_view head);

}  // namespace tervaline::platform
