#include "engine/report/DfxmlReport.h"

#include <string_view>

#include "engine/report/HeaderDecoder.h"
#include "platform/CommittedFile.h"

namespace tervaline::engine {

namespace {

constexpr const char* kDfxmlNamespace = "http://www.forensicswiki.org/wiki/Category:Digital_Forensics_XML";
constexpr const char* kDublinCoreNamespace = "http://purl.org/dc/elements/1.1/";
constexpr const char* kDfxmlVersion = "2.0.0-beta.0";

// Room kept beyond what is written for the document's end, as the salvage
// report keeps it.
constexpr std::uint64_t kTailRoom = 8u << 10;

void Number(platform::TXmlWriter& xml, const char* name, std::uint64_t value) {
    xml.Element(name, std::to_string(value));
}

void Digest(platform::TXmlWriter& xml, const char* type, const std::string& hex) {
    xml.Start("hashdigest");
    xml.Attribute("type", type);
    xml.Text(hex);
    xml.End();
}

}  // namespace

TDfxmlReport::TDfxmlReport(const std::string& path, unsigned mode, std::optional<platform::TFileIdentity> store,
                           const TDfxmlHead& head) {
    file_ = std::make_unique<platform::TCommittedFile>(path, mode, store);
    xml_ = std::make_unique<platform::TXmlWriter>([this](std::string_view bytes) { pending_.append(bytes); });
    platform::TXmlWriter& xml = *xml_;
    xml.Start("dfxml");
    xml.Attribute("xmlns", kDfxmlNamespace);
    xml.Attribute("xmlns:dc", kDublinCoreNamespace);
    xml.Attribute("xmlns:tervaline", kDfxmlOwnNamespace);
    xml.Attribute("version", kDfxmlVersion);
    xml.Start("metadata");
    xml.Element("dc:type", "Carve Report");
    xml.End();
    xml.Start("creator");
    xml.Attribute("version", "1.0");
    xml.Element("program", head.Program);
    xml.Element("version", head.Version);
    xml.Start("build_environment");
#if defined(__clang__)
    xml.Element("compiler", "clang " __clang_version__);
#elif defined(__GNUC__)
    xml.Element("compiler", "GCC " __VERSION__);
#endif
    for (const platform::TLibraryVersion& library : head.Libraries) {
        xml.Start("library");
        xml.Attribute("name", library.Name);
        xml.Attribute("version", library.Version);
        xml.End();
    }
    xml.End();
    xml.Start("execution_environment");
    if (!head.CommandLine.empty()) xml.Element("command_line", head.CommandLine);
    xml.Element("start_time", head.Started);
    xml.End();
    xml.End();
    // DFXML's source names the image only; what else is known of it is
    // said in attributes of the program's own namespace.
    xml.Start("source");
    xml.Attribute("tervaline:size", std::to_string(head.StoreSize));
    xml.Attribute("tervaline:mode", head.Mode);
    xml.Attribute("tervaline:output", head.OutputDir);
    if (!head.ImageFormat.empty()) xml.Attribute("tervaline:image_format", head.ImageFormat);
    if (!head.StoreAccess.empty()) xml.Attribute("tervaline:access", head.StoreAccess);
    if (head.Segments.empty()) xml.Element("image_filename", head.Store);
    for (const std::string& segment : head.Segments) xml.Element("image_filename", segment);
    xml.End();
    WritePending();
    if (!file_->KeepRoomFor(kTailRoom)) platform::RaiseFileError("Cannot write", path, platform::DiskFullError());
}

TDfxmlReport::~TDfxmlReport() = default;

void TDfxmlReport::WritePending() {
    xml_->Flush();
    file_->Write(pending_);
    pending_.clear();
}

bool TDfxmlReport::Add(const TDfxmlFile& f) {
    platform::TXmlWriter& xml = *xml_;
    xml.Start("fileobject");
    xml.Element("filename", f.File);
    if (!f.Unreadable.empty()) {
        std::string error = "the chain was cut where the disk could not read the store:";
        for (const TByteRange& r : f.Unreadable) {
            error += " " + std::to_string(r.Offset) + "+" + std::to_string(r.Length);
        }
        xml.Element("error", error);
    }
    Number(xml, "filesize", f.Size);
    xml.Element("alloc", f.Deleted ? "0" : "1");
    if (f.DateSeconds) xml.Element("mtime", THeaderDecoder::IsoUtc(*f.DateSeconds));
    if (f.Saved) xml.Element("ctime", THeaderDecoder::IsoUtc(*f.Saved));
    if (f.Received) xml.Element("crtime", THeaderDecoder::IsoUtc(*f.Received));
    xml.Start("byte_runs");
    for (const TFileRun& run : f.Runs) {
        xml.Start("byte_run");
        xml.Attribute("file_offset", std::to_string(run.FileOffset));
        if (run.Lost) {
            // Not the image's bytes: the file holds the filler, and the
            // image's bytes there are what overwrote the message's.
            xml.Attribute("fill", "-");
            xml.Attribute("tervaline:lost_img_offset", std::to_string(run.StoreOffset));
        } else {
            xml.Attribute("img_offset", std::to_string(run.StoreOffset));
        }
        xml.Attribute("len", std::to_string(run.Length));
        xml.End();
    }
    xml.End();
    Digest(xml, "md5", f.Md5);
    Digest(xml, "sha256", f.Sha256);
    xml.Element("tervaline:found_by", f.FoundBy);
    xml.Element("tervaline:place", f.Place);
    xml.Element("tervaline:status", f.Status);
    xml.Element("tervaline:offset", std::to_string(f.Offset));
    xml.End();
    xml_->Flush();
    // The element is whole, so that leaving it out keeps the document whole.
    const bool room = file_->KeepRoomFor(pending_.size() + kTailRoom);
    if (room) file_->Write(pending_);
    pending_.clear();
    return room;
}

void TDfxmlReport::Finish(const TReportHead& head) {
    platform::TXmlWriter& xml = *xml_;
    // DFXML has no place for these after the files, where they become known.
    xml.Start("tervaline:scan_end");
    xml.Element("tervaline:end_time", head.Ended);
    xml.Element("tervaline:outcome", head.Outcome);
    if (!head.Failure.empty()) xml.Element("tervaline:failure", head.Failure);
    if (!head.StoreSha256.empty()) {
        xml.Element("tervaline:store_sha256", head.StoreSha256);
    } else {
        xml.Element("tervaline:store_sha256_missing", head.StoreSha256Missing);
    }
    xml.End();
    xml.Finish();
    file_->Write(pending_);
    pending_.clear();
    file_->Commit();
}

}  // namespace tervaline::engine
