// The popup menus: from the tray icon and from a right click on the clock.
// The driver works them with the keyboard, as a user could. The full menu
// is 設定, ─, 移動 ▸, 移動(進む), 移動(戻る), ─, Windows の起動時に開始, ─, 終了;
// the other one holds 終了 only. Clicks on the clock are real mouse input.

#include <initializer_list>
#include <utility>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

class MenuTest : public ClockTest {
 protected:
  void SetUp() override {
    ClockTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(DocksAt(kStart, A()));
  }

  // The popup menu the clock has open, or null.
  HWND OpenMenu() const {
    for (HWND w : WindowsOfClass("#32768", clock_.Id()))
      if (IsWindowVisible(w)) return w;
    return nullptr;
  }

  ::testing::AssertionResult MenuOpens() {
    return Eventually([&] { return Holds((menu_ = OpenMenu()) != nullptr, "no popup menu opened"); });
  }

  // Keys go to the menu's message loop, which runs on the clock's thread.
  void Press(std::initializer_list<WPARAM> keys) const {
    for (WPARAM key : keys) {
      PostMessageA(menu_, WM_KEYDOWN, key, 1);
      PostMessageA(menu_, WM_KEYUP, key, 0xC0000001);
    }
  }

  // A real click in the middle of the clock's client area (its caption would
  // start a move that takes the foreground). Every record carries the point:
  // under Wine a crossing event from the X pointer's old place can come
  // between press and release and send a release without one elsewhere.
  ::testing::AssertionResult ClickClock(DWORD down, DWORD up) const {
    RECT client{};
    GetClientRect(window_, &client);
    POINT at{client.right / 2, client.bottom / 2};
    ClientToScreen(window_, &at);
    if (WindowFromPoint(at) != window_)
      return ::testing::AssertionFailure() << Describe(WindowFromPoint(at)) << " lies under the clock's middle";
    const auto normalised = [](LONG v, int metric) {
      const int size = GetSystemMetrics(metric);
      return (v * 65535 + size / 2) / (size - 1);
    };
    for (DWORD button : {DWORD{0}, down, up}) {
      INPUT step{INPUT_MOUSE, {}};
      step.mi = {normalised(at.x, SM_CXSCREEN), normalised(at.y, SM_CYSCREEN), 0,
                 MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | button, 0, 0};
      if (SendInput(1, &step, sizeof step) != 1) return ::testing::AssertionFailure() << "SendInput failed";
    }
    return ::testing::AssertionSuccess();
  }

  // What the shell sends for `event` on the clock's icon (NOTIFYICON_VERSION_4).
  void Tray(UINT event, UINT icon = kTrayIconId) const {
    PostMessageA(window_, kTrayCallback, MAKEWPARAM(640, 790), MAKELPARAM(event, icon));
  }

  HWND menu_ = nullptr;
};

// NIN_SELECT after the release belongs to the click: one menu.
TEST_F(MenuTest, TrayLeftClickOpensTheFullMenu) {
  Tray(WM_LBUTTONUP);
  Tray(NIN_SELECT);
  ASSERT_TRUE(MenuOpens());
  Press({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // 移動(進む)
  EXPECT_TRUE(DocksAt(kStart + 1, A()));
  EXPECT_TRUE(Throughout([&] { return Holds(OpenMenu() == nullptr, "a second menu opened"); }, 1000));

  Tray(WM_LBUTTONUP);
  ASSERT_TRUE(MenuOpens());
  // 移動 › 下(外) › 右
  Press({VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_TRUE(DocksAt(BottomOutside * 3 + Right, A()));
  EXPECT_TRUE(clock_.Running());
}

TEST_F(MenuTest, TrayRightClickOpensTheExitOnlyMenu) {
  Tray(WM_RBUTTONUP);
  Tray(WM_CONTEXTMENU);  // the click's own
  ASSERT_TRUE(MenuOpens());
  Press({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // every step lands on 終了
  DWORD code = 12345;
  ASSERT_TRUE(clock_.Exited(&code));
  EXPECT_EQ(code, 0u);
}

// From the keyboard (Enter or Space: NIN_KEYSELECT; the menu key or
// Shift+F10: WM_CONTEXTMENU) the full menu's item writes this exe's quoted
// path over a moved copy's Run entry and clears the disable mark; chosen
// again, it removes the entry.
TEST_F(MenuTest, FromTheKeyboardStartWithWindowsSetsAndRemovesTheRunEntry) {
  const wchar_t* run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const wchar_t* approved = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
  const auto read = [](const wchar_t* key) {
    wchar_t value[2048] = L"(none)";
    DWORD size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, key, L"Zorvane", RRF_RT_ANY, nullptr, value, &size);
    return std::wstring(value);
  };
  const wchar_t elsewhere[] = L"\"C:\\Old\\Zorvane.exe\"";
  const BYTE disabled[12] = {3};
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, run, L"Zorvane", REG_SZ, elsewhere, sizeof elsewhere));
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, approved, L"Zorvane", REG_BINARY, disabled, 12));
  const std::pair<UINT, std::wstring> steps[] = {{NIN_KEYSELECT, L"\"" + install_.Exe() + L"\""},
                                                 {WM_CONTEXTMENU, L"(none)"}};
  for (const auto& step : steps) {
    Tray(step.first);
    ASSERT_TRUE(MenuOpens());
    Press({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // Windows の起動時に開始
    EXPECT_TRUE(Eventually([&] {
      return Holds(CompareStringOrdinal(read(run).c_str(), -1, step.second.c_str(), -1, TRUE) == CSTR_EQUAL,
                   "Run holds " + Utf8(read(run)) + ", not " + Utf8(step.second));
    }));
    EXPECT_EQ(L"(none)", read(approved)) << "the disable mark stayed";
  }
  RegDeleteKeyValueW(HKEY_CURRENT_USER, run, L"Zorvane");
}

// A handler that opened a menu would not return until the menu closes.
TEST_F(MenuTest, OtherTrayNotificationsOpenNothing) {
  const std::pair<WPARAM, LPARAM> notifications[] = {
      {0, MAKELPARAM(WM_LBUTTONUP, kTrayIconId + 1)}, {0, MAKELPARAM(WM_RBUTTONUP, kTrayIconId + 1)},
      {0, MAKELPARAM(NIN_KEYSELECT, kTrayIconId + 1)}, {0, MAKELPARAM(WM_LBUTTONDBLCLK, kTrayIconId)},
      {0, MAKELPARAM(WM_LBUTTONDOWN, kTrayIconId)},    {0, MAKELPARAM(WM_MOUSEMOVE, kTrayIconId)},
      {0, MAKELPARAM(WM_RBUTTONDOWN, kTrayIconId)},    {kTrayIconId, WM_LBUTTONUP},
      {~WPARAM{0}, ~LPARAM{0}},                        {1, 1}};
  for (const auto& n : notifications) {
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(window_, kTrayCallback, n.first, n.second, SMTO_NORMAL, 2000, &result))
        << "icon " << n.first << ", mouse message " << std::hex << n.second;
    EXPECT_EQ(OpenMenu(), nullptr);
  }
}

// A click steps the clock without activating it; the right-click menu
// takes the foreground while open only (else a click elsewhere leaves it
// open), and gives it back.
TEST_F(MenuTest, ClicksOnTheClockLeaveTheUsersWindowInFront) {
  ASSERT_TRUE(ClickClock(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP));
  EXPECT_TRUE(DocksAt(kStart + 1, A()));  // after the release, so after the press too
  EXPECT_TRUE(Holds(GetForegroundWindow() == A(), Describe(GetForegroundWindow()) + " is in front after the click"));
  ASSERT_TRUE(ClickClock(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP));
  ASSERT_TRUE(MenuOpens());
  EXPECT_TRUE(Eventually([&] { return Holds(GetForegroundWindow() == window_, "the menu's window is not in front"); }));
  Press({VK_ESCAPE});
  EXPECT_TRUE(Eventually([&] {
    return Holds(OpenMenu() == nullptr && GetForegroundWindow() == A(), Describe(GetForegroundWindow()) + " is in front");
  }));
  EXPECT_TRUE(IsAt(kStart + 1, A()));
}

TEST_F(MenuTest, RightClickOnTheClockOpensTheFullMenuWhileTicksGoOn) {
  PostMessageA(window_, WM_RBUTTONUP, 0, 0);
  ASSERT_TRUE(MenuOpens());

  anchors_.Move(A(), {200, 200, 800, 500});  // placement goes on under the open menu
  EXPECT_TRUE(DocksAt(kStart, A()));

  Press({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // 移動(戻る)
  EXPECT_TRUE(DocksAt(kStart - 1, A()));
}

}  // namespace
}  // namespace e2e
