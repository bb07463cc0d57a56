#include "clock/anchor_tracker.h"

#include "app/system_answers.h"

namespace {

// The tracker that listens now; the hooks' callback has no other way to it.
AnchorTracker* listener = nullptr;

// Out of context: the events come as messages to this thread, which asks
// for a placement and returns. The hooks for every program leave out the
// clock's own, whose windows are never the anchor. The anchor's program
// is never the clock's, so its hooks need not skip it; under Wine 10 a
// hook for one program that also asks to skip the caller's receives no
// event at all.
constexpr DWORD kGlobalHookFlags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
constexpr DWORD kProcessHookFlags = WINEVENT_OUTOFCONTEXT;
// Not in every SDK's headers (Windows 8 and later).
constexpr DWORD kEventCloaked = 0x8017;
constexpr DWORD kEventUncloaked = 0x8018;

// Hooks held by the program now, by every owner.
int liveHooks = 0;

HWINEVENTHOOK Hook(DWORD first, DWORD last, DWORD process, WINEVENTPROC proc) {
  return SetWinEventHook(first, last, nullptr, proc, process, 0,
                         process == 0 ? kGlobalHookFlags : kProcessHookFlags);
}

// Milliseconds of a steady clock finer than the tick count's 16 ms.
unsigned NowMs() {
  LARGE_INTEGER now{}, frequency{};
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart < 1000) return GetTickCount();
  QueryPerformanceCounter(&now);
  return static_cast<unsigned>(now.QuadPart / (frequency.QuadPart / 1000));
}

int DisplayHertz() {
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return 0;
  return static_cast<int>(mode.dmDisplayFrequency);
}

zorvane::Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Whether the user can see `w` as an application's window: shown, not
// minimised (its rectangle is then far off the screen), not cloaked (on
// another virtual desktop, or a suspended application's).
bool Visible(HWND w) {
  return IsWindowVisible(w) && !IsIconic(w) && !system_answers::Current().cloaked(w);
}

// An application window: visible, an application's by its styles, and
// not one of the shell's own windows (taskbar, desktop, Start, the task
// switcher).
bool IsApplicationWindow(HWND w) {
  const LONG_PTR exStyle = GetWindowLongPtrA(w, GWL_EXSTYLE);
  if (!zorvane::IsApplicationStyle((exStyle & WS_EX_TOOLWINDOW) != 0, (exStyle & WS_EX_APPWINDOW) != 0,
                                   (exStyle & WS_EX_NOACTIVATE) != 0)) {
    return false;
  }
  if (w == GetShellWindow()) return false;
  char className[64] = {};
  if (GetClassNameA(w, className, sizeof className) > 0 && zorvane::IsShellWindowClass(className)) {
    return false;
  }
  return Visible(w);
}

}  // namespace

EventHook& EventHook::operator=(EventHook&& other) noexcept {
  if (this != &other) {
    Reset();
    hook = other.hook;  // counted already
    other.hook = nullptr;
  }
  return *this;
}

void EventHook::Reset(HWINEVENTHOOK replacement) {
  if (hook != nullptr && UnhookWinEvent(hook)) --liveHooks;
  hook = replacement;
  if (hook != nullptr) ++liveHooks;
}

int EventHook::Live() { return liveHooks; }

zorvane::Rect MonitorRect(HMONITOR monitor, const RECT& fallback) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor != nullptr && GetMonitorInfoA(monitor, &info)) return ToRect(info.rcMonitor);
  return ToRect(fallback);
}

AnchorTracker::~AnchorTracker() { StopListening(); }

void AnchorTracker::Attach(HWND clockWindow) {
  clock = clockWindow;
  foregroundWindow = nullptr;
  shown = false;
}

void AnchorTracker::Update() {
  // Only an application window becomes the anchor. The clock window and
  // the windows it owns (its dialogs, its menus) never count: clicking the
  // clock must not make it dock to itself. Nor do the shell's windows, a
  // hidden, minimised or cloaked window, or no foreground window at all
  // (for a moment at every switch, and while the session is locked): the
  // anchor then stays as it was. A new foreground window is examined once
  // it differs from the anchor.
  HWND foreground = GetForegroundWindow();
  if (foreground != nullptr && foreground != foregroundWindow && foreground != clock &&
      GetWindow(foreground, GW_OWNER) != clock && IsApplicationWindow(foreground)) {
    foregroundWindow = foreground;
    if (listening) HookAnchorProcess();
  }
  shown = foregroundWindow != nullptr && IsWindow(foregroundWindow) && Visible(foregroundWindow);
}

bool AnchorTracker::WindowRect(RECT& rect) const {
  return shown && foregroundWindow != nullptr && GetWindowRect(foregroundWindow, &rect);
}

RECT AnchorTracker::VisibleFrame(const RECT& rect) const {
  RECT visible{};
  if (system_answers::Current().frameBounds(foregroundWindow, &visible)) return visible;
  return rect;
}

zorvane::Rect AnchorTracker::Monitor(const RECT& fallback) const {
  return MonitorRect(MonitorFromWindow(foregroundWindow, MONITOR_DEFAULTTOPRIMARY), fallback);
}

bool AnchorTracker::FullScreen() const {
  const zorvane::ShellState shell = system_answers::ShellStateOf(system_answers::Current().notificationState());
  if (shell == zorvane::ShellState::FullScreenProgram) return true;
  if (!shown) return false;
  // Only a window without a caption, or one the shell calls busy, can be
  // a fullscreen program; the monitor is asked only then: most anchors
  // have a caption.
  const LONG style = GetWindowLongA(foregroundWindow, GWL_STYLE);
  const bool captioned = (style & WS_CAPTION) == WS_CAPTION;
  if (captioned && shell != zorvane::ShellState::Busy) return false;
  RECT r{};
  if (!GetWindowRect(foregroundWindow, &r)) return false;
  return zorvane::IsFullScreen(shell, ToRect(r),
                               MonitorRect(MonitorFromWindow(foregroundWindow, MONITOR_DEFAULTTONEAREST), r),
                               captioned, GetForegroundWindow() == foregroundWindow);
}

void AnchorTracker::Listen() {
  if (listening) return;
  if (listener != nullptr && listener != this) listener->StopListening();
  listening = true;
  listener = this;
  frameMs = zorvane::FrameMilliseconds(DisplayHertz());
  foregroundHook.Reset(Hook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, 0, EventProc));
  minimiseHook.Reset(Hook(EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND, 0, EventProc));
  HookAnchorProcess();
}

void AnchorTracker::StopListening() {
  if (!listening) return;
  listening = false;
  if (listener == this) listener = nullptr;
  foregroundHook.Reset();
  minimiseHook.Reset();
  UnhookAnchorProcess();
  // A request on its way is dropped when it arrives.
  if (pacer.Asked()) KillTimer(clock, kFollowTimerId);
  pacer.Reset();
}

int AnchorTracker::Hooks() const {
  int count = static_cast<bool>(foregroundHook) + static_cast<bool>(minimiseHook);
  for (const EventHook& hook : processHooks) count += static_cast<bool>(hook);
  return count;
}

void AnchorTracker::DisplayChanged() { frameMs = zorvane::FrameMilliseconds(DisplayHertz()); }

void AnchorTracker::HookAnchorProcess() {
  DWORD process = 0;
  if (foregroundWindow != nullptr) GetWindowThreadProcessId(foregroundWindow, &process);
  if (process == hookedProcess) return;  // another window of the same program: the hooks stay
  UnhookAnchorProcess();
  hookedProcess = process;
  if (process == 0) return;
  static constexpr DWORD kRanges[][2] = {
      {EVENT_OBJECT_DESTROY, EVENT_OBJECT_HIDE},  // destroyed, shown, hidden
      {EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE},
      {kEventCloaked, kEventUncloaked},
  };
  for (int i = 0; i < 3; ++i) {
    processHooks[i].Reset(Hook(kRanges[i][0], kRanges[i][1], process, EventProc));
  }
}

void AnchorTracker::UnhookAnchorProcess() {
  for (EventHook& hook : processHooks) hook.Reset();
  hookedProcess = 0;
}

void CALLBACK AnchorTracker::EventProc(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId,
                                       DWORD, DWORD) {
  if (listener != nullptr) listener->OnEvent(event, window, objectId, childId);
}

bool AnchorTracker::Concerns(DWORD event, HWND window, LONG objectId, LONG childId) const {
  if (window == nullptr || window == clock) return false;
  // Another window came to the front: it may be the new anchor. The
  // clock's own windows (its menus, its dialogs) never are.
  if (event == EVENT_SYSTEM_FOREGROUND) return GetWindow(window, GW_OWNER) != clock;
  // Otherwise only the anchor's own window: not its caret, its cursor or
  // its other windows.
  if (window != foregroundWindow || objectId != OBJID_WINDOW || childId != CHILDID_SELF) return false;
  switch (event) {
    case EVENT_SYSTEM_MINIMIZESTART:
    case EVENT_SYSTEM_MINIMIZEEND:
    case EVENT_OBJECT_DESTROY:
    case EVENT_OBJECT_SHOW:
    case EVENT_OBJECT_HIDE:
    case EVENT_OBJECT_LOCATIONCHANGE:
    case kEventCloaked:
    case kEventUncloaked:
      return true;
    default:
      return false;
  }
}

void AnchorTracker::OnEvent(DWORD event, HWND window, LONG objectId, LONG childId) {
  if (clock == nullptr || !Concerns(event, window, objectId, childId)) return;
  const int wait = pacer.Report(NowMs(), frameMs);
  if (wait == zorvane::FollowPacer::kAlreadyAsked) return;
  const bool asked = wait == 0 ? PostMessageA(clock, kFollowMessage, 0, 0) != FALSE
                               : SetTimer(clock, kFollowTimerId, static_cast<UINT>(wait), nullptr) != 0;
  if (!asked) pacer.Reset();  // nothing will come: the next event asks again
}

bool AnchorTracker::TakeFollow() {
  if (!pacer.Asked()) return false;
  KillTimer(clock, kFollowTimerId);  // a one-shot wait, whichever way the request came
  pacer.Placed(NowMs());
  return true;
}
