// Test builds only: read failures injected below TUnsharedReadFile::ReadAt,
// for the unreadable sectors and vanishing disks a test cannot make for real.
#pragma once

#ifdef TERVALINE_FAULT_INJECTION

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tervaline::platform {

// Asked before every read a TUnsharedReadFile makes (a disk's whole
// sectors on Windows), with its path and the bytes the read covers; a
// non-zero errno it returns fails the read as if the system had refused it,
// in the C library's words for that errno on every system. An empty
// function removes the fault. The fault may be asked on several threads at
// once; setting it is thread-safe.
using TReadFault = std::function<int(const std::string& path, std::uint64_t offset, std::size_t count)>;
void SetReadFaultForTesting(TReadFault fault);

// Raises the EFileError of the read the fault fails; returns otherwise.
void CheckReadFault(const std::string& path, std::uint64_t offset, std::size_t count);

}  // namespace tervaline::platform

#endif
