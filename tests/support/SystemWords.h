// The system's words for an error, as the program's failures quote them:
// the C library's for an errno on POSIX, Windows's for its own number there.
#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace tervaline::testing {

inline std::string SystemWords(int posixErrno, int windowsError) {
    return platform::SystemErrorText(TERVALINE_POSIX ? posixErrno : windowsError);
}

// Windows's numbers for the errors the tests meet.
inline constexpr int kWindowsFileNotFound = 2;
inline constexpr int kWindowsAlreadyExists = 183;
inline constexpr int kWindowsDirectoryNotSupported = 336;

}  // namespace tervaline::testing

// A test that needs what only a POSIX system has, where there is none: it
// is listed and skipped with the reason.
#define TERVALINE_POSIX_ONLY_TEST_F(fixture, name, reason) \
    TEST_F(fixture, name) { GTEST_SKIP() << reason; }
#define TERVALINE_POSIX_ONLY_TEST(suite, name, reason) \
    TEST(suite, name) { GTEST_SKIP() << reason; }
