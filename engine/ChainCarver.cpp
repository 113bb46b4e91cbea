// The store signature, and the reassembly and writing of each chain.
#include <cstdint>
#include <exception>
#include <new>
#include <string>

#include "engine/BlockLayout.h"
#include "engine/DbxScan.h"
#include "engine/MessageWriter.h"

namespace tervaline::engine {

void TDBXScanThread::CheckFileHeader() {
    if (BufferSize < 8) throw EAssertionFailed(174);
    LoadWindow(0);
    std::uint8_t signature[8];
    Peek(signature, sizeof signature);
    if (ReadLE32(signature) == kSignatureWord1 && ReadLE32(signature + 4) == kSignatureWord2) {
        Skip(kStoreHeaderSize);
    } else {
        LoadWindow(0);
    }
}

void TDBXScanThread::CarveChain() {
    const std::uint32_t start = Position();
    TCarvedMessage carved;
    carved.Start = start;
    std::string& message = carved.Text;
    for (;;) {
        std::uint8_t raw[kBlockHeaderSize];
        Peek(raw, sizeof raw);
        const TBlockHeader h = DecodeBlockHeader(raw);
        const bool rejected = (scanMode_ == 0 && Position() != h.Self) || h.Size != kBlockDataSize ||
                              h.Len > h.Size || (h.Len < h.Size && h.Next != 0) ||
                              (h.Len == h.Size && h.Next != h.Self + kBlockSize);
        if (rejected) {
            Skip(8);
            break;
        }
        Skip(kBlockHeaderSize);
        std::uint8_t data[kBlockDataSize];
        Peek(data, sizeof data);
        Skip(kBlockDataSize);
        try {
            message.append(reinterpret_cast<const char*>(data), h.Len);
        } catch (const std::bad_alloc&) {
            message = std::string();
            carved.Unwritten = "Not enough memory for the message at " + MessageFileName(start);
            break;
        }
        DoProgress(Position());
        if (h.Len < h.Size) break;
    }
    if (message.empty() && carved.Unwritten.empty()) return;
    if (writer_) {
        writer_->Submit(std::move(carved));
    } else {
        HandleCarved(carved);
    }
}

bool TDBXScanThread::HandleCarved(TCarvedMessage& carved) {
    if (carved.Unwritten.empty()) {
        WriteMessage(carved.Start, carved.Text);
    } else {
        NoteUnwritten(carved.Unwritten);
    }
    return !stopFromElsewhere_.load(std::memory_order_relaxed);
}

void TDBXScanThread::WriteMessage(std::uint32_t start, const std::string& message) {
    const char delimiter = platform::PathDelimiter(syntax_);
    std::string path;
    std::string trash;
    bool inTrash = false;
    try {
        const bool outputLookedUp = knownOutputDir_ != outputDir_;
        if (outputLookedUp) {
            if (!platform::DirectoryExists(outputDir_)) platform::ForceDirectories(outputDir_);
            knownOutputDir_ = outputDir_;
        }
        bool trashLookedUp = true;
        if (IsMail(message)) {
            path = outputDir_ + delimiter + MessageFileName(start);
        } else {
            if (trashDir_.empty()) trashDir_ = "trash";
            trash = outputDir_ + delimiter + trashDir_;
            trashLookedUp = knownTrashDir_ != trash;
            if (trashLookedUp) {
                if (!platform::DirectoryExists(trash)) platform::ForceDirectories(trash);
                knownTrashDir_ = trash;
            }
            path = trash + delimiter + MessageFileName(start);
            inTrash = true;
        }
        try {
            platform::WriteWholeFile(path, message);
        } catch (...) {
            // A folder that vanished since it was last seen is made again and
            // the message written once more, just as a fresh look-up would
            // have done before the first attempt; any other failure stands.
            bool remade = false;
            if (!outputLookedUp && !platform::DirectoryExists(outputDir_)) {
                platform::ForceDirectories(outputDir_);
                remade = true;
            }
            if (!trashLookedUp && !platform::DirectoryExists(trash)) {
                platform::ForceDirectories(trash);
                remade = true;
            }
            if (!remade) throw;
            platform::WriteWholeFile(path, message);
        }
    } catch (const std::exception& e) {
        NoteUnwritten(e.what());
        return;
    } catch (...) {
        NoteUnwritten("The message at " + MessageFileName(start) + " could not be written");
        return;
    }
    ++foundCount_;
    lastFound_ = TFoundMessage{start, message.size(), inTrash, path};
    try {
        DoFound(start);
    } catch (...) {
        // A failing receiver costs its own notification only; the file is
        // written and the scan goes on.
    }
}

void TDBXScanThread::NoteUnwritten(const std::string& reason) {
    if (unwrittenCount_ == 0) firstUnwrittenReason_ = reason;
    ++unwrittenCount_;
}

void TDBXScanThread::DoFound(std::uint32_t offset) {
    if (OnFound) OnFound(*this, offset);
}

}  // namespace tervaline::engine
