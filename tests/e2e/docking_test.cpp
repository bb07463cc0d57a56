// Where the clock window goes: docked to the active application window at
// one of fifteen positions, re-placed at every tick, stepped along a ring.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

// The clock follows the window as it is dragged, step by step, although
// a tick moves the clock only when its place has changed; in the taskbar
// row it stands on the taskbar whatever the window does: at once where the
// system reports other programs' window moves, else (Wine 8) at the tick.
TEST_F(ClockTest, DocksAboveTheActiveWindowAndFollowsIt) {
  ASSERT_NO_FATAL_FAILURE(Launch("[Clock]\r\nTimeFormat=!%hh:%mm\r\n"));
  static bool heard;  // whether the clock's moves are reported here
  heard = false;
  const HWINEVENTHOOK hook = SetWinEventHook(
      EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE, nullptr,
      [](HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) { heard = true; }, clock_.Id(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_TRUE(DocksAt(kStart, A()));
  const Rect clock = RectOf(window_), anchor = RectOf(A());
  EXPECT_EQ(clock.bottom, anchor.top);  // standing on A's top edge
  EXPECT_EQ(clock.left, anchor.left);

  // Milliseconds from `act` until the clock is docked to `to`; 2000 if never.
  std::vector<double> times;
  const auto follow = [&](HWND to, const std::function<void()>& act) {
    const auto start = std::chrono::steady_clock::now();
    const auto ms = [&] { return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(); };
    act();
    const Rect target = Expected(kStart, to, Rect{0, 0, 0, 0});
    for (MSG msg; !(RectOf(window_) == target) && ms() < 2000; Sleep(1))
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    times.push_back(RectOf(window_) == target ? ms() : 2000);
  };
  for (int i = 0; i < 10; ++i) {  // the user drags A, each move at another point of the clock's half second
    const Rect r{100 + 29 * i, 300 - 17 * i, 700 + 29 * i, 500 - 17 * i};
    Sleep(static_cast<DWORD>(37 + (i * 173) % 450));
    follow(A(), [&] { anchors_.Move(A(), r); });
    EXPECT_TRUE(IsAt(kStart, A())) << "A at " << Show(r);
  }
  Sleep(200);
  follow(B(), [&] { anchors_.Click(B()); });  // and switches to B
  EXPECT_TRUE(DocksAt(kStart, B()));
  EXPECT_EQ(GetForegroundWindow(), B());
  UnhookWinEvent(hook);

  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2], most = times.back();
  std::printf("[ measure  ] followed ten moves and a switch %s: median %.0f ms, at most %.0f ms\n",
              heard ? "on the system's window events" : "at the ticks (no window events here)", median, most);
  if (heard) {
    EXPECT_LE(median, 60) << "the clock waited for its tick";
    EXPECT_LE(most, 200);
  } else {
    EXPECT_LE(most, 600) << "a tick did not place the clock";  // a loaded machine may hold one back a little
  }

  PostMessageA(window_, WM_COMMAND, IDM_TASKBAR_RIGHT, 0);
  EXPECT_TRUE(DocksAt(2, B()));
  anchors_.Move(B(), {150, 430, 650, 650});
  EXPECT_TRUE(Throughout([&] { return IsAt(2, B()); }, 1200));
}

// Only application windows are anchors. The shell's windows (a taskbar,
// the desktop), a hidden or a minimised window in front leave the clock
// where it stands; so does the anchor itself when minimised, until an
// application window comes to the front. A borderless window exactly as
// large as the screen (a video, a game) hides the clock; a maximised one
// with a caption is an ordinary anchor.
TEST_F(ClockTest, FollowsOnlyApplicationWindowsAndStepsAsideForFullScreen) {
  ASSERT_NO_FATAL_FAILURE(Launch("[Clock]\r\nTimeFormat=!%hh:%mm\r\n"));
  ASSERT_TRUE(DocksAt(kStart, A()));
  const Rect screen = ScreenRect();
  AnchorWindows others({{"", {0, 760, 1280, 800}, WS_POPUP, "Shell_TrayWnd"},
                        {"Program Manager", screen, WS_POPUP, "Progman"},
                        {"hidden", {100, 100, 400, 300}, WS_OVERLAPPEDWINDOW},
                        {"minimised", {100, 100, 400, 300}, WS_OVERLAPPEDWINDOW},
                        {"video", screen, WS_POPUP}});
  others.ShowAs(others[0], SW_SHOWNA);
  others.ShowAs(others[1], SW_SHOWNA);
  others.ShowAs(others[3], SW_SHOWMINNOACTIVE);
  const Rect docked = RectOf(window_);
  const char* const names[] = {"a taskbar", "the desktop", "a hidden window", "a minimised window"};
  for (int i = 0; i < 4; ++i) {
    if (!others.Front(others[i])) {
      ADD_FAILURE() << names[i] << " did not come to the front; " << Describe(GetForegroundWindow()) << " is";
      continue;
    }
    EXPECT_TRUE(Throughout([&] {
      return Holds(IsWindowVisible(window_) && RectOf(window_) == docked,
                   std::string("with ") + names[i] + " in front the clock is at " + Show(RectOf(window_)));
    }, 1200));
  }

  // The anchor itself is minimised: the clock stays, until B is in front.
  anchors_.ShowAs(A(), SW_MINIMIZE);
  EXPECT_TRUE(Throughout([&] {
    return Holds(IsWindowVisible(window_) && RectOf(window_) == docked, "clock at " + Show(RectOf(window_)));
  }, 1200));
  ASSERT_TRUE(anchors_.Activate(B()));
  EXPECT_TRUE(DocksAt(kStart, B()));

  // A fullscreen program: the clock hides, and is back after.
  others.ShowAs(others[4], SW_SHOWNA);
  ASSERT_TRUE(others.Front(others[4]));
  EXPECT_TRUE(Eventually([&] { return Holds(!IsWindowVisible(window_), "the clock covers a fullscreen window"); }));
  EXPECT_TRUE(Throughout([&] { return Holds(!IsWindowVisible(window_), "the clock came back"); }, 1200));
  ASSERT_TRUE(anchors_.Activate(B()));
  EXPECT_TRUE(DocksAt(kStart, B()));

  // Maximised, with a caption: an ordinary anchor.
  anchors_.ShowAs(B(), SW_MAXIMIZE);
  EXPECT_TRUE(DocksAt(kStart, B()));
  EXPECT_TRUE(IsWindowVisible(window_));
}

// Until an application window has been in the foreground at a tick (at
// start the clock takes the foreground itself), the clock sits in the
// top-left corner, its outer size that of the text.
TEST_F(ClockTest, StartsInTheCornerUntilAnApplicationWindowIsActive) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(Eventually([&] { return Holds(IsWindowVisible(window_), "the clock is not shown"); }));
  const Rect corner = RectOf(window_);
  EXPECT_EQ(corner.left, 0);
  EXPECT_EQ(corner.top, 0);

  ASSERT_NO_FATAL_FAILURE(ClickUntilDocked(A()));
  ASSERT_TRUE(IsAt(kStart, A()));
  RECT text;
  GetClientRect(window_, &text);  // once docked, the client area is the text
  EXPECT_EQ(corner.right, text.right);
  EXPECT_EQ(corner.bottom, text.bottom);
}

// The clock's picture, as the screen shows its client area, with its size.
std::vector<COLORREF> ClientPixels(HWND window) {
  RECT r = {};
  GetClientRect(window, &r);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  std::vector<COLORREF> pixels = {COLORREF(r.right), COLORREF(r.bottom)};
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, r.right, r.bottom, screen, origin.x, origin.y, SRCCOPY);
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x) pixels.push_back(GetPixel(memory, x, y));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// The format language's Japanese (the weekday of #W, 午前/午後 of #A) is the
// clock's own code page 932 text: it looks the same under 1252 as under
// 932, pixel for pixel.
TEST_F(ClockTest, TheClocksJapaneseLooksTheSameUnderEveryCodePage) {
  std::vector<COLORREF> pictures[2];
  const char* const locales[] = {"ja_JP.UTF-8", "C.UTF-8"};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(locales[i]);
    locale_ = locales[i];
    ASSERT_NO_FATAL_FAILURE(Start("[Clock]\r\nTimeFormat=!#W #A\r\n", "2002-07-03 13:05:07"));
    ASSERT_NO_FATAL_FAILURE(ClickUntilDocked(A()));  // docked, the client area is the text
    EXPECT_TRUE(Eventually([&] {
      pictures[i] = ClientPixels(window_);
      const auto black = std::count(pictures[i].begin() + 2, pictures[i].end(), RGB(0, 0, 0));
      return Holds(IsWindowVisible(window_) && black > 0 && black < static_cast<long>(pictures[i].size()) - 2,
                   "no text shown: " + std::to_string(black) + " of " + std::to_string(pictures[i].size() - 2) +
                       " pixels black");
    }));
    EXPECT_EQ(ExitClock(), 0u);
  }
  EXPECT_EQ(pictures[0][0], pictures[1][0]) << "the text's width";
  EXPECT_TRUE(pictures[0] == pictures[1]) << "the text's pixels";
}

// Moved to a monitor of another scale, the clock makes its font for that
// scale and docks by its own rules at the next tick (not at the rectangle
// the message suggests); back on the first scale it is exactly as before.
TEST_F(ClockTest, AnotherScaleRemakesTheFontAndTheDockingRulesPlaceTheClock) {
  ASSERT_NO_FATAL_FAILURE(Launch("[Clock]\r\nTimeFormat=!%hh:%mm\r\n"));
  ASSERT_TRUE(DocksAt(kStart, A()));
  const Rect before = RectOf(window_);
  RECT client;
  GetClientRect(window_, &client);
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  HMODULE user32 = GetModuleHandleA("user32.dll");
  const auto dpiOf = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetDpiForWindow")));
  const auto adjust = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void (*)()>(GetProcAddress(user32, "AdjustWindowRectExForDpi")));
  ASSERT_TRUE(dpiOf && adjust);
  const UINT dpi = dpiOf(window_), twice = 2 * dpi;

  PostMessageA(window_, WM_DPICHANGED, MAKEWPARAM(twice, twice), 0);
  EXPECT_TRUE(Eventually([&] {
    // What the frame for twice the scale leaves of the window: the text.
    const Rect r = RectOf(window_);
    RECT frame = {0, 0, 0, 0};
    adjust(&frame, style_, FALSE, kExStyle, twice);
    const LONG textHeight = (r.bottom - r.top) - (frame.bottom - frame.top);
    const Rect anchor = RectOf(A());
    return Holds(textHeight >= 2 * client.bottom - 2 && r.bottom == anchor.top && r.left == anchor.left,
                 "clock at " + Show(r) + ", text " + std::to_string(textHeight) + " high, was " +
                     std::to_string(client.bottom));
  }));

  PostMessageA(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
  EXPECT_TRUE(Eventually([&] { return Holds(RectOf(window_) == before, "clock at " + Show(RectOf(window_))); }));
  EXPECT_TRUE(DocksAt(kStart, A()));
}

// The caption setting, read once at start, chooses the window style; the
// placement frames the text with that style.
struct StyleCase {
  const char* name;
  const char* settings;
  DWORD style;
};

class StyleTest : public ClockTest, public ::testing::WithParamInterface<StyleCase> {};

TEST_P(StyleTest, CaptionSettingChoosesTheWindowStyle) {
  style_ = GetParam().style;
  ASSERT_NO_FATAL_FAILURE(Launch(GetParam().settings));
  // The system adds WS_CLIPSIBLINGS to every top-level window and
  // WS_EX_WINDOWEDGE to one with a modal frame.
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE)) & ~(WS_CLIPSIBLINGS | WS_VISIBLE), style_);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window_, GWL_EXSTYLE)) & ~WS_EX_WINDOWEDGE, kExStyle);
  EXPECT_TRUE(DocksAt(kStart, A()));
}

INSTANTIATE_TEST_SUITE_P(Title, StyleTest,
                         ::testing::Values(StyleCase{"Absent", "", kStyleCaption},
                                           StyleCase{"Zero", "[Clock]\r\nTitle=0\r\n", kStyleBare},
                                           StyleCase{"Two", "[Clock]\r\nTitle=2\r\n", kStyleCaption},
                                           StyleCase{"NotANumber", "[Clock]\r\nTitle=yes\r\n", kStyleBare}),
                         [](const ::testing::TestParamInfo<StyleCase>& info) { return info.param.name; });

TEST_F(ClockTest, EachPositionCommandTakesEffectAtTheNextTick) {
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_TRUE(DocksAt(kStart, A()));
  for (int n = 1; n <= kPositions; ++n) {  // every position, each one a move
    const int index = (kStart + n) % kPositions;
    PostMessageA(window_, WM_COMMAND, kRing[index].command, 0);
    EXPECT_TRUE(DocksAt(index, A())) << "command " << kRing[index].command;
  }
}

TEST_F(ClockTest, ForwardAndBackWalkTheWholeRingAtOnce) {
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_TRUE(DocksAt(kStart, A()));
  int index = kStart;
  for (int n = 0; n < kPositions; ++n) {  // TopOutside/Centre ... BottomOutside/Right, Taskbar, back to start
    index = (index + 1) % kPositions;
    EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_NEXT, index)) << "forward to " << kRing[index].name;
  }
  for (int n = 0; n < kPositions; ++n) {
    index = (index + kPositions - 1) % kPositions;
    EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_PREV, index)) << "back to " << kRing[index].name;
  }
}

TEST_F(ClockTest, ClickAndSystemMoveStepForwardOtherSystemCommandsDoNothing) {
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_TRUE(DocksAt(kStart, A()));
  EXPECT_TRUE(MovesAtOnce(WM_LBUTTONUP, 0, kStart + 1));
  EXPECT_TRUE(MovesAtOnce(WM_SYSCOMMAND, SC_MOVE, kStart + 2));
  // A drag on the caption arrives as SC_MOVE plus a hit-test code.
  for (WPARAM command : {WPARAM(SC_MOVE | HTCAPTION), WPARAM(SC_SIZE), WPARAM(SC_MINIMIZE), WPARAM(SC_MAXIMIZE)}) {
    EXPECT_TRUE(MovesAtOnce(WM_SYSCOMMAND, command, kStart + 2)) << "system command " << std::hex << command;
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_FALSE(IsIconic(window_) || IsZoomed(window_));
  }
}

// VIEW keys in the settings file: a 0 takes the position out of the ring.

TEST_F(ClockTest, DisabledPositionsAreSkipped) {
  ASSERT_NO_FATAL_FAILURE(Launch("[Clock]\r\nVIEW01=0\r\nVIEW10=0\r\n"));  // no TopOutside/Left, Taskbar/Centre
  EXPECT_TRUE(DocksAt(4, A()));                                             // so it starts at TopOutside/Centre
  EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_PREV, 2));
  EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_PREV, 0));
  EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_NEXT, 2));
  EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_NEXT, 4));
  // The menu still reaches a disabled position; stepping goes on from there.
  PostMessageA(window_, WM_COMMAND, IDM_TOP_OUT_LEFT, 0);
  EXPECT_TRUE(DocksAt(3, A()));
  EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_NEXT, 4));
}

TEST_F(ClockTest, ASingleStopIsWhereEveryStepLands) {
  std::string settings = "[Clock]\r\n";
  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column < kColumns; ++column)
      if (!(row == BottomInside && column == Right))
        settings += "VIEW" + std::to_string(column) + std::to_string(row) + "=0\r\n";
  const int stop = BottomInside * 3 + Right;
  ASSERT_NO_FATAL_FAILURE(Launch(settings));
  EXPECT_TRUE(DocksAt(stop, A()));
  EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_NEXT, stop));
  EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_PREV, stop));
  EXPECT_TRUE(MovesAtOnce(WM_LBUTTONUP, 0, stop));
  PostMessageA(window_, WM_COMMAND, IDM_BOTTOM_OUT_LEFT, 0);  // after the stop: forward wraps round
  EXPECT_TRUE(DocksAt(stop + 1, A()));
  EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_NEXT, stop));
  PostMessageA(window_, WM_COMMAND, IDM_TOP_IN_LEFT, 0);  // before the stop: back wraps round
  EXPECT_TRUE(DocksAt(6, A()));
  EXPECT_TRUE(MovesAtOnce(WM_COMMAND, IDM_MOVE_PREV, stop));
}

}  // namespace
}  // namespace e2e
