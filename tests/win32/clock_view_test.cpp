// The clock view with real windows: docking at every position, title mode's
// borrowed captions, default drawing objects and their lifetime.

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstring>
#include <cstdio>
#include <string>
#include <thread>

#include "clock/clock_view.h"
#include "clock/window_style.h"
#include "test_support.h"

using namespace testing_support;

namespace {

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

void RegisterTestClasses() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ViewTestWindow";
  RegisterClassExA(&wc);
  done = true;
}

HWND MakeAnchor(const char* caption, int x, int y, int w, int h) {
  RegisterTestClasses();
  HWND a = CreateWindowExA(0, "ViewTestWindow", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, w,
                           h, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  return a;
}

std::string Caption(HWND w) {
  char text[1024] = {};
  GetWindowTextA(w, text, sizeof text);
  return text;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

void MakeForeground(HWND w) {
  SetForegroundWindow(w);
  Pump();
}

// A clock window with the program's own style pair and a view attached.
class ClockViewTest : public SettingsFileTest {
 protected:
  void Open(bool caption = true) {
    RegisterTestClasses();
    window_style::SetCaption(caption);
    clock = CreateWindowExA(window_style::kExStyle, "ViewTestWindow", "Zorvane",
                            window_style::Style(), 0, 0, 100, 40, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, clock);
    view = new ClockView;
    view->Attach(clock, GetModuleHandleA(nullptr));
  }
  void TearDown() override {
    delete view;
    view = nullptr;
    for (HWND w : {clock, anchorA, anchorB}) if (w != nullptr && IsWindow(w)) DestroyWindow(w);
    window_style::SetCaption(true);
    Pump();
    SettingsFileTest::TearDown();
  }
  RECT ClockRect() const {
    RECT r{};
    GetWindowRect(clock, &r);
    return r;
  }
  void Tick() {
    view->ReadTime();
    view->Render();
    Pump();
  }

  HWND clock = nullptr;
  HWND anchorA = nullptr;
  HWND anchorB = nullptr;
  ClockView* view = nullptr;
};

zorvane::Rect ToCore(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

TEST_F(ClockViewTest, DocksAtEveryPositionWithAndWithoutCaption) {
  for (bool caption : {true, false}) {
    SCOPED_TRACE(caption ? "with caption" : "without caption");
    Open(caption);
    anchorA = MakeAnchor("anchor", 300, 250, 500, 300);
    MakeForeground(anchorA);
    for (int index = 0; index < zorvane::kPositions; ++index) {
      view->row = index / 3;
      view->column = index % 3;
      Tick();
      ASSERT_EQ(anchorA, view->AnchorWindow());

      RECT outer = *view->GetTextRect();
      AdjustWindowRectEx(&outer, caption ? 0x80C80000 : 0x80080000, FALSE, 0x289);
      RECT screen, anchor;
      GetWindowRect(GetDesktopWindow(), &screen);
      GetWindowRect(anchorA, &anchor);
      APPBARDATA bar{};
      bar.cbSize = sizeof bar;
      if (!SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) bar.rc = RECT{};
      const zorvane::Rect expected =
          zorvane::PlaceRect(view->row, view->column, ToCore(screen), ToCore(bar.rc),
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

TEST_F(ClockViewTest, WithoutAnAnchorTheClockSitsTopLeftAtTextSize) {
  Open();
  anchorA = MakeAnchor("anchor", 200, 200, 300, 200);
  MakeForeground(anchorA);
  Tick();
  // The anchor goes away between ticks: a step must not use its stale
  // rectangle.
  DestroyWindow(anchorA);
  anchorA = nullptr;
  view->StepForward();
  const RECT r = ClockRect();
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(0, r.top);
  EXPECT_EQ(view->GetTextRect()->right, r.right);
  EXPECT_EQ(view->GetTextRect()->bottom, r.bottom);
}

TEST_F(ClockViewTest, TitleModeBorrowsTheAnchorsCaptionAndGivesItBack) {
  WriteIni("[Clock]\r\nTitleIN=1\r\n");
  Open();
  EXPECT_FALSE(IsWindowVisible(clock)) << "title mode hides the clock window";
  anchorA = MakeAnchor("Window A", 100, 100, 300, 200);
  anchorB = MakeAnchor("Window B", 500, 100, 300, 200);

  MakeForeground(anchorA);
  Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorA));
  EXPECT_FALSE(IsWindowVisible(clock));

  MakeForeground(anchorB);
  Tick();
  EXPECT_EQ("Window A", Caption(anchorA)) << "A gets its caption back on a switch";
  EXPECT_EQ(view->DisplayText(), Caption(anchorB));

  // Switching title mode off gives the caption back at once.
  WriteIni("[Clock]\r\nTitleIN=0\r\n");
  view->LoadTitleMode();
  EXPECT_EQ("Window B", Caption(anchorB));
  EXPECT_TRUE(IsWindowVisible(clock));

  WriteIni("[Clock]\r\nTitleIN=1\r\n");
  view->LoadTitleMode();
  Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorB));
  delete view;  // destruction gives the caption back too
  view = nullptr;
  EXPECT_EQ("Window B", Caption(anchorB));
}

// The clock writes no caption in normal mode, so it gives none back: an
// editor that marked its title "*" after the user typed keeps it.
TEST_F(ClockViewTest, NormalModeLeavesTheApplicationsOwnTitleChanges) {
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

TEST_F(ClockViewTest, AHungAnchorNeitherStopsTheClockNorLosesItsCaption) {
  Open();
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND hung = nullptr;
  HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    hung = MakeAnchor("busy application", 100, 100, 300, 200);
    SetForegroundWindow(hung);
    SetEvent(created);
    WaitForSingleObject(release, 10000);  // not pumping: the window hangs
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    DestroyWindow(hung);
  });
  WaitForSingleObject(created, 5000);
  SetForegroundWindow(hung);

  const auto start = std::chrono::steady_clock::now();
  Tick();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::milliseconds(1500)) << "a tick must not wait on a hung window";

  // Its caption was never read, so switching away must not overwrite it.
  anchorB = MakeAnchor("next", 500, 100, 300, 200);
  MakeForeground(anchorB);
  Tick();
  SetEvent(release);
  owner.join();
  CloseHandle(release);
  CloseHandle(created);
}

TEST_F(ClockViewTest, DefaultsAreWhiteOnBlackInTheDefaultFace) {
  Open();
  EXPECT_EQ(RGB(255, 255, 255), view->TextColor());
  EXPECT_EQ(RGB(0, 0, 0), view->BackColor());
  ASSERT_NE(nullptr, view->Brush());
  ASSERT_NE(nullptr, view->Font());
  LOGFONTA lf{};
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(14, lf.lfHeight);
  EXPECT_EQ(400, lf.lfWeight);
  EXPECT_EQ(SHIFTJIS_CHARSET, lf.lfCharSet);
  EXPECT_STREQ("ＭＳ Ｐゴシック", lf.lfFaceName);

  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  // Default format: "yyyy/mm/dd(Www) hh:mm:ss".
  EXPECT_EQ(24u, std::strlen(view->DisplayText())) << view->DisplayText();

  // The picture: black background, some white text.
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, view->GetBitmap());
  const RECT* text = view->GetTextRect();
  int white = 0, black = 0;
  for (int y = 0; y < text->bottom; ++y)
    for (int x = 0; x < text->right; ++x) {
      const COLORREF c = GetPixel(memory, x, y);
      white += c == RGB(255, 255, 255);
      black += c == RGB(0, 0, 0);
    }
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  EXPECT_GT(white, 0);
  EXPECT_GT(black, white);
}

TEST_F(ClockViewTest, SettingsThatTurnDrawingObjectsOff) {
  WriteIni(
      "[Brush]\r\nColor=4294967295\r\n"
      "[Font]\r\nHeighr=0\r\nItalic=1\r\n");
  Open();
  EXPECT_EQ(nullptr, view->Brush()) << "-1 means no background brush";
  EXPECT_EQ(static_cast<COLORREF>(-1), view->BackColor());
  EXPECT_EQ(nullptr, view->Font()) << "height 0 means the context's own font";

  WriteIni(
      "[Font]\r\nHeighr=-20\r\nItalic=256\r\nULine=257\r\n"
      "Name=ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴ\r\n");
  view->LoadFont();
  LOGFONTA lf{};
  ASSERT_NE(nullptr, view->Font());
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(-20, lf.lfHeight);
  EXPECT_EQ(0, lf.lfItalic) << "only the low byte counts";
  EXPECT_EQ(1, lf.lfUnderline);
  // Cut to 31 bytes at a character boundary: 15 two-byte characters.
  EXPECT_EQ(30u, std::strlen(lf.lfFaceName));
}

TEST_F(ClockViewTest, TwentyThousandTicksLeakNothing) {
  Open();
  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  const int live = gdi::LiveObjects();
  const auto start = std::chrono::steady_clock::now();
  constexpr int kTicks = 20000;
  for (int i = 0; i < kTicks; ++i) {
    view->ReadTime();
    view->Render();
    if (i % 64 == 0) Pump();
  }
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - start).count();
  std::printf("[ measure  ] one tick (ReadTime + Render): %.1f us\n", double(us) / kTicks);
  EXPECT_EQ(live, gdi::LiveObjects());
  EXPECT_NE(nullptr, view->GetBitmap()) << "renders still succeed";
  EXPECT_GT(view->GetTextRect()->right, 0);
}
