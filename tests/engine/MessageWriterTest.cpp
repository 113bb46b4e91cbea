#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/MessageWriter.h"

namespace tervaline::engine {
namespace {

using namespace std::chrono_literals;

TCarvedMessage Message(std::uint32_t start, std::size_t size) {
    TCarvedMessage m;
    m.Start = start;
    m.Text = std::string(size, 'x');
    return m;
}

// Holds the handler at each message until the test lets it go on.
struct TGate {
    std::promise<void> open;
    std::shared_future<void> opened = open.get_future().share();
};

TEST(MessageWriter, HandlesEveryMessageInOrderOnAThreadOfItsOwn) {
    std::vector<std::uint32_t> handled;
    std::vector<std::thread::id> threads;
    {
        TMessageWriter writer(
            [&](TCarvedMessage& m) {
                handled.push_back(m.Start);
                threads.push_back(std::this_thread::get_id());
            },
            64);
        for (std::uint32_t i = 1; i <= 50; ++i) writer.Submit(Message(i, 1 + i % 40));
        writer.Finish();
        ASSERT_EQ(handled.size(), 50u) << "Finish returns only once all are handled";
        writer.Finish();  // a second call does nothing
    }
    for (std::uint32_t i = 0; i < 50; ++i) EXPECT_EQ(handled[i], i + 1);
    for (const auto& id : threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST(MessageWriter, DestructionWaitsForTheQueue) {
    int handled = 0;
    {
        TMessageWriter writer(
            [&](TCarvedMessage&) {
                std::this_thread::sleep_for(1ms);
                ++handled;
            },
            1 << 20);
        for (std::uint32_t i = 0; i < 10; ++i) writer.Submit(Message(i, 10));
    }
    EXPECT_EQ(handled, 10);
}

TEST(MessageWriter, AThrowingHandlerLosesOnlyThatMessage) {
    std::vector<std::uint32_t> handled;
    TMessageWriter writer(
        [&](TCarvedMessage& m) {
            if (m.Start == 2) throw std::runtime_error("handler broke its promise");
            handled.push_back(m.Start);
        },
        1 << 20);
    for (std::uint32_t i = 1; i <= 3; ++i) writer.Submit(Message(i, 10));
    writer.Finish();
    EXPECT_EQ(handled, (std::vector<std::uint32_t>{1, 3}));
}

TEST(MessageWriter, SubmitWaitsWhileTheQueueIsFull) {
    TGate gate;
    std::vector<std::uint32_t> handled;
    TMessageWriter writer(
        [&](TCarvedMessage& m) {
            gate.opened.wait();
            handled.push_back(m.Start);
        },
        100);
    writer.Submit(Message(1, 60));  // in hand, held at the gate
    writer.Submit(Message(2, 40));  // exactly fills the limit
    auto third = std::async(std::launch::async, [&] { writer.Submit(Message(3, 1)); });
    EXPECT_EQ(third.wait_for(100ms), std::future_status::timeout) << "the third must wait for room";
    gate.open.set_value();
    EXPECT_EQ(third.wait_for(10s), std::future_status::ready);
    writer.Finish();
    EXPECT_EQ(handled, (std::vector<std::uint32_t>{1, 2, 3}));
}

TEST(MessageWriter, AMessageLargerThanTheLimitStillGoesThrough) {
    std::vector<std::size_t> sizes;
    TMessageWriter writer(
        [&](TCarvedMessage& m) {
            sizes.push_back(m.Text.size());
        },
        16);
    auto submitted = std::async(std::launch::async, [&] {
        writer.Submit(Message(1, 1000));
        writer.Submit(Message(2, 5));
        writer.Submit(Message(3, 2000));
    });
    ASSERT_EQ(submitted.wait_for(10s), std::future_status::ready) << "an oversized message must not wait forever";
    writer.Finish();
    EXPECT_EQ(sizes, (std::vector<std::size_t>{1000, 5, 2000}));
}

}  // namespace
}  // namespace tervaline::engine
