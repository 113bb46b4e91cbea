// Compacting a path to a width: leading folders give way to "..." one at a
// time, then the drive, until the text fits or only the file name is left.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/PathSyntax.h"

namespace tervaline::components {

// Width of a text, in whatever unit MaxWidth is given in.
using TTextWidth = std::function<int(std::string_view text)>;

// The first of Name's compacted forms whose width does not exceed MaxWidth,
// e.g. C:\a\b\f.txt, C:\...\b\f.txt, C:\...\f.txt, ...\f.txt, f.txt. A name
// without a folder part, or a file name too wide on its own, is returned
// as it is.
std::string MinimizeFileName(platform::TPathSyntax syntax, std::string_view name,
                             const TTextWidth& width, int maxWidth);

}  // namespace tervaline::components
