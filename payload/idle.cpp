#include "idle.h"

namespace quorvane {

std::uint32_t IdleWatch::idleFor(std::uint32_t now, std::uint32_t lastInput) {
    const std::uint32_t elapsed = now - lastInput;  // unsigned: right across the 49.7-day wrap
    return elapsed > 0x80000000u ? 0u : elapsed;
}

bool IdleWatch::shouldLock(std::uint32_t now, std::uint32_t lastInput) {
    if (!armed_) {
        if (lastInput == lockedAtInput_) return false;
        armed_ = true;
    }
    if (idleFor(now, lastInput) < threshold_) return false;
    armed_ = false;
    lockedAtInput_ = lastInput;
    return true;
}

}  // namespace quorvane
