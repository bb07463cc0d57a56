#include "core/tick_phase.h"

namespace zorvane {

int MillisecondsToNextTick(int millisecond) {
  if (millisecond < 0 || millisecond > 999) millisecond = 0;
  // A tick just past a boundary is on time and aims at the next boundary;
  // one just before a boundary (an early timer) aims at that boundary.
  const int delay = kTickPeriodMs - millisecond % kTickPeriodMs + kTickLeadMs;
  return delay < kMinTickDelayMs ? kMinTickDelayMs : delay;
}

int TimerAfterTick(int millisecond, int runningMs) {
  if (millisecond >= 0 && millisecond <= 999 && millisecond % kTickPeriodMs <= kOnTimeWindowMs) {
    return runningMs == kTickPeriodMs ? 0 : kTickPeriodMs;
  }
  return MillisecondsToNextTick(millisecond);
}

}  // namespace zorvane
