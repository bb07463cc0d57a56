#pragma once
// Where the clock stands: its stop on the ring of fifteen positions, the
// rectangle the docking rules give for it against the anchor (or the
// taskbar), and the clock's own invisible borders. It computes the
// rectangle and moves the window there, after the picture is drawn.

#include <windows.h>

#include "clock/anchor_tracker.h"
#include "core/placement.h"

class Docking {
 public:
  Docking();
  Docking(const Docking&) = delete;
  Docking& operator=(const Docking&) = delete;

  // Binds to the clock window at `dpi`: the ring's first stop, nothing
  // placed or measured yet.
  void Attach(HWND clockWindow, UINT dpi);

  // The stops of the ring, read once at creation. True when the current
  // position is not one and the clock stepped on to the next.
  bool LoadViewTable(const zorvane::ViewTable& table);

  int Row() const { return row; }
  int Column() const { return column; }
  // Set by the position commands; the window moves at the next placement.
  void SetPosition(int newRow, int newColumn);
  // To the next or previous stop; true when the position changed.
  bool StepForward();
  bool StepBack();

  // Moves the window for the current position, the anchor and the text's
  // size; it stays where it is when the anchor cannot be seen.
  void Place(const AnchorTracker& anchor, const RECT& textRect);
  // The clock window was shown: its borders are measured again if they
  // were not yet measured on a shown window, and the clock placed with them.
  void WindowShown(const AnchorTracker& anchor, const RECT& textRect);

  // The screen, the frame metrics or the DPI changed: asked for again.
  void DisplayChanged();
  void ChangeDpi(UINT newDpi);
  UINT Dpi() const { return monitorDpi; }

  // Whether the window is being moved: the move can bring a scale change.
  bool Moving() const { return moving; }
  // Taskbar queries made so far, each a round trip to the shell.
  unsigned TaskbarQueries() const { return taskbarQueries; }

 private:
  // What a placement was computed from. The screen, the monitor and the
  // frame change only with the display or the DPI, and asking for them
  // costs more than the rest of a tick: while these are the same, so is
  // the result.
  struct PlacedFor {
    HWND anchor;
    RECT anchorRect;
    RECT taskbar;
    int row;
    int column;
    LONG textWidth;
    LONG textHeight;
    UINT dpi;
  };
  static bool Same(const PlacedFor& a, const PlacedFor& b);
  // Asks the system for the clock's own invisible borders; true when they
  // differ from those the placement used.
  bool MeasureOwnBorders();
  // Moves the window unless it is there already.
  void MoveTo(const RECT& r);

  HWND window;
  int row;
  int column;
  zorvane::ViewTable viewTable;
  // A placement against an anchor has been made; before it, the clock
  // waits in the screen's corner.
  bool docked;
  PlacedFor placedFor;
  bool placedForValid;
  RECT windowRect;
  // The clock's own invisible borders, and whether they were measured on
  // the shown window; a hidden window's frame is not reported yet.
  zorvane::Insets ownBorders;
  bool bordersMeasuredShown;
  // The DPI the frame is made for.
  UINT monitorDpi;
  bool moving;
  unsigned taskbarQueries;
};
