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
#include "window/deferred_messages.h"
#include "window/popup_menus.h"
#include "window/settings_session.h"
#include "window/tray_icon.h"

class ClockWindow : public ClockApp {
 public:
  static constexpr UINT_PTR kTimerId = 100;
  static constexpr UINT kTrayIconId = TrayIcon::kId;
  static constexpr UINT kTrayCallbackMessage = TrayIcon::kCallbackMessage;  // 0x1400
  static constexpr UINT kCloseDialogsMessage = SettingsSession::kCloseDialogsMessage;
  // Posted to itself when messages were kept while the clock waited in its
  // own call; they are handled when it arrives.
  static constexpr UINT kDeferredMessage = WM_APP + 2;

  ClockWindow();
  ~ClockWindow() override;

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The settings the window starts with, read before it is created (they
  // decide its caption); the defaults unless given.
  void UseSettings(const zorvane::Settings& value) { view.Apply(value); }

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
  void OnDpiChanged(WPARAM dpis);
  void OnClockChanged(HWND window);
  void OnSettingChange(WPARAM action);
  void OnWindowPosChanging(WINDOWPOS* position);
  void OnSessionChange(HWND window, WPARAM event);
  void OnPowerSetting(HWND window, LPARAM record);
  void OnEndSession(HWND window, bool ending, LPARAM reason);
  // The system reported a change of the anchor or the foreground.
  void OnAnchorChanged();
  // While the view waits in a caption send or moves its window, a message
  // whose work would touch what that call holds is kept (true; `answer` is
  // its reply) and handled again by OnDeferred once the call has returned.
  bool Defer(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer);
  void OnDeferred(HWND window);
  // Whether the message being handled was sent from another thread, as the
  // system sends its notifications (or, handled again, was when it came).
  // A posted message (any program of the user can post one) or a call from
  // this thread is not.
  bool SentByAnotherThread() const;
  // While the session is locked or the display is off no one can see the
  // clock: it does not tick. Once the session ends it stays so.
  bool Quiet() const { return locked || displayOff || sessionEnded; }
  // Stops the ticks on entering the quiet state; on leaving it, draws at
  // once and phases the ticks again.
  void SetQuiet(HWND window, bool wasQuiet);

  // Starts the ticks, the first just after the next half second of the
  // wall clock.
  void StartTicks(HWND window);
  // After a tick: sets the timer again only when that tick was off phase.
  void ScheduleTick(HWND window);
  void StopTicks(HWND window);

  ClockView view;
  TrayIcon tray;
  ClockAccessible accessibility;
  // Sent by the shell when a new taskbar appears (after explorer restarts):
  // the tray icon must be added again.
  UINT taskbarCreatedMessage;
  PopupMenus menus;
  SettingsSession session;
  // The period the clock timer repeats at; 0 while it is stopped.
  int timerPeriod;
  bool locked;
  bool displayOff;
  bool sessionEnded;
  handles::PowerNotification displayNotification;
  DeferredMessages deferred;
  // A kept system notification is being handled again: it was sent.
  bool replayingSent;
};
