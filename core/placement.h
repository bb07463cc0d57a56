#pragma once
// Where the clock window goes: fifteen docking positions against the anchor
// window or the taskbar, and the ring that the stepping commands walk.
// Portable: plain rectangles in, a rectangle out.

namespace zorvane {

enum DockRow : int { Taskbar = 0, TopOutside = 1, TopInside = 2, BottomInside = 3, BottomOutside = 4 };
enum DockColumn : int { Left = 0, Centre = 1, Right = 2 };

constexpr int kRows = 5;
constexpr int kColumns = 3;
constexpr int kPositions = kRows * kColumns;

// Same layout as the platform's RECT.
struct Rect {
  int left;
  int top;
  int right;
  int bottom;
};

inline bool operator==(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// How far a window's rectangle reaches past its visible frame on each side:
// Windows 10 and 11 draw invisible resize borders round a window (some 7
// pixels at 100 % left, right and bottom), which the user never sees.
struct Insets {
  int left;
  int top;
  int right;
  int bottom;
};

// Non-zero entries are the stops of the stepping ring, indexed [row][column].
using ViewTable = int[kRows][kColumns];

// The window rectangle of `width` x `height` for the position, docked to the
// anchor (or, in row Taskbar, to the taskbar) and then pushed back onto
// `screen`. A window larger than the screen ends flush with its right or
// bottom edge.
//
// With `border`, the invisible borders of the clock's own window, what is
// docked and kept on the screen is the visible frame: `anchor` is then the
// anchor's visible frame too, and the result is the window rectangle, the
// borders added back round the frame.
Rect PlaceRect(int row, int column, const Rect& screen, const Rect& taskbar,
               const Rect& anchor, int width, int height, const Insets& border = {0, 0, 0, 0});

// The insets of a window whose rectangle is `window` and whose visible
// frame is `frame`; none where the frame is not inside the rectangle (a
// system that reports something else).
Insets InsetsOf(const Rect& window, const Rect& frame);

// Whether a window of this class belongs to the shell rather than to an
// application: the taskbars, the desktop, Start, search, Task view and the
// task switcher, menus. The clock never docks to these.
bool IsShellWindowClass(const char* className);

// Whether a window of these extended styles is an application's own
// window, as the taskbar tells them: a tool window (a launcher, a tray
// flyout, the ghost of a hung program) is not, unless it is marked as an
// application window; nor is a window that never takes the focus (an
// on-screen keyboard, a notification), however it is marked.
bool IsApplicationStyle(bool toolWindow, bool appWindow, bool noActivate);

// What the shell reports of the user's moment, as far as fullscreen
// programs go: a Direct3D program or a presentation for certain, or
// "busy", the shell's guess, which some overlays keep set for good.
enum class ShellState { Other, Busy, FullScreenProgram };

// Whether the anchor is a fullscreen program (a video, a game, a slide
// show) that the clock must not cover. The shell's certain word holds
// whatever the anchor is; its "busy" counts only while the anchor is in
// front and covers all of its monitor. Otherwise the anchor alone tells: a
// window without a caption whose rectangle covers all of its monitor,
// maximised or not, overhanging it or not. A window with a caption is an
// ordinary window even when it fills the monitor.
bool IsFullScreen(ShellState shell, const Rect& anchor, const Rect& monitor, bool captioned,
                  bool anchorInFront);

// Move `row`/`column` to the next or previous stop in index order
// (index = row * 3 + column), wrapping round. Stepping starts from the
// current position whether or not it is a stop. Returns false, and leaves
// the position alone, when the table has no stop at all.
bool NextStop(const ViewTable& table, int& row, int& column);
bool PreviousStop(const ViewTable& table, int& row, int& column);

}  // namespace zorvane
