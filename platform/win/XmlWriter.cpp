// The Windows build writes no XML: the system's XML writer has no import
// library in the cross compiler's kit, so the calls that ask for XML are
// refused here, in words the user reads.
#include "platform/XmlWriter.h"

#include "platform/FileSystem.h"

namespace tervaline::platform {

bool XmlWriterBuilt() { return false; }

const char* XmlWriterMissing() { return "this build for Windows does not write DFXML (report.xml)"; }

struct TXmlWriter::TState {};

TXmlWriter::TXmlWriter(TSink) { throw EFileError(XmlWriterMissing()); }

TXmlWriter::~TXmlWriter() = default;

void TXmlWriter::Start(std::string_view) {}
void TXmlWriter::Attribute(std::string_view, std::string_view) {}
void TXmlWriter::Text(std::string_view) {}
void TXmlWriter::Element(std::string_view, std::string_view) {}
void TXmlWriter::End() {}
void TXmlWriter::Flush() {}
void TXmlWriter::Finish() {}

}  // namespace tervaline::platform
