// Title mode and stepping aside: which window shows the text, when the
// clock hides for a fullscreen program, and that showing it never takes
// the user's window from them.

#include "view_test_support.h"

using namespace view_testing;

namespace {

class TitleModeTest : public ClockViewTest {};

// A fullscreen program in front (by its shape or the shell's word): the
// clock hides and writes no caption, and is back at the first tick after;
// the key FullScreen=1 keeps the clock over fullscreen programs.
TEST_F(TitleModeTest, StepsAsideForFullScreenPrograms) {
  InjectedAnswers injected;
  RECT screen;
  GetWindowRect(GetDesktopWindow(), &screen);
  const int w = screen.right - screen.left, h = screen.bottom - screen.top;
  for (const char* settings : {"[Clock]\r\nTitleIN=0\r\n", "[Clock]\r\nTitleIN=1\r\n",
                               "[Clock]\r\nFullScreen=1\r\n"}) {
    SCOPED_TRACE(settings);
    const bool title = std::strstr(settings, "TitleIN=1") != nullptr;
    const bool stays = std::strstr(settings, "FullScreen=1") != nullptr;
    WriteIni(settings);
    Open();
    anchorA = MakeWindow("ViewTestWindow", "video", WS_POPUP | WS_VISIBLE, screen.left, screen.top, w, h);
    anchorB = MakeAnchor("editor", screen.left, screen.top, w, h);  // captioned, filling the screen
    MakeForeground(anchorB);
    Tick();
    EXPECT_FALSE(view->AsideForFullScreen());
    EXPECT_EQ(title ? view->DisplayText() : "editor", Caption(anchorB));

    MakeForeground(anchorA);
    Tick();
    EXPECT_EQ(!stays, view->AsideForFullScreen());
    EXPECT_EQ(!title && stays, IsWindowVisible(clock) != FALSE);
    EXPECT_EQ("video", Caption(anchorA)) << "no caption written over a fullscreen program";
    EXPECT_EQ("editor", Caption(anchorB)) << "given back as at a switch";

    // The same window one pixel short of the monitor is an ordinary anchor.
    MoveWindow(anchorA, screen.left, screen.top, w, h - 1, FALSE);
    Tick();
    EXPECT_FALSE(view->AsideForFullScreen());
    EXPECT_EQ(!title, IsWindowVisible(clock) != FALSE);
    EXPECT_EQ(title ? view->DisplayText() : "video", Caption(anchorA));

    // The shell's word: a presentation or a game (4, 3), or busy (2).
    for (int state : {4, 3, 2}) {
      InjectedAnswers::state = state;
      Tick();
      const bool aside = !stays && state != 2;
      EXPECT_EQ(aside, view->AsideForFullScreen()) << state;
      EXPECT_EQ(aside ? false : !title, IsWindowVisible(clock) != FALSE) << state;
      EXPECT_EQ(aside || !title ? "video" : view->DisplayText(), Caption(anchorA)) << state;
    }
    MakeForeground(anchorB);
    Tick();
    EXPECT_EQ(!stays, view->AsideForFullScreen());
    InjectedAnswers::state = 5;
    Tick();
    EXPECT_FALSE(view->AsideForFullScreen());
    EXPECT_EQ(!title, IsWindowVisible(clock) != FALSE);
    EXPECT_EQ(title ? view->DisplayText() : "editor", Caption(anchorB));

    // Maximised and borderless, filling the screen.
    SetWindowLongA(anchorB, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    ShowWindow(anchorB, SW_MAXIMIZE);
    MoveWindow(anchorB, screen.left, screen.top, w, h, FALSE);
    MakeForeground(anchorB);
    Tick();
    EXPECT_EQ(!stays, view->AsideForFullScreen());
    TearDown();
  }
}

// The clock appears at its first tick, after the settings dialog, and when
// title mode is switched off, always without taking the keyboard from the
// window the user works in.
TEST_F(TitleModeTest, ShowingTheClockLeavesTheUserInTheirWindow) {
  WriteIni("[Clock]\r\nTitleIN=1\r\n");
  Open();
  anchorA = MakeAnchor("Window A", 100, 100, 300, 200);
  MakeForeground(anchorA);
  WriteIni("[Clock]\r\nTitleIN=0\r\n");
  view->LoadTitleMode();
  Pump();
  EXPECT_TRUE(IsWindowVisible(clock));
  EXPECT_EQ(anchorA, GetForegroundWindow());

  ShowWindow(clock, SW_HIDE);  // as at start, and while the settings dialog is open
  MakeForeground(anchorA);
  Tick();
  EXPECT_TRUE(IsWindowVisible(clock));
  EXPECT_EQ(anchorA, GetForegroundWindow());
}

// The clock writes no caption in normal mode, so it gives none back: an
// editor that marked its title "*" after the user typed keeps it.
TEST_F(TitleModeTest, NormalModeLeavesTheApplicationsOwnTitleChanges) {
  Open();
  anchorA = MakeAnchor("original", 100, 100, 300, 200);
  anchorB = MakeAnchor("other", 500, 100, 300, 200);
  MakeForeground(anchorA);
  Tick();
  EXPECT_TRUE(IsWindowVisible(clock));
  SetWindowTextA(anchorA, "changed by its application");
  MakeForeground(anchorB);
  Tick();
  EXPECT_EQ("changed by its application", Caption(anchorA));
  delete view;
  view = nullptr;
  EXPECT_EQ("changed by its application", Caption(anchorA));
}

}  // namespace
