// Docking: the fifteen positions against the anchor, with and without a
// caption, against visible frames, and after a change of the frame metrics.

#include "view_test_support.h"

using namespace view_testing;

namespace {

class DockingTest : public ClockViewTest {};

TEST_F(DockingTest, DocksAtEveryPositionWithAndWithoutCaption) {
  for (bool caption : {true, false}) {
    SCOPED_TRACE(caption ? "with caption" : "without caption");
    Open(caption);
    anchorA = MakeAnchor("anchor", 300, 250, 500, 300);
    MakeForeground(anchorA);
    for (int index = 0; index < zorvane::kPositions; ++index) {
      view->SetPosition(index / 3, index % 3);
      Tick();
      ASSERT_EQ(anchorA, view->AnchorWindow());

      RECT outer = *view->GetTextRect();
      AdjustWindowRectEx(&outer, caption ? 0x80C80000 : 0x80080000, FALSE, 0x289);
      RECT screen, anchor;
      GetWindowRect(GetDesktopWindow(), &screen);
      GetWindowRect(anchorA, &anchor);
      APPBARDATA bar{};
      bar.cbSize = sizeof bar;
      // Without a taskbar every column of its row falls back to one corner,
      // and the row would go untested.
      ASSERT_TRUE(SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) << "the system reported no taskbar";
      const zorvane::Rect expected =
          zorvane::PlaceRect(view->Row(), view->Column(), ToCore(screen), ToCore(bar.rc),
                             ToCore(anchor), outer.right - outer.left, outer.bottom - outer.top);
      EXPECT_EQ(expected, ToCore(ClockRect())) << "position " << index;
    }
    // The client area is exactly the text.
    RECT client;
    GetClientRect(clock, &client);
    EXPECT_EQ(view->GetTextRect()->right, client.right);
    EXPECT_EQ(view->GetTextRect()->bottom, client.bottom);
    TearDown();
  }
}

// Windows 10 and 11 give a window invisible borders, the clock's own
// included (reported once shown): the visible frames meet.
TEST_F(DockingTest, DocksTheVisibleFrames) {
  InjectedAnswers injected;
  InjectedAnswers::frames = true;
  Open(false);
  ShowWindow(clock, SW_HIDE);  // as before the first show
  anchorA = MakeAnchor("anchor", 300, 250, 500, 300);
  MakeForeground(anchorA);
  for (int index : {3, 5, 6, 10, 14}) {
    view->SetPosition(index / 3, index % 3);
    Tick();
    RECT outer = *view->GetTextRect();
    AdjustWindowRectEx(&outer, 0x80080000, FALSE, 0x289);
    RECT screen, anchor;
    GetWindowRect(GetDesktopWindow(), &screen);
    InjectedAnswers::FrameBounds(anchorA, &anchor);
    const zorvane::Rect expected =
        zorvane::PlaceRect(view->Row(), view->Column(), ToCore(screen), {0, 0, 0, 0}, ToCore(anchor),
                           outer.right - outer.left, outer.bottom - outer.top, {7, 0, 7, 7});
    EXPECT_EQ(expected, ToCore(ClockRect())) << "position " << index;
  }
}

// theme): the placement is made again though nothing else changed.
TEST_F(DockingTest, AMetricsChangeFramesTheClockAgain) {
  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\n");
  Open();
  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  const RECT before = ClockRect();
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  const NONCLIENTMETRICSA original = metrics;
  metrics.iSmCaptionHeight += 10;
  ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  view->DisplayChanged();
  Tick();
  const RECT after = ClockRect();
  SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof original, const_cast<NONCLIENTMETRICSA*>(&original), 0);
  EXPECT_GT(after.bottom - after.top, before.bottom - before.top) << "the taller caption is framed";
  EXPECT_EQ(after.bottom, 300) << "still standing on the anchor";
}

}  // namespace
