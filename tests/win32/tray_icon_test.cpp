// The tray icon's record as the shell gets it (tooltip, image), played
// through system_answers: Wine can neither show a tooltip's text nor change
// the taskbar's scale under a running program.

#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
#include <vector>

#include "app/system_answers.h"
#include "core/japanese_calendar.h"
#include "test_support.h"
#include "window/clock_window.h"
#include "window/tray_icon.h"

namespace {

std::vector<std::pair<DWORD, NOTIFYICONDATAW>> calls;
UINT dpi;
DWORD now;

// A shell that takes every icon and records each call with its record.
system_answers::Answers RecordingShell() {
  calls.clear();
  dpi = 96;
  system_answers::Answers shell = system_answers::Real();
  shell.notifyIcon = [](DWORD message, PNOTIFYICONDATAW data) -> BOOL {
    calls.emplace_back(message, *data);
    return TRUE;
  };
  shell.trayDpi = [] { return dpi; };
  shell.tickCount = []() -> DWORD { return now; };
  return shell;
}

int IconWidth(HICON icon) {
  ICONINFO info{};
  BITMAP mask{};
  if (GetIconInfo(icon, &info)) GetObjectW(info.hbmMask, sizeof mask, &mask);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return mask.bmWidth;
}

}  // namespace

// The tooltip names the clock and gives the date, shown even under the
// current protocol; the shell hears of it only when the date changes.
TEST(TrayIcon, TheTooltipShowsTheDateAndIsToldOnlyWhenItChanges) {
  const system_answers::Answers shell = RecordingShell();
  system_answers::Override use{shell};
  TrayIcon tray;
  tray.Add(reinterpret_cast<HWND>(1), GetModuleHandleW(nullptr));
  EXPECT_EQ(UINT{NIF_TIP | NIF_SHOWTIP}, tray.Data().uFlags & (NIF_TIP | NIF_SHOWTIP));
  const struct { int day, hour; const wchar_t* tip; } cases[] = {  // in September 2026; null: the shell not told
      {22, 0, L"Zorvane\n2026年9月22日(火) 令和8年 国民の休日"}, {22, 23, nullptr},
      {24, 9, L"Zorvane\n2026年9月24日(木) 令和8年"}};
  for (const auto& c : cases) {
    std::tm at{};
    at.tm_year = 126, at.tm_mon = 8, at.tm_mday = c.day, at.tm_hour = c.hour;
    const std::time_t t = _mkgmtime(&at);  // and so the weekday
    gmtime_s(&at, &t);
    const size_t before = calls.size();
    tray.ShowDate(at, zorvane::BuiltInEras());
    ASSERT_EQ(before + (c.tip != nullptr), calls.size()) << c.day << " at " << c.hour;
    if (c.tip != nullptr) { EXPECT_STREQ(c.tip, calls.back().second.szTip); }
  }
}

// After a change of scale the image has the size the notification area asks
// for (16 px at 100 %, 24 at 150 %); with none, the icon is left alone.
TEST(TrayIcon, TheImageFollowsAChangeOfScale) {
  const system_answers::Answers shell = RecordingShell();
  system_answers::Override use{shell};
  ClockWindow clock;
  CreateParams p = testing_support::ClockParams("TrayScaleClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(16, IconWidth(calls.front().second.hIcon));
  const struct { UINT dpi, message; WPARAM wParam; int size; } steps[] = {  // size 0: not modified
      {144, WM_SETTINGCHANGE, 0, 24}, {144, WM_DISPLAYCHANGE, 32, 0}, {96, WM_DPICHANGED, MAKEWPARAM(96, 96), 16}};
  for (const auto& s : steps) {
    dpi = s.dpi;
    const size_t before = calls.size();
    RECT suggested{0, 0, 100, 40};
    SendMessageW(w, s.message, s.wParam, s.message == WM_DPICHANGED ? reinterpret_cast<LPARAM>(&suggested) : 0);
    ASSERT_EQ(before + (s.size != 0), calls.size()) << s.dpi << " message " << s.message;
    if (s.size != 0) { EXPECT_EQ(s.size, IconWidth(calls.back().second.hIcon)) << s.dpi; }
  }
  testing_support::DestroyClock(w);
}

// Windows sends one or two NIN_KEYSELECT for one key press, the second while
// the first one's menu is open: within the double-click time it opens nothing.
TEST(TrayIcon, ASecondKeySelectWithinTheDoubleClickTimeOpensNothing) {
  const system_answers::Answers shell = RecordingShell();
  system_answers::Override use{shell};
  TrayIcon tray;
  tray.Add(reinterpret_cast<HWND>(1), GetModuleHandleW(nullptr));
  const DWORD pair = GetDoubleClickTime(), start = 0xFFFFFF00u;  // the tick count wraps between them
  const struct { DWORD at; bool opens; } presses[] = {
      {start, true}, {start + 1, false}, {start + pair, false}, {start + pair + 1, true}, {start + 3 * pair, true}};
  for (const auto& p : presses) {
    now = p.at;
    const TrayIcon::Request r = tray.Decode(MAKEWPARAM(10, 20), MAKELPARAM(NIN_KEYSELECT, TrayIcon::kId));
    EXPECT_EQ(p.opens, r.menu == TrayIcon::Menu::Full) << "at " << p.at - start << " ms";
  }
}
