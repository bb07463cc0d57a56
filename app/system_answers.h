#pragma once
// The program's one seam to the system: every call whose answer differs
// between Windows versions, integrity levels or file systems (and some are
// missing where there is no compositor or no shell) sits behind one
// replaceable function here: the compositor's view of a window, the shell's
// notification state, whether another program takes a caption, the
// notification area, the session's lock, the single-instance mutex and the
// settings file's replacement. Tests put in the answers of the system they
// stand for, or watch the calls.

#include <windows.h>
#include <shellapi.h>

#include "core/placement.h"

namespace system_answers {

// What the session manager says of the session's lock; Unknown where it
// gives no answer (Windows before 8, Wine).
enum class SessionLock { Unknown, Locked, Unlocked };

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

  // The clock window's own calls: default processing (DefWindowProcA), the
  // notification-area calls (Shell_NotifyIconW) and the tick count that
  // bounds the tray icon's retries.
  LRESULT(WINAPI* defaultProcedure)(HWND, UINT, WPARAM, LPARAM);
  BOOL(WINAPI* notifyIcon)(DWORD, PNOTIFYICONDATAW);
  DWORD(WINAPI* tickCount)();
  // Whether the system's high contrast is on (SPI_GETHIGHCONTRAST).
  bool (*highContrast)();
  // The DPI the taskbar's notification area is drawn at now: that of the
  // primary monitor, which follows a change of the display scale, while a
  // process keeps the system DPI it started with.
  UINT (*trayDpi)();

  // Lets a message through to `window` from programs of a lower integrity
  // level (ChangeWindowMessageFilterEx); the filter exists only where
  // integrity levels do. Null: nothing to allow.
  BOOL(WINAPI* allowMessage)(HWND window, UINT message, DWORD action, PCHANGEFILTERSTRUCT filter);

  // Whether this session is locked now, as the session manager says
  // (WTSSessionInfoEx): a lock notification is confirmed with it, so that
  // one that arrives late, after the unlock, does not freeze the clock.
  SessionLock (*sessionLock)();

  // The single-instance guard's mutex calls (OpenMutexA, CreateMutexA): a
  // copy started as administrator may refuse an ordinary copy both.
  HANDLE(WINAPI* openMutex)(DWORD access, BOOL inherit, LPCSTR name);
  HANDLE(WINAPI* createMutex)(LPSECURITY_ATTRIBUTES attributes, BOOL owned, LPCSTR name);

  // The settings file is put in place by these (ReplaceFileW, MoveFileExW):
  // where the platform keeps no security or streams, a test still sees
  // which call is made.
  BOOL(WINAPI* replaceFile)(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID);
  BOOL(WINAPI* moveFile)(LPCWSTR from, LPCWSTR to, DWORD flags);
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
