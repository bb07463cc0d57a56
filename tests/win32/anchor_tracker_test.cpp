// The anchor: which windows become the one the clock docks to, and how the
// clock follows what the system reports of it.

#include "view_test_support.h"

using namespace view_testing;

namespace {

class AnchorTrackerTest : public ClockViewTest {};

// Until an application window has been in front the clock waits in the
// corner at the size of its text. After that only application windows are
// anchors: the shell's windows, hidden, minimised, cloaked and tool windows
// and no foreground at all leave the anchor as it was, and while the anchor
// itself cannot be seen the clock stays where it stood.
TEST_F(AnchorTrackerTest, OnlyApplicationWindowsAreAnchors) {
  InjectedAnswers injected;
  Open();
  Tick();
  RECT r = ClockRect();
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(0, r.top);
  EXPECT_EQ(view->GetTextRect()->right, r.right);
  EXPECT_EQ(view->GetTextRect()->bottom, r.bottom);

  anchorA = MakeAnchor("anchor", 200, 200, 300, 200);
  MakeForeground(anchorA);
  Tick();
  const RECT docked = ClockRect();
  ASSERT_EQ(anchorA, view->AnchorWindow());
  ASSERT_EQ(200, docked.bottom);

  HWND taskbar = MakeWindow("Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, 0, 760, 1280, 40);
  HWND desktop = MakeWindow("Progman", "Program Manager", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 800);
  HWND hidden = MakeWindow("ViewTestWindow", "hidden", WS_OVERLAPPEDWINDOW, 50, 50, 300, 200);
  HWND minimised = MakeWindow("ViewTestWindow", "minimised", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_MINIMIZE,
                              50, 50, 300, 200);
  HWND launcher = MakeWindow("ViewTestWindow", "launcher", WS_POPUP | WS_VISIBLE, 50, 50, 300, 200,
                             WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  anchorB = MakeWindow("ViewTestWindow", "cloaked", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 300, 300, 200,
                       WS_EX_TOOLWINDOW | WS_EX_APPWINDOW);
  InjectedAnswers::cloakedWindow = anchorB;
  for (HWND w : {taskbar, desktop, hidden, minimised, launcher, anchorB}) {
    MakeForeground(w);
    Tick();
    EXPECT_EQ(anchorA, view->AnchorWindow()) << Caption(w);
    EXPECT_TRUE(ToCore(docked) == ToCore(ClockRect())) << Caption(w);
  }
  EXPECT_EQ("Program Manager", Caption(desktop));

  // The anchor itself is minimised, hidden, then closed: the clock stays.
  ShowWindow(anchorA, SW_MINIMIZE);
  Tick();
  EXPECT_TRUE(ToCore(docked) == ToCore(ClockRect()));
  ShowWindow(anchorA, SW_HIDE);
  Tick();
  EXPECT_TRUE(ToCore(docked) == ToCore(ClockRect()));
  DestroyWindow(anchorA);
  anchorA = nullptr;
  view->StepForward();  // a step must not use the gone window's rectangle
  Tick();
  EXPECT_TRUE(ToCore(docked) == ToCore(ClockRect()));
  EXPECT_TRUE(IsWindowVisible(clock));

  // An application window comes to the front: a tool window marked as one.
  InjectedAnswers::cloakedWindow = nullptr;
  MakeForeground(anchorB);
  Tick();
  EXPECT_EQ(anchorB, view->AnchorWindow());
  EXPECT_NE(docked.left, ClockRect().left);
  for (HWND w : {taskbar, desktop, hidden, minimised, launcher}) DestroyWindow(w);
}

// Only reports of the anchor's own window or the foreground are followed, a burst as one move.
TEST_F(AnchorTrackerTest, FollowsWhatTheSystemReportsOfTheAnchor) {
  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\n");  // a text that never changes
  Open();
  AnchorTracker& tracker = view->Anchor();
  view->ListenToAnchor(true);
  anchorA = MakeAnchor("Window A", 300, 250, 500, 300);
  anchorB = MakeAnchor("Window B", 500, 100, 300, 200);
  MakeForeground(anchorA);
  Tick();
  EXPECT_EQ(GetCurrentProcessId(), tracker.HookedProcess()) << "the anchor's program";
  view->ListenToAnchor(false);  // from here on the test hands in every event
  EXPECT_EQ(0, AnchorTracker::LiveHooks());

  const auto settled = [&] {  // the asked-for placement made, within 2 s
    for (const DWORD start = GetTickCount(); tracker.FollowAsked() && GetTickCount() - start < 2000; Pump())
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    return !tracker.FollowAsked();
  };
  const LONG W = OBJID_WINDOW;
  const struct { DWORD event; HWND window; LONG object; bool follows; } events[] = {
      {EVENT_OBJECT_LOCATIONCHANGE, anchorA, W, true}, {EVENT_OBJECT_LOCATIONCHANGE, anchorA, OBJID_CARET, false},
      {EVENT_OBJECT_LOCATIONCHANGE, anchorA, OBJID_CURSOR, false}, {EVENT_OBJECT_LOCATIONCHANGE, anchorB, W, false},
      {EVENT_OBJECT_LOCATIONCHANGE, clock, W, false}, {EVENT_OBJECT_NAMECHANGE, anchorA, W, false},
      {EVENT_SYSTEM_MINIMIZESTART, anchorA, W, true}, {EVENT_SYSTEM_MINIMIZEEND, anchorA, W, true},
      {EVENT_SYSTEM_MINIMIZESTART, anchorB, W, false}, {EVENT_OBJECT_HIDE, anchorA, W, true},
      {EVENT_OBJECT_SHOW, anchorA, W, true}, {EVENT_OBJECT_DESTROY, anchorA, W, true},
      {0x8017, anchorA, W, true}, {0x8018, anchorA, W, true},  // cloaked, uncloaked
      {EVENT_SYSTEM_FOREGROUND, anchorB, W, true}, {EVENT_SYSTEM_FOREGROUND, clock, W, false}};
  for (const auto& e : events) {
    const int follows = SentTo(clock).follows;
    tracker.OnEvent(e.event, e.window, e.object, CHILDID_SELF);
    EXPECT_TRUE(settled());
    EXPECT_EQ(follows + e.follows, SentTo(clock).follows) << std::hex << e.event << " " << &e - events;
  }

  // A drag: ten reports before the clock's thread gets to them, and no drawing.
  const unsigned drawings = view->CallsSoFar().drawings;
  const int follows = SentTo(clock).follows;
  MoveWindow(anchorA, 340, 270, 500, 300, TRUE);
  for (int i = 0; i < 10; ++i) tracker.OnEvent(EVENT_OBJECT_LOCATIONCHANGE, anchorA, W, CHILDID_SELF);
  EXPECT_TRUE(settled());
  EXPECT_EQ(follows + 1, SentTo(clock).follows);
  EXPECT_EQ(drawings, view->CallsSoFar().drawings);
  EXPECT_EQ(340, ClockRect().left);
}

}  // namespace
