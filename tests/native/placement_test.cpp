// Docking geometry, the stepping ring over the position table and the
// settings key names of the positions.

#include <gtest/gtest.h>

#include <vector>

#include "core/follow_pacing.h"
#include "core/placement.h"

namespace zorvane {
namespace {

const Rect kScreen{0, 0, 1024, 768};
const Rect kTaskbar{0, 738, 1024, 768};
const Rect kAnchor{100, 200, 700, 500};

void Fill(ViewTable& table, int value) {
  for (auto& row : table)
    for (int& entry : row) entry = value;
}

// Steps `count` times and lists the indices visited.
std::vector<int> Walk(const ViewTable& table, int& row, int& column, int count, bool forwards) {
  std::vector<int> visited;
  for (int i = 0; i < count; ++i) {
    EXPECT_TRUE(forwards ? NextStop(table, row, column) : PreviousStop(table, row, column));
    visited.push_back(row * kColumns + column);
  }
  return visited;
}

TEST(Stepping, FullRingForwardsAndBack) {
  ViewTable table;
  Fill(table, 1);
  int row = TopOutside, column = Left;
  EXPECT_EQ(Walk(table, row, column, 15, true),
            (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0, 1, 2, 3}));
  EXPECT_EQ(Walk(table, row, column, 15, false),
            (std::vector<int>{2, 1, 0, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3}));
}

TEST(Stepping, SkipsDisabledPositionsAndWraps) {
  ViewTable table;
  Fill(table, 0);
  table[Taskbar][Centre] = 1;
  table[BottomInside][Right] = -3;  // any non-zero value is a stop
  int row = BottomOutside, column = Left;
  EXPECT_EQ(Walk(table, row, column, 3, true), (std::vector<int>{1, 11, 1}));
  EXPECT_EQ(Walk(table, row, column, 2, false), (std::vector<int>{11, 1}));
  // From a disabled position chosen in the menu, stepping moves on.
  row = TopInside; column = Centre;
  EXPECT_EQ(Walk(table, row, column, 1, true), (std::vector<int>{11}));
}

TEST(Stepping, SingleStopNoStopAndStart) {
  ViewTable table;
  Fill(table, 0);
  table[TopInside][Right] = 1;
  int row = TopInside, column = Right;
  EXPECT_EQ(Walk(table, row, column, 1, true), (std::vector<int>{8}));
  EXPECT_EQ(Walk(table, row, column, 1, false), (std::vector<int>{8}));

  Fill(table, 0);
  row = BottomInside; column = Centre;
  EXPECT_FALSE(NextStop(table, row, column));
  EXPECT_FALSE(PreviousStop(table, row, column));
  EXPECT_EQ(row * kColumns + column, 10);

  // The clock starts at TopOutside / Left and steps on once if VIEW01 is 0.
  Fill(table, 1);
  table[TopOutside][Left] = 0;
  row = TopOutside; column = Left;
  EXPECT_EQ(Walk(table, row, column, 1, true), (std::vector<int>{4}));
}

Rect Place(int row, int column, int width, int height, const Rect& anchor = kAnchor,
           const Rect& screen = kScreen, const Rect& taskbar = kTaskbar) {
  return PlaceRect(row, column, screen, taskbar, anchor, width, height);
}

TEST(Placement, RowsAndColumnsAgainstAnchorAndTaskbar) {
  // Centre halves truncate on their own: 100 + 600/2 - 201/2 = 300, not 299.
  EXPECT_EQ(Place(TopInside, Centre, 201, 30), (Rect{300, 200, 501, 230}));
  EXPECT_EQ(Place(TopOutside, Left, 80, 30), (Rect{100, 170, 180, 200}));
  EXPECT_EQ(Place(BottomInside, Right, 80, 30), (Rect{620, 470, 700, 500}));
  EXPECT_EQ(Place(BottomOutside, Left, 80, 30), (Rect{100, 500, 180, 530}));
  // The taskbar row stands on the taskbar and ignores the anchor.
  EXPECT_EQ(Place(Taskbar, Right, 80, 24), (Rect{944, 714, 1024, 738}));
  EXPECT_EQ(Place(Taskbar, Centre, 81, 24), (Rect{472, 714, 553, 738}));
  // A failed taskbar query (all zero) ends at the top-left corner.
  EXPECT_EQ(Place(Taskbar, Centre, 80, 24, kAnchor, kScreen, Rect{}), (Rect{0, 0, 80, 24}));
}

TEST(Placement, KeptOnTheScreen) {
  // An anchor that fills the screen pushes outside rows onto its edges.
  EXPECT_EQ(Place(TopOutside, Right, 80, 30, kScreen), (Rect{944, 0, 1024, 30}));
  EXPECT_EQ(Place(BottomOutside, Left, 80, 30, kScreen), (Rect{0, 738, 80, 768}));
  // A screen that does not start at the origin.
  EXPECT_EQ(Place(TopInside, Left, 80, 30, Rect{-1500, 10, -900, 300}, Rect{-1280, 0, 0, 1024}),
            (Rect{-1280, 10, -1200, 40}));
  // Larger than the screen: flush with the right and bottom edges.
  EXPECT_EQ(Place(TopOutside, Left, 1100, 800), (Rect{-76, -32, 1024, 768}));
}

// Windows 10 and 11: a window's rectangle has invisible borders of 7 pixels
// left, right and bottom. The visible frames meet, not the rectangles.
TEST(Placement, VisibleFramesMeet) {
  const Insets seven{7, 0, 7, 7};
  // The anchor's visible frame; the clock's rectangle is 94 x 37 with the
  // same borders, so its frame is 80 x 30.
  const auto place = [&](int row, int column, const Rect& anchor = kAnchor) {
    return PlaceRect(row, column, kScreen, kTaskbar, anchor, 94, 37, seven);
  };
  EXPECT_EQ(place(TopOutside, Left), (Rect{93, 170, 187, 207}));      // frame 100..180, above
  EXPECT_EQ(place(TopOutside, Right), (Rect{613, 170, 707, 207}));    // frame 620..700
  EXPECT_EQ(place(TopInside, Right), (Rect{613, 200, 707, 237}));
  EXPECT_EQ(place(BottomInside, Left), (Rect{93, 470, 187, 507}));    // frame bottom on 500
  EXPECT_EQ(place(BottomOutside, Centre), (Rect{353, 500, 447, 537})); // frame top on 500
  // The frame, not the rectangle, is kept on the screen: the borders may
  // reach past it.
  EXPECT_EQ(place(BottomOutside, Right, kScreen), (Rect{937, 738, 1031, 775}));
  EXPECT_EQ(place(Taskbar, Left), (Rect{-7, 708, 87, 745}));
  // Without borders, as before.
  EXPECT_EQ(PlaceRect(TopOutside, Left, kScreen, kTaskbar, kAnchor, 80, 30, Insets{0, 0, 0, 0}),
            Place(TopOutside, Left, 80, 30));

  EXPECT_EQ(InsetsOf(Rect{93, 170, 187, 207}, Rect{100, 170, 180, 200}).bottom, 7);
  // A frame the system reports outside the rectangle, or as large as it:
  // no borders.
  const Insets none = InsetsOf(Rect{100, 100, 200, 200}, Rect{90, 100, 200, 200});
  EXPECT_EQ(none.left + none.top + none.right + none.bottom, 0);
  const Insets all = InsetsOf(Rect{100, 100, 200, 200}, Rect{150, 150, 150, 150});
  EXPECT_EQ(all.left + all.top + all.right + all.bottom, 0);
}

TEST(Anchors, ShellWindowsAndFullScreenPrograms) {
  for (const char* shell : {"Shell_TrayWnd", "Shell_SecondaryTrayWnd", "Progman", "WorkerW",
                            "Windows.UI.Core.CoreWindow", "XamlExplorerHostIslandWindow",
                            "ForegroundStaging", "#32768", "#32771", "WindowsDashboard"})
    EXPECT_TRUE(IsShellWindowClass(shell)) << shell;
  for (const char* app : {"Notepad", "Progman2", "Shell_TrayWn", "", "CabinetWClass", "#3277"})
    EXPECT_FALSE(IsShellWindowClass(app)) << app;
  EXPECT_FALSE(IsShellWindowClass(nullptr));

  // Busy counts only with a covering window in front; borderless covering windows always do.
  const Rect monitor{1920, 0, 3200, 1024}, over{1912, -8, 3208, 1032}, short_{1920, 0, 3200, 1023},
      small{2000, 100, 2600, 700};
  using S = ShellState;
  const struct { S shell; Rect window; bool captioned, inFront, fullScreen; } cases[] = {
      {S::Other, monitor, false, true, true},  {S::Other, over, false, false, true},
      {S::Other, short_, false, true, false},  {S::Other, monitor, true, true, false},
      {S::Other, over, true, true, false},     {S::FullScreenProgram, small, true, false, true},
      {S::Busy, small, false, true, false},    {S::Busy, over, true, true, true},
      {S::Busy, over, true, false, false},     {S::Busy, short_, true, true, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.fullScreen, IsFullScreen(c.shell, c.window, monitor, c.captioned, c.inFront)) << &c - cases;
}

// Tool windows without APPWINDOW (launchers, flyouts) and NOACTIVATE windows are no anchors.
TEST(Anchors, OnlyApplicationStylesAreAnchors) {
  const struct { bool tool, app, noActivate, anchor; } cases[] = {
      {false, false, false, true}, {false, true, false, true}, {true, false, false, false},
      {true, true, false, true},   {false, false, true, false}, {true, true, true, false}};
  for (const auto& c : cases) EXPECT_EQ(c.anchor, IsApplicationStyle(c.tool, c.app, c.noActivate)) << &c - cases;
}

// A burst of reports is one placement, placements a frame apart, across the clock's wrap.
TEST(Following, ABurstIsOnePlacementAndPlacementsAreAFrameApart) {
  constexpr int kAsked = FollowPacer::kAlreadyAsked;
  const struct { bool report; unsigned at; int wait; } steps[] = {  // not a report: the placement is made
      {true, 1000, 0},  {true, 1001, kAsked}, {true, 1003, kAsked}, {false, 1004, 0}, {true, 1010, 11},
      {true, 1012, kAsked}, {false, 1021, 0}, {true, 1038, 0}, {false, 1040, 0}, {true, 1090, 0},
      {false, 0xFFFFFFF8u, 0}, {true, 3, 6}};
  FollowPacer pacer;
  for (const auto& s : steps) {
    if (s.report) { EXPECT_EQ(s.wait, pacer.Report(s.at, 17)) << s.at; } else { pacer.Placed(s.at); }
    EXPECT_EQ(s.report, pacer.Asked()) << s.at;
  }
  for (auto [hertz, frame] : {std::pair{60, 17}, {144, 7}, {50, 20}, {0, 17}, {1, 17}, {-5, 17}, {100000, 17}})
    EXPECT_EQ(frame, FrameMilliseconds(hertz)) << hertz << " Hz";
}

}  // namespace
}  // namespace zorvane
