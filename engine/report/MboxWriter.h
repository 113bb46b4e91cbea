// TMboxWriter: salvaged messages gathered into one mbox file of the mboxrd
// form, which mail programs import whole: each message behind a "From "
// line with its envelope sender and date, every line that begins with
// "From " behind any number of ">" quoted with one more, the message's
// bytes otherwise as they are (CRLF line ends included), and an empty line
// after it. The file is written under a temporary name and renamed when
// committed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tervaline::platform {
class TCommittedFile;
}

namespace tervaline::engine {

class TMboxWriter {
public:
    // Raises EFileError when the file cannot be made.
    explicit TMboxWriter(const std::string& path);
    ~TMboxWriter();
    TMboxWriter(const TMboxWriter&) = delete;
    TMboxWriter& operator=(const TMboxWriter&) = delete;

    // Sender is an address without blanks; Seconds since 1970 UTC is the
    // date. Raises EFileError on a failed write.
    void Append(std::string_view message, const std::string& sender, std::int64_t seconds);
    // Renames the file into place.
    void Commit();

    std::uint64_t Count() const { return count_; }

    // The "From " line that opens a message, its line end included.
    static std::string FromLine(const std::string& sender, std::int64_t seconds);
    // Message as it stands in the file: quoted, and ended by a line break
    // when it lacks one.
    static std::string Quoted(std::string_view message);

private:
    std::unique_ptr<platform::TCommittedFile> file_;
    std::uint64_t count_ = 0;
};

}  // namespace tervaline::engine
