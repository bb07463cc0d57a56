#include "clock/anchor_tracker.h"

#include "clock/system_answers.h"

namespace {

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

zorvane::Rect MonitorRect(HMONITOR monitor, const RECT& fallback) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor != nullptr && GetMonitorInfoA(monitor, &info)) return ToRect(info.rcMonitor);
  return ToRect(fallback);
}

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
