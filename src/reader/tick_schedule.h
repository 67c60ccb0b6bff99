// When the reader's next tick is due, and how long it may sleep until then. Portable: the
// reader's loop turns the wait into whatever its platform waits with.
#pragma once

#include <chrono>
#include <cstdint>

class TickSchedule {
public:
    using Clock = std::chrono::steady_clock;

    // The first tick is due at `start`.
    TickSchedule(Clock::duration period, Clock::time_point start) : period_(period), next_(start) {}

    // True when a tick is due at `now`, and then the next one is planned. A tick that comes
    // a little late keeps the rhythm (the next is one period after the one it replaces); one
    // that missed a whole period is not made up for with a burst, the rhythm starts again
    // from `now`.
    bool Due(Clock::time_point now);

    // The time left until the next tick; zero once it is due.
    Clock::duration Remaining(Clock::time_point now) const;

    Clock::time_point Next() const { return next_; }

private:
    Clock::duration period_;
    Clock::time_point next_;
};

// A wait as seconds and nanoseconds (a timespec's fields).
struct PreciseWait {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
};

// The wait to the next tick for a timer with nanosecond precision (ppoll).
PreciseWait PreciseWaitFor(TickSchedule::Clock::duration remaining);

// The wait to the next tick in whole milliseconds, for a wait that takes nothing finer
// (poll, MsgWaitForMultipleObjects): rounded up, so that time left never becomes a timeout of
// 0, which would only spin until the tick. At most `limit`.
std::int64_t WaitMillisecondsFor(TickSchedule::Clock::duration remaining, std::int64_t limit);
