// TMessageWriter: hands the scan's carved messages, in the order they were
// carved, to a thread of its own, so that testing and writing one message
// overlaps the search for the next.
//
// The queue holds at most a fixed number of bytes of message text (and
// always one message, however large), so a scan's memory stays bounded by
// the window, the largest message held in memory twice over, and that
// limit. A message whose text went to a file counts as the whole limit, so
// that the open files queued stay few.
#pragma once

#include <cstddef>

#include "engine/CarvedMessage.h"
#include "engine/OrderedWorker.h"

namespace tervaline::engine {

// The weight of a carved message in a queue of at most Limit bytes.
inline std::size_t QueueWeight(const TCarvedMessage& message, std::size_t limit) {
    return message.Spilled ? limit : message.Text.size();
}

class TMessageWriter : public TOrderedWorker<TCarvedMessage> {
public:
    TMessageWriter(THandler handle, std::size_t maxQueuedBytes)
        : TOrderedWorker(std::move(handle), maxQueuedBytes,
                         [maxQueuedBytes](const TCarvedMessage& m) { return QueueWeight(m, maxQueuedBytes); }) {}
};

}  // namespace tervaline::engine
