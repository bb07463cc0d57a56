#include "window/clock_window.h"

#include <wtsapi32.h>

#include <cstring>
#include <ctime>

#include "core/tick_phase.h"
#include "res/resource.h"
#include "settings/settings_dialog.h"
#include "settings/settings_messages.h"

namespace {

// GUID_CONSOLE_DISPLAY_STATE, spelled out here: taking the system library's
// copy links in its whole table of power GUIDs, some 6 KB.
constexpr GUID kDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_VERPOSANIMATION
constexpr UINT kMenuFlags = 0x1002;

// The fifteen position commands, in command id order from IDM_TOP_OUT_LEFT.
struct Position {
  int row;
  int column;
};
constexpr Position kPositions[] = {
    {zorvane::TopOutside, zorvane::Left},    {zorvane::TopOutside, zorvane::Centre},
    {zorvane::TopOutside, zorvane::Right},   {zorvane::TopInside, zorvane::Left},
    {zorvane::TopInside, zorvane::Centre},   {zorvane::TopInside, zorvane::Right},
    {zorvane::BottomInside, zorvane::Left},  {zorvane::BottomInside, zorvane::Centre},
    {zorvane::BottomInside, zorvane::Right}, {zorvane::BottomOutside, zorvane::Left},
    {zorvane::BottomOutside, zorvane::Centre}, {zorvane::BottomOutside, zorvane::Right},
    {zorvane::Taskbar, zorvane::Left},       {zorvane::Taskbar, zorvane::Centre},
    {zorvane::Taskbar, zorvane::Right},
};
static_assert(IDM_TASKBAR_RIGHT - IDM_TOP_OUT_LEFT + 1 == sizeof kPositions / sizeof kPositions[0],
              "one position per command");

}  // namespace

ClockWindow::System ClockWindow::system = {DefWindowProcA, Shell_NotifyIconA, GetTickCount};

ClockWindow::ClockWindow()
    : trayData{},
      trayIcon(nullptr),
      taskbarCreatedMessage(RegisterWindowMessageA("TaskbarCreated")),
      trayRetrying(false),
      trayRetryStart(0),
      settings(nullptr),
      exitAfterSettings(false),
      closeDialogRounds(0),
      timerPeriod(0),
      locked(false),
      displayOff(false),
      displayNotification(nullptr) {}

ClockWindow::~ClockWindow() = default;

LRESULT CALLBACK ClockWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ClockApp* object = BoundObject(window)) {
    return object->HandleMessage(window, message, wParam, lParam);
  }
  if (message == WM_CREATE) {
    auto* object = static_cast<ClockWindow*>(BindAtCreate(window, lParam));
    object->OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    return 1;  // creation always goes on
  }
  // WM_NCCREATE, WM_GETMINMAXINFO, WM_NCCALCSIZE arrive before binding.
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT ClockWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:      OnDestroy(window); return 0;
    case WM_CLOSE:        OnClose(window); return 0;
    case WM_PAINT:        OnPaint(window); return 0;
    case WM_COMMAND:      OnCommand(window, LOWORD(wParam)); return 0;
    case WM_SYSCOMMAND:   return OnSysCommand(window, wParam, lParam);
    case WM_TIMER:        OnTimer(window, wParam); return 0;
    case WM_LBUTTONUP:    OnLeftButtonUp(window); return 0;
    case WM_RBUTTONUP:    OnRightButtonUp(window); return 0;
    case kTrayCallbackMessage: OnTrayNotify(window, wParam, lParam); return 0;
    case kCloseDialogsMessage: OnCloseDialogs(window); return 0;
    case AnchorTracker::kFollowMessage: OnAnchorChanged(); return 0;
    case WM_DPICHANGED:   OnDpiChanged(LOWORD(wParam)); return 0;
    case WM_TIMECHANGE:   OnClockChanged(window); return 0;
    case WM_DISPLAYCHANGE: view.DisplayChanged(); return 0;
    case WM_THEMECHANGED: view.DisplayChanged(); return 0;
    case WM_SETTINGCHANGE: OnSettingChange(wParam); return 0;
    case WM_WINDOWPOSCHANGING:
      OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_WTSSESSION_CHANGE: OnSessionChange(window, wParam); return 0;
    case WM_ENDSESSION:   OnEndSession(window, wParam != FALSE); return 0;
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) OnClockChanged(window);
      if (wParam == PBT_POWERSETTINGCHANGE) {
        OnPowerSetting(window, reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam));
      }
      return TRUE;
    default:
      if (message == taskbarCreatedMessage && message != 0) {
        OnTaskbarCreated();
        return 0;
      }
      return system.defaultProcedure(window, message, wParam, lParam);
  }
}

LRESULT ClockWindow::OnCreate(HWND window, const CREATESTRUCTA* create) {
  view.Attach(window, create->hInstance);
  view.ListenToAnchor(true);
  StartTicks(window);

  // The clock cannot be moved, sized, minimised or restored by the system
  // menu; its position comes from the docking rules alone.
  HMENU systemMenu = GetSystemMenu(window, FALSE);
  MENUITEMINFOA grey{};
  grey.cbSize = sizeof grey;
  grey.fMask = MIIM_STATE;
  grey.fState = MFS_GRAYED;
  for (UINT command : {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MAXIMIZE, SC_MINIMIZE}) {
    SetMenuItemInfoA(systemMenu, command, FALSE, &grey);
  }

  trayIcon = LoadIconForMetrics(create->hInstance, IDI_TRAY, SM_CXSMICON, SM_CYSMICON);
  trayData.cbSize = NOTIFYICONDATAA_V2_SIZE;
  trayData.hWnd = window;
  trayData.uID = kTrayIconId;
  trayData.uFlags = NIF_MESSAGE | NIF_ICON;  // no tooltip
  trayData.uCallbackMessage = kTrayCallbackMessage;
  trayData.hIcon = trayIcon;
  if (!AddTrayIcon()) {
    trayRetrying = true;
    trayRetryStart = system.tickCount();
  }

  // Told when the session is locked and when the display goes off, so as
  // not to tick while no one can see.
  WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
  displayNotification =
      RegisterPowerSettingNotification(window, &kDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
  return 0;
}

bool ClockWindow::AddTrayIcon() {
  // An add that timed out may still have put the icon there; then only a
  // change of it succeeds.
  return system.notifyIcon(NIM_ADD, &trayData) || system.notifyIcon(NIM_MODIFY, &trayData);
}

void ClockWindow::RetryTrayIcon() {
  if (!trayRetrying) return;
  if (system.tickCount() - trayRetryStart > kTrayRetryMilliseconds) {
    trayRetrying = false;  // explorer is not coming; "TaskbarCreated" may still bring it
    return;
  }
  if (AddTrayIcon()) trayRetrying = false;
}

void ClockWindow::OnTaskbarCreated() {
  if (trayData.hWnd == nullptr) return;
  if (system.notifyIcon(NIM_ADD, &trayData)) trayRetrying = false;
}

void ClockWindow::OnDestroy(HWND window) {
  StopTicks(window);
  view.ListenToAnchor(false);
  WTSUnRegisterSessionNotification(window);
  if (displayNotification != nullptr) UnregisterPowerSettingNotification(displayNotification);
  displayNotification = nullptr;
  trayRetrying = false;
  system.notifyIcon(NIM_DELETE, &trayData);
  PostQuitMessage(0);
}

void ClockWindow::OnPaint(HWND window) {
  // All drawing happens at the tick; painting copies the picture.
  gdi::PaintDC paint(window);
  const RECT* text = view.GetTextRect();
  if (HDC picture = view.PictureDC()) {
    BitBlt(paint.Get(), 0, 0, text->right - text->left, text->bottom - text->top, picture, 0, 0, SRCCOPY);
  }
}

void ClockWindow::OnTimer(HWND window, UINT_PTR timerId) {
  // The wait between two placements that follow the anchor: no tick, and
  // the time shown stays that of the last tick.
  if (timerId == AnchorTracker::kFollowTimerId) {
    OnAnchorChanged();
    return;
  }
  view.ReadTime();
  if (timerId != kTimerId) return;
  RetryTrayIcon();
  view.Render();
  ScheduleTick(window);
}

void ClockWindow::StartTicks(HWND window) {
  // Two ticks a second, phased on the wall clock's half seconds: a timer
  // started at any moment would show each second up to half a second late.
  view.ReadTime();
  timerPeriod = zorvane::MillisecondsToNextTick(view.Millisecond());
  SetTimer(window, kTimerId, static_cast<UINT>(timerPeriod), nullptr);
}

void ClockWindow::ScheduleTick(HWND window) {
  // The timer repeats; it is set again only when a tick strays from the
  // phase (the timer ran late or early, the clock was set), which also
  // catches a phase that drifts.
  const int next = zorvane::TimerAfterTick(view.Millisecond(), timerPeriod);
  if (next == 0) return;
  timerPeriod = next;
  SetTimer(window, kTimerId, static_cast<UINT>(timerPeriod), nullptr);
}

void ClockWindow::StopTicks(HWND window) {
  KillTimer(window, kTimerId);
  timerPeriod = 0;
}

void ClockWindow::OnClockChanged(HWND window) {
  // The clock was set, the time zone changed, or the machine woke up: show
  // the right time now and phase the ticks again. Not while the settings
  // dialog is open, when the clock is stopped, nor while no one can see.
  if (settings != nullptr || Quiet()) return;
  _tzset();  // localtime follows a new time zone
  view.ReadTime();
  view.Render();
  StartTicks(window);
}

void ClockWindow::OnSettingChange(WPARAM action) {
  // The frame's metrics or high contrast changed: the cached placement
  // and picture are made again at the next tick.
  if (action == SPI_SETNONCLIENTMETRICS || action == SPI_SETHIGHCONTRAST) view.DisplayChanged();
}

void ClockWindow::OnWindowPosChanging(WINDOWPOS* position) {
  // A window that is to stay hidden is not shown by anyone else either (a
  // second copy shows the running one): it would stand there frozen.
  if (position != nullptr && view.KeepsHidden()) position->flags &= ~SWP_SHOWWINDOW;
}

void ClockWindow::OnSessionChange(HWND window, WPARAM event) {
  const bool wasQuiet = Quiet();
  if (event == WTS_SESSION_LOCK) locked = true;
  if (event == WTS_SESSION_UNLOCK) locked = false;
  SetQuiet(window, wasQuiet);
}

void ClockWindow::OnPowerSetting(HWND window, const POWERBROADCAST_SETTING* setting) {
  if (setting == nullptr || setting->PowerSetting != kDisplayState ||
      setting->DataLength < sizeof(DWORD)) {
    return;
  }
  // 0 off, 1 on, 2 dimmed (still seen).
  DWORD state = 0;
  std::memcpy(&state, setting->Data, sizeof state);
  const bool wasQuiet = Quiet();
  displayOff = state == 0;
  SetQuiet(window, wasQuiet);
}

void ClockWindow::SetQuiet(HWND window, bool wasQuiet) {
  if (Quiet() == wasQuiet) return;
  // No one can see the clock follow: the system need not tell it.
  view.ListenToAnchor(!Quiet());
  if (settings != nullptr) return;  // the settings session restarts the ticks
  if (Quiet()) {
    StopTicks(window);
  } else {
    OnClockChanged(window);  // the time now, and the ticks phased again
  }
}

void ClockWindow::OnEndSession(HWND window, bool ending) {
  // Log-off or shut-down: the process may end without another message, so
  // the captions go back now, within the bounded wait of an exit.
  if (!ending) return;
  StopTicks(window);
  view.EndSession();
}

void ClockWindow::OnAnchorChanged() {
  // The clock follows at once, as the next tick would. Not while the
  // settings dialog is open (the clock stands hidden and still), nor while
  // no one can see it.
  view.Follow(settings == nullptr && !Quiet());
}

void ClockWindow::OnDpiChanged(UINT newDpi) {
  // The docking rules place the window at the next tick, not the
  // rectangle the system suggests.
  view.ChangeDpi(newDpi);
}

void ClockWindow::OnCommand(HWND window, int commandId) {
  if (commandId >= IDM_TOP_OUT_LEFT && commandId <= IDM_TASKBAR_RIGHT) {
    // The window moves at the next tick's placement.
    const Position& p = kPositions[commandId - IDM_TOP_OUT_LEFT];
    view.row = p.row;
    view.column = p.column;
    return;
  }
  switch (commandId) {
    case IDM_EXIT:      PostMessageA(window, WM_CLOSE, 0, 0); break;
    case IDM_SETTINGS:
      // One settings session at a time: a second request shows the open one.
      if (settings != nullptr) {
        if (HWND front = FrontDialog()) SetForegroundWindow(front);
      } else {
        OnSettings(window);
      }
      break;
    case IDM_MOVE_NEXT: view.StepForward(); break;
    case IDM_MOVE_PREV: view.StepBack(); break;
    default: break;
  }
}

void ClockWindow::OnSettings(HWND window) {
  StopTicks(window);
  SettingsDialog dialog;
  ShowWindow(window, SW_HIDE);
  // The clock stands still while the dialog is open: in title mode the
  // caption goes back meanwhile, and the next tick takes it again.
  view.RestoreCaption();
  settings = &dialog;
  const INT_PTR result = dialog.Show(0, instance, window, IDD_SETTINGS, this);
  settings = nullptr;
  if (result == -1) {
    // The clock goes on as it was: shown again at the next tick in normal
    // mode, its caption kept in title mode.
    ShowOpenFailure(window, L"設定ダイアログ");
  }
  if (result == IDOK) {
    view.LoadFormat();
    view.LoadBrush();
    view.LoadTitleMode();
  }
  // The font dialog stores its choice on its own OK, so the font is read
  // again whatever the settings dialog's result.
  view.LoadFont();
  if (!Quiet()) StartTicks(window);
  if (exitAfterSettings) PostMessageA(window, WM_CLOSE, 0, 0);
}

void ClockWindow::OnClose(HWND window) {
  if (settings == nullptr) {
    DestroyWindow(window);
    return;
  }
  // Destroying the clock now would pull the open dialogs down under the
  // user: they close as cancelled first, innermost first, and the settings
  // sequence then ends the program.
  exitAfterSettings = true;
  closeDialogRounds = 0;
  OnCloseDialogs(window);
}

void ClockWindow::OnCloseDialogs(HWND window) {
  // Each round cancels the innermost dialog; its modal loop ends after that
  // message, and this message, queued behind it, reaches the next level.
  constexpr int kMaxRounds = 16;
  if (settings == nullptr || ++closeDialogRounds > kMaxRounds) return;
  if (HWND front = FrontDialog()) PostMessageA(front, WM_COMMAND, IDCANCEL, 0);
  PostMessageA(window, kCloseDialogsMessage, 0, 0);
}

HWND ClockWindow::FrontDialog() const {
  // The window of the session that can take input: its owner chain leads
  // to the settings dialog, and no dialog above it has disabled it.
  struct Search {
    HWND root;
    HWND found;
  } search{settings != nullptr ? settings->GetHwnd() : nullptr, nullptr};
  if (search.root == nullptr) return nullptr;  // not created yet, or already ended
  search.found = search.root;
  EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) -> BOOL {
    auto* s = reinterpret_cast<Search*>(p);
    if (!IsWindowVisible(w) || !IsWindowEnabled(w)) return TRUE;
    for (HWND o = w; o != nullptr; o = GetWindow(o, GW_OWNER)) {
      if (o == s->root) {
        s->found = w;
        return FALSE;
      }
    }
    return TRUE;
  }, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

LRESULT ClockWindow::OnSysCommand(HWND window, WPARAM command, LPARAM lParam) {
  // The screen saver and the monitor's power saving belong to the user's
  // session: the clock, often the foreground window after a click, never
  // holds them off.
  const WPARAM kind = command & 0xFFF0;
  if (kind == SC_SCREENSAVE || kind == SC_MONITORPOWER) {
    return system.defaultProcedure(window, WM_SYSCOMMAND, command, lParam);
  }
  // Nothing else reaches the system: no drag, size, minimise or maximise.
  // The whole value is compared: a caption drag (SC_MOVE with a hit-test
  // code in the low bits) does nothing.
  if (command == SC_MOVE) {
    view.StepForward();
  } else if (command == SC_CLOSE) {
    SendMessageA(window, WM_COMMAND, IDM_EXIT, 0);
  }
  return 0;
}

void ClockWindow::OnLeftButtonUp(HWND) { view.StepForward(); }

void ClockWindow::OnRightButtonUp(HWND window) { TrackMenu(window, 0); }

void ClockWindow::OnTrayNotify(HWND window, WPARAM iconId, LPARAM mouseMessage) {
  if (iconId != kTrayIconId) return;
  if (settings != nullptr) {
    // While the settings are open the icon leads back to them.
    if (mouseMessage == WM_LBUTTONUP || mouseMessage == WM_RBUTTONUP) {
      if (HWND front = FrontDialog()) SetForegroundWindow(front);
    }
    return;
  }
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_POPUP));
  int submenu = -1;  // moves, button-downs and double clicks open nothing
  if (mouseMessage == WM_LBUTTONUP) submenu = 0;
  if (mouseMessage == WM_RBUTTONUP) submenu = 1;
  if (submenu >= 0 && menu != nullptr) {
    if (HMENU popup = GetSubMenu(menu, submenu)) {
      // The menu must belong to the foreground window, or it stays open
      // when the user clicks elsewhere.
      SetForegroundWindow(window);
      TrackAtCursor(window, popup);
      // As the menu's documentation asks for notification icons: without
      // a message after it, the next menu may close as soon as it opens.
      PostMessageA(window, WM_NULL, 0, 0);
    }
  }
  if (menu != nullptr) DestroyMenu(menu);
}

void ClockWindow::TrackMenu(HWND window, int submenu) {
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_POPUP));
  if (menu == nullptr) return;
  if (HMENU popup = GetSubMenu(menu, submenu)) TrackAtCursor(window, popup);
  DestroyMenu(menu);
}

void ClockWindow::TrackAtCursor(HWND window, HMENU popup) {
  // The chosen item arrives as WM_COMMAND.
  POINT cursor{};
  GetCursorPos(&cursor);
  TrackPopupMenu(popup, kMenuFlags, cursor.x, cursor.y, 0, window, nullptr);
}
