// Start and end of the program: the tray icon, the two ways out, and a
// second copy started beside the first.

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

struct WayOut {
  const char* name;
  UINT message;
  WPARAM wParam;
};

class ExitTest : public ClockTest, public ::testing::WithParamInterface<WayOut> {};

TEST_P(ExitTest, EndsWithCodeZeroAndTakesTheTrayIconAlong) {
  ASSERT_TRUE(Eventually([] { return Holds(!TrayIconsShown(), "another program shows a tray icon"); }));
  ASSERT_NO_FATAL_FAILURE(Launch());
  EXPECT_TRUE(Eventually([&] { return Holds(TrayIconsShown(), "no tray icon shown"); }));
  EXPECT_TRUE(ShellHasIcon(window_, kTrayIconId));
  EXPECT_FALSE(ShellHasIcon(window_, kTrayIconId + 1));

  PostMessageA(window_, GetParam().message, GetParam().wParam, 0);
  DWORD code = 12345;
  ASSERT_TRUE(clock_.Exited(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(WindowsOfClass("Zorvane02").empty());
  EXPECT_TRUE(Eventually([&] { return Holds(!TrayIconsShown(), "tray icon left behind"); }));
}

INSTANTIATE_TEST_SUITE_P(Ways, ExitTest,
                         ::testing::Values(WayOut{"ExitCommand", WM_COMMAND, IDM_EXIT},
                                           WayOut{"CloseBox", WM_SYSCOMMAND, SC_CLOSE}),
                         [](const ::testing::TestParamInfo<WayOut>& info) { return info.param.name; });

// The first copy runs in title mode: its window stays hidden (shown, it
// would stand frozen) and the time goes on in the anchor's caption.
TEST_F(ClockTest, SecondCopyShowsTheFirstSaysSoAndLeaves) {
  ASSERT_NO_FATAL_FAILURE(Launch("[Clock]\r\nTitleIN=1\r\n", Mode::Title));
  ASSERT_FALSE(IsWindowVisible(window_));

  Process second = install_.Start();
  ASSERT_TRUE(second);
  HWND box = nullptr;
  ASSERT_TRUE(Eventually([&] {
    std::vector<HWND> boxes = WindowsOfClass("#32770", second.Id());
    box = boxes.empty() ? nullptr : boxes.front();
    return Holds(box && IsWindowVisible(box), "the second copy shows no message box");
  }));
  EXPECT_EQ(TextOf(box), "Zorvane");
  EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), "既に起動しています");
  EXPECT_TRUE(GetDlgItem(box, IDOK) != nullptr);
  EXPECT_TRUE(GetDlgItem(box, IDCANCEL) == nullptr);
  EXPECT_EQ(GetWindow(box, GW_OWNER), window_);  // owned by the first copy's window

  EXPECT_TRUE(Throughout([&] { return Holds(!IsWindowVisible(window_), "the second copy showed the first's window"); },
                         1200));
  const std::string shown = TextOf(A());
  EXPECT_TRUE(Eventually([&] { return Holds(TextOf(A()) != shown, "the time in A's caption stands still"); }));
  EXPECT_EQ(WindowsOfClass("Zorvane02").size(), 1u);  // the second copy made no window of its own

  PostMessageA(box, WM_COMMAND, IDOK, 0);  // the user presses OK
  DWORD code = 12345;
  ASSERT_TRUE(second.Exited(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(clock_.Running());
  EXPECT_EQ(clock_.ClockWindow(), window_);
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// After the shell restarts, its new taskbar announces itself; the clock must
// put its icon back, or a title-mode clock could no longer be reached.
TEST_F(ClockTest, ANewTaskbarGetsTheTrayIconBack) {
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_TRUE(Eventually([&] { return Holds(ShellHasIcon(window_, kTrayIconId), "no icon"); }));

  // What a restarted shell looks like to the clock: its icon is gone.
  NOTIFYICONDATAA gone{};
  gone.cbSize = NOTIFYICONDATAA_V2_SIZE;
  gone.hWnd = window_;
  gone.uID = kTrayIconId;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
  ASSERT_FALSE(ShellHasIcon(window_, kTrayIconId));

  PostMessageA(window_, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(Eventually([&] { return Holds(ShellHasIcon(window_, kTrayIconId), "icon not re-added"); }));
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// A hand-edited or damaged settings file: whatever any key holds, the clock
// starts, ticks, answers every message at once and ends with code 0 on its
// exit command, giving back what it borrowed.
struct HostileCase {
  const char* name;
  std::string settings;
  Mode mode;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

std::string Repeat(const std::string& s, size_t times) {
  std::string out;
  while (times-- > 0) out += s;
  return out;
}

std::string EveryViewKey(const char* value) {
  std::string keys;
  for (int column = 0; column < kColumns; ++column)
    for (int row = 0; row < kRows; ++row)
      keys += "VIEW" + std::to_string(column) + std::to_string(row) + "=" + value + "\r\n";
  return keys;
}

class HostileSettingsTest : public ClockTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileSettingsTest, AnyValueOfAnyKeyLeavesTheClockWorking) {
  ASSERT_NO_FATAL_FAILURE(Launch(GetParam().settings, GetParam().mode));
  const std::string first = GetParam().mode == Mode::Title ? TextOf(A()) : "";
  EXPECT_TRUE(Throughout([&] {
    DWORD_PTR result = 0;
    return Holds(SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0,
                 "the clock did not answer within a second");
  }, 2500));
  if (GetParam().mode == Mode::Title) {
    EXPECT_TRUE(Eventually([&] { return Holds(TextOf(A()) != first, "the caption stands still"); }, 3000));
  }
  const DWORD start = GetTickCount();
  EXPECT_EQ(ExitClock(), 0u);
  EXPECT_LT(GetTickCount() - start, 3000u) << "the exit took long";
  EXPECT_EQ(TextOf(A()), kCaptionA);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileSettingsTest,
    ::testing::Values(
        // The first of several Heighr lines counts; all are far too large.
        HostileCase{"HugeFont",
                    "[Font]\r\nHeighr=65536\r\nHeighr=30000\r\nHeighr=5000\r\nWidth=2147483647\r\n",
                    Mode::Normal},
        // The largest font allowed, the longest text a format can make, and
        // nonsense in every other key.
        HostileCase{"EveryKey",
                    "[Clock]\r\nTimeFormat=!" + Repeat("$y#W", 63) + "%s\r\nText=2147483648\r\n"
                    "Title=-2147483648\r\nTitleIN=0\r\n" + EveryViewKey("-1") +
                    "[Brush]\r\nColor=99999999999\r\n"
                    "[Font]\r\nHeighr=-500\r\nWidth=500\r\nWeight=2147483647\r\nItalic=-1\r\n"
                    "ULine=999\r\nMLine=-999\r\nName=" + Repeat("書体", 80) + "\r\n",
                    Mode::Normal},
        HostileCase{"TitleMode",
                    "[Clock]\r\nTitleIN=-7\r\nTimeFormat=" + Repeat("%ss", 85) + "\r\n" + EveryViewKey("0") +
                    "[Font]\r\nHeighr=-2147483648\r\nWidth=-1\r\n",
                    Mode::Title}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
