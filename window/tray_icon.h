#pragma once
// The clock's icon in the notification area: added at start, tried again
// while the shell is not ready, added again when a new taskbar appears, and
// deleted at exit. The shell is reached through system_answers, so tests
// can watch the calls and play a shell that is not ready.

#include <windows.h>
#include <shellapi.h>

class TrayIcon {
 public:
  static constexpr UINT kId = 100;
  static constexpr UINT kCallbackMessage = WM_USER + 0x1000;  // 0x1400
  // How long an icon that could not be added is tried again, at every
  // tick: explorer may run but not take icons yet when the clock starts
  // with Windows, and no "TaskbarCreated" follows then.
  static constexpr DWORD kRetryMilliseconds = 60000;

  TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Adds the icon of `owner`; when the shell does not take it, the retries
  // begin.
  void Add(HWND owner, HINSTANCE instance);
  // At a tick: adds the icon that could not be added yet, until the
  // retries' time is up.
  void Retry();
  // A new taskbar (explorer restarted): the icon is added again.
  void AddAgain();
  void Delete();

  // The record passed to the shell (for tests).
  const NOTIFYICONDATAW& Data() const { return data; }

 private:
  // Adds the icon, or finds it there already; true when it is shown.
  bool Show();

  NOTIFYICONDATAW data;
  // The icon is being tried again since `retryStart` (tick count).
  bool retrying;
  DWORD retryStart;
};
