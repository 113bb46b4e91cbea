// TMboxWriter: salvaged messages gathered into one mbox file of the mboxrd
// form, which mail programs import whole: each message behind a "From "
// line with its envelope sender and date, every line that begins with
// "From " behind any number of ">" quoted with one more, the message's
// bytes otherwise as they are (CRLF line ends included), and an empty line
// after it. The file is written under a temporary name and renamed when
// committed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <optional>
#include <string_view>

#include "platform/FileSystem.h"

namespace tervaline::platform {
class TCommittedFile;
}

namespace tervaline::engine {

// Quotes a message handed over in pieces, as the mboxrd form wants it: a
// ">" before each line that is ">"* "From ", and a line break at the end
// when the message lacks one. A line's start is held back only while it
// could still become such a line, so memory stays small however the pieces
// fall.
class TMboxQuoter {
public:
    using TOut = std::function<void(std::string_view piece)>;
    explicit TMboxQuoter(TOut out) : out_(std::move(out)) {}

    void Feed(std::string_view piece);
    void Finish();

private:
    void EmitHeld(bool quote);

    TOut out_;
    bool inLine_ = false;    // past the start of the current line
    std::uint64_t gt_ = 0;   // ">" that open the line, held back
    std::size_t matched_ = 0;  // of "From " after them, held back
    char last_ = '\n';       // the last byte handed on
    bool any_ = false;
};

// Hands on what it is fed with each CR that stands before an LF dropped,
// however the pieces fall.
class TLfLineEnds {
public:
    using TOut = std::function<void(std::string_view piece)>;
    explicit TLfLineEnds(TOut out) : out_(std::move(out)) {}

    void Feed(std::string_view piece);
    void Finish();

private:
    TOut out_;
    bool heldCr_ = false;  // the last byte fed was a CR, not yet handed on
};

class TMboxWriter {
public:
    // Begins the file with the permission bits Mode; raises EFileError when
    // it cannot be made, or Path leads to Store, which is never replaced.
    TMboxWriter(const std::string& path, unsigned mode, std::optional<platform::TFileIdentity> store);
    ~TMboxWriter();
    TMboxWriter(const TMboxWriter&) = delete;
    TMboxWriter& operator=(const TMboxWriter&) = delete;

    // Sender is an address without blanks; Seconds since 1970 UTC is the
    // date; Status, lines that go before the message's own (StatusLines).
    // Raises EFileError on a failed write.
    void Append(std::string_view message, const std::string& sender, std::int64_t seconds,
                std::string_view status = {});
    // The same for a message read in pieces by Read, which fills its buffer
    // and returns how many bytes it gave, 0 at the end.
    using TReader = std::function<std::size_t(char* dest, std::size_t count)>;
    void Append(const TReader& read, const std::string& sender, std::int64_t seconds, std::string_view status = {});
    // Renames the file into place.
    void Commit();

    std::uint64_t Count() const { return count_; }

    // The "From " line that opens a message, its line end included.
    static std::string FromLine(const std::string& sender, std::int64_t seconds);
    // The Status: and X-Status: lines that tell a reader of mbox files a
    // message's state from its flags in the store: R read (O, seen by a
    // mail program, always), A answered, F flagged, T draft. LF-ended, as
    // the whole file is.
    static std::string StatusLines(std::uint32_t flags);
    // Message as it stands in the file: quoted, with LF line ends, and ended
    // by a line break when it lacks one.
    static std::string Quoted(std::string_view message);

private:
    void AppendQuoted(const std::function<void(TMboxQuoter&)>& feed);

    std::unique_ptr<platform::TCommittedFile> file_;
    std::uint64_t count_ = 0;
};

}  // namespace tervaline::engine
