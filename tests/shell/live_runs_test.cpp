// The registry of live runs that a closing window cancels, answers and waits for.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "shell/live_runs.h"

namespace Ravenquill::Shell {
namespace {

using namespace std::chrono_literals;

TEST(LiveRunsTest, CancelAllStopsEveryRunAndAnswersItsOpenQuestionOnce) {
    LiveRuns runs;
    std::stop_source own;
    auto asking = runs.Start(own);
    auto copying = runs.Start();
    int answered = 0;
    asking->SetPendingAnswer([&] { ++answered; });
    EXPECT_TRUE(runs.Any());

    runs.CancelAll();
    EXPECT_TRUE(own.stop_requested()) << "the run's own source is the one that stops";
    EXPECT_TRUE(copying->Cancellation.stop_requested());
    EXPECT_EQ(answered, 1);
    runs.CancelAll();
    EXPECT_EQ(answered, 1) << "an answer is given once";
    EXPECT_TRUE(runs.Any()) << "cancelled runs stay live until they have cleaned up";
}

TEST(LiveRunsTest, AnsweredQuestionsAreNotAnsweredAgain) {
    LiveRuns runs;
    auto run = runs.Start();
    int answered = 0;
    run->SetPendingAnswer([&] { ++answered; });
    run->ClearPendingAnswer();
    runs.CancelAll();
    EXPECT_EQ(answered, 0);
}

TEST(LiveRunsTest, AQuestionAskedOnceTheWindowClosesIsAnsweredAtOnce) {
    LiveRuns runs;
    auto run = runs.Start();
    runs.CancelAll();
    int answered = 0;
    run->SetPendingAnswer([&] { ++answered; });
    EXPECT_EQ(answered, 1);

    // A run that begins after the window began closing never gets going.
    auto late = runs.Start();
    EXPECT_TRUE(late->Cancellation.stop_requested());
    late->SetPendingAnswer([&] { ++answered; });
    EXPECT_EQ(answered, 2);
}

TEST(LiveRunsTest, WaitForAllReturnsWhenTheLastRunFinishesOrTheTimeoutPasses) {
    LiveRuns runs;
    EXPECT_TRUE(runs.WaitForAll(0ms));
    auto first = runs.Start();
    auto second = runs.Start();
    EXPECT_FALSE(runs.WaitForAll(20ms));

    std::atomic<bool> waited = false;
    std::thread waiter([&] { waited = runs.WaitForAll(10s); });
    runs.Finish(first);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(waited) << "one run is still live";
    runs.Finish(second);
    waiter.join();
    EXPECT_TRUE(waited);
    EXPECT_FALSE(runs.Any());
}

}  // namespace
}  // namespace Ravenquill::Shell
