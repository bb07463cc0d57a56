#include "core/follow_pacing.h"

namespace zorvane {

int FollowPacer::Report(unsigned nowMs, int frameMs) {
  if (asked) return kAlreadyAsked;
  asked = true;
  if (!placedBefore || frameMs <= 0) return 0;
  // Unsigned, so a steady clock that wraps round still gives the gap.
  const unsigned since = nowMs - lastPlaced;
  if (since >= static_cast<unsigned>(frameMs)) return 0;
  return frameMs - static_cast<int>(since);
}

void FollowPacer::Placed(unsigned nowMs) {
  asked = false;
  placedBefore = true;
  lastPlaced = nowMs;
}

int FrameMilliseconds(int hertz) {
  constexpr int kUsualHertz = 60;
  constexpr int kMaxHertz = 1000;
  if (hertz <= 1 || hertz > kMaxHertz) hertz = kUsualHertz;
  return (1000 + hertz - 1) / hertz;
}

}  // namespace zorvane
