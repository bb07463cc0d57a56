#include "clock/docking.h"

#include <shellapi.h>

#include <cstring>

#include "app/dpi.h"
#include "app/system_answers.h"
#include "clock/window_style.h"

namespace {

zorvane::Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

Docking::Docking()
    : window(nullptr),
      row(zorvane::TopOutside),
      column(zorvane::Left),
      viewTable{},
      docked(false),
      placedFor{},
      placedForValid(false),
      windowRect{},
      ownBorders{0, 0, 0, 0},
      bordersMeasuredShown(false),
      monitorDpi(dpi::kDefault),
      moving(false),
      taskbarQueries(0) {}

void Docking::Attach(HWND clockWindow, UINT dpi) {
  window = clockWindow;
  row = zorvane::TopOutside;
  column = zorvane::Left;
  docked = false;
  placedForValid = false;
  ownBorders = zorvane::Insets{0, 0, 0, 0};
  bordersMeasuredShown = false;
  monitorDpi = dpi;
}

bool Docking::LoadViewTable(const zorvane::ViewTable& table) {
  std::memcpy(viewTable, table, sizeof viewTable);
  return viewTable[row][column] == 0 && StepForward();
}

void Docking::SetPosition(int newRow, int newColumn) {
  row = newRow;
  column = newColumn;
}

bool Docking::StepForward() { return zorvane::NextStop(viewTable, row, column); }

bool Docking::StepBack() { return zorvane::PreviousStop(viewTable, row, column); }

void Docking::ChangeDpi(UINT newDpi) {
  monitorDpi = newDpi;
  bordersMeasuredShown = false;  // the borders scale with the DPI
}

void Docking::DisplayChanged() {
  placedForValid = false;
  bordersMeasuredShown = false;
}

void Docking::Place(const AnchorTracker& anchor, const RECT& textRect) {
  RECT anchorRect{};
  if (!anchor.WindowRect(anchorRect)) {
    if (!docked) {
      // No application window has been in front yet: the corner.
      MoveTo(RECT{0, 0, textRect.right, textRect.bottom});
      return;
    }
    // The anchor was minimised, hidden or closed, or cannot be read: the
    // clock stays where it was, at the size of its text, until an
    // application window comes to the front.
    RECT outer = textRect;
    dpi::AdjustWindowRect(outer, window_style::Style(), window_style::kExStyle, monitorDpi);
    windowRect.right = windowRect.left + (outer.right - outer.left);
    windowRect.bottom = windowRect.top + (outer.bottom - outer.top);
    MoveTo(windowRect);
    return;
  }

  // Only the taskbar row needs the taskbar, and asking costs a round trip
  // to the shell; that row asks at every tick so as to follow it.
  APPBARDATA bar{};
  bar.cbSize = sizeof bar;
  if (row == zorvane::Taskbar) {
    ++taskbarQueries;
    if (!SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) bar.rc = RECT{};
  }

  const PlacedFor inputs{anchor.Window(), anchorRect, bar.rc, row, column,
                         textRect.right, textRect.bottom, monitorDpi};
  if (!placedForValid || !Same(inputs, placedFor)) {
    RECT screen{};
    GetWindowRect(GetDesktopWindow(), &screen);
    RECT outer = textRect;
    dpi::AdjustWindowRect(outer, window_style::Style(), window_style::kExStyle, monitorDpi);
    // Kept on the monitor of what the clock docks to; with one monitor
    // this is the whole screen.
    const zorvane::Rect bounds =
        row == zorvane::Taskbar
            ? MonitorRect(MonitorFromRect(&bar.rc, MONITOR_DEFAULTTOPRIMARY), screen)
            : anchor.Monitor(screen);
    // Where the system can say, the anchor's visible frame: without it the
    // clock would dock to the invisible borders round the window. It moves
    // only with the window's rectangle, so it is asked only when that did.
    const RECT frame = anchor.VisibleFrame(anchorRect);
    // The clock's own invisible borders: its visible frame is what meets
    // the anchor's.
    if (!bordersMeasuredShown) MeasureOwnBorders();
    const zorvane::Rect r = zorvane::PlaceRect(row, column, bounds, ToRect(bar.rc), ToRect(frame),
                                               outer.right - outer.left, outer.bottom - outer.top, ownBorders);
    windowRect = RECT{r.left, r.top, r.right, r.bottom};
    placedFor = inputs;
    placedForValid = true;
    docked = true;
  }
  MoveTo(windowRect);
}

bool Docking::MeasureOwnBorders() {
  zorvane::Insets measured{0, 0, 0, 0};
  RECT own{}, ownFrame{};
  const bool answered =
      GetWindowRect(window, &own) && system_answers::Current().frameBounds(window, &ownFrame);
  if (answered) measured = zorvane::InsetsOf(ToRect(own), ToRect(ownFrame));
  // The system reports the frame only once the window has been shown: a
  // hidden clock's answer is asked again after it is shown. A shown
  // window's missing answer means there is no compositor, and no borders.
  if (IsWindowVisible(window)) bordersMeasuredShown = true;
  if (measured.left == ownBorders.left && measured.top == ownBorders.top && measured.right == ownBorders.right &&
      measured.bottom == ownBorders.bottom) {
    return false;
  }
  ownBorders = measured;
  placedForValid = false;  // a placement made with the old borders is off by their difference
  return true;
}

void Docking::WindowShown(const AnchorTracker& anchor, const RECT& textRect) {
  // The first show gives the borders their real size: the clock is placed
  // anew at once rather than when the anchor next moves.
  if (!bordersMeasuredShown && MeasureOwnBorders() && docked) Place(anchor, textRect);
}

bool Docking::Same(const PlacedFor& a, const PlacedFor& b) {
  return a.anchor == b.anchor && EqualRect(&a.anchorRect, &b.anchorRect) &&
         EqualRect(&a.taskbar, &b.taskbar) && a.row == b.row && a.column == b.column &&
         a.textWidth == b.textWidth && a.textHeight == b.textHeight && a.dpi == b.dpi;
}

void Docking::MoveTo(const RECT& r) {
  RECT at{};
  GetWindowRect(window, &at);
  if (at.left == r.left && at.top == r.top && at.right - at.left == r.right - r.left &&
      at.bottom - at.top == r.bottom - r.top) {
    return;
  }
  // SWP_NOACTIVATE: moving must never take the focus from the user's
  // application. The move can bring WM_DPICHANGED: the clock window keeps
  // it until the move has returned (Moving).
  moving = true;
  SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  moving = false;
}
