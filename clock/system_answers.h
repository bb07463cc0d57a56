#pragma once
// The system's answers that decide where and whether the clock shows, each
// behind one replaceable function: the compositor's view of a window, the
// shell's notification state, and whether another program takes a caption. They differ between Windows versions (and
// some are missing where there is no compositor), so tests put in the
// answers of the system they stand for.

#include <windows.h>

#include "core/placement.h"

namespace system_answers {

struct Answers {
  // The visible frame of `window` (without the invisible resize borders
  // that Windows 10 and 11 draw round a window); false where the system
  // has no such answer.
  bool (*frameBounds)(HWND window, RECT* frame);
  // Whether `window` is cloaked: on another virtual desktop, or a
  // suspended application's window that the user cannot see.
  bool (*cloaked)(HWND window);
  // SHQueryUserNotificationState's answer (a QUNS_ value); 0 when unknown.
  int (*notificationState)();
  // A bounded send to another program's window (SendMessageTimeoutW): it
  // may refuse the clock's write, as an elevated program's window does
  // under the user interface privilege isolation, or not answer.
  LRESULT(WINAPI* send)(HWND, UINT, WPARAM, LPARAM, UINT, UINT, PDWORD_PTR);
};

// The real system.
const Answers& Real();

// What the program asks; the real system unless a test replaced it.
const Answers& Current();

// Replaces the answers until the returned object is destroyed (tests only).
class Override {
 public:
  explicit Override(const Answers& answers);
  ~Override();
  Override(const Override&) = delete;
  Override& operator=(const Override&) = delete;

 private:
  const Answers* previous;
};

// What the shell's notification state (a QUNS_ value) says of fullscreen
// programs.
zorvane::ShellState ShellStateOf(int notificationState);

}  // namespace system_answers
