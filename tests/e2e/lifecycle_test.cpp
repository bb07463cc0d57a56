// Start and end of the program: the tray icon, the two ways out, and a
// second copy started beside the first.

#include <oleacc.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

struct WayOut {
  const char* name;
  UINT message;
  WPARAM wParam;
  LPARAM lParam = 0;
  bool notified = false;  // by SendNotifyMessage, which does not wait
};

class ExitTest : public ClockTest, public ::testing::WithParamInterface<WayOut> {};

TEST_P(ExitTest, EndsWithCodeZeroAndTakesTheTrayIconAlong) {
  ASSERT_TRUE(Eventually([] { return Holds(!TrayIconsShown(), "another program shows a tray icon"); }));
  ASSERT_NO_FATAL_FAILURE(Launch());
  // Each state another process reaches is waited for: the shell holds the
  // clock's icon and shows it (Launch can end within some 100 ms of the
  // start, when the clock's first tick found anchor A in front).
  EXPECT_TRUE(Eventually([&] {
    return Holds(ShellHasIcon(window_, kTrayIconId) && TrayIconsShown(), "the shell shows no icon of the clock");
  }));
  EXPECT_FALSE(ShellHasIcon(window_, kTrayIconId + 1));

  if (GetParam().notified)
    SendNotifyMessageA(window_, GetParam().message, GetParam().wParam, GetParam().lParam);
  else
    SendMessageTimeoutA(window_, GetParam().message, GetParam().wParam, GetParam().lParam, SMTO_NORMAL, 5000, nullptr);
  DWORD code = 12345;
  ASSERT_TRUE(clock_.Exited(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(Eventually([&] { return Holds(WindowsOfClass("Zorvane02").empty(), "a clock window is left"); }));
  EXPECT_TRUE(Eventually([&] { return Holds(!TrayIconsShown(), "tray icon left behind"); }));
}

INSTANTIATE_TEST_SUITE_P(Ways, ExitTest,
                         ::testing::Values(WayOut{"ExitCommand", WM_COMMAND, IDM_EXIT},
                                           WayOut{"CloseBox", WM_SYSCOMMAND, SC_CLOSE},
                                           // An installer or the Restart Manager closes the clock.
                                           WayOut{"CloseApp", WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, true}),
                         [](const ::testing::TestParamInfo<WayOut>& info) { return info.param.name; });

// UI Automation's name for `window`; none where the system lacks it (Wine 8)
// or gives no answer within 10 s (asked on a thread of its own, left behind
// then). Debian 12's MinGW lacks its interfaces: vtable slots are called.
std::optional<std::string> NameThroughAutomation(HWND window) {
  auto name = std::make_shared<std::optional<std::string>>();
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread([window, name, done] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const CLSID clsid = {0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
    const IID iid = {0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
    const auto slot = [](IUnknown* object, int index) { return (*reinterpret_cast<void***>(object))[index]; };
    IUnknown *automation = nullptr, *element = nullptr;
    BSTR text = nullptr;
    if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(&automation))) &&
        SUCCEEDED(reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(IUnknown*, HWND, IUnknown**)>(slot(automation, 6))(
            automation, window, &element)) &&  // ElementFromHandle
        SUCCEEDED(reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(IUnknown*, BSTR*)>(slot(element, 23))(element, &text)))
      *name = text ? Utf8(text) : "";  // get_CurrentName
    SetEvent(done);
  }).detach();
  return WaitForSingleObject(done, 10000) == WAIT_OBJECT_0 ? *name : std::nullopt;
}

// A screen reader in another process finds a clock named by the text it
// shows, with no value (it would read the time twice); frozen, that text
// announces no change.
TEST_F(ClockTest, ScreenReadersReadTheTextTheClockShows) {
  ASSERT_NO_FATAL_FAILURE(Launch("", Mode::Normal, "2002-07-03 13:05:07"));
  const std::string shown = "2002/07/03(Wen) 13:05:07";
  static int changes;
  changes = 0;
  const HWINEVENTHOOK hook = SetWinEventHook(
      EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
      [](HWINEVENTHOOK, DWORD, HWND, LONG object, LONG, DWORD, DWORD) { changes += object == OBJID_CLIENT; },
      clock_.Id(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  IAccessible* clock = nullptr;
  ASSERT_EQ(S_OK, AccessibleObjectFromWindow(window_, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&clock)));
  VARIANT self{}, role{};
  self.vt = VT_I4;  // CHILDID_SELF
  EXPECT_TRUE(clock->get_accRole(self, &role) == S_OK && role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_CLOCK);
  using Read = HRESULT(STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
  const std::pair<Read, std::string> reads[] = {{&IAccessible::get_accName, shown}, {&IAccessible::get_accValue, ""}};
  for (const auto& [get, expected] : reads) {
    BSTR text = nullptr;
    EXPECT_EQ(expected, (clock->*get)(self, &text) == S_OK && text ? Utf8(text) : "(none)");
    SysFreeString(text);
  }
  clock->Release();
  EXPECT_TRUE(Throughout([&] {
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
    return Holds(changes == 0, "a name change was announced while the text stood still");
  }, 1500));
  UnhookWinEvent(hook);
  CoUninitialize();
  if (const std::optional<std::string> name = NameThroughAutomation(window_))
    EXPECT_EQ(shown, *name) << "through UI Automation";
  else
    std::printf("note: UI Automation gave no name here; it was not checked\n");
}

// A first copy started as administrator holds a mutex this copy may not
// fully open (here its access list grants nothing): still "already running".
TEST_F(ClockTest, AMutexThatCannotBeFullyOpenedStillMeansAlreadyRunning) {
  SECURITY_DESCRIPTOR nobody;
  InitializeSecurityDescriptor(&nobody, SECURITY_DESCRIPTOR_REVISION);
  ACL empty;
  InitializeAcl(&empty, sizeof empty, ACL_REVISION);
  SetSecurityDescriptorDacl(&nobody, TRUE, &empty, FALSE);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &nobody, FALSE};
  HANDLE elevated = CreateMutexA(&attributes, FALSE, "Zorvane");
  ASSERT_TRUE(elevated != nullptr);
  Process copy = install_.Start();
  ASSERT_TRUE(copy);
  EXPECT_TRUE(Eventually([&] {
    const std::vector<HWND> boxes = WindowsOfClass("#32770", copy.Id());
    return Holds(!boxes.empty() && IsWindowVisible(boxes[0]), "no message box");
  }, 10000));
  EXPECT_TRUE(WindowsOfClass("Zorvane02").empty()) << "a second clock runs";
  copy.End();  // OK to the box
  DWORD code = 12345;
  EXPECT_TRUE(copy.Exited(&code));
  EXPECT_EQ(code, 0u);
  CloseHandle(elevated);
}

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
// exit command, giving back what it borrowed, even after another program
// posts it every message it handles with parameters that point nowhere.
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
  const std::pair<UINT, WPARAM> posted[] = {
      {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE}, {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC}, {WM_WINDOWPOSCHANGING, 0},
      {WM_DPICHANGED, MAKEWPARAM(65535, 65535)}, {WM_DPICHANGED, MAKEWPARAM(1, 1)}, {WM_TIMECHANGE, 0}, {WM_PAINT, 0},
      {WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS}, {WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK}, {WM_ENDSESSION, FALSE},
      {WM_DISPLAYCHANGE, 32}, {WM_THEMECHANGED, 0}, {kTrayCallback, kTrayIconId}, {kTrayCallback, kTrayIconId + 1},
      {WM_TIMER, 7}, {WM_MOUSEACTIVATE, 0}, {WM_COPYDATA, 0}, {WM_COMMAND, 0xFFFF}, {WM_SYSCOMMAND, 0x1234},
      {WM_APP + 1, 0}, {RegisterWindowMessageA("TaskbarCreated"), 0}};
  for (const auto& m : posted) PostMessageA(window_, m.first, m.second, 1);  // 1: nowhere
  const std::string first = GetParam().mode == Mode::Title ? TextOf(A()) : "";
  EXPECT_TRUE(Throughout([&] {
    DWORD_PTR result = 0;
    return Holds(SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0,
                 "the clock did not answer within a second");
  }, 2500));
  if (GetParam().mode == Mode::Title) {
    EXPECT_TRUE(Eventually([&] { return Holds(TextOf(A()) != first, "the caption stands still"); }, 3000));
  } else {
    anchors_.Move(A(), {200, 200, 800, 500});  // the ticks still dock it
    EXPECT_TRUE(DocksAt(kStart, A()));
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
