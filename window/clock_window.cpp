#include "window/clock_window.h"

#include <wtsapi32.h>

#include <cstddef>
#include <cstring>
#include <ctime>

#include "app/system_answers.h"
#include "core/tick_phase.h"
#include "res/resource.h"
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
      session(view),
      timerPeriod(0),
      locked(false),
      displayOff(false),
      sessionEnded(false),
      displayNotification(nullptr),
      replayingSent(false) {}

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
  LRESULT answer = 0;
  if (view.Busy() && Defer(window, message, wParam, lParam, &answer)) return answer;
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
    case kCloseDialogsMessage: session.CloseNextDialog(window); return 0;
    case kDeferredMessage: OnDeferred(window); return 0;
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
  // First: what follows can wait in a send (the shell's tray call, the
  // window's moves), and a screen reader's WM_GETOBJECT can come in there.
  accessibility.Start();
  menus.SetInstance(create->hInstance);
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
  view.ZonesChanged();
  if (session.Open() || Quiet()) return;
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
  // Taken however it came (sent, notified, posted): the system does not
  // promise a send. A lock is confirmed with the session manager where it
  // answers: a lock that arrives after the unlock would freeze the clock.
  if (event == WTS_SESSION_LOCK &&
      system_answers::Current().sessionLock() != system_answers::SessionLock::Unlocked) {
    locked = true;
  }
  if (event == WTS_SESSION_UNLOCK) locked = false;
  SetQuiet(window, wasQuiet);
}

void ClockWindow::OnPowerSetting(HWND window, LPARAM record) {
  // Only the system's own notification carries a record, and the system
  // sends it: a posted one carries whatever another program put there.
  // Even a sent one is read only as far as it can be.
  DWORD state = 0;
  if (!SentByAnotherThread() || !DeferredMessages::DisplayStateOf(record, kDisplayState, &state)) return;
  const bool wasQuiet = Quiet();
  displayOff = state == 0;
  SetQuiet(window, wasQuiet);
}

void ClockWindow::SetQuiet(HWND window, bool wasQuiet) {
  if (Quiet() == wasQuiet) return;
  // No one can see the clock follow: the system need not tell it.
  view.ListenToAnchor(!Quiet());
  if (session.Open()) return;  // the settings session restarts the ticks
  if (Quiet()) {
    StopTicks(window);
  } else {
    OnClockChanged(window);  // the time now, and the ticks phased again
  }
}

void ClockWindow::OnEndSession(HWND window, bool ending, LPARAM reason) {
  // Taken however it came: an installer's close request or a log-off that
  // is ignored leaves captions borrowed and the clock's file in use.
  if (!ending) return;
  if (reason & ENDSESSION_CLOSEAPP) {
    // An installer or the Restart Manager closes the clock, and the process
    // need not end by itself: the clock ends as through its Exit command.
    OnClose(window);
    return;
  }
  // Log-off or shut-down: the process may end without another message, so
  // the captions go back now, within the bounded wait of an exit. Nothing
  // takes them again: no tick, no following, whatever comes after.
  const bool wasQuiet = Quiet();
  sessionEnded = true;
  SetQuiet(window, wasQuiet);
  view.EndSession();
}

bool ClockWindow::SentByAnotherThread() const {
  return replayingSent || (InSendMessageEx(nullptr) & ISMEX_SEND) != 0;
}

bool ClockWindow::Defer(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer) {
  const DeferredMessages::OwnMessages own{AnchorTracker::kFollowMessage, kTrayCallbackMessage, kCloseDialogsMessage,
                                          taskbarCreatedMessage, kDisplayState};
  switch (deferred.Consider(message, wParam, lParam, SentByAnotherThread(), own, answer)) {
    case DeferredMessages::Verdict::HandleNow: return false;
    case DeferredMessages::Verdict::KeptFirst: PostMessageA(window, kDeferredMessage, 0, 0); return true;
    case DeferredMessages::Verdict::Answered: return true;
  }
  return true;
}

void ClockWindow::OnDeferred(HWND window) {
  // Posted messages are not handled inside a send or a move, but a check
  // costs nothing.
  if (view.Busy()) {
    PostMessageA(window, kDeferredMessage, 0, 0);
    return;
  }
  DeferredMessages::Message kept[DeferredMessages::kCapacity];
  const size_t n = deferred.Take(kept);
  for (size_t i = 0; i < n && IsWindow(window); ++i) {
    const DeferredMessages::Message& m = kept[i];
    // The power notification asks who sent it: it gets the answer it had
    // when it came, and opens no dialog or menu in which another message
    // could be taken for sent.
    replayingSent = m.sent && m.message == WM_POWERBROADCAST;
    HandleMessage(window, m.message, m.wParam, m.lParam);
    replayingSent = false;
  }
}

void ClockWindow::OnAnchorChanged() {
  // The clock follows at once, as the next tick would. Not while the
  // settings dialog is open (the clock stands hidden and still), nor while
  // no one can see it.
  view.Follow(!session.Open() && !Quiet());
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
    view.SetPosition(p.row, p.column);
    return;
  }
  switch (commandId) {
    case IDM_EXIT:      PostMessageA(window, WM_CLOSE, 0, 0); break;
    case IDM_SETTINGS:
      // One settings session at a time: a second request shows the open one.
      if (session.Open()) {
        session.ToFront();
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
  session.Run(window, instance, this);
  if (!Quiet()) StartTicks(window);
  if (session.ExitAsked()) PostMessageA(window, WM_CLOSE, 0, 0);
}

void ClockWindow::OnClose(HWND window) {
  if (!session.CloseForExit(window)) DestroyWindow(window);
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

void ClockWindow::OnRightButtonUp(HWND window) {
  if (const int command = menus.TrackAtCursor(window, PopupMenus::kFull)) OnCommand(window, command);
}

void ClockWindow::OnTrayNotify(HWND window, WPARAM wParam, LPARAM lParam) {
  // Moves, button-downs and double clicks open nothing.
  const TrayIcon::Request request = tray.Decode(wParam, lParam);
  if (request.menu == TrayIcon::Menu::None) return;
  if (session.Open()) {
    // While the settings are open the icon leads back to them.
    session.ToFront();
    return;
  }
  const PopupMenus::Submenu submenu =
      request.menu == TrayIcon::Menu::Full ? PopupMenus::kFull : PopupMenus::kExitOnly;
  // Opened from the keyboard: at the icon.
  const int command = request.atCursor ? menus.TrackAtCursor(window, submenu)
                                       : menus.TrackAt(window, submenu, request.at);
  if (command != 0) OnCommand(window, command);
}
