// The clock view's tick: what a tick costs when nothing changed, a growing
// text, settings applied as a whole, the busy state that keeps messages
// back, and what twenty thousand ticks leave behind.

#include "view_test_support.h"

using namespace view_testing;

namespace {

// Twice a second, and nothing has changed: the text is the same, the
// anchor is still. Such a tick asks nothing of the taskbar, draws nothing,
// moves nothing and writes no caption; each change costs its own work once.
TEST_F(ClockViewTest, ATickThatChangesNothingCostsNothing) {
  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\n");  // a text that never changes
  Open();
  anchorA = MakeAnchor("Window A", 300, 250, 500, 300);
  MakeForeground(anchorA);
  Tick();
  ClockView::Calls before = view->CallsSoFar();
  int moves = SentTo(clock).moves;
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(before.taskbarQueries, view->CallsSoFar().taskbarQueries);
  EXPECT_EQ(before.drawings, view->CallsSoFar().drawings);
  EXPECT_EQ(moves, SentTo(clock).moves);
  EXPECT_EQ(0, SentTo(anchorA).captions);

  MoveWindow(anchorA, 200, 250, 500, 300, TRUE);  // the user drags the window
  Tick();
  Tick();
  EXPECT_EQ(moves + 1, SentTo(clock).moves) << "one move follows the anchor";
  EXPECT_EQ(before.drawings, view->CallsSoFar().drawings) << "a move needs no new picture";

  view->SetPosition(zorvane::Taskbar, view->Column());  // only this row asks for the taskbar, at every tick
  Tick();
  Tick();
  EXPECT_EQ(before.taskbarQueries + 2, view->CallsSoFar().taskbarQueries);
  view->SetPosition(zorvane::TopOutside, view->Column());

  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\nTitleIN=1\r\n");  // applied as a whole
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorA));
  EXPECT_EQ(1, SentTo(anchorA).captions) << "one caption write per change of text";

  WriteIni("[Clock]\r\nTimeFormat=!Zorvane 2\r\nTitleIN=1\r\n");
  Tick();
  Tick();
  EXPECT_EQ(2, SentTo(anchorA).captions);
  EXPECT_EQ(before.drawings + 2, view->CallsSoFar().drawings) << "one drawing per text";
}

// When the text grows by a character (second 9 to second 10), the same tick
// measures the longer text, widens the window at its docked place and draws
// the whole text into a picture of the new size.
TEST_F(ClockViewTest, AGrowingTextWidensEverythingOnOneTickAndALongFormatIsCut) {
  WriteIni("[Clock]\r\nTimeFormat=!%s\r\n");
  Open();
  anchorA = MakeAnchor("Window A", 300, 250, 500, 300);
  MakeForeground(anchorA);
  const std::time_t nine = 1025701509;  // some minute's ninth second in any zone
  view->SetTime(nine, 0);
  view->Render();
  Pump();
  ASSERT_STREQ("9", view->DisplayText());
  const LONG narrow = view->GetTextRect()->right;

  view->SetTime(nine + 1, 0);
  view->Render();
  Pump();
  ASSERT_STREQ("10", view->DisplayText());
  const RECT text = *view->GetTextRect();
  EXPECT_GT(text.right, narrow);
  RECT client;
  GetClientRect(clock, &client);
  EXPECT_EQ(text.right, client.right);
  EXPECT_EQ(text.bottom, client.bottom);
  RECT outer = text, screen, anchor;
  AdjustWindowRectEx(&outer, window_style::Style(), FALSE, window_style::kExStyle);
  GetWindowRect(GetDesktopWindow(), &screen);
  GetWindowRect(anchorA, &anchor);
  EXPECT_EQ(zorvane::PlaceRect(view->Row(), view->Column(), ToCore(screen), zorvane::Rect{0, 0, 0, 0},
                               ToCore(anchor), outer.right - outer.left, outer.bottom - outer.top),
            ToCore(ClockRect()));

  BITMAP held{};
  ASSERT_NE(0, GetObjectA(view->GetBitmap(), sizeof held, &held));
  EXPECT_EQ(text.right, held.bmWidth);
  EXPECT_EQ(text.bottom, held.bmHeight);
  // The "0" stands in the right half: some of its pixels are in the text's
  // colour (white on the default black).
  int lit = 0;
  for (int x = text.right / 2; x < text.right; ++x)
    for (int y = 0; y < text.bottom; ++y) lit += GetPixel(view->PictureDC(), x, y) == RGB(255, 255, 255);
  EXPECT_GT(lit, 0) << "the new character is not in the picture";

  // A stored format longer than the settings reader returns shows cut to
  // its first 254 bytes: 255 come back, less the lead-in.
  WriteIni("[Clock]\r\nTimeFormat=!" + std::string(300, 'x') + "\r\n");
  view->LoadFormat();
  view->Render();
  EXPECT_EQ(std::string(254, 'x'), view->DisplayText());
}

// The drawing's own move can bring a scale change (WM_DPICHANGED) while
// the font is selected into the picture, and a caption write answers
// messages sent to the clock while the send holds a loan: throughout
// both the view says it is busy, so that the clock window keeps that work
// until the call has returned.
TEST_F(ClockViewTest, TheViewIsBusyThroughItsDrawingsMoveAndItsCaptionSends) {
  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\n");  // a text that never changes
  Open();
  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  EXPECT_FALSE(view->Busy());
  busyView = view;
  busyWindow = clock;
  view->LoadBrush();  // the next tick draws,
  MoveWindow(anchorA, 320, 300, 400, 200, TRUE);  // and moves
  Tick();
  EXPECT_EQ(1, busySeen) << "in the move";
  EXPECT_EQ(0, idleSeen);

  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\nTitleIN=1\r\n");
  view->LoadTitleMode();
  busyWindow = anchorA;
  busySeen = idleSeen = 0;
  Tick();
  EXPECT_GE(busySeen, 1) << "in the caption write";
  EXPECT_EQ(0, idleSeen);
  EXPECT_FALSE(view->Busy());
  busyWindow = nullptr;
  busyView = nullptr;
}

// New settings are taken up as a whole: the view remakes what changed and
// keeps the rest; title mode on hides the clock window, off shows it.
TEST_F(ClockViewTest, AppliedSettingsRemakeOnlyWhatChanged) {
  Open();
  zorvane::Settings s = view->CurrentSettings();
  const HFONT font = view->Font();
  const HBRUSH brush = view->Brush();
  view->Apply(s);
  EXPECT_EQ(font, view->Font());
  EXPECT_EQ(brush, view->Brush());

  s.font.weight = 700;
  s.clock.titleIn = 1;
  view->Apply(s);
  LOGFONTA lf{};
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(700, lf.lfWeight);
  EXPECT_EQ(brush, view->Brush());
  EXPECT_FALSE(IsWindowVisible(clock));

  const HFONT bold = view->Font();
  s.brush.color = 0x00FF00;
  s.clock.titleIn = 0;
  view->Apply(s);
  EXPECT_EQ(bold, view->Font());
  EXPECT_EQ(COLORREF{0x00FF00}, view->BackColor());
  EXPECT_TRUE(IsWindowVisible(clock));
}

TEST_F(ClockViewTest, TwentyThousandTicksLeakNothing) {
  Open();
  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  const int live = gdi::LiveObjects();
  const auto start = std::chrono::steady_clock::now();
  constexpr int kTicks = 20000;
  const unsigned drawings = view->CallsSoFar().drawings;
  for (int i = 0; i < kTicks; ++i) {
    // Every tenth tick gets a new brush, so a tenth of the ticks draw a
    // new picture, as a tick does whenever the text changes.
    if (i % 10 == 0) view->LoadBrush();
    view->ReadTime();
    view->Render();
    if (i % 64 == 0) Pump();
  }
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - start).count();
  std::printf("[ measure  ] one tick (ReadTime + Render, a tenth of them drawing): %.1f us\n",
              double(us) / kTicks);
  EXPECT_GE(view->CallsSoFar().drawings - drawings, unsigned(kTicks / 10));
  EXPECT_EQ(live, gdi::LiveObjects());
  EXPECT_NE(nullptr, view->GetBitmap()) << "renders still succeed";
  EXPECT_GT(view->GetTextRect()->right, 0);
}

}  // namespace
