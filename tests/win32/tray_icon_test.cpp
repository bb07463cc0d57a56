// The tray icon's record as the shell gets it (tooltip, image), played
// through system_answers: Wine can neither show a tooltip's text nor change
// the taskbar's scale under a running program.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "clock/system_answers.h"
#include "core/japanese_calendar.h"
#include "test_support.h"
#include "window/clock_window.h"
#include "window/tray_icon.h"

namespace {

// A shell that takes every icon and records each call with its record.
struct RecordingShell {
  struct Call {
    DWORD message;
    NOTIFYICONDATAW data;
  };
  static inline std::vector<Call> calls;
  static inline UINT dpi = 96;

  static BOOL WINAPI Notify(DWORD message, PNOTIFYICONDATAW data) {
    calls.push_back({message, *data});
    return TRUE;
  }
  static UINT Dpi() { return dpi; }

  RecordingShell() : answers(system_answers::Real()) {
    calls.clear();
    dpi = 96;
    answers.notifyIcon = Notify;
    answers.trayDpi = Dpi;
  }
  size_t Count(DWORD message) const {
    return static_cast<size_t>(std::count_if(calls.begin(), calls.end(), [&](const Call& c) {
      return c.message == message;
    }));
  }
  system_answers::Answers answers;
  system_answers::Override use{answers};
};

std::tm Day(int year, int month, int day, int hour) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  std::time_t at = _mkgmtime(&t);  // fills in the weekday
  gmtime_s(&t, &at);
  return t;
}

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return 0;
  BITMAP bits{};
  GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bits, &bits);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bits.bmWidth;
}

}  // namespace

// The tooltip names the clock and gives the date in full, the era and the
// holiday where there is one; the shell hears of it only when the date
// changes, not at each tick of the same day.
TEST(TrayIcon, TheTooltipShowsTheDateAndIsToldOnlyWhenItChanges) {
  RecordingShell shell;
  TrayIcon tray;
  tray.Add(reinterpret_cast<HWND>(1), GetModuleHandleW(nullptr));
  EXPECT_TRUE(tray.Data().uFlags & NIF_TIP);
  EXPECT_TRUE(tray.Data().uFlags & NIF_SHOWTIP) << "the current protocol hides a tooltip not asked for";
  struct Case {
    std::tm at;
    const wchar_t* tip;  // null: the same date as before
  } const cases[] = {
      {Day(2026, 9, 22, 0), L"Zorvane\n2026年9月22日(火) 令和8年 国民の休日"},
      {Day(2026, 9, 22, 13), nullptr}, {Day(2026, 9, 22, 23), nullptr},
      {Day(2026, 9, 23, 0), L"Zorvane\n2026年9月23日(水) 令和8年 秋分の日"},
      {Day(2026, 12, 7, 9), L"Zorvane\n2026年12月7日(月) 令和8年"},
      {Day(2019, 5, 1, 9), L"Zorvane\n2019年5月1日(水) 令和元年"},
  };
  size_t modifies = shell.Count(NIM_MODIFY);
  for (const Case& c : cases) {
    tray.ShowDate(c.at, zorvane::BuiltInEras());
    if (c.tip != nullptr) ++modifies;
    EXPECT_EQ(modifies, shell.Count(NIM_MODIFY)) << c.at.tm_mday << "/" << c.at.tm_hour;
    if (c.tip != nullptr) {
      EXPECT_STREQ(c.tip, shell.calls.back().data.szTip);
    }
  }
}

// After a change of display scale the image is made at the size the
// notification area now asks for (16 px at 100 %, 24 px at 150 %) and the
// icon modified once; a message that changes no scale changes nothing.
TEST(TrayIcon, TheImageFollowsAChangeOfScale) {
  RecordingShell shell;
  ClockWindow clock;
  CreateParams p = testing_support::ClockParams("TrayScaleClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  ASSERT_FALSE(shell.calls.empty());
  EXPECT_EQ(DWORD{NIM_ADD}, shell.calls.front().message);
  EXPECT_EQ(16, IconWidth(shell.calls.front().data.hIcon));
  struct Step {
    UINT dpi;
    UINT message;
    WPARAM wParam;
    int size;  // 0: not modified
  } const steps[] = {
      {144, WM_SETTINGCHANGE, 0, 24},  {144, WM_SETTINGCHANGE, 0, 0}, {144, WM_DISPLAYCHANGE, 32, 0},
      {120, WM_DISPLAYCHANGE, 32, 20}, {96, WM_DPICHANGED, MAKEWPARAM(96, 96), 16},
  };
  for (const Step& s : steps) {
    RecordingShell::dpi = s.dpi;
    const size_t before = shell.calls.size();
    RECT suggested{0, 0, 100, 40};
    SendMessageW(w, s.message, s.wParam, s.message == WM_DPICHANGED ? reinterpret_cast<LPARAM>(&suggested) : 0);
    if (s.size == 0) {
      EXPECT_EQ(before, shell.calls.size()) << s.dpi << " message " << std::hex << s.message;
      continue;
    }
    ASSERT_EQ(before + 1, shell.calls.size()) << s.dpi << " message " << std::hex << s.message;
    EXPECT_EQ(DWORD{NIM_MODIFY}, shell.calls.back().message);
    EXPECT_EQ(s.size, IconWidth(shell.calls.back().data.hIcon)) << s.dpi;
  }
  testing_support::DestroyClock(w);
}
