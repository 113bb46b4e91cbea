// Set-up and the thread body of a scan.
#include "engine/DbxScan.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <stdexcept>
#include <utility>

#include "engine/BlockIndex.h"
#include "engine/ChainSource.h"
#include "engine/FileWindow.h"
#include "engine/MessageFileName.h"
#include "engine/MessageOutput.h"
#include "engine/MessageWriter.h"
#include "engine/ProgressMeter.h"
#include "engine/SalvageRecording.h"
#include "engine/records/StoreRecords.h"
#include "platform/FileSystem.h"
#include "platform/StoreSource.h"

namespace tervaline::engine {

using platform::TPathSyntax;

namespace {

// Message text carved but not yet written; a few hundred typical messages,
// enough to even out the writer's pace against the search's.
constexpr std::size_t kMaxQueuedMessageBytes = 4u << 20;

// 4294966239 as "4,294,966,239".
std::string GroupedDigits(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3;) {
        at -= 3;
        digits.insert(at, ",");
    }
    return digits;
}

}  // namespace

TDBXScanThread::TDBXScanThread(platform::TDispatcher& dispatcher, TScanSettings settings, TScanEvents events,
                               TPathSyntax syntax)
    : TThread(dispatcher), syntax_(syntax), settings_(std::move(settings)), events_(std::move(events)) {
    // The output folder is resolved against the store's.
    std::string dir = settings_.Output.empty() ? DefaultOutputFolder(syntax_, settings_.Source) : settings_.Output;
    if (!platform::HasDrivePart(syntax_, dir)) dir = platform::ExtractFilePath(syntax_, settings_.Source) + dir;
    if (!dir.empty() && dir.back() == platform::PathDelimiter(syntax_)) dir.pop_back();
    outputDir_ = dir;
    trashDir_ = settings_.Trash.empty() ? std::string(kDefaultTrashName) : settings_.Trash;
    if (trashDir_.back() == platform::PathDelimiter(syntax_)) trashDir_.pop_back();
}

namespace {

constexpr std::size_t kRecordReadAhead = 64u << 10;

// Reads the store's structures through Window, in pieces the window takes,
// taking no byte the disk could not read.
TByteReader WindowReader(TFileWindow& window) {
    return [&window](std::uint64_t at, std::uint8_t* dest, std::size_t count) -> std::size_t {
        const std::size_t piece = window.BufferSize() - 1;
        std::size_t got = 0;
        while (got < count) {
            const std::size_t want = std::min(piece, count - got);
            // Records and nodes lie near one another, but a read-ahead of a
            // whole large buffer for each would read the store many times.
            const std::size_t ahead = std::min<std::size_t>(window.BufferSize(), std::max(want, kRecordReadAhead));
            const std::size_t n = window.ReadAt(at + got, dest + got, want, ahead);
            if (n == 0 || !window.UnreadableIn(at + got, n).empty()) break;
            got += n;
            if (n < want) break;
        }
        return got;
    };
}

}  // namespace

TDBXScanThread::~TDBXScanThread() {
    // The body uses this object's members, which go before the base's
    // destructor could stop it: a scan destroyed while running ends first.
    RequestStop();
    WaitFor();
}

void TDBXScanThread::RequestStop() {
    stopRequested_.store(true, std::memory_order_relaxed);
    stop_.Request();
    TThread::RequestStop();
}

void TDBXScanThread::DoDone() {
    if (events_.Done) events_.Done(Outcome());
    TThread::DoDone();
}

TScanOutcome TDBXScanThread::Outcome() const {
    TScanOutcome outcome;
    outcome.FailureText = failureText_;
    outcome.Started = started_;
    outcome.StopRequested = stopRequested_.load(std::memory_order_relaxed);
    outcome.Carved = carved_;
    outcome.StoreSignature = storeSignature_;
    outcome.ReachedEnd = reachedEnd_;
    outcome.ReportFailure = reportFailure_;
    outcome.SearchedTo = searchedTo_;
    outcome.Unreadable = unreadable_->List();
    if (records_) {
        outcome.Records.Read = true;
        outcome.Records.Listed = records_->Listed();
        outcome.Records.Recovered = recoveredListed_.load();
        outcome.Records.Unlisted = unlisted_.load();
        outcome.Records.UnlistedDeleted = unlistedDeleted_.load();
        outcome.Records.HeaderCount = records_->HeaderCount();
        outcome.NotRecovered = records_->Unclaimed();
        outcome.RecordBreaks = records_->Breaks();
    }
    for (const TUnreadableArea& area : outcome.Unreadable) outcome.UnreadableBytes += area.Length;
    if (output_) {
        outcome.Found = output_->Written();
        outcome.FoundInTrash = output_->WrittenToTrash();
        outcome.WrittenBeside = output_->WrittenBeside();
        outcome.Unwritten = output_->Unwritten();
        outcome.FirstUnwrittenReason = output_->FirstUnwrittenReason();
        outcome.LeftoversRemoved = output_->LeftoversRemoved() + recordingLeftovers_;
    }
    return outcome;
}

void TDBXScanThread::JoinRecord(TCarvedMessage& carved) {
    carved.Record = records_->Claim(carved.Start, carved.Deleted);
    if (carved.Deleted) {
        carved.FoundBy = TFoundBy::Deleted;
    } else if (carved.Record) {
        carved.FoundBy =
            carved.Record->Origin == TRecordOrigin::Tree ? TFoundBy::RecordFromTree : TFoundBy::RecordFromMark;
    }
}

void TDBXScanThread::CountFound(const TFoundMessage& found) {
    if (!records_) return;
    if (found.FoundBy == TFoundBy::RecordFromTree || found.FoundBy == TFoundBy::RecordFromMark) {
        recoveredListed_.fetch_add(1, std::memory_order_relaxed);
    } else if (found.Place != TMessagePlace::Trash) {
        // What went to the trash is no message anyone could miss.
        unlisted_.fetch_add(1, std::memory_order_relaxed);
        if (found.FoundBy == TFoundBy::Deleted) unlistedDeleted_.fetch_add(1, std::memory_order_relaxed);
    }
}

bool TDBXScanThread::IsMail(const std::string& text) { return output_->MailTest(text); }

void TDBXScanThread::Execute() { ScanFile(); }

void TDBXScanThread::CheckTrashName() const {
    // The trash is a folder of its own inside the output folder: ".." or a
    // path would put it elsewhere, "." or a lone separator mix it in.
    if (!platform::IsSingleFolderName(syntax_, trashDir_)) {
        throw std::invalid_argument("The trash folder must be named by a single folder name, which the scan "
                                    "makes inside the output folder, not \"" + trashDir_ + "\"");
    }
    // Nor may it take a name the scan gives something else there: its
    // messages would go unwritten, or into another folder's. Without regard
    // to case, as many file systems compare names.
    const auto is = [this](std::string_view name) {
        return trashDir_.size() == name.size() &&
               std::equal(name.begin(), name.end(), trashDir_.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               });
    };
    if ((settings_.Mode == TScanMode::Deep && is(kDeletedFolderName)) || is(kReportCsvName) || is(kReportJsonName) ||
        is(kReportXmlName) || is(kBodyFileName) ||
        IsMessageFileName(trashDir_)) {
        throw std::invalid_argument("The trash folder cannot be named \"" + trashDir_ +
                                    "\": the scan writes something else under that name in the output folder");
    }
}

void TDBXScanThread::ScanFile() {
    // Every path out closes the store and lets the window go; whatever ended
    // the scan is kept in words for the caller instead of being lost.
    // Made once the store is open; it outlives the writing, so that the
    // report is written whatever ended the scan.
    std::unique_ptr<TSalvageRecording> recording;
    const bool hashStore = settings_.HashStore || settings_.Forensic;
    TStoreDigestResult storeDigestResult{"", hashStore ? "The scan ended before the store was read" : "not asked for"};
    const std::string& source = settings_.Source;
    const std::int32_t bufferSize = settings_.BufferSize;
    try {
        CheckTrashName();
        const TScanRules rules = ScanRulesFor(settings_.Mode);
        const std::unique_ptr<platform::TStoreSource> opened = platform::OpenStoreSource(source);
        platform::TStoreSource& file = *opened;
        const std::uint64_t size = file.Size();
        if (rules.Below4GiBOnly && size > kMaxShallowStoreSize) {
            throw platform::EFileError("\"" + source + "\" holds " + GroupedDigits(size) +
                                       " bytes, too many for Shallow mode, which reads stores of at most " +
                                       GroupedDigits(kMaxShallowStoreSize) +
                                       " bytes; Bottom and Deep mode read stores and disk images of any size");
        }
        if (bufferSize <= 0) throw std::invalid_argument("The read buffer size must be positive");
        TFileWindow window(file, size, static_cast<std::uint32_t>(bufferSize), unreadable_);
        TProgressMeter progress(size, progressSteps_, rules.Passes, [this](const TScanProgress& done) {
            if (events_.Progress) events_.Progress(done);
        });

        // Salvaged mail is no easier to read than the store it came from;
        // the user who runs the scan can always read and write it.
        const unsigned fileMode = (file.Permissions() & 0666u) | 0600u;
        const unsigned folderMode = fileMode | ((fileMode & 0444u) >> 2);
        TMessageOutput::TPlaces places{outputDir_, trashDir_, syntax_,  size,      source, file.Identity(),
                                       fileMode,   folderMode, kMaxQueuedMessageBytes};
        output_ = std::make_unique<TMessageOutput>(
            std::move(places), [this](const std::string& text) { return IsMail(text); },
            [this](const TFoundMessage& found) {
                CountFound(found);
                if (events_.Found) events_.Found(found);
            },
            [this](const TUnwrittenMessage& unwritten) {
                if (events_.Unwritten) events_.Unwritten(unwritten);
            },
            nullptr);
        output_->Open();

        TSalvageRecording::TSetup recordingSetup;
        recordingSetup.OutputDir = outputDir_;
        recordingSetup.TrashDir = trashDir_;
        recordingSetup.Delimiter = platform::PathDelimiter(syntax_);
        recordingSetup.Report = settings_.Report || settings_.Forensic;
        recordingSetup.Mbox = settings_.Mbox;
        recordingSetup.MboxAll = settings_.MboxAll;
        recordingSetup.CodePage = settings_.CodePage;
        const auto inOutput = [this](std::string_view name) {
            return outputDir_ + platform::PathDelimiter(syntax_) + std::string(name);
        };
        recordingSetup.Dfxml = !settings_.Dfxml.empty() ? settings_.Dfxml
                               : settings_.Forensic     ? inOutput(kReportXmlName)
                                                        : std::string();
        recordingSetup.BodyFile = !settings_.BodyFile.empty() ? settings_.BodyFile
                                  : settings_.Forensic        ? inOutput(kBodyFileName)
                                                              : std::string();
        recordingSetup.Forensic = settings_.Forensic;
        recordingSetup.CommandLine = settings_.CommandLine;
        recordingSetup.Store = source;
        recordingSetup.Folder = settings_.Folder;
        if (recordingSetup.Folder.empty()) {
            // Without the folder list, the store's file name stands for its
            // folder, as the mail program named the file after it.
            const std::string name = platform::ExtractFileName(syntax_, source);
            const std::size_t dot = name.rfind('.');
            recordingSetup.Folder = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
        }
        recordingSetup.StoreSize = size;
        recordingSetup.StoreIdentity = file.Identity();
        if (file.Image() != nullptr) recordingSetup.Image = *file.Image();
        recordingSetup.Mode = settings_.Mode;
        recordingSetup.ReadBuffer = bufferSize;
        recordingSetup.FileMode = fileMode;
        recordingSetup.FolderMode = folderMode;
        recording = StartSalvageRecording(recordingSetup);
        // Declared after the store, so that it stops reading before the
        // store is closed, whatever ends the scan.
        const std::unique_ptr<TStoreHashing> storeDigest = StartStoreHashing(recordingSetup, hashStore, file, stop_);
        // Everything that could refuse the scan before it reads the store
        // has had its say.
        started_ = true;
        if (recording) {
            recordingLeftovers_ = recording->LeftoversRemoved();
            output_->DateOf = [&recording](std::string_view start) { return recording->DateOf(start); };
            output_->AfterWrite = [&recording](TCarvedMessage& carved, const TFoundMessage& found) {
                recording->Record(carved, found);
            };
        }

        const std::unique_ptr<TChainSource> chains =
            MakeChainSource(window, rules, progress, stop_, output_->SpillPlace());
        storeSignature_ = chains->CheckFileHeader();
        // The store's own records are read through a window of their own,
        // so that the search's read-ahead stays where the search is.
        const std::unique_ptr<TFileWindow> recordWindow = window.Sibling();
        const TByteReader readRecords = WindowReader(*recordWindow);
        if (storeSignature_ && (settings_.Report || settings_.Mode == TScanMode::Deep)) {
            records_ = std::make_unique<TStoreRecords>();
            records_->ReadTree(readRecords, size);
        }
        bool marksRead = false;
        try {
            // Declared after the window and the store, so that on every path
            // out what was carved is written, and its OnFound delivered,
            // before either goes and OnDone can follow.
            TMessageWriter writer(
                [this](TCarvedMessage& carved) { output_->Take(carved); },
                kMaxQueuedMessageBytes);
            bool found = false;
            do {
                found = chains->NextChain();
                if (records_ && !marksRead && chains->Index()) {
                    // Deep mode's index has found the records' marks too.
                    marksRead = true;
                    const TBlockIndex& index = *chains->Index();
                    records_->AddMarked(readRecords, size, index.RecordMarks(), [&index](std::uint32_t at) {
                        const auto block = index.FindAt(at);
                        return block && index[*block].Self == at;
                    });
                }
                if (found) {
                    TCarvedMessage carved = chains->CarveChain();
                    if (records_) JoinRecord(carved);
                    if (!carved.Empty()) {
                        ++carved_;
                        writer.Submit(std::move(carved));
                    }
                }
            } while (!stop_.SearchStopped() && found);
            searchedTo_ = chains->SearchedTo();
            writer.Finish();
            reachedEnd_ = chains->ReachedEnd();
            if (reachedEnd_) progress.Finish();
        } catch (...) {
            searchedTo_ = chains->SearchedTo();
            throw;
        }
        if (storeDigest) storeDigestResult = storeDigest->Result();
        const std::uint64_t sizeNow = file.Size();
        if (sizeNow != size) {
            reachedEnd_ = false;
            throw platform::EFileError("The store \"" + source + "\" changed size during the scan: it holds " +
                                       GroupedDigits(sizeNow) + " bytes now, not " + GroupedDigits(size));
        }
    } catch (const std::bad_alloc&) {
        failureText_ = "Not enough memory for the read buffer or a message";
    } catch (const std::exception& e) {
        failureText_ = e.what();
    } catch (...) {
        failureText_ = "The scan ended on an unknown error";
    }
    if (output_) {
        output_->AfterWrite = nullptr;
        output_->DateOf = nullptr;
    }
    // A file that is not a store and gave nothing leaves nothing behind, not
    // even a report of nothing: its closing note says why. Dropping the
    // recording removes its files, so that the output folder, if this scan
    // made it, is left empty and goes too.
    if (reachedEnd_ && carved_ == 0 && !storeSignature_ && failureText_.empty()) recording.reset();
    // The report is written whatever else ended the scan, inside the output
    // folder while it is still this scan's.
    if (recording) reportFailure_ = recording->Finish(Outcome(), storeDigestResult);
    // What was written is made durable before the scan says it is done,
    // also when the scan failed part way.
    if (output_) {
        try {
            if (output_->Written() > 0 || recording) output_->Flush();
        } catch (const std::exception& e) {
            if (failureText_.empty()) failureText_ = e.what();
        }
        output_->Close();
    }
}

}  // namespace tervaline::engine
