#pragma once
// When the clock's next tick is due. Ticks come twice a second, each just
// after a half-second boundary of the wall clock, so that a displayed second
// turns as soon as the real one does. The delay is worked out afresh at
// every tick from the time then read, so a clock that is set, a changed
// time zone or a resume from sleep puts the phase right at the next tick.
// Portable: milliseconds in, milliseconds out.

namespace zorvane {

// Two ticks a second.
constexpr int kTickPeriodMs = 500;
// How far past a boundary a tick aims: enough that a timer firing a little
// early or late still lands after the boundary it was meant for.
constexpr int kTickLeadMs = 2;
// The shortest delay asked of the platform's timer.
constexpr int kMinTickDelayMs = 10;

// Milliseconds from `millisecond` (0-999, the current position within the
// second) until kTickLeadMs after the next half-second boundary; never less
// than kMinTickDelayMs. A tick that fires just before a boundary (a timer
// that runs early) therefore gets a short delay, not a skipped half second.
int MillisecondsToNextTick(int millisecond);

// The step in which the platform's timer fires and its clock moves: 15.6
// ms on Windows unless a program asks for finer timers. A timer aimed at
// kTickLeadMs past a half second fires up to one step later, at the same
// place for as long as the machine runs.
constexpr int kTimerStepMs = 16;

// The platform's timer repeats at the period it was set to. A tick that
// lands at most this long after a half second is on time, and a running
// 500 ms timer is then left as it is: setting a timer costs a call to the
// system. The window holds the lead, a timer step and room for a tick the
// message queue holds up a little, and stays within the 50 ms by which a
// displayed second may be late; only a phase that strays beyond it is set
// right.
constexpr int kOnTimeWindowMs = kTickLeadMs + 2 * kTimerStepMs + 6;
static_assert(kOnTimeWindowMs < 50, "a displayed second is at most 50 ms late");

// The period to set the timer to after a tick at `millisecond`, with the
// timer now repeating every `runningMs`; 0 to leave it running. On time,
// the period becomes (or stays) 500 ms; off time, the timer is aimed at the
// next half second afresh.
int TimerAfterTick(int millisecond, int runningMs);

}  // namespace zorvane
