// TXmlWriter: XML written element by element as it comes, through the
// system's XML library, so that a document of any length costs little
// memory and every text is escaped by code that is not ours.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tervaline::platform {

// Whether this build writes XML at all; where it does not, TXmlWriter's
// constructor raises EFileError with XmlWriterMissing's text.
bool XmlWriterBuilt();
const char* XmlWriterMissing();

class TXmlWriter {
public:
    // Each piece of the document goes to Sink as it is written; what Sink
    // raises ends the writing and is raised again by the call that wrote.
    using TSink = std::function<void(std::string_view)>;
    // Begins a UTF-8 document with its declaration.
    explicit TXmlWriter(TSink sink);
    ~TXmlWriter();
    TXmlWriter(const TXmlWriter&) = delete;
    TXmlWriter& operator=(const TXmlWriter&) = delete;

    // Names are written as given: they are the program's own. Texts and
    // attribute values may hold anything: bytes that are no UTF-8, and
    // characters XML 1.0 cannot carry (control characters but tab and line
    // breaks), are written as U+FFFD.
    void Start(std::string_view name);
    void Attribute(std::string_view name, std::string_view value);
    void Text(std::string_view text);
    // An element that holds only Text.
    void Element(std::string_view name, std::string_view text);
    // Ends the innermost element still open.
    void End();
    // Hands what was written so far to Sink.
    void Flush();
    // Ends every element still open and hands the rest to Sink.
    void Finish();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

}  // namespace tervaline::platform
