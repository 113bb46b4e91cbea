// TMessageWriter: hands the scan's carved messages, in the order they were
// carved, to a thread of its own, so that testing and writing one message
// overlaps the search for the next.
//
// The queue holds at most a fixed number of bytes of message text (and
// always one message, however large), so a scan's memory stays bounded by
// the window, the largest message held in memory twice over, and that
// limit. A message whose text went to a file counts as the whole limit, so
// that the open files queued stay few. Where no second thread can be had,
// each message is handled as it is submitted.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/CarvedMessage.h"

namespace tervaline::engine {

class TMessageWriter {
public:
    // Handle is called for each message in turn and must not throw. It
    // returns false to have every message not yet handled dropped, now and
    // later.
    using THandler = std::function<bool(TCarvedMessage&)>;

    TMessageWriter(THandler handle, std::size_t maxQueuedBytes);
    // Finishes.
    ~TMessageWriter();

    TMessageWriter(const TMessageWriter&) = delete;
    TMessageWriter& operator=(const TMessageWriter&) = delete;

    // Queues Message, first waiting while the messages queued and in hand
    // hold more than the limit together with it.
    void Submit(TCarvedMessage message);

    // Returns once every message submitted has been handled or dropped, and
    // the writer thread has ended. Later calls do nothing.
    void Finish();

    // How many submitted messages were dropped unhandled; final after Finish.
    std::uint64_t Dropped() const;

private:
    void Run();
    bool HandleOne(TCarvedMessage& message);
    std::size_t Weight(const TCarvedMessage& message) const;

    THandler handle_;
    const std::size_t maxQueuedBytes_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    // Guarded by mutex_. Invariant: queuedBytes_ is the weight of the
    // messages in queue_ plus the one being handled.
    std::deque<TCarvedMessage> queue_;
    std::size_t queuedBytes_ = 0;
    bool finishing_ = false;
    bool dropping_ = false;
    std::uint64_t dropped_ = 0;

    std::thread thread_;
};

}  // namespace tervaline::engine
