#pragma once
// The clock as screen readers and other assistive programs see it: an
// Active Accessibility object for the clock window's client area whose
// role is "clock" and whose name is the text the clock shows; its value is
// empty, so that the time is read once.
// Everything else is the system's standard object for the window.

#include <windows.h>

#include "core/time_format.h"

struct IAccessible;

class ClockAccessible {
 public:
  ClockAccessible();
  ~ClockAccessible();
  ClockAccessible(const ClockAccessible&) = delete;
  ClockAccessible& operator=(const ClockAccessible&) = delete;

  // First at the window's creation, on its thread, before anything that
  // can let a sent message (WM_GETOBJECT) in: clients' calls are then
  // delivered through this thread's message loop (a single-threaded
  // apartment), between ticks, never while a tick rewrites the text.
  void Start();

  // The answer to WM_GETOBJECT; 0 (default processing) for the objects
  // other than the client area, or when the object cannot be made.
  // `shownText` (code page 932) must outlive the window.
  LRESULT OnGetObject(HWND window, WPARAM flags, LPARAM objectId, const char* shownText);

  // After a tick: tells listeners (EVENT_OBJECT_NAMECHANGE) when the text
  // shown differs from the last one told; nothing when it is the same.
  void TextShown(HWND window, const char* shownText);

  // The window is going: objects that clients still hold answer "gone".
  void Detach();

 private:
  IAccessible* object;
  bool apartment;
  char announced[zorvane::kTextSize];
};
