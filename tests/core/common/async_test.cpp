#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "core/common/async.h"
#include "core/common/cancellation.h"
#include "core/common/event.h"

namespace Ravenquill {
namespace {

using namespace std::chrono_literals;

TEST(RunAsync, DeliversResultAndException) {
    EXPECT_EQ(RunAsync([] { return 42; }).get(), 42);
    auto failing = RunAsync([]() -> int { throw InvalidDataException(L"x"); });
    EXPECT_THROW(failing.get(), InvalidDataException);
}

TEST(Delay, StopsEarlyWhenCancelled) {
    CancellationTokenSource source;
    auto waiting = RunAsync([token = source.get_token()] { Delay(10s, token); });
    std::this_thread::sleep_for(20ms);
    const auto start = std::chrono::steady_clock::now();
    source.request_stop();
    EXPECT_THROW(waiting.get(), OperationCanceledException);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_TRUE(WaitFor(1ms, CancellationToken{}));
}

TEST(Delay, EveryStopWakesTheWaitEvenWhenItRacesTheWaitsStart) {
    // A stop that arrives while the wait is being set up or torn down must still end it: a missed
    // one leaves a cancelled installation asleep until its wait runs out.
    for (int i = 0; i < 2000; ++i) {
        CancellationTokenSource source;
        std::promise<bool> woken;
        auto waiting = woken.get_future();
        // Detached, so that a missed stop fails the test instead of holding it for ten minutes.
        std::thread([token = source.get_token(), woken = std::move(woken)]() mutable {
            woken.set_value(WaitFor(10min, token));
        }).detach();
        if (i % 2) std::this_thread::sleep_for(std::chrono::microseconds(i % 200));
        source.request_stop();
        ASSERT_EQ(waiting.wait_for(30s), std::future_status::ready) << "stop " << i << " was missed";
        EXPECT_FALSE(waiting.get());
    }
}

TEST(EventTest, RaisesToSubscribersInOrderAndNothingWithout) {
    struct Sender {
        Event<Sender, int> Changed;
    } sender;
    sender.Changed.Raise(sender, 1);  // nobody listens: nothing happens
    std::vector<int> seen;
    sender.Changed.Subscribe([&](Sender& s, const int& v) {
        EXPECT_EQ(&s, &sender);
        seen.push_back(v);
    });
    const auto second = sender.Changed.Subscribe([&](Sender&, const int& v) { seen.push_back(-v); });
    sender.Changed.Raise(sender, 2);
    sender.Changed.Unsubscribe(second);
    sender.Changed.Raise(sender, 3);
    EXPECT_EQ(seen, (std::vector<int>{2, -2, 3}));
}

TEST(EventTest, HandlersMayComeAndGoWhileAnotherThreadRaises) {
    struct Sender {
        Event<Sender, int> Changed;
    } sender;
    std::atomic<int> calls{0};
    std::size_t self = 0;
    // A handler that leaves during its own call still finishes that raise.
    self = sender.Changed.Subscribe([&](Sender& s, const int&) {
        ++calls;
        s.Changed.Unsubscribe(self);
    });
    sender.Changed.Raise(sender, 0);
    sender.Changed.Raise(sender, 0);
    EXPECT_EQ(calls.load(), 1);
    EXPECT_FALSE(sender.Changed.HasSubscribers());

    std::atomic<bool> stop{false};
    std::thread raiser([&] {
        while (!stop) sender.Changed.Raise(sender, 1);
    });
    for (int i = 0; i < 2000; ++i) {
        const auto id = sender.Changed.Subscribe([&](Sender&, const int& v) { calls += v; });
        sender.Changed.Unsubscribe(id);
    }
    stop = true;
    raiser.join();
    EXPECT_FALSE(sender.Changed.HasSubscribers());
}

}  // namespace
}  // namespace Ravenquill
