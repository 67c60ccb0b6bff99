#include "reader/tick_schedule.h"

bool TickSchedule::Due(Clock::time_point now) {
    if (now < next_) return false;
    next_ += period_;
    if (next_ <= now) next_ = now + period_;
    return true;
}

TickSchedule::Clock::duration TickSchedule::Remaining(Clock::time_point now) const {
    return now < next_ ? next_ - now : Clock::duration::zero();
}

PreciseWait PreciseWaitFor(TickSchedule::Clock::duration remaining) {
    if (remaining <= TickSchedule::Clock::duration::zero()) return {};
    // Up, as below: a clock coarser than a nanosecond never yields a wait of 0.
    const auto left = std::chrono::ceil<std::chrono::nanoseconds>(remaining);
    const auto whole = std::chrono::floor<std::chrono::seconds>(left);
    return PreciseWait{whole.count(), (left - whole).count()};
}

std::int64_t WaitMillisecondsFor(TickSchedule::Clock::duration remaining, std::int64_t limit) {
    if (remaining <= TickSchedule::Clock::duration::zero()) return 0;
    const std::int64_t ms = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
    return ms < limit ? ms : limit;
}
