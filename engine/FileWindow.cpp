// The buffered window through which every read of the store goes, and the
// thinning of progress reports. A refill always restarts the window at the
// position needed, so a forward scan reads the file about once.
#include <cstring>

#include "engine/DbxScan.h"

namespace tervaline::engine {

void TDBXScanThread::LoadWindow(std::uint32_t offset) {
    if (!windowBuf_) throw EAssertionFailed(366);
    windowBase_ = offset;
    windowPos_ = 0;
    windowLen_ = 0;  // a failed read below must not leave stale bytes valid
    windowLen_ = static_cast<std::uint32_t>(
        fileStream_->ReadAt(offset, windowBuf_.get(), static_cast<std::size_t>(BufferSize)));
}

void TDBXScanThread::Skip(std::uint32_t n) {
    if (static_cast<std::uint64_t>(windowPos_) + n > windowLen_) {
        LoadWindow(Position() + n);
    } else {
        windowPos_ += n;
    }
}

void TDBXScanThread::Back(std::uint32_t n) {
    if (n > windowPos_) {
        LoadWindow(Position() - n);
    } else {
        windowPos_ -= n;
    }
}

void TDBXScanThread::Peek(void* dest, std::uint32_t count) {
    if (!windowBuf_) throw EAssertionFailed(395);
    if (static_cast<std::int64_t>(count) >= BufferSize) throw EAssertionFailed(396);
    if (static_cast<std::uint64_t>(windowPos_) + count > windowLen_) LoadWindow(Position());
    // Bytes past the end of the file read as zeros, never as what an earlier
    // read left in the buffer; zeros keep every block test false.
    const std::uint32_t available = windowLen_ > windowPos_ ? windowLen_ - windowPos_ : 0;
    const std::uint32_t copied = count < available ? count : available;
    auto* out = static_cast<std::uint8_t*>(dest);
    std::memcpy(out, windowBuf_.get() + windowPos_, copied);
    std::memset(out + copied, 0, count - copied);
}

void TDBXScanThread::DoProgress(std::uint32_t position) {
    if (position > progressMark_) {
        progressMark_ += progressStep_;
        if (OnProgress) OnProgress(*this, position);
    }
}

}  // namespace tervaline::engine
