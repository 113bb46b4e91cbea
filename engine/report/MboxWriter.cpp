#include "engine/report/MboxWriter.h"

#include <algorithm>

#include "engine/records/MessageRecord.h"
#include "engine/report/MailDate.h"
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


void TLfLineEnds::Feed(std::string_view piece) {
    if (piece.empty()) return;
    if (heldCr_) {
        heldCr_ = false;
        if (piece.front() != '\n') out_("\r");
    }
    std::size_t from = 0;
    for (std::size_t cr; (cr = piece.find('\r', from)) != std::string_view::npos;) {
        if (cr + 1 == piece.size()) {
            // Whether it goes depends on the next piece.
            out_(piece.substr(from, cr - from));
            heldCr_ = true;
            return;
        }
        const bool beforeLf = piece[cr + 1] == '\n';
        out_(piece.substr(from, cr - from + (beforeLf ? 0 : 1)));
        from = cr + 1;
    }
    if (from < piece.size()) out_(piece.substr(from));
}

void TLfLineEnds::Finish() {
    if (heldCr_) out_("\r");
    heldCr_ = false;
}

TMboxWriter::TMboxWriter(const std::string& path, unsigned mode, std::optional<platform::TFileIdentity> store)
    : file_(std::make_unique<platform::TCommittedFile>(path, mode, store)) {}

TMboxWriter::~TMboxWriter() = default;

std::string TMboxWriter::FromLine(const std::string& sender, std::int64_t seconds) {
    // The date as the C library's asctime writes it, which every reader of
    // mbox files expects.
    return "From " + (sender.empty() ? std::string("MAILER-DAEMON") : sender) + " " + AsctimeUtcText(seconds) + "\n";
}

namespace {

// Message in its mbox form, handed to Out in pieces.
void Quote(const std::function<void(TMboxQuoter&)>& feed, const TLfLineEnds::TOut& out) {
    TLfLineEnds lines(out);
    TMboxQuoter quoter([&lines](std::string_view piece) { lines.Feed(piece); });
    feed(quoter);
    quoter.Finish();
    lines.Finish();
}

}  // namespace

std::string TMboxWriter::Quoted(std::string_view message) {
    std::string out;
    Quote([message](TMboxQuoter& quoter) { quoter.Feed(message); }, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

void TMboxWriter::AppendQuoted(const std::function<void(TMboxQuoter&)>& feed) {
    Quote(feed, [this](std::string_view piece) { file_->Write(piece); });
    // The empty line that separates messages; a reader takes it off again.
    file_->Write("\n");
    ++count_;
}

std::string TMboxWriter::StatusLines(std::uint32_t flags) {
    std::string status = "Status: ";
    if (flags & kFlagRead) status += 'R';
    status += "O\n";
    std::string x;
    if (flags & kFlagAnswered) x += 'A';
    if (flags & kFlagMarked) x += 'F';
    if (flags & kFlagDraft) x += 'T';
    return x.empty() ? status : status + "X-Status: " + x + "\n";
}

void TMboxWriter::Append(std::string_view message, const std::string& sender, std::int64_t seconds,
                         std::string_view status) {
    file_->Write(FromLine(sender, seconds));
    file_->Write(status);
    AppendQuoted([message](TMboxQuoter& quoter) { quoter.Feed(message); });
}

void TMboxWriter::Append(const TReader& read, const std::string& sender, std::int64_t seconds,
                         std::string_view status) {
    file_->Write(FromLine(sender, seconds));
    file_->Write(status);
    AppendQuoted([&read](TMboxQuoter& quoter) {
        std::string buffer(1u << 20, '\0');
        for (std::size_t got; (got = read(buffer.data(), buffer.size())) > 0;) quoter.Feed({buffer.data(), got});
    });
}

void TMboxWriter::Commit() { file_->Commit(); }

}  // namespace tervaline::engine
