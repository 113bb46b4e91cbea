// XML through libxml2's text writer.
#include "platform/XmlWriter.h"

#include <libxml/xmlIO.h>
#include <libxml/xmlwriter.h>

#include <exception>
#include <mutex>
#include <new>

#include "platform/FileSystem.h"
#include "platform/Utf8Text.h"

namespace tervaline::platform {

namespace {

const xmlChar* X(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

// Text XML 1.0 can carry: well-formed UTF-8 without the control characters
// and the two noncharacters it leaves out.
std::string XmlText(std::string_view bytes) {
    std::string utf8;
    AppendUtf8Text(bytes, utf8);
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') {
            out += kReplacement;
        } else if (byte == 0xEF && i + 2 < utf8.size() && utf8[i + 1] == '\xBF' &&
                   (utf8[i + 2] == '\xBE' || utf8[i + 2] == '\xBF')) {
            out += kReplacement;
            i += 2;
        } else {
            out.push_back(utf8[i]);
        }
    }
    return out;
}

}  // namespace

bool XmlWriterBuilt() { return true; }

const char* XmlWriterMissing() { return ""; }

struct TXmlWriter::TState {
    TSink Sink;
    std::exception_ptr SinkError;
    xmlTextWriterPtr Writer = nullptr;

    ~TState() {
        if (Writer) xmlFreeTextWriter(Writer);
    }

    static int Write(void* context, const char* bytes, int count) {
        auto* state = static_cast<TState*>(context);
        if (state->SinkError) return -1;
        try {
            state->Sink(std::string_view(bytes, static_cast<std::size_t>(count)));
        } catch (...) {
            state->SinkError = std::current_exception();
            return -1;
        }
        return count;
    }

    // A call that failed raises what the sink raised, or says what failed.
    void Check(int result, const char* what) {
        if (SinkError) {
            const std::exception_ptr error = SinkError;
            SinkError = nullptr;
            std::rethrow_exception(error);
        }
        if (result < 0) throw EFileError(std::string("The XML writer could not write ") + what);
    }
};

TXmlWriter::TXmlWriter(TSink sink) : state_(std::make_unique<TState>()) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    state_->Sink = std::move(sink);
    xmlOutputBufferPtr output = xmlOutputBufferCreateIO(&TState::Write, nullptr, state_.get(), nullptr);
    if (!output) throw std::bad_alloc();
    state_->Writer = xmlNewTextWriter(output);
    if (!state_->Writer) {
        xmlOutputBufferClose(output);
        throw std::bad_alloc();
    }
    xmlTextWriterSetIndent(state_->Writer, 1);
    xmlTextWriterSetIndentString(state_->Writer, reinterpret_cast<const xmlChar*>("  "));
    state_->Check(xmlTextWriterStartDocument(state_->Writer, "1.0", "UTF-8", nullptr), "the declaration");
}

TXmlWriter::~TXmlWriter() = default;

void TXmlWriter::Start(std::string_view name) {
    state_->Check(xmlTextWriterStartElement(state_->Writer, X(std::string(name))), "an element");
}

void TXmlWriter::Attribute(std::string_view name, std::string_view value) {
    state_->Check(xmlTextWriterWriteAttribute(state_->Writer, X(std::string(name)), X(XmlText(value))), "an attribute");
}

void TXmlWriter::Text(std::string_view text) {
    state_->Check(xmlTextWriterWriteString(state_->Writer, X(XmlText(text))), "a text");
}

void TXmlWriter::Element(std::string_view name, std::string_view text) {
    state_->Check(xmlTextWriterWriteElement(state_->Writer, X(std::string(name)), X(XmlText(text))), "an element");
}

void TXmlWriter::End() { state_->Check(xmlTextWriterEndElement(state_->Writer), "an element's end"); }

void TXmlWriter::Flush() { state_->Check(xmlTextWriterFlush(state_->Writer), "what it holds"); }

void TXmlWriter::Finish() {
    state_->Check(xmlTextWriterEndDocument(state_->Writer), "the document's end");
    Flush();
}

}  // namespace tervaline::platform
