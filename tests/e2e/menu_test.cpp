// The popup menus: from the tray icon and from a right click on the clock.
// The driver works them with the keyboard, as a user could. The full menu
// is 設定, ─, 移動 ▸, 移動(進む), 移動(戻る), ─, 終了; the other one holds 終了 only.

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

  HWND menu_ = nullptr;
};

TEST_F(MenuTest, TrayLeftClickOpensTheFullMenu) {
  PostMessageA(window_, kTrayCallback, kTrayIconId, WM_LBUTTONUP);
  ASSERT_TRUE(MenuOpens());
  Press({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // 移動(進む)
  EXPECT_TRUE(DocksAt(kStart + 1, A()));

  PostMessageA(window_, kTrayCallback, kTrayIconId, WM_LBUTTONUP);
  ASSERT_TRUE(MenuOpens());
  // 移動 › 下(外) › 右
  Press({VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_TRUE(DocksAt(BottomOutside * 3 + Right, A()));
  EXPECT_TRUE(clock_.Running());
}

TEST_F(MenuTest, TrayRightClickOpensTheExitOnlyMenu) {
  PostMessageA(window_, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
  ASSERT_TRUE(MenuOpens());
  Press({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // every step lands on 終了
  DWORD code = 12345;
  ASSERT_TRUE(clock_.Exited(&code));
  EXPECT_EQ(code, 0u);
}

// A handler that opened a menu would not return until the menu closes.
TEST_F(MenuTest, OtherTrayNotificationsOpenNothing) {
  const std::pair<WPARAM, LPARAM> notifications[] = {
      {kTrayIconId + 1, WM_LBUTTONUP}, {kTrayIconId + 1, WM_RBUTTONUP}, {kTrayIconId, WM_LBUTTONDBLCLK},
      {kTrayIconId, WM_LBUTTONDOWN},   {kTrayIconId, WM_MOUSEMOVE},     {kTrayIconId, WM_RBUTTONDOWN}};
  for (const auto& n : notifications) {
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(window_, kTrayCallback, n.first, n.second, SMTO_NORMAL, 2000, &result))
        << "icon " << n.first << ", mouse message " << std::hex << n.second;
    EXPECT_EQ(OpenMenu(), nullptr);
  }
}

// The keyboard stays with the user's window. A click on the clock does not
// activate it (the answer to WM_MOUSEACTIVATE) and still steps it; the
// right-click menu takes the foreground while it is open only, and gives it
// back when it ends.
TEST_F(MenuTest, ClicksOnTheClockLeaveTheUsersWindowInFront) {
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutA(window_, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(window_),
                                  MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN), SMTO_NORMAL, 3000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(MA_NOACTIVATE));
  PostMessageA(window_, WM_LBUTTONUP, 0, 0);
  EXPECT_TRUE(DocksAt(kStart + 1, A()));

  PostMessageA(window_, WM_RBUTTONUP, 0, 0);
  ASSERT_TRUE(MenuOpens());
  // A menu whose window is not in front stays open when the user clicks elsewhere.
  EXPECT_TRUE(Eventually([&] { return Holds(GetForegroundWindow() == window_, "the menu's window is not in front"); }));
  Press({VK_ESCAPE});
  EXPECT_TRUE(Eventually([&] { return Holds(OpenMenu() == nullptr && GetForegroundWindow() == A(),
                                            Describe(GetForegroundWindow()) + " is in front"); }));
  EXPECT_TRUE(IsAt(kStart + 1, A()));
}

TEST_F(MenuTest, RightClickOnTheClockOpensTheFullMenuWhileTicksGoOn) {
  PostMessageA(window_, WM_RBUTTONUP, 0, 0);
  ASSERT_TRUE(MenuOpens());

  anchors_.Move(A(), {200, 200, 800, 500});  // placement goes on under the open menu
  EXPECT_TRUE(DocksAt(kStart, A()));

  Press({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // 移動(戻る)
  EXPECT_TRUE(DocksAt(kStart - 1, A()));
  EXPECT_TRUE(Eventually([&] { return Holds(GetForegroundWindow() == A(), Describe(GetForegroundWindow()) + " is in front"); }));
}

}  // namespace
}  // namespace e2e
