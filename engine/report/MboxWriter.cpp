#include "engine/report/MboxWriter.h"

#include <ctime>

#include "platform/CommittedFile.h"

namespace tervaline::engine {

namespace {

// Whether the line starting at Line is ">"* "From ", which a reader would
// take for the start of a message or unquote.
bool NeedsQuote(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == '>') ++i;
    return line.substr(i, 5) == "From ";
}

// Hands Message to Out in pieces, a ">" before each line that needs one,
// and a line break at the end when it lacks one.
template <class TOut>
void Quote(std::string_view message, TOut out) {
    std::size_t from = 0;  // the first byte not yet handed on
    std::size_t at = 0;    // the start of the line looked at
    while (at < message.size()) {
        if (message[at] == '>' || message[at] == 'F') {
            if (NeedsQuote(message.substr(at))) {
                out(message.substr(from, at - from));
                out(">");
                from = at;
            }
        }
        const std::size_t end = message.find('\n', at);
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    out(message.substr(from));
    if (!message.empty() && message.back() != '\n') out("\n");
}

}  // namespace

TMboxWriter::TMboxWriter(const std::string& path) : file_(std::make_unique<platform::TCommittedFile>(path)) {}

TMboxWriter::~TMboxWriter() = default;

std::string TMboxWriter::FromLine(const std::string& sender, std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    char date[64] = "Thu Jan  1 00:00:00 1970";
    // The date as the C library's asctime writes it, which every reader of
    // mbox files expects.
    if (::gmtime_r(&t, &utc) != nullptr) std::strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y", &utc);
    return "From " + (sender.empty() ? std::string("MAILER-DAEMON") : sender) + " " + date + "\n";
}

std::string TMboxWriter::Quoted(std::string_view message) {
    std::string out;
    Quote(message, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

void TMboxWriter::Append(std::string_view message, const std::string& sender, std::int64_t seconds) {
    file_->Write(FromLine(sender, seconds));
    Quote(message, [this](std::string_view piece) { file_->Write(piece); });
    // The empty line that separates messages; a reader takes it off again.
    file_->Write("\n");
    ++count_;
}

void TMboxWriter::Commit() { file_->Commit(); }

}  // namespace tervaline::engine
