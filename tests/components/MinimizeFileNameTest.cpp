#include "components/MinimizeFileName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"

namespace tervaline::components {
namespace {

using platform::TPathSyntax;

// One pixel per byte, so every width in a sequence is exact.
int ByteWidth(std::string_view text) { return static_cast<int>(text.size()); }

struct TSequence {
    const char* Title;
    TPathSyntax Syntax;
    int CodePage;
    std::vector<std::string> Steps;  // the name, then each compacted form in turn
};

// For every width, the result must be the first form in the sequence that
// fits, or the last form when none does.
void ExpectSequence(const TSequence& sequence) {
    platform::TCodePageScope codePage(sequence.CodePage);
    const std::string& name = sequence.Steps.front();
    for (int width = 0; width <= ByteWidth(name) + 2; ++width) {
        std::string expected = sequence.Steps.back();
        for (const auto& step : sequence.Steps) {
            if (ByteWidth(step) <= width) {
                expected = step;
                break;
            }
        }
        EXPECT_EQ(MinimizeFileName(sequence.Syntax, name, ByteWidth, width), expected)
            << sequence.Title << " at width " << width;
    }
}

TEST(MinimizeFileNameTest, ElidesLeadingFoldersOneAtATime) {
    const int single = platform::kSingleByteCodePage;
    const TSequence sequences[] = {
        {"drive path", TPathSyntax::Windows, single,
         {"C:\\Documents\\Mail\\Store\\file.dbx", "C:\\...\\Mail\\Store\\file.dbx", "C:\\...\\Store\\file.dbx",
          "C:\\...\\file.dbx", "...\\file.dbx", "file.dbx"}},
        {"relative path", TPathSyntax::Windows, single,
         {"dir1\\dir2\\file", "...\\dir2\\file", "...\\file", "file"}},
        {"file in a drive's root", TPathSyntax::Windows, single, {"C:\\file.dbx", "C:file.dbx", "file.dbx"}},
        {"drive-relative", TPathSyntax::Windows, single, {"C:file.dbx", "file.dbx"}},
        {"network path", TPathSyntax::Windows, single,
         {"\\\\server\\share\\file", "\\...\\server\\share\\file", "\\...\\share\\file", "\\...\\file",
          "...\\file", "file"}},
        {"folder named with a leading dot", TPathSyntax::Windows, single,
         {"C:\\.git\\objects\\f", "C:\\...\\objects\\f", "C:\\...\\f", "...\\f", "f"}},
        {"trail byte 0x5C in a folder name", TPathSyntax::Windows, platform::kCodePage932,
         {"C:\\\x95\x5C\\sub\\f", "C:\\...\\sub\\f", "C:\\...\\f", "...\\f", "f"}},
        {"absolute POSIX path", TPathSyntax::Posix, single,
         {"/home/ann/mail/Inbox.dbx", "/.../ann/mail/Inbox.dbx", "/.../mail/Inbox.dbx", "/.../Inbox.dbx",
          ".../Inbox.dbx", "Inbox.dbx"}},
        {"file in the POSIX root", TPathSyntax::Posix, single, {"/Inbox.dbx", "Inbox.dbx"}},
        {"relative POSIX path", TPathSyntax::Posix, single, {"a1/b2/f", ".../b2/f", ".../f", "f"}},
        {"POSIX backslash is no delimiter", TPathSyntax::Posix, single, {"a\\b\\file"}},
        {"bare name", TPathSyntax::Windows, single, {"file.dbx"}},
        {"empty name", TPathSyntax::Windows, single, {""}},
    };
    for (const auto& sequence : sequences) ExpectSequence(sequence);
}

}  // namespace
}  // namespace tervaline::components
