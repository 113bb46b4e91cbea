// TIniGT: reads settings from an INI file, with quoting marks (fences) taken
// off strings, integers and hexadecimal colours parsed, and whole fonts read
// from five keys. It never writes the file.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "components/Font.h"
#include "platform/Component.h"
#include "platform/PathSyntax.h"
#include "platform/ProfileFile.h"
#include "platform/ProfileFileValues.h"

namespace tervaline::components {

using platform::EConvertError;

enum TIniGTDefaultDir : std::uint8_t { ddApplication, ddWindows, ddNone };

enum TIniGTFence : std::uint8_t { fnDoubleQuote, fnParenthesis, fnVer11Mode, fnNone };

// The folder that ddWindows stands for off Windows: the system-wide
// configuration folder.
inline constexpr std::string_view kSystemConfigFolder = "/etc";

// The path a name is read from. A name with a folder part (Windows: a '\' or
// a ':'; POSIX: a '/'), relative or not, is used as it stands; a bare name is
// put in ProgramFolder (ddApplication) or SystemFolder (ddWindows), or left
// alone (ddNone).
std::string ResolveProfilePath(platform::TPathSyntax syntax, std::string_view name,
                               TIniGTDefaultDir defaultDir, std::string_view programFolder,
                               std::string_view systemFolder);

using platform::StrToInt;

class TIniGT : public platform::TComponent {
public:
    explicit TIniGT(platform::TComponent* owner);

    TIniGTDefaultDir DefaultDir() const { return defaultDir_; }
    void SetDefaultDir(TIniGTDefaultDir value);

    // The name as assigned; ResolvedPath is where it is read from.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string value);
    const std::string& ResolvedPath() const { return iniFile_->Path(); }

    TIniGTFence Fence() const { return fence_; }
    void SetFence(TIniGTFence value) { fence_ = value; }

    std::string ReadRawString(std::string_view section, std::string_view ident,
                              std::string_view defaultValue) const;
    // Decimal, or hexadecimal after "0x"; Default for an empty or malformed value.
    std::int32_t ReadInteger(std::string_view section, std::string_view ident,
                             std::int32_t defaultValue) const;
    // The value with one pair of fences removed and then all bytes up to
    // 0x20 trimmed from both ends.
    std::string ReadString(std::string_view section, std::string_view ident,
                           std::string_view defaultValue) const;
    TColor ReadColor(std::string_view section, std::string_view ident, TColor defaultValue) const;
    // Two prefix bytes (normally "0x") and up to 8 hexadecimal digits;
    // raises EConvertError when no valid digits follow the prefix.
    std::uint32_t ReadHex(std::string_view section, std::string_view ident,
                          std::uint32_t defaultValue) const;
    // Reads Ident.Name, .Size, .Style, .Color and .Charset over a new
    // default font, using Font's attributes as the defaults. Font is left
    // unchanged when a read raises.
    void ReadFont(std::string_view section, std::string_view ident, TFontAttributes& font);

private:
    std::unique_ptr<platform::TProfileFile> iniFile_;
    TIniGTDefaultDir defaultDir_ = ddApplication;
    std::string fileName_;
    TIniGTFence fence_ = fnNone;
};

}  // namespace tervaline::components
