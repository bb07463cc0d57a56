#pragma once
// The program's one top-level window: runs the clock timer, paints the
// clock view's picture, keeps the tray icon and carries out the commands of
// its popup menus.

#include <windows.h>
#include <shellapi.h>

#include "app/clock_app.h"
#include "app/handles.h"
#include "clock/clock_view.h"
#include "window/clock_accessible.h"
#include "window/tray_icon.h"

class SettingsDialog;

class ClockWindow : public ClockApp {
 public:
  static constexpr UINT_PTR kTimerId = 100;
  static constexpr UINT kTrayIconId = TrayIcon::kId;
  static constexpr UINT kTrayCallbackMessage = TrayIcon::kCallbackMessage;  // 0x1400
  // Posted to itself while exit waits for open dialogs to close, one level
  // at a time.
  static constexpr UINT kCloseDialogsMessage = WM_APP + 1;

  ClockWindow();
  ~ClockWindow() override;

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The settings the window starts with, read before it is created (they
  // decide its caption); the defaults unless given.
  void UseSettings(const zorvane::Settings& value) { view.SetSettings(value); }

  // The window procedure of the clock's window class: binds the object at
  // WM_CREATE and runs OnCreate there.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  static constexpr DWORD kTrayRetryMilliseconds = TrayIcon::kRetryMilliseconds;

 private:
  LRESULT OnCreate(HWND window, const CREATESTRUCTA* create);
  void OnDestroy(HWND window);
  void OnPaint(HWND window);
  void OnTimer(HWND window, UINT_PTR timerId);
  void OnCommand(HWND window, int commandId);
  LRESULT OnSysCommand(HWND window, WPARAM command, LPARAM lParam);
  void OnLeftButtonUp(HWND window);
  void OnRightButtonUp(HWND window);
  void OnTrayNotify(HWND window, WPARAM wParam, LPARAM lParam);
  LRESULT OnGetObject(HWND window, WPARAM flags, LPARAM objectId);
  // The start-up entry is set when it was not, removed when it was.
  void OnStartWithWindows(HWND window);
  // After a drawing: screen readers and the tray's tooltip follow the text
  // and the date.
  void AfterRender(HWND window);
  void OnTaskbarCreated();
  void OnSettings(HWND window);
  void OnClose(HWND window);
  void OnCloseDialogs(HWND window);
  void OnDpiChanged(WPARAM dpis);
  void OnClockChanged(HWND window);
  void OnSettingChange(WPARAM action);
  void OnWindowPosChanging(WINDOWPOS* position);
  void OnSessionChange(HWND window, WPARAM event);
  void OnPowerSetting(HWND window, LPARAM record);
  void OnEndSession(HWND window, bool ending, LPARAM reason);
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
  void TrackAt(HWND window, HMENU popup, POINT at);
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
  TrayIcon tray;
  ClockAccessible accessibility;
  // Sent by the shell when a new taskbar appears (after explorer restarts):
  // the tray icon must be added again.
  UINT taskbarCreatedMessage;
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
  handles::PowerNotification displayNotification;
};
