#include "engine/report/MboxWriter.h"

#include <algorithm>
#include <ctime>

#include "platform/CommittedFile.h"

namespace tervaline::engine {

namespace {

constexpr std::string_view kFrom = "From ";

}  // namespace

void TMboxQuoter::EmitHeld(bool quote) {
    static const std::string kMarks(256, '>');
    if (quote) out_(">");
    for (std::uint64_t left = gt_; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kMarks.size()));
        out_(std::string_view(kMarks).substr(0, n));
        left -= n;
    }
    out_(kFrom.substr(0, matched_));
    if (gt_ > 0 || matched_ > 0) last_ = matched_ > 0 ? kFrom[matched_ - 1] : '>';
    gt_ = 0;
    matched_ = 0;
    inLine_ = true;
}

void TMboxQuoter::Feed(std::string_view piece) {
    if (!piece.empty()) any_ = true;
    std::size_t at = 0;
    while (at < piece.size()) {
        if (inLine_) {
            const std::size_t end = piece.find('\n', at);
            const std::size_t stop = end == std::string_view::npos ? piece.size() : end + 1;
            out_(piece.substr(at, stop - at));
            last_ = piece[stop - 1];
            at = stop;
            if (end != std::string_view::npos) inLine_ = false;
            continue;
        }
        const char c = piece[at];
        if (matched_ == 0 && c == '>') {
            ++gt_;
            ++at;
        } else if (c == kFrom[matched_]) {
            ++at;
            if (++matched_ == kFrom.size()) EmitHeld(true);
        } else {
            // Not a line a reader would take for a message's start: what was
            // held goes on as it is, and so does the rest of the line.
            EmitHeld(false);
        }
    }
}

void TMboxQuoter::Finish() {
    if (!inLine_ && (gt_ > 0 || matched_ > 0)) EmitHeld(false);
    if (any_ && last_ != '\n') out_("\n");
}


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
    TMboxQuoter quoter([&out](std::string_view piece) { out.append(piece); });
    quoter.Feed(message);
    quoter.Finish();
    return out;
}

void TMboxWriter::Append(std::string_view message, const std::string& sender, std::int64_t seconds) {
    file_->Write(FromLine(sender, seconds));
    TMboxQuoter quoter([this](std::string_view piece) { file_->Write(piece); });
    quoter.Feed(message);
    quoter.Finish();
    // The empty line that separates messages; a reader takes it off again.
    file_->Write("\n");
    ++count_;
}

void TMboxWriter::Append(const TReader& read, const std::string& sender, std::int64_t seconds) {
    file_->Write(FromLine(sender, seconds));
    TMboxQuoter quoter([this](std::string_view piece) { file_->Write(piece); });
    std::string buffer(1u << 20, '\0');
    for (std::size_t got; (got = read(buffer.data(), buffer.size())) > 0;) quoter.Feed({buffer.data(), got});
    quoter.Finish();
    file_->Write("\n");
    ++count_;
}

void TMboxWriter::Commit() { file_->Commit(); }

}  // namespace tervaline::engine
