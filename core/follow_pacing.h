#pragma once
// Paces the placements that follow the system's reports about the anchor
// (it moved, was sized, another window came to the front). A drag brings
// a report for every step of the mouse: a burst of them becomes one
// placement, and placements come no closer together than one frame of the
// display, which could not show them anyway. Portable: times are plain
// milliseconds from any steady clock.

namespace zorvane {

class FollowPacer {
 public:
  static constexpr int kAlreadyAsked = -1;

  // A report arrived at `nowMs`. kAlreadyAsked while a placement is asked
  // for and not yet made; otherwise the milliseconds to wait before
  // placing, 0 for at once: at least `frameMs` after the last placement.
  int Report(unsigned nowMs, int frameMs);

  // The placement asked for was made (or given up) at `nowMs`.
  void Placed(unsigned nowMs);

  // Whether a placement is asked for.
  bool Asked() const { return asked; }

  // Forgets what was asked; the next report asks again.
  void Reset() { asked = false; }

 private:
  bool asked = false;
  bool placedBefore = false;
  unsigned lastPlaced = 0;
};

// One frame of a display refreshed `hertz` times a second, in whole
// milliseconds rounded up; a rate the system does not know (0 or 1, or
// nonsense) counts as 60 Hz.
int FrameMilliseconds(int hertz);

}  // namespace zorvane
