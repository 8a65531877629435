// The idle decision: when Quorvane locks, and how it waits for new input after a lock.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "idle.h"

namespace {

using quorvane::IdleWatch;
using quorvane::kIdleLockMs;

struct IdleCase {
    const char* name;
    std::uint32_t now;
    std::uint32_t lastInput;
    std::uint32_t idle;
};

TEST(IdleWatch, IdleTimeFollowsTheTickCounter) {
    const IdleCase cases[] = {
        {"input just now", 5000, 5000, 0},
        {"one second ago", 6000, 5000, 1000},
        {"across the 49.7-day wrap", 0x00000100u, 0xFFFFFF00u, 0x200},
        {"input read a moment after the clock", 5000, 5016, 0},
        {"input tick from a wrapped clock, just after now", 0xFFFFFFF0u, 0x00000010u, 0},
        {"a long idle stretch", 0x7FFFFFFFu, 0, 0x7FFFFFFFu},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IdleWatch::idleFor(c.now, c.lastInput), c.idle) << c.name;
    }
}

TEST(IdleWatch, ThresholdIsFiveMinutes) { EXPECT_EQ(kIdleLockMs, 300000u); }

// One poll of the watch: the clock, the last input tick, and whether a lock is asked for.
struct Poll {
    std::uint32_t now;
    std::uint32_t lastInput;
    bool lock;
};

struct SequenceCase {
    const char* name;
    std::vector<Poll> polls;
};

TEST(IdleWatch, LocksOnceAndRearmsOnNewInput) {
    constexpr std::uint32_t T = kIdleLockMs;
    constexpr std::uint32_t wrapStart = 0xFFFF0000u;
    const SequenceCase cases[] = {
        {"busy user is never locked", {{1000, 900, false}, {60000, 59000, false}, {T + 50000, T + 49000, false}}},
        {"one millisecond short of the threshold", {{T - 1, 0, false}}},
        {"exactly at the threshold", {{T, 0, true}}},
        {"well past the threshold (the machine slept)", {{10 * T, 0, true}}},
        {"no second lock without new input", {{T, 0, true}, {T + 1000, 0, false}, {3 * T, 0, false}}},
        {"new input re-arms, counting from that input",
         {{T, 0, true}, {T + 5000, T + 4000, false}, {2 * T + 3999, T + 4000, false}, {2 * T + 4000, T + 4000, true}}},
        {"every idle stretch locks once",
         {{T, 0, true}, {T + 20, T + 10, false}, {2 * T + 10, T + 10, true}, {3 * T, T + 10, false},
          {3 * T + 20, 3 * T + 15, false}, {4 * T + 15, 3 * T + 15, true}}},
        {"idle stretch across the tick wrap", {{wrapStart + T - 1, wrapStart, false}, {wrapStart + T, wrapStart, true}}},
        {"input tick ahead of the clock is not idle", {{T, T + 20, false}}},
    };
    for (const auto& c : cases) {
        IdleWatch watch(T);
        for (std::size_t i = 0; i < c.polls.size(); ++i) {
            const Poll& p = c.polls[i];
            EXPECT_EQ(watch.shouldLock(p.now, p.lastInput), p.lock) << c.name << ", poll " << i;
        }
    }
}

TEST(IdleWatch, InputDuringTheCurtainIsSeen) {
    constexpr std::uint32_t T = kIdleLockMs;
    IdleWatch watch(T);
    EXPECT_TRUE(watch.armed());
    EXPECT_FALSE(watch.inputSinceLock(0)) << "nothing to call off before a lock is asked for";
    ASSERT_TRUE(watch.shouldLock(T, 0));
    EXPECT_FALSE(watch.armed());
    EXPECT_FALSE(watch.inputSinceLock(0)) << "the same input stretch";
    EXPECT_TRUE(watch.inputSinceLock(T + 500)) << "a key pressed while the curtain fades in";
    EXPECT_FALSE(watch.shouldLock(T + 1000, T + 500)) << "fresh input starts a new count";
    EXPECT_TRUE(watch.armed());
    EXPECT_FALSE(watch.inputSinceLock(T + 500));
}

}  // namespace
