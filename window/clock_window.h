#pragma once
// The program's one top-level window: runs the clock timer, paints the
// clock view's picture, keeps the tray icon and carries out the commands of
// its popup menus.

#include <windows.h>
#include <shellapi.h>

#include "app/clock_app.h"
#include "clock/clock_view.h"

class SettingsDialog;

class ClockWindow : public ClockApp {
 public:
  static constexpr UINT_PTR kTimerId = 100;
  static constexpr UINT kTrayIconId = 100;
  static constexpr UINT kTrayCallbackMessage = WM_USER + 0x1000;  // 0x1400
  // Posted to itself while exit waits for open dialogs to close, one level
  // at a time.
  static constexpr UINT kCloseDialogsMessage = WM_APP + 1;

  ClockWindow();
  ~ClockWindow() override;

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The window procedure of the clock's window class: binds the object at
  // WM_CREATE and runs OnCreate there.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // What the window asks of the system where a test needs to give the
  // answer or to watch: default processing, the tray icon calls and the
  // tick count that bounds the tray icon's retries.
  struct System {
    LRESULT(WINAPI* defaultProcedure)(HWND, UINT, WPARAM, LPARAM);
    BOOL(WINAPI* notifyIcon)(DWORD, PNOTIFYICONDATAA);
    DWORD(WINAPI* tickCount)();
  };
  static System system;

  // How long a tray icon that could not be added is tried again, at every
  // tick: explorer may run but not take icons yet when the clock starts
  // with Windows, and no "TaskbarCreated" follows then.
  static constexpr DWORD kTrayRetryMilliseconds = 60000;

 private:
  LRESULT OnCreate(HWND window, const CREATESTRUCTA* create);
  void OnDestroy(HWND window);
  void OnPaint(HWND window);
  void OnTimer(HWND window, UINT_PTR timerId);
  void OnCommand(HWND window, int commandId);
  LRESULT OnSysCommand(HWND window, WPARAM command, LPARAM lParam);
  void OnLeftButtonUp(HWND window);
  void OnRightButtonUp(HWND window);
  void OnTrayNotify(HWND window, WPARAM iconId, LPARAM mouseMessage);
  void OnTaskbarCreated();
  // Adds the tray icon, or finds it there already; true when it is shown.
  bool AddTrayIcon();
  // At a tick: adds the tray icon that could not be added yet, until the
  // retries' time is up.
  void RetryTrayIcon();
  void OnSettings(HWND window);
  void OnClose(HWND window);
  void OnCloseDialogs(HWND window);
  void OnDpiChanged(UINT newDpi);
  void OnClockChanged(HWND window);
  void OnSettingChange(WPARAM action);
  void OnWindowPosChanging(WINDOWPOS* position);
  void OnSessionChange(HWND window, WPARAM event);
  void OnPowerSetting(HWND window, const POWERBROADCAST_SETTING* setting);
  void OnEndSession(HWND window, bool ending);
  // The system reported a change of the anchor or the foreground.
  void OnAnchorChanged();
  // While the session is locked or the display is off no one can see the
  // clock: it does not tick.
  bool Quiet() const { return locked || displayOff; }
  // Stops the ticks on entering the quiet state; on leaving it, draws at
  // once and phases the ticks again.
  void SetQuiet(HWND window, bool wasQuiet);

  void TrackMenu(HWND window, int submenu);
  void TrackAtCursor(HWND window, HMENU popup);
  // Starts the ticks, the first just after the next half second of the
  // wall clock.
  void StartTicks(HWND window);
  // After a tick: sets the timer again only when that tick was off phase.
  void ScheduleTick(HWND window);
  void StopTicks(HWND window);
  // The innermost open dialog of the settings session: the settings dialog,
  // or what it has opened (font dialog, colour chooser).
  HWND FrontDialog() const;

  ClockView view;
  NOTIFYICONDATAA trayData;
  HICON trayIcon;
  // Sent by the shell when a new taskbar appears (after explorer restarts):
  // the tray icon must be added again.
  UINT taskbarCreatedMessage;
  // The tray icon is being tried again since `trayRetryStart` (tick count).
  bool trayRetrying;
  DWORD trayRetryStart;
  // The settings dialog while a settings session is open; one at a time.
  SettingsDialog* settings;
  // Exit was asked for during the settings session: the dialogs close as
  // cancelled, then the program ends.
  bool exitAfterSettings;
  int closeDialogRounds;
  // The period the clock timer repeats at; 0 while it is stopped.
  int timerPeriod;
  bool locked;
  bool displayOff;
  HPOWERNOTIFY displayNotification;
};
