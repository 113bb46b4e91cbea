#include "engine/MessageWriter.h"

#include <cassert>
#include <system_error>
#include <utility>

namespace tervaline::engine {

TMessageWriter::TMessageWriter(THandler handle, std::size_t maxQueuedBytes)
    : handle_(std::move(handle)), maxQueuedBytes_(maxQueuedBytes) {
    // Started last, once every member it reads exists.
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No second thread: Submit handles each message itself.
    }
}

TMessageWriter::~TMessageWriter() { Finish(); }

bool TMessageWriter::HandleOne(TCarvedMessage& message) {
    try {
        return handle_(message);
    } catch (...) {
        // A handler that breaks its promise loses this message only.
        return true;
    }
}

std::size_t TMessageWriter::Weight(const TCarvedMessage& message) const {
    return message.Spilled ? maxQueuedBytes_ : message.Text.size();
}

void TMessageWriter::Submit(TCarvedMessage message) {
    if (!thread_.joinable()) {
        // Without a writer thread everything happens on this one.
        if (dropping_) {
            ++dropped_;
        } else if (!HandleOne(message)) {
            dropping_ = true;
        }
        return;
    }
    std::unique_lock lock(mutex_);
    const std::size_t size = Weight(message);
    changed_.wait(lock, [&] { return dropping_ || queuedBytes_ == 0 || queuedBytes_ + size <= maxQueuedBytes_; });
    if (dropping_) {
        ++dropped_;
        return;
    }
    queuedBytes_ += size;
    queue_.push_back(std::move(message));
    changed_.notify_all();
}

void TMessageWriter::Finish() {
    {
        std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::uint64_t TMessageWriter::Dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void TMessageWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
        if (queue_.empty()) return;  // finishing, and nothing left
        TCarvedMessage message = std::move(queue_.front());
        queue_.pop_front();
        const std::size_t size = Weight(message);
        lock.unlock();
        const bool goOn = HandleOne(message);
        lock.lock();
        assert(queuedBytes_ >= size);
        queuedBytes_ -= size;
        if (!goOn) {
            dropping_ = true;
            dropped_ += queue_.size();
            for (const auto& dropped : queue_) queuedBytes_ -= Weight(dropped);
            queue_.clear();
        }
        changed_.notify_all();
    }
}

}  // namespace tervaline::engine
