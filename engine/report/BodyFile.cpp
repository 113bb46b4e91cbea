#include "engine/report/BodyFile.h"

#include <string_view>

#include "platform/CommittedFile.h"

namespace tervaline::engine {

namespace {

void AppendField(std::string& line, std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '|' || c == '\\') {
            line += "\\x";
            line.push_back(kDigits[byte >> 4]);
            line.push_back(kDigits[byte & 0xF]);
        } else {
            line.push_back(c);
        }
    }
}

// A time before 1970 is 0 too: timeline tools take none.
std::string Seconds(const std::optional<std::int64_t>& time) {
    return std::to_string(time && *time > 0 ? *time : 0);
}

// "r/rrw-r--r--": a regular file, as ls shows its permission bits.
std::string ModeText(unsigned mode) {
    std::string text = "r/r";
    static constexpr char kLetters[] = "rwx";
    for (int bit = 8; bit >= 0; --bit) text.push_back(mode & (1u << bit) ? kLetters[(8 - bit) % 3] : '-');
    return text;
}

}  // namespace

TBodyFile::TBodyFile(const std::string& path, unsigned mode, std::optional<platform::TFileIdentity> store)
    : file_(std::make_unique<platform::TCommittedFile>(path, mode, store)) {}

TBodyFile::~TBodyFile() = default;

std::string TBodyFile::Line(const TBodyFileEntry& e) {
    std::string line = e.Md5 + "|";
    AppendField(line, e.File);
    if (!e.Subject.empty()) {
        line += " (";
        AppendField(line, e.Subject);
        line += ")";
    }
    line += "|" + std::to_string(e.Offset) + "|" + ModeText(e.Mode) + "|0|0|" + std::to_string(e.Size) + "|0|" +
            Seconds(e.Date) + "|" + Seconds(e.Saved) + "|" + Seconds(e.Received) + "\n";
    return line;
}

bool TBodyFile::Add(const TBodyFileEntry& entry) {
    const std::string line = Line(entry);
    if (!file_->KeepRoomFor(line.size())) return false;
    file_->Write(line);
    return true;
}

void TBodyFile::Finish() { file_->Commit(); }

}  // namespace tervaline::engine

