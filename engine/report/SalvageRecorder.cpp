#include "engine/report/SalvageRecorder.h"

#include <algorithm>
#include <cassert>
#include <ctime>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <utility>

#include "engine/report/Digests.h"
#include "engine/report/HeaderSection.h"
#include "engine/report/MboxWriter.h"
#include "platform/FileSystem.h"
#include "platform/FileTime.h"
#include "platform/SpaceReserve.h"

namespace tervaline::engine {

namespace {

// Room for the head and the last, part-filled disk blocks of the two
// files, beyond what the rows need.
constexpr std::uint64_t kHeadRoom = 16u << 10;
// Room held ahead for rows to come, so that the row of a message that
// filled the disk has its room already.
constexpr std::uint64_t kRoomAhead = 16u << 10;
// The hidden file that holds the report's room in the output folder.
constexpr const char* kRoomFile = ".report-room";

std::string ProgramVersion() {
#ifdef TERVALINE_VERSION
    return TERVALINE_VERSION;
#else
    return "";
#endif
}

// A header section longer than this is no header section: the rest of a
// long message is not needed to find its fields.
constexpr std::size_t kHeaderSectionBytes = 256u << 10;

// The first Count bytes (fewer in a shorter file) of the file at Path.
std::string ReadStart(const std::string& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    if (in.bad() || !in.is_open()) throw std::runtime_error("Cannot read \"" + path + "\" for its header fields");
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

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
    if (setup_.Mbox.empty()) return;
    try {
        // Made like the output folder, which it may lie in.
        const std::size_t cut = setup_.Mbox.find_last_of(setup_.Delimiter);
        if (cut != std::string::npos && cut > 0) {
            const std::string folder = setup_.Mbox.substr(0, cut);
            if (!platform::DirectoryExists(folder)) platform::ForceDirectories(folder);
        }
        mbox_ = std::make_unique<TMboxWriter>(setup_.Mbox);
    } catch (...) {
        mboxFailure_ = WhyText(std::current_exception());
    }
}

TSalvageRecorder::~TSalvageRecorder() = default;

void TSalvageRecorder::NoteMboxFailure(const std::string& reason) noexcept {
    if (mboxFailure_.empty()) mboxFailure_ = reason;
    // What was written so far goes with the temporary file.
    mbox_.reset();
}

void TSalvageRecorder::HoldRoom() noexcept {
    if (!reserve_) {
        reserve_ = std::make_unique<platform::TSpaceReserve>(setup_.OutputDir + setup_.Delimiter + kRoomFile);
    }
    const std::uint64_t needed = report_.SizeBound() + kHeadRoom;
    if (needed <= reserve_->Held()) return;
    // Grown ahead, by half again, so that few calls hold room for many rows;
    // on a disk too full for that, by what this row needs.
    if (!reserve_->Hold(needed + std::max(kRoomAhead, needed / 2))) reserve_->Hold(needed);
}

void TSalvageRecorder::Record(const TCarvedMessage& carved, const TFoundMessage& found) noexcept {
    try {
        // A message too long to hold was written to its file as it was
        // read: it is read back from there, in pieces, and only its start
        // is held for its header section.
        const bool held = carved.Text.size() == found.Size;
        std::string start;
        if (!held) start = ReadStart(found.Path, kHeaderSectionBytes);
        const TRawHeaderFields raw = ReadHeaderSection(held ? std::string_view(carved.Text) : std::string_view(start));
        THeaderFields fields;
        if (setup_.Report) {
            fields = decoder_.Decode(raw);
        } else {
            fields.DateSeconds = THeaderDecoder::DateSeconds(raw.Date);
        }
        if (fields.DateSeconds) {
            try {
                platform::SetFileModificationTime(found.Path, *fields.DateSeconds);
            } catch (const platform::EFileError&) {
                // The file is whole and the report gives its date; only a
                // file manager's order suffers.
            }
        }
        if (mbox_ && !found.InTrash && !found.Deleted) {
            try {
                const std::string sender = decoder_.FirstAddress(raw.From);
                const std::int64_t date = fields.DateSeconds.value_or(started_);
                if (held) {
                    mbox_->Append(carved.Text, sender, date);
                } else {
                    std::ifstream in(found.Path, std::ios::binary);
                    if (!in) throw std::runtime_error("Cannot read \"" + found.Path + "\" for the mbox file");
                    mbox_->Append(
                        [&in, &found](char* dest, std::size_t count) {
                            in.read(dest, static_cast<std::streamsize>(count));
                            if (in.bad()) throw std::runtime_error("Cannot read \"" + found.Path + "\" for the mbox file");
                            return static_cast<std::size_t>(in.gcount());
                        },
                        sender, date);
                }
                ++mboxMessages_;
            } catch (...) {
                NoteMboxFailure(WhyText(std::current_exception()));
            }
        }
        if (!setup_.Report) return;

        const std::string prefix = setup_.OutputDir + setup_.Delimiter;
        // Every place a message goes lies inside the output folder.
        assert(found.Path.compare(0, prefix.size(), prefix) == 0);
        TReportRow row;
        row.File = found.Path.substr(prefix.size());
        row.Place = found.InTrash ? "trash" : found.Deleted ? "deleted" : "output";
        row.Status = StatusOf(carved);
        row.Offset = carved.Start;
        row.Blocks = carved.Blocks;
        row.Read = carved.Read;
        row.Lost = carved.Lost;
        row.Size = found.Size;
        TMessageDigests digests = held ? DigestsOf(carved.Text) : DigestsOfFile(found.Path);
        row.Md5 = std::move(digests.Md5);
        row.Sha256 = std::move(digests.Sha256);
        row.Header = std::move(fields);
        report_.Add(std::move(row));
        HoldRoom();
    } catch (...) {
        if (recordFailure_.empty()) recordFailure_ = WhyText(std::current_exception());
        ++rowsMissing_;
    }
}

TReportHead TSalvageRecorder::Head(const TScanOutcome& outcome, const std::string& storeSha256) const {
    TReportHead head;
    head.Program = "tervaline";
    head.Version = ProgramVersion();
    head.Store = setup_.Store;
    head.StoreSize = setup_.StoreSize;
    head.StoreSha256 = storeSha256;
    head.Mode = ScanModeName(setup_.Mode);
    head.ReadBuffer = setup_.ReadBuffer;
    head.Started = THeaderDecoder::IsoUtc(started_);
    head.Ended = THeaderDecoder::IsoUtc(static_cast<std::int64_t>(std::time(nullptr)));
    head.ReachedEnd = outcome.ReachedEnd;
    head.Failure = outcome.FailureText;
    if (head.Failure.empty() && rowsMissing_ > 0) {
        head.Failure = std::to_string(rowsMissing_) + " rows are missing from this report, the first because: " +
                       recordFailure_;
    }
    head.Unwritten = outcome.Unwritten;
    head.UnwrittenReason = outcome.FirstUnwrittenReason;
    head.Mbox = setup_.Mbox;
    head.MboxMessages = mboxMessages_;
    head.MboxFailure = mboxFailure_;
    if (!head.Failure.empty() || head.Unwritten > 0 || !head.MboxFailure.empty()) {
        head.Outcome = "failed";
    } else if (!head.ReachedEnd) {
        head.Outcome = "stopped";
    } else {
        head.Outcome = "completed";
    }
    return head;
}

std::string TSalvageRecorder::Finish(const TScanOutcome& outcome, const std::string& storeSha256) noexcept {
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
    if (!setup_.Report) return problems;
    // The room held for the report is what it is written into now.
    if (reserve_) reserve_->Release();
    try {
        const std::string folder = setup_.OutputDir + setup_.Delimiter;
        if (!platform::DirectoryExists(setup_.OutputDir)) platform::ForceDirectories(setup_.OutputDir);
        platform::WriteWholeFile(folder + TSalvageReport::kCsvName, report_.Csv());
        platform::WriteWholeFile(folder + TSalvageReport::kJsonName, report_.Json(Head(outcome, storeSha256)));
    } catch (...) {
        if (!problems.empty()) problems += "; ";
        problems += "The report could not be written: " + WhyText(std::current_exception());
    }
    return problems;
}

}  // namespace tervaline::engine
