#include "window/clock_window.h"

#include <wtsapi32.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "clock/system_answers.h"
#include "core/tick_phase.h"
#include "res/resource.h"
#include "settings/clock_settings.h"
#include "settings/settings_dialog.h"
#include "settings/settings_messages.h"
#include "window/start_with_windows.h"

namespace {

// GUID_SESSION_DISPLAY_STATUS, spelled out here: taking the system library's
// copy links in its whole table of power GUIDs, some 6 KB. The display of
// this session: in a Remote Desktop session the console's display
// (GUID_CONSOLE_DISPLAY_STATE) is the host's monitor, not the user's.
constexpr GUID kDisplayState = {0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};

// The display scales a DPI change may name: 50 % to 1000 %. Any other value
// did not come from the system.
constexpr UINT kMinDpi = 48;
constexpr UINT kMaxDpi = 960;

// Whether the message being handled was sent from another thread, as the
// system sends its notifications. A posted message (any program of the
// user can post one) or a call from this thread is not.
bool SentByAnotherThread() { return (InSendMessageEx(nullptr) & ISMEX_SEND) != 0; }

// Whether `bytes` from `p` can be read: another program can send any value
// as a pointer.
bool Readable(const void* p, size_t bytes) {
  uintptr_t at = reinterpret_cast<uintptr_t>(p);
  const uintptr_t end = at + bytes;
  if (p == nullptr || end < at) return false;
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  while (at < end) {
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == 0) return false;
    if (region.State != MEM_COMMIT || (region.Protect & kReadable) == 0 || (region.Protect & PAGE_GUARD) != 0) {
      return false;
    }
    at = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
  }
  return true;
}

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

ClockWindow::ClockWindow()
    : taskbarCreatedMessage(RegisterWindowMessageA("TaskbarCreated")),
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
    case WM_GETOBJECT:    return OnGetObject(window, wParam, lParam);
    case kCloseDialogsMessage: OnCloseDialogs(window); return 0;
    case AnchorTracker::kFollowMessage: OnAnchorChanged(); return 0;
    case WM_DPICHANGED:   OnDpiChanged(wParam); tray.ChangeScale(); return 0;
    case WM_TIMECHANGE:   OnClockChanged(window); return 0;
    case WM_DISPLAYCHANGE: view.DisplayChanged(); tray.ChangeScale(); return 0;
    case WM_SYSCOLORCHANGE: view.DisplayChanged(); return 0;
    case WM_THEMECHANGED: view.DisplayChanged(); return 0;
    case WM_SETTINGCHANGE: OnSettingChange(wParam); return 0;
    case WM_WINDOWPOSCHANGING:
      OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_WTSSESSION_CHANGE: OnSessionChange(window, wParam); return 0;
    case WM_ENDSESSION:   OnEndSession(window, wParam != FALSE, lParam); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;  // the keyboard stays with the user's window
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) OnClockChanged(window);
      if (wParam == PBT_POWERSETTINGCHANGE) OnPowerSetting(window, lParam);
      return TRUE;
    default:
      if (message == taskbarCreatedMessage && message != 0) {
        OnTaskbarCreated();
        return 0;
      }
      return system_answers::Current().defaultProcedure(window, message, wParam, lParam);
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

  tray.ShowDate(view.LocalTime(), view.Eras());
  tray.Add(window, create->hInstance);
  accessibility.Start();

  // Told when the session is locked and when the display goes off, so as
  // not to tick while no one can see.
  WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
  displayNotification.Reset(RegisterPowerSettingNotification(window, &kDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE));

  // An elevated clock still hears a new taskbar and its icon's clicks:
  // messages from a lower integrity level are filtered out otherwise.
  if (auto allow = system_answers::Current().allowMessage) {
    for (UINT message : {taskbarCreatedMessage, kTrayCallbackMessage}) {
      if (message != 0) allow(window, message, MSGFLT_ALLOW, nullptr);
    }
  }
  return 0;
}

void ClockWindow::OnTaskbarCreated() { tray.AddAgain(); }

void ClockWindow::OnDestroy(HWND window) {
  StopTicks(window);
  view.ListenToAnchor(false);
  WTSUnRegisterSessionNotification(window);
  displayNotification.Reset();
  tray.Delete();
  accessibility.Detach();
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
  tray.Retry();
  view.Render();
  AfterRender(window);
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
  // the right time now and phase the ticks again. The zone is read again
  // always, so that the ticks after an open settings dialog or a quiet
  // spell show it; the drawing waits while the dialog is open (the clock
  // is stopped) and while no one can see.
  _tzset();  // localtime follows a new time zone
  if (settings != nullptr || Quiet()) return;
  view.ReadTime();
  view.Render();
  AfterRender(window);
  StartTicks(window);
}

void ClockWindow::OnSettingChange(WPARAM action) {
  // The frame's metrics or high contrast changed: the cached placement
  // and picture are made again at the next tick.
  if (action == SPI_SETNONCLIENTMETRICS || action == SPI_SETHIGHCONTRAST) view.DisplayChanged();
  // A new display scale is announced this way too.
  tray.ChangeScale();
}

void ClockWindow::AfterRender(HWND window) {
  accessibility.TextShown(window, view.DisplayText());
  tray.ShowDate(view.LocalTime(), view.Eras());
}

LRESULT ClockWindow::OnGetObject(HWND window, WPARAM flags, LPARAM objectId) {
  if (const LRESULT result = accessibility.OnGetObject(window, flags, objectId, view.DisplayText())) return result;
  return system_answers::Current().defaultProcedure(window, WM_GETOBJECT, flags, objectId);
}

void ClockWindow::OnStartWithWindows(HWND window) {
  wchar_t exe[MAX_PATH * 4];
  const bool known = start_with_windows::ThisExecutable(exe, sizeof exe / sizeof exe[0]);
  const bool on = known && start_with_windows::IsOn(start_with_windows::kUserKeys, exe);
  if (known && start_with_windows::Set(start_with_windows::kUserKeys, exe, !on)) return;
  // As a failed settings save: one box, and the clock goes on.
  MessageBoxW(window,
              on ? L"Windows の起動時に開始する設定を解除できませんでした。レジストリに書き込めません。"
                 : L"Windows の起動時に開始する設定にできませんでした。レジストリに書き込めません。",
              L"Zorvane", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

void ClockWindow::OnWindowPosChanging(WINDOWPOS* position) {
  // A window that is to stay hidden is not shown by anyone else either (a
  // second copy shows the running one): it would stand there frozen.
  if (position != nullptr && view.KeepsHidden()) position->flags &= ~SWP_SHOWWINDOW;
}

void ClockWindow::OnSessionChange(HWND window, WPARAM event) {
  const bool wasQuiet = Quiet();
  // The system sends its notifications; a posted lock from another program
  // would stop the clock. An unlock only lets it go on, however it came.
  if (event == WTS_SESSION_LOCK && SentByAnotherThread()) locked = true;
  if (event == WTS_SESSION_UNLOCK) locked = false;
  SetQuiet(window, wasQuiet);
}

void ClockWindow::OnPowerSetting(HWND window, LPARAM record) {
  // Only the system's own notification carries a record, and the system
  // sends it: a posted one carries whatever another program put there.
  // Even a sent one is read only as far as it can be.
  if (!SentByAnotherThread()) return;
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(record);
  constexpr size_t kHead = offsetof(POWERBROADCAST_SETTING, Data);
  if (!Readable(setting, kHead) || setting->PowerSetting != kDisplayState ||
      setting->DataLength < sizeof(DWORD) || !Readable(setting, kHead + sizeof(DWORD))) {
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

void ClockWindow::OnEndSession(HWND window, bool ending, LPARAM reason) {
  // Only the system ends the session, and it sends the message: a posted
  // one would leave a clock that no longer ticks.
  if (!ending || !SentByAnotherThread()) return;
  if (reason & ENDSESSION_CLOSEAPP) {
    // An installer or the Restart Manager closes the clock, and the process
    // need not end by itself: the clock ends as through its Exit command.
    OnClose(window);
    return;
  }
  // Log-off or shut-down: the process may end without another message, so
  // the captions go back now, within the bounded wait of an exit.
  StopTicks(window);
  view.EndSession();
}

void ClockWindow::OnAnchorChanged() {
  // The clock follows at once, as the next tick would. Not while the
  // settings dialog is open (the clock stands hidden and still), nor while
  // no one can see it.
  view.Follow(settings == nullptr && !Quiet());
}

void ClockWindow::OnDpiChanged(WPARAM dpis) {
  // The docking rules place the window at the next tick, not the
  // rectangle the system suggests (it is not read). The system names the
  // same DPI twice; another value would make a font of any size.
  const UINT x = LOWORD(dpis), y = HIWORD(dpis);
  if (x != y || x < kMinDpi || x > kMaxDpi) return;
  view.ChangeDpi(x);
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
    case IDM_START_WITH_WINDOWS: OnStartWithWindows(window); break;
    default: break;
  }
}

void ClockWindow::OnSettings(HWND window) {
  StopTicks(window);
  // The dialogs edit a copy of the settings as the file holds them now:
  // a hand edit made while the clock runs shows in them.
  SettingsDialog dialog(clock_settings::Load(instance));
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
  // The clock takes up what the file holds, read once: after OK all of it;
  // otherwise the font alone, which the font dialog stores on its own OK,
  // so it is taken again whatever the settings dialog's result.
  const zorvane::Settings stored = clock_settings::Load(instance);
  zorvane::Settings next = view.CurrentSettings();
  if (result == IDOK) {
    next = stored;
  } else {
    next.font = stored.font;
  }
  view.SetSettings(next);
  if (result == IDOK) {
    view.LoadFormat();
    view.LoadBrush();
    view.LoadTitleMode();
  }
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
    return system_answers::Current().defaultProcedure(window, WM_SYSCOMMAND, command, lParam);
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

void ClockWindow::OnTrayNotify(HWND window, WPARAM wParam, LPARAM lParam) {
  // Moves, button-downs and double clicks open nothing.
  const TrayIcon::Request request = tray.Decode(wParam, lParam);
  if (request.menu == TrayIcon::Menu::None) return;
  if (settings != nullptr) {
    // While the settings are open the icon leads back to them.
    if (HWND front = FrontDialog()) SetForegroundWindow(front);
    return;
  }
  const handles::Menu menu{LoadMenuA(instance, MAKEINTRESOURCEA(IDR_POPUP))};
  const int submenu = request.menu == TrayIcon::Menu::Full ? 0 : 1;
  if (menu) {
    if (HMENU popup = GetSubMenu(menu.Get(), submenu)) {
      if (request.atCursor) {
        TrackAtCursor(window, popup);
      } else {
        TrackAt(window, popup, request.at);  // opened from the keyboard: at the icon
      }
    }
  }
}

void ClockWindow::TrackMenu(HWND window, int submenu) {
  const handles::Menu menu{LoadMenuA(instance, MAKEINTRESOURCEA(IDR_POPUP))};
  if (HMENU popup = GetSubMenu(menu.Get(), submenu)) TrackAtCursor(window, popup);
}

void ClockWindow::TrackAtCursor(HWND window, HMENU popup) {
  POINT cursor{};
  GetCursorPos(&cursor);
  TrackAt(window, popup, cursor);
}

void ClockWindow::TrackAt(HWND window, HMENU popup, POINT at) {
  // The full menu's tick says whether Windows starts the clock now: the
  // user may have changed it in the system's start-up list meanwhile.
  wchar_t exe[MAX_PATH * 4];
  const bool on = start_with_windows::ThisExecutable(exe, sizeof exe / sizeof exe[0]) &&
                  start_with_windows::IsOn(start_with_windows::kUserKeys, exe);
  CheckMenuItem(popup, IDM_START_WITH_WINDOWS, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  // The menu must belong to the foreground window, or it stays open when
  // the user clicks elsewhere; the clock takes the foreground for the menu
  // only and gives it back to the window that had it, unless the chosen
  // command opens the settings, which then come to the front.
  const HWND before = GetForegroundWindow();
  SetForegroundWindow(window);
  const int command = static_cast<int>(
      TrackPopupMenu(popup, kMenuFlags | TPM_RETURNCMD, at.x, at.y, 0, window, nullptr));
  // As the menu's documentation asks for notification icons: without a
  // message after it, the next menu may close as soon as it opens.
  PostMessageA(window, WM_NULL, 0, 0);
  if (command != IDM_SETTINGS && before != nullptr && before != window && IsWindow(before)) {
    SetForegroundWindow(before);
  }
  if (command != 0) OnCommand(window, command);
}
