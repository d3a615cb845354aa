// The one event hook: the newest installed hook answers, whatever order hooks go in (a test
// fixture makes its next window before the last one goes), and a throttle lets the hook below it
// run at most once per interval.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "core/EventHook.h"

namespace {

using namespace std::chrono_literals;

TEST(EventHook, TheNewestLivingHookRunsAndNoneAfterTheLastGoes) {
    int first = 0, second = 0;
    pv::EventHook::letEventsThrough();  // none installed: nothing happens
    auto older = std::make_unique<pv::EventHook>([&] { ++first; });
    auto newer = std::make_unique<pv::EventHook>([&] { ++second; });
    pv::EventHook::letEventsThrough();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    older.reset();  // out of order: the newer one stays
    pv::EventHook::letEventsThrough();
    EXPECT_EQ(second, 2);
    newer.reset();
    pv::EventHook::letEventsThrough();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 2);
}

TEST(EventHook, AThrottleLetsAtMostOneCallPerIntervalReachTheHookBelow) {
    int runs = 0;
    const pv::EventHook hook([&] { ++runs; });
    {
        const pv::ThrottledEventHook throttle(200ms);
        for (int i = 0; i < 1000; ++i)
            pv::EventHook::letEventsThrough();
        EXPECT_EQ(runs, 0) << "the interval runs from the throttle's start";
        std::this_thread::sleep_for(250ms);
        for (int i = 0; i < 1000; ++i)
            pv::EventHook::letEventsThrough();
        EXPECT_EQ(runs, 1);
    }
    pv::EventHook::letEventsThrough();  // the throttle gone, every call gets through again
    pv::EventHook::letEventsThrough();
    EXPECT_EQ(runs, 3);
}

}  // namespace
