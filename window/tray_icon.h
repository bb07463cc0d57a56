#pragma once
// The clock's icon in the notification area: added at start, tried again
// while the shell is not ready, added again when a new taskbar appears, and
// deleted at exit. It speaks the current protocol (NOTIFYICON_VERSION_4),
// so it can be reached from the keyboard; its tooltip names the clock and
// the date; its image follows the display scale. The shell is reached
// through system_answers, so tests can watch the calls and play a shell
// that is not ready or a scale that changed.

#include <windows.h>
#include <shellapi.h>

#include <ctime>

#include "app/handles.h"
#include "core/japanese_calendar.h"

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
  // A new taskbar (explorer restarted): the icon is added again, with the
  // same protocol version.
  void AddAgain();
  void Delete();

  // The tooltip shows the date of `localTime`; the shell is told only when
  // the date differs from the one shown.
  void ShowDate(const std::tm& localTime, const zorvane::EraList& eras);
  // The display scale may have changed: the image of the size the
  // notification area now asks for, when that size differs.
  void ChangeScale();

  // What a notification asks for: a menu, and where to open it.
  enum class Menu { None, Full, ExitOnly };
  struct Request {
    Menu menu;
    bool atCursor;  // a mouse click: at the cursor; the keyboard: at `at`, the icon
    POINT at;
  };
  // Reads the callback message's parameters, whichever protocol the shell
  // took. Any values are safe: nothing is read through them.
  Request Decode(WPARAM wParam, LPARAM lParam);

  // The record passed to the shell (for tests).
  const NOTIFYICONDATAW& Data() const { return data; }

 private:
  // Adds the icon, or finds it there already, and asks for the current
  // protocol; true when it is shown.
  bool Show();
  // Loads the image at `size` pixels into `icon` and `data.hIcon`, the old
  // one freed.
  void LoadImageAt(int size);

  NOTIFYICONDATAW data;
  // The image `data.hIcon` shows, owned here.
  handles::Icon icon;
  HINSTANCE instance;
  int iconSize;
  bool shown;
  // The shell took NOTIFYICON_VERSION_4: the event comes in lParam's low
  // word, the icon id in its high word, the icon's place in wParam.
  bool version4;
  // The last mouse button released over the icon: the shell follows it
  // with NIN_SELECT (left) or WM_CONTEXTMENU (right), which belong to that
  // click and open nothing more.
  UINT lastButtonUp;
  // When the last NIN_KEYSELECT opened a menu (tick count): Windows sends
  // one or two for one key press, the second while that menu is open.
  bool keySelected;
  DWORD keySelectedAt;
  // The date the tooltip shows.
  int tipYear, tipMonth, tipDay;
  // The clock's retries since `retryStart` (tick count).
  bool retrying;
  DWORD retryStart;
};
