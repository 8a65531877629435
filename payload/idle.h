#pragma once
// The idle decision of Quorvane: when a session without input is to be locked. Pure, no Win32.
#include <cstdint>

namespace quorvane {

// Five minutes without keyboard or mouse input locks the session.
inline constexpr std::uint32_t kIdleLockMs = 5u * 60u * 1000u;

// Watches GetTickCount-style millisecond ticks (they wrap at 2^32) for one idle stretch at a time.
class IdleWatch {
public:
    constexpr explicit IdleWatch(std::uint32_t thresholdMs) : threshold_(thresholdMs) {}

    // True once per idle stretch: when the last input is at least the threshold old.
    bool shouldLock(std::uint32_t now, std::uint32_t lastInput);

    // True when input has arrived since the stretch that asked for the lock.
    bool inputSinceLock(std::uint32_t lastInput) const { return !armed_ && lastInput != lockedAtInput_; }

    // Whether an idle stretch may lead to a lock (false from a lock until the next input).
    bool armed() const { return armed_; }

    // Milliseconds since the last input; an input tick slightly ahead of now (the two are read
    // one after the other) counts as input just now.
    static std::uint32_t idleFor(std::uint32_t now, std::uint32_t lastInput);

private:
    std::uint32_t threshold_;
    std::uint32_t lockedAtInput_ = 0;
    bool armed_ = true;
};

}  // namespace quorvane
