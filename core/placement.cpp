#include "core/placement.h"

namespace zorvane {
namespace {

bool IsStop(const ViewTable& table, int index) {
  return table[index / kColumns][index % kColumns] != 0;
}

void SetIndex(int index, int& row, int& column) {
  row = index / kColumns;
  column = index % kColumns;
}

// An out-of-range position (never produced by the program itself) is
// treated as the first one rather than read outside the table.
int IndexOf(int row, int column) {
  if (row < 0 || row >= kRows || column < 0 || column >= kColumns) return 0;
  return row * kColumns + column;
}

}  // namespace

Rect PlaceRect(int row, int column, const Rect& screen, const Rect& taskbar,
               const Rect& anchor, int width, int height, const Insets& border) {
  // The visible frame is docked; the invisible borders go round it after.
  width -= border.left + border.right;
  height -= border.top + border.bottom;
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  Rect r{};
  switch (row) {
    case Taskbar:       r.top = taskbar.top - height;  r.bottom = taskbar.top;          break;
    case TopOutside:    r.top = anchor.top - height;   r.bottom = anchor.top;           break;
    case TopInside:     r.top = anchor.top;            r.bottom = anchor.top + height;  break;
    case BottomInside:  r.top = anchor.bottom - height; r.bottom = anchor.bottom;       break;
    default:            r.top = anchor.bottom;         r.bottom = anchor.bottom + height; break;
  }

  const Rect& ref = row == Taskbar ? taskbar : anchor;
  switch (column) {
    case Left:
      r.left = ref.left;
      break;
    case Centre:
      // Both halves truncate on their own before the subtraction.
      r.left = ref.left + (ref.right - ref.left) / 2 - width / 2;
      break;
    default:
      r.left = ref.right - width;
      break;
  }
  r.right = r.left + width;

  // Back onto the screen; the later tests win, so an oversized window ends
  // flush with the right and bottom edges.
  if (r.left < screen.left)     { r.left = screen.left;     r.right = screen.left + width; }
  if (r.top < screen.top)       { r.top = screen.top;       r.bottom = screen.top + height; }
  if (r.right > screen.right)   { r.right = screen.right;   r.left = screen.right - width; }
  if (r.bottom > screen.bottom) { r.bottom = screen.bottom; r.top = screen.bottom - height; }
  return {r.left - border.left, r.top - border.top, r.right + border.right, r.bottom + border.bottom};
}

Insets InsetsOf(const Rect& window, const Rect& frame) {
  const Insets in{frame.left - window.left, frame.top - window.top, window.right - frame.right,
                  window.bottom - frame.bottom};
  if (in.left < 0 || in.top < 0 || in.right < 0 || in.bottom < 0) return {0, 0, 0, 0};
  if (in.left + in.right >= window.right - window.left || in.top + in.bottom >= window.bottom - window.top) {
    return {0, 0, 0, 0};
  }
  return in;
}

bool IsShellWindowClass(const char* className) {
  static const char* const kShellClasses[] = {
      "Shell_TrayWnd",                  // the taskbar
      "Shell_SecondaryTrayWnd",         // the taskbar of another monitor
      "Progman",                        // the desktop
      "WorkerW",                        // the desktop behind its wallpaper
      "Windows.UI.Core.CoreWindow",     // Start, search, the action centre
      "XamlExplorerHostIslandWindow",   // task switcher, Task view (Windows 11)
      "ForegroundStaging",              // what holds the foreground during Alt-Tab
      "MultitaskingViewFrame",          // task switcher (Windows 10)
      "TaskSwitcherWnd",                // task switcher (classic)
      "NotifyIconOverflowWindow",       // hidden tray icons
      "TopLevelWindowForOverflowXamlIsland",
      "Shell_InputSwitchTopLevelWindow",  // input language switcher
      "DV2ControlHost",                 // Start (Windows 7)
      "#32768",                         // a popup menu
      "#32771",                         // the classic task switcher (Alt+Tab)
      "WindowsDashboard",               // the widgets board (Windows 11)
  };
  if (className == nullptr) return false;
  for (const char* shell : kShellClasses) {
    const char* a = shell;
    const char* b = className;
    while (*a != '\0' && *a == *b) { ++a; ++b; }
    if (*a == '\0' && *b == '\0') return true;
  }
  return false;
}

bool IsApplicationStyle(bool toolWindow, bool appWindow, bool noActivate) {
  if (noActivate) return false;
  return !toolWindow || appWindow;
}

bool IsFullScreen(ShellState shell, const Rect& anchor, const Rect& monitor, bool captioned,
                  bool anchorInFront) {
  if (shell == ShellState::FullScreenProgram) return true;
  const bool covers = anchor.left <= monitor.left && anchor.top <= monitor.top &&
                      anchor.right >= monitor.right && anchor.bottom >= monitor.bottom;
  if (!covers) return false;
  if (shell == ShellState::Busy && anchorInFront) return true;
  return !captioned;
}

bool NextStop(const ViewTable& table, int& row, int& column) {
  const int current = IndexOf(row, column);
  for (int i = current + 1; i < kPositions; ++i) {
    if (IsStop(table, i)) { SetIndex(i, row, column); return true; }
  }
  for (int i = 0; i < kPositions; ++i) {
    if (IsStop(table, i)) { SetIndex(i, row, column); return true; }
  }
  return false;
}

bool PreviousStop(const ViewTable& table, int& row, int& column) {
  const int current = IndexOf(row, column);
  for (int i = current - 1; i >= 0; --i) {
    if (IsStop(table, i)) { SetIndex(i, row, column); return true; }
  }
  for (int i = kPositions - 1; i >= 0; --i) {
    if (IsStop(table, i)) { SetIndex(i, row, column); return true; }
  }
  return false;
}

}  // namespace zorvane
