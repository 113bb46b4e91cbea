// A mail folder's name as a name in the file system: the names a mail
// program allows (any text) made into ones that every file system that
// holds stores or their salvage takes, and nothing else changed.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::engine {

// Name, UTF-8, with each character Windows forbids in a name (controls,
// < > : " / \ | ? *) turned into '_', a trailing dot or space dropped (Windows
// drops them itself, and two folders would meet), a device name (CON, NUL,
// COM1, ... with or without extension) given a '_' after it, and an empty
// name or one of dots only given as "_".
std::string SafeFolderName(std::string_view name);

}  // namespace tervaline::engine
