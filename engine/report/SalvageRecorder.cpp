#include "engine/report/SalvageRecorder.h"

#include <algorithm>
#include <cassert>
#include <ctime>
#include <exception>
#include <stdexcept>
#include <utility>

#include "engine/MessageFileName.h"
#include "engine/MessageWriter.h"
#include "engine/ScanVerdict.h"
#include "engine/report/BodyFile.h"
#include "engine/report/Digests.h"
#include "engine/report/DfxmlReport.h"
#include "engine/report/FileRuns.h"
#include "engine/report/HeaderSection.h"
#include "engine/report/MboxWriter.h"
#include "platform/FileSystem.h"
#include "platform/LibraryVersions.h"
#include "platform/NewFile.h"
#include "platform/PathSyntax.h"
#include "platform/XmlWriter.h"

namespace tervaline::engine {

namespace {

// Written messages waiting to be recorded: enough to even out the
// recorder's pace against the writer's.
constexpr std::size_t kMaxQueuedBytes = 4u << 20;

// The file in which earlier versions held room for the report.
constexpr const char* kOldRoomFile = ".report-room";

std::string ProgramVersion() {
#ifdef TERVALINE_VERSION
    return TERVALINE_VERSION;
#else
    return "";
#endif
}

// What an examiner's run says of the store: the scan opens it, a file, a
// disk or an evidence image's segments, for reading only, and never
// writes where it could replace it.
constexpr const char* kStoreAccess = "opened read-only; never written";

std::string WhyText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an unknown error";
    }
}

}  // namespace

TSalvageRecorder::TSalvageRecorder(TSetup setup, const std::string& charset)
    : setup_(std::move(setup)),
      started_(static_cast<std::int64_t>(std::time(nullptr))),
      decoder_(charset.empty() ? std::string("CP932") : charset) {
    if (setup_.Report) {
        report_ = std::make_unique<TSalvageReport>(setup_.OutputDir, setup_.Delimiter, setup_.FileMode,
                                                   setup_.StoreIdentity);
        // Earlier versions left it behind whenever a scan wrote no report.
        const std::string oldRoom = setup_.OutputDir + setup_.Delimiter + kOldRoomFile;
        if (!setup_.StoreIdentity || platform::IdentityOf(oldRoom) != setup_.StoreIdentity) {
            leftoversRemoved_ += platform::RemoveRegularFile(oldRoom) ? 1 : 0;
        }
    }
    BeginMbox();
    BeginExaminersFiles();
    worker_ = std::make_unique<TOrderedWorker<TItem>>(
        [this](TItem& item) { Handle(item); },
        kMaxQueuedBytes, [](const TItem& item) { return QueueWeight(item.Carved, kMaxQueuedBytes); });
}

TSalvageRecorder::~TSalvageRecorder() = default;

void TSalvageRecorder::PrepareOwnFile(const std::string& path, const std::string& what) {
    const platform::TPathSyntax syntax = platform::NativePathSyntax();
    const std::string folder = platform::ExtractFileDir(syntax, path);
    const std::string name = platform::ExtractFileName(syntax, path);
    if (!folder.empty() && !platform::DirectoryExists(folder)) platform::ForceDirectories(folder, setup_.FolderMode);
    // In a folder the scan writes, the file must not take a name the scan
    // gives a file there: one would replace the other. The examiner's
    // files may stand there under the names they have in an examiner's run.
    const bool own = folder == setup_.OutputDir && ((path == setup_.Dfxml && name == kReportXmlName) ||
                                                    (path == setup_.BodyFile && name == kBodyFileName));
    if (!own && (IsMessageFileName(name) || IsReportFileName(name))) {
        const auto where = platform::IdentityOf(folder.empty() ? std::string(".") : folder);
        const std::string prefix = setup_.OutputDir + setup_.Delimiter;
        for (const std::string& written :
             {setup_.OutputDir, prefix + setup_.TrashDir, prefix + kDeletedFolderName}) {
            if (where && platform::IdentityOf(written) == where) {
                throw platform::EFileError("The " + what + " \"" + path +
                                           "\" would have the name of a file the scan writes in that folder; "
                                           "give it another name or folder");
            }
        }
    }
    leftoversRemoved_ += platform::TNewFile::RemoveLeftovers(
        folder.empty() ? std::string(".") : folder, [&name](std::string_view target) { return target == name; });
}

void TSalvageRecorder::BeginMbox() {
    if (setup_.Mbox.empty()) return;
    PrepareOwnFile(setup_.Mbox, "mbox file");
    mbox_ = std::make_unique<TMboxWriter>(setup_.Mbox, setup_.FileMode, setup_.StoreIdentity);
}

void TSalvageRecorder::BeginExaminersFiles() {
    if (!setup_.Dfxml.empty()) {
        if (!platform::XmlWriterBuilt()) throw std::invalid_argument(platform::XmlWriterMissing());
        PrepareOwnFile(setup_.Dfxml, "DFXML file");
        TDfxmlHead head;
        head.Program = "tervaline";
        head.Version = ProgramVersion();
        head.Libraries = platform::PlatformLibraries();
        head.CommandLine = setup_.CommandLine;
        head.Started = THeaderDecoder::IsoUtc(started_);
        head.Store = setup_.Store;
        head.StoreSize = setup_.StoreSize;
        if (setup_.Image) {
            head.ImageFormat = setup_.Image->Format;
            head.Segments = setup_.Image->Segments;
        }
        head.OutputDir = setup_.OutputDir;
        head.Mode = ScanModeName(setup_.Mode);
        if (setup_.Forensic) head.StoreAccess = kStoreAccess;
        dfxml_ = std::make_unique<TDfxmlReport>(setup_.Dfxml, setup_.FileMode, setup_.StoreIdentity, head);
    }
    if (!setup_.BodyFile.empty()) {
        PrepareOwnFile(setup_.BodyFile, "body file");
        bodyFile_ = std::make_unique<TBodyFile>(setup_.BodyFile, setup_.FileMode, setup_.StoreIdentity);
    }
}

std::optional<std::int64_t> TSalvageRecorder::DateOf(std::string_view messageStart) const {
    return THeaderDecoder::DateSeconds(ReadHeaderSection(messageStart).Date);
}

void TSalvageRecorder::NoteMboxFailure(const std::string& reason) noexcept {
    if (mboxFailure_.empty()) mboxFailure_ = reason;
    // What was written so far goes with the temporary file.
    mbox_.reset();
}

void TSalvageRecorder::NoteReportFailure(const std::string& reason) noexcept {
    if (reportFailure_.empty()) reportFailure_ = reason;
    // A report that lacks rows would tell less than none: it goes, and the
    // scan says why.
    report_.reset();
}

void TSalvageRecorder::NoteDfxmlFailure(const std::string& reason) noexcept {
    if (dfxmlFailure_.empty()) dfxmlFailure_ = reason;
    dfxml_.reset();
}

void TSalvageRecorder::NoteBodyFileFailure(const std::string& reason) noexcept {
    if (bodyFileFailure_.empty()) bodyFileFailure_ = reason;
    bodyFile_.reset();
}

void TSalvageRecorder::Record(TCarvedMessage& carved, const TFoundMessage& found) noexcept {
    // The files themselves belong to the recorder's thread: only what was
    // asked for at the start is looked at here.
    if (!setup_.Report && setup_.Mbox.empty() && setup_.Dfxml.empty() && setup_.BodyFile.empty()) return;
    try {
        worker_->Submit(TItem{std::move(carved), found});
    } catch (...) {
        // No memory to queue it: its row is missing, which the head says.
        unqueued_.fetch_add(1, std::memory_order_relaxed);
    }
}

void TSalvageRecorder::Handle(TItem& item) noexcept {
    if (!report_ && !mbox_ && !dfxml_ && !bodyFile_) return;
    const TCarvedMessage& carved = item.Carved;
    const TFoundMessage& found = item.Found;
    try {
        // A message too long to hold was written as it was read: its bytes
        // are read back from the file the writer made, still open.
        const platform::TNewFile* spilled = carved.Spilled.get();
        std::string buffer;
        const TRawHeaderFields raw = ReadHeaderSection(carved.HeaderStart(buffer));
        THeaderFields fields;
        if (report_ || bodyFile_) {
            fields = decoder_.Decode(raw);
        } else {
            fields.DateSeconds = THeaderDecoder::DateSeconds(raw.Date);
        }
        TMessageDigests digests =
            spilled ? DigestsOf([spilled](std::uint64_t at, char* dest,
                                          std::size_t count) { return spilled->ReadAt(at, dest, count); })
                    : DigestsOf(carved.Text);
        if (mbox_ && found.Place == TMessagePlace::Output) {
            try {
                AddToMbox(item, digests.Sha256, raw.From, fields.DateSeconds);
            } catch (...) {
                NoteMboxFailure(WhyText(std::current_exception()));
            }
        }
        const std::string prefix = setup_.OutputDir + setup_.Delimiter;
        // Every place a message goes lies inside the output folder.
        assert(found.Path.compare(0, prefix.size(), prefix) == 0);
        // Named alike on every system, so that reports of one store compare.
        std::string file = found.Path.substr(prefix.size());
        std::replace(file.begin(), file.end(), setup_.Delimiter, '/');
        AddToExaminersFiles(item, file, fields, digests);
        if (!report_) return;
        TReportRow row;
        row.File = std::move(file);
        row.Place = MessagePlaceName(found.Place);
        row.Status = StatusOf(carved);
        row.Offset = carved.Start;
        row.Blocks = carved.Blocks;
        row.Read = carved.Read;
        row.Lost = carved.Lost;
        row.LostUnreadable = carved.Unreadable;
        row.Size = found.Size;
        row.Md5 = std::move(digests.Md5);
        row.Sha256 = std::move(digests.Sha256);
        row.Header = std::move(fields);
        row.Folder = setup_.Folder;
        row.FoundBy = FoundByName(carved.FoundBy);
        if (carved.Record) {
            row.Flags = carved.Record->Flags;
            row.Received = carved.Record->Received;
            row.Saved = carved.Record->Saved;
        }
        bool added = false;
        try {
            added = report_->Add(std::move(row));
        } catch (...) {
            NoteReportFailure(WhyText(std::current_exception()));
        }
        if (!added && report_ && rowsMissing_++ == 0) {
            rowFailure_ = "no room was left on the disk for its row beside the end of the report";
        }
    } catch (...) {
        // The report goes on without this row, and its head says so.
        if (rowsMissing_++ == 0) rowFailure_ = WhyText(std::current_exception());
    }
}

void TSalvageRecorder::AddToExaminersFiles(const TItem& item, const std::string& file, const THeaderFields& fields,
                                           const TMessageDigests& digests) {
    const TCarvedMessage& carved = item.Carved;
    const TFoundMessage& found = item.Found;
    // Dated as the file is: by its Date, else by what its record says.
    std::optional<std::int64_t> date = fields.DateSeconds;
    if (!date && carved.Record) date = RecordDate(*carved.Record);
    const std::optional<std::int64_t> saved = carved.Record ? carved.Record->Saved : std::nullopt;
    const std::optional<std::int64_t> received = carved.Record ? carved.Record->Received : std::nullopt;
    if (dfxml_) {
        try {
            TDfxmlFile entry;
            entry.File = file;
            entry.Size = found.Size;
            entry.Deleted = carved.Deleted;
            entry.DateSeconds = date;
            entry.Saved = saved;
            entry.Received = received;
            entry.Runs = FileRunsOf(carved, found.Size);
            entry.Unreadable = carved.Unreadable;
            entry.Md5 = digests.Md5;
            entry.Sha256 = digests.Sha256;
            entry.FoundBy = carved.Deleted ? FoundByName(TFoundBy::Deleted) : FoundByName(carved.FoundBy);
            entry.Place = MessagePlaceName(found.Place);
            entry.Status = StatusOf(carved);
            entry.Offset = carved.Start;
            if (!dfxml_->Add(entry)) NoteDfxmlFailure("no room was left on the disk for all of it");
        } catch (...) {
            NoteDfxmlFailure(WhyText(std::current_exception()));
        }
    }
    if (bodyFile_) {
        try {
            TBodyFileEntry entry;
            entry.Md5 = digests.Md5;
            entry.File = file;
            entry.Subject = fields.Subject;
            entry.Offset = carved.Start;
            entry.Mode = setup_.FileMode;
            entry.Size = found.Size;
            entry.Date = date;
            entry.Saved = saved;
            entry.Received = received;
            if (!bodyFile_->Add(entry)) NoteBodyFileFailure("no room was left on the disk for all of it");
        } catch (...) {
            NoteBodyFileFailure(WhyText(std::current_exception()));
        }
    }
}

void TSalvageRecorder::AddToMbox(const TItem& item, const std::string& sha256, const std::string& from,
                                 const std::optional<std::int64_t>& date) {
    // A store often holds one message twice (a copy in another folder, a
    // message undeleted beside its survivor): a mail program shows one.
    if (!setup_.MboxAll && !inMbox_.insert(sha256).second) {
        ++mboxCopiesLeftOut_;
        return;
    }
    const std::string sender = decoder_.FirstAddress(from);
    const std::optional<TMessageRecord>& record = item.Carved.Record;
    // A message without a Date field is dated as its record dates it.
    const std::int64_t seconds = date ? *date : record && RecordDate(*record) ? *RecordDate(*record) : started_;
    // Without a record the state is not known, and none is claimed.
    const std::string status = record ? TMboxWriter::StatusLines(record->Flags) : std::string();
    if (const platform::TNewFile* spilled = item.Carved.Spilled.get()) {
        std::uint64_t at = 0;
        mbox_->Append(
            [spilled, &at](char* dest, std::size_t count) {
                const std::size_t got = spilled->ReadAt(at, dest, count);
                at += got;
                return got;
            },
            sender, seconds, status);
    } else {
        mbox_->Append(item.Carved.Text, sender, seconds, status);
    }
    ++mboxMessages_;
}

TReportHead TSalvageRecorder::Head(const TScanOutcome& outcome, const TStoreDigestResult& store) const {
    TReportHead head;
    head.Program = "tervaline";
    head.Version = ProgramVersion();
    head.Store = setup_.Store;
    head.StoreSize = setup_.StoreSize;
    head.Image = setup_.Image;
    head.StoreSha256 = store.Sha256;
    head.StoreSha256Missing = store.Sha256.empty() ? store.Missing : std::string();
    if (setup_.Forensic) head.StoreAccess = kStoreAccess;
    head.Mode = ScanModeName(setup_.Mode);
    head.ReadBuffer = setup_.ReadBuffer;
    head.Started = THeaderDecoder::IsoUtc(started_);
    head.Ended = THeaderDecoder::IsoUtc(static_cast<std::int64_t>(std::time(nullptr)));
    head.ReachedEnd = outcome.ReachedEnd;
    head.Failure = outcome.FailureText;
    head.Unreadable = outcome.Unreadable;
    const std::uint64_t unqueued = unqueued_.load(std::memory_order_relaxed);
    if (head.Failure.empty() && rowsMissing_ + unqueued > 0) {
        head.Failure = std::to_string(rowsMissing_ + unqueued) + " rows are missing from this report, the first " +
                       "because: " + (rowsMissing_ > 0 ? rowFailure_ : std::string("no memory was left to queue it"));
    }
    head.Unwritten = outcome.Unwritten;
    head.UnwrittenReason = outcome.FirstUnwrittenReason;
    head.Mbox = setup_.Mbox;
    head.MboxMessages = mboxMessages_;
    head.MboxCopiesLeftOut = mboxCopiesLeftOut_;
    head.MboxFailure = mboxFailure_;
    head.Folder = setup_.Folder;
    head.Records = outcome.Records;
    head.RecordBreaks = outcome.RecordBreaks;
    for (const TMessageRecord& r : outcome.NotRecovered) {
        TNotRecoveredRow row;
        row.Record = r.Offset;
        row.FirstBlock = r.FirstBlock;
        row.Subject = decoder_.DecodeRecordText(r.Subject);
        const std::string name = decoder_.DecodeRecordText(r.SenderName);
        const std::string address = decoder_.DecodeRecordText(r.SenderAddress);
        row.From = name.empty() ? address : address.empty() ? name : name + " <" + address + ">";
        row.Flags = r.Flags;
        row.Received = r.Received;
        row.Saved = r.Saved;
        row.Size = r.Size;
        head.NotRecovered.push_back(std::move(row));
    }
    // Messages the scan lost make it a failure here, as they make the
    // command line's exit status one.
    const bool lost = !head.Failure.empty() || head.Unwritten > 0 || !head.MboxFailure.empty();
    head.Outcome = lost ? "failed" : VerdictName(VerdictOf(outcome));
    return head;
}

std::string TSalvageRecorder::Finish(const TScanOutcome& outcome, const TStoreDigestResult& store) noexcept {
    worker_->Finish();
    std::string problems;
    if (mbox_) {
        try {
            mbox_->Commit();
        } catch (...) {
            NoteMboxFailure(WhyText(std::current_exception()));
        }
    }
    if (!mboxFailure_.empty()) {
        problems = "The mbox file \"" + setup_.Mbox + "\" could not be written: " + mboxFailure_;
    }
    const auto say = [&problems](const std::string& what) {
        if (!problems.empty()) problems += "; ";
        problems += what;
    };
    const TReportHead head = Head(outcome, store);
    if (dfxml_) {
        try {
            dfxml_->Finish(head);
            dfxml_.reset();
        } catch (...) {
            NoteDfxmlFailure(WhyText(std::current_exception()));
        }
    }
    if (!dfxmlFailure_.empty()) say("The DFXML file \"" + setup_.Dfxml + "\" could not be written: " + dfxmlFailure_);
    if (bodyFile_) {
        try {
            bodyFile_->Finish();
            bodyFile_.reset();
        } catch (...) {
            NoteBodyFileFailure(WhyText(std::current_exception()));
        }
    }
    if (!bodyFileFailure_.empty()) {
        say("The body file \"" + setup_.BodyFile + "\" could not be written: " + bodyFileFailure_);
    }
    if (!setup_.Report) return problems;
    if (report_) {
        try {
            report_->Finish(head);
            report_.reset();
        } catch (...) {
            NoteReportFailure(WhyText(std::current_exception()));
        }
    }
    if (!reportFailure_.empty()) say("The report could not be written: " + reportFailure_);
    return problems;
}

}  // namespace tervaline::engine
