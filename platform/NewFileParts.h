// What the POSIX and the Windows TNewFile share: the form of a temporary
// name and the write loop that the test seam for write failures sits in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tervaline::platform {

class TNewFile;

// A fresh temporary name for the file meant for Intended (a path): Intended,
// a dot, eight random letters and digits, ".partial".
std::string TemporaryNameFor(const std::string& intended);

// Writes at most Count bytes of Data once; answers how many, or -1 with the
// system's error number in Error.
using TWriteSome = std::function<std::int64_t(const char* data, std::size_t count, int& error)>;

// Appends Bytes to the file meant for Intended, of Size bytes so far, through
// WriteSome, asking the write fault set for testing before each write;
// raises EFileError naming Intended when a write fails.
void WriteThroughFault(const std::string& intended, std::uint64_t& size, std::string_view bytes,
                       const TWriteSome& writeSome);

// Copies the first Size bytes written to From into To, which is new: how a
// file is placed on another volume than its own.
void CopyWritten(const TNewFile& from, std::uint64_t size, TNewFile& to);

}  // namespace tervaline::platform
