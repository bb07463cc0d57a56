#pragma once
// The anchor: the application window the user last brought to the front,
// which the clock docks to (and, in title mode, writes its text into).
// Knows which window it is, whether the user can see it, whether it is a
// fullscreen program, and where its visible frame lies. The clock view asks
// it at every placement.

#include <windows.h>

#include "core/placement.h"

// The monitor `monitor` covers; `fallback` where the system cannot say.
zorvane::Rect MonitorRect(HMONITOR monitor, const RECT& fallback);

class AnchorTracker {
 public:
  AnchorTracker() = default;
  AnchorTracker(const AnchorTracker&) = delete;
  AnchorTracker& operator=(const AnchorTracker&) = delete;

  // Binds to the clock's own window; there is no anchor until an
  // application window has been in front.
  void Attach(HWND clockWindow);

  // Brings the anchor up to date with the foreground window, as at every
  // tick: a new application window in front becomes the anchor; anything
  // else leaves it as it was.
  void Update();

  // The anchor window; none until an application window has been in front.
  HWND Window() const { return foregroundWindow; }
  // Whether the user could see the anchor at the last update: not
  // minimised, hidden, cloaked or closed since it came to the front.
  bool Shown() const { return shown; }

  // The anchor's window rectangle; false while it is not seen or cannot be
  // read.
  bool WindowRect(RECT& rect) const;
  // Where the system can say, the anchor's visible frame (without the
  // invisible resize borders); otherwise `rect`, its window rectangle.
  RECT VisibleFrame(const RECT& rect) const;
  // The monitor the anchor is on.
  zorvane::Rect Monitor(const RECT& fallback) const;

  // Whether a fullscreen program is in front: the shell says so, or the
  // anchor covers its monitor as such a program does.
  bool FullScreen() const;

 private:
  HWND clock = nullptr;
  // The anchor: the last foreground window that was an application's.
  HWND foregroundWindow = nullptr;
  bool shown = false;
};
