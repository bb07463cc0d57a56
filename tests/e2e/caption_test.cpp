// Captions of other applications' windows: in title mode the clock writes
// its text into the active window's caption instead of showing its own
// window, and gives every caption back; in normal mode it writes none.

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

const char kTitleMode[] = "[Clock]\r\nTitleIN=1\r\n";

ULONGLONG Seconds(const SYSTEMTIME& t) {
  FILETIME f;
  SystemTimeToFileTime(&t, &f);
  return ((ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000000;
}

// The default format "$yy/$mm/$dd(#w) %hh:%mm:%ss" at the current local
// time, give or take a tick, with the right weekday name for the date.
::testing::AssertionResult ShowsTheTimeNow(const std::string& text) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wen", "Thu", "Fri", "Sat"};
  SYSTEMTIME shown = {};
  char day[4] = {}, back[64];
  int y, mo, d, h, mi, s;
  if (sscanf(text.c_str(), "%4d/%2d/%2d(%3[A-Za-z]) %2d:%2d:%2d", &y, &mo, &d, day, &h, &mi, &s) != 7)
    return ::testing::AssertionFailure() << "\"" << text << "\" is no clock text";
  snprintf(back, sizeof back, "%04d/%02d/%02d(%s) %02d:%02d:%02d", y, mo, d, day, h, mi, s);
  if (text != back) return ::testing::AssertionFailure() << "\"" << text << "\" lacks leading zeros or has more";
  shown = {WORD(y), WORD(mo), 0, WORD(d), WORD(h), WORD(mi), WORD(s), 0};
  FILETIME f;
  if (!SystemTimeToFileTime(&shown, &f)) return ::testing::AssertionFailure() << "\"" << text << "\": no such date";
  FileTimeToSystemTime(&f, &shown);  // fills in the weekday
  if (std::string(day) != kDays[shown.wDayOfWeek])
    return ::testing::AssertionFailure() << "\"" << text << "\": that day is " << kDays[shown.wDayOfWeek];
  SYSTEMTIME now;
  GetLocalTime(&now);
  const LONGLONG drift = LONGLONG(Seconds(now)) - LONGLONG(Seconds(shown));
  if (drift < -1 || drift > 3) return ::testing::AssertionFailure() << "\"" << text << "\" is " << drift << " s off";
  return ::testing::AssertionSuccess();
}

TEST_F(ClockTest, TitleModeWritesTheTimeIntoTheActiveCaptionAndGivesItBack) {
  ASSERT_NO_FATAL_FAILURE(Launch(kTitleMode, Mode::Title));
  EXPECT_TRUE(Eventually([&] { return ShowsTheTimeNow(TextOf(A())); }));
  const std::string first = TextOf(A());
  EXPECT_TRUE(Eventually([&] { return Holds(TextOf(A()) != first, "the time in A's caption stands still"); }));
  EXPECT_FALSE(IsWindowVisible(window_));
  EXPECT_EQ(TextOf(B()), kCaptionB);

  ASSERT_TRUE(anchors_.Activate(B()));  // the user switches to B
  EXPECT_TRUE(Eventually([&] { return Holds(TextOf(A()) == kCaptionA, "A has not got its caption back"); }))
      << "A shows " << TextOf(A());
  EXPECT_TRUE(Eventually([&] { return ShowsTheTimeNow(TextOf(B())); }));
  EXPECT_FALSE(IsWindowVisible(window_));

  // B's application retitles its window under the clock's text (a browser
  // goes to another page): the clock writes over it again, and the newer
  // title is the one that comes back.
  SetWindowTextA(B(), "アンカー窓B - 2ページ目");
  EXPECT_TRUE(Eventually([&] { return ShowsTheTimeNow(TextOf(B())); }));
  ASSERT_TRUE(anchors_.Activate(A()));
  EXPECT_TRUE(Eventually([&] {
    return Holds(TextOf(B()) == "アンカー窓B - 2ページ目", "B shows " + TextOf(B()));
  }));
  EXPECT_TRUE(Eventually([&] { return ShowsTheTimeNow(TextOf(A())); }));

  // Messages reach the clock while it waits in its own caption writes: the
  // window written to brings the other one to the front and sends the
  // clock a time change and a resume. The clock still answers, and each
  // window it leaves gets its own caption back exactly.
  anchors_.InterruptWrites(window_, 6);
  EXPECT_TRUE(Eventually([&] {
    return Holds(anchors_.InterruptionsLeft() == 0, std::to_string(anchors_.InterruptionsLeft()) + " writes to come");
  }, 15000));
  DWORD_PTR answer = 0;
  EXPECT_NE(0, SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &answer)) << "the clock does not answer";
  ASSERT_TRUE(anchors_.Activate(A()));
  EXPECT_TRUE(Eventually([&] {
    return Holds(TextOf(B()) == "アンカー窓B - 2ページ目", "B shows " + TextOf(B()));
  }));
  EXPECT_TRUE(Eventually([&] { return ShowsTheTimeNow(TextOf(A())); }));

  EXPECT_EQ(ExitClock(), 0u);
  EXPECT_EQ(TextOf(A()), kCaptionA);  // given back before the process ends
  EXPECT_EQ(TextOf(B()), "アンカー窓B - 2ページ目");
}

// In title mode the desktop ("Program Manager", a caption other programs
// look windows up by) never gets the time. While the session is locked no
// caption changes, even when the lock was posted; at unlock the time is
// written at once. At log-off the caption goes back before the clock is told
// to end.
TEST_F(ClockTest, TitleModeLeavesTheDesktopAloneQuietWhileLockedGivesBackAtLogOff) {
  ASSERT_NO_FATAL_FAILURE(Launch(kTitleMode, Mode::Title));
  EXPECT_TRUE(Eventually([&] { return ShowsTheTimeNow(TextOf(A())); }));
  AnchorWindows desktop({{"Program Manager", ScreenRect(), WS_POPUP, "Progman"}});
  desktop.ShowAs(desktop[0], SW_SHOWNA);
  ASSERT_TRUE(desktop.Front(desktop[0]));
  EXPECT_TRUE(Throughout([&] {
    return Holds(TextOf(desktop[0]) == "Program Manager" && !IsWindowVisible(window_),
                 "the desktop shows \"" + TextOf(desktop[0]) + "\"");
  }, 1200));
  EXPECT_TRUE(ShowsTheTimeNow(TextOf(A()))) << "the anchor stays A";

  DWORD_PTR result = 0;
  ASSERT_TRUE(PostMessageA(window_, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0));
  // Taken in its turn: the caption then stands still.
  EXPECT_TRUE(Eventually([&] {
    const std::string locked = TextOf(A());
    return Throughout([&] { return Holds(TextOf(A()) == locked, "the caption changes while locked"); }, 1600);
  }, 6000));
  const std::string locked = TextOf(A());
  ASSERT_TRUE(SendMessageTimeoutA(window_, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0, SMTO_NORMAL, 3000, &result));
  EXPECT_NE(TextOf(A()), locked) << "not written at once at unlock";
  EXPECT_TRUE(ShowsTheTimeNow(TextOf(A())));

  ASSERT_TRUE(SendMessageTimeoutA(window_, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &result));
  EXPECT_EQ(TextOf(A()), kCaptionA) << "not given back at log-off";
  EXPECT_TRUE(Throughout([&] { return Holds(TextOf(A()) == kCaptionA, "written again after log-off"); }, 1200));
}

TEST_F(ClockTest, NormalModeLeavesCaptionsAlone) {
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_TRUE(DocksAt(kStart, A()));
  EXPECT_EQ(TextOf(A()), kCaptionA);
  ASSERT_TRUE(anchors_.Activate(B()));
  ASSERT_TRUE(DocksAt(kStart, B()));
  EXPECT_EQ(TextOf(A()), kCaptionA);
  EXPECT_EQ(TextOf(B()), kCaptionB);
  EXPECT_EQ(ExitClock(), 0u);
  EXPECT_EQ(TextOf(A()), kCaptionA);
  EXPECT_EQ(TextOf(B()), kCaptionB);
}

// In normal mode the clock writes no caption, so an application's own new
// title survives a switch away and the clock's exit.
TEST_F(ClockTest, NormalModeKeepsTheApplicationsNewTitle) {
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_TRUE(DocksAt(kStart, A()));
  SetWindowTextA(A(), "改名したA");  // the application renames its window
  ASSERT_TRUE(anchors_.Activate(B()));
  ASSERT_TRUE(DocksAt(kStart, B()));
  EXPECT_TRUE(Throughout([&] { return Holds(TextOf(A()) == "改名したA", "A shows " + TextOf(A())); }, 1200));
  EXPECT_EQ(ExitClock(), 0u);
  EXPECT_EQ(TextOf(A()), "改名したA");
}

// Browser tabs, editors and chat programs show titles with characters that
// the system's code page lacks: emoji and accented letters under 932,
// Japanese under 1252; and a page title may run to thousands of characters.
// The clock keeps what it borrows in UTF-16 and gives each title back
// exactly, at a switch and at exit.
class ExactTitleTest : public ClockTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExactTitleTest, TitlesComeBackExactlyWhateverTheirCharactersAndLength) {
  locale_ = GetParam();
  const std::wstring titleA = L"Caf\u00E9 \u2615 \u4E2D\u6587 r\u00E9sum\u00E9 \u2713 \U0001F600 \u65E5\u672C\u8A9E";
  std::wstring titleB;
  for (int i = 0; titleB.size() < 3000; ++i) titleB += L"\u30DA\u30FC\u30B8 " + std::to_wstring(i) + L" \U0001F4D6 ";
  SetWindowTextW(A(), titleA.c_str());
  SetWindowTextW(B(), titleB.c_str());
  ASSERT_NO_FATAL_FAILURE(Start(kTitleMode));
  ASSERT_TRUE(anchors_.Activate(A()));
  EXPECT_TRUE(Eventually([&] { return ShowsTheTimeNow(TextOf(A())); }, 10000));

  ASSERT_TRUE(anchors_.Activate(B()));
  EXPECT_TRUE(Eventually([&] { return Holds(WideTextOf(A()) == titleA, "A shows " + Utf8(WideTextOf(A()))); }));
  EXPECT_TRUE(Eventually([&] { return ShowsTheTimeNow(TextOf(B())); }));
  EXPECT_EQ(ExitClock(), 0u);
  EXPECT_TRUE(WideTextOf(B()) == titleB) << "B's title of " << titleB.size() << " characters came back as "
                                          << WideTextOf(B()).size() << ": " << Utf8(WideTextOf(B())).substr(0, 200);
  EXPECT_TRUE(WideTextOf(A()) == titleA);
}

INSTANTIATE_TEST_SUITE_P(CodePages, ExactTitleTest, ::testing::Values("ja_JP.UTF-8", "C.UTF-8"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param[0] == 'j' ? "Cp932" : "Cp1252");
                         });

// With the wall clock frozen, the text is known to the second. 3 July 2002
// was a Wednesday, which the clock calls "Wen"; 22 September 2026, a
// Tuesday, is a 国民の休日 between 敬老の日 and 秋分の日; 1 May 2019 is the
// first day of 令和; 23 November 2026 is 勤労感謝の日.
struct FrozenCase {
  const char* name;
  const char* settings;
  const char* frozenAt;
  Mode mode;
  const char* text;
  const char* locale;  // the clock's, when not the driver's own (932)
};

// The size of `text` in the clock's default font (ＭＳ Ｐゴシック, 14 pixels
// at 100 %), measured as the clock measures it.
SIZE DefaultFontSize(const char* text) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTA lf{};
  lf.lfHeight = MulDiv(14, dpi, 96);
  lf.lfOrientation = 4;
  lf.lfWeight = 400;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  std::strcpy(lf.lfFaceName, "ＭＳ Ｐゴシック");
  HFONT font = CreateFontIndirectA(&lf);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ was = SelectObject(dc, font);
  RECT r{};
  DrawTextA(dc, text, -1, &r, DT_CALCRECT);
  SelectObject(dc, was);
  DeleteDC(dc);
  DeleteObject(font);
  return {r.right, r.bottom};
}

class FrozenClockTest : public ClockTest, public ::testing::WithParamInterface<FrozenCase> {};

// Title mode: the caption holds the text. Normal mode: the clock's client
// area is the measured text, which a missing or extra field would change.
TEST_P(FrozenClockTest, ShowsTheTextOfTheFrozenTime) {
  const FrozenCase& c = GetParam();
  if (c.locale) locale_ = c.locale;
  ASSERT_NO_FATAL_FAILURE(Launch(c.settings, c.mode, c.frozenAt));
  if (c.mode == Mode::Title) {
    const std::wstring text = test_files::Wide(c.text);
    EXPECT_TRUE(Eventually([&] { return Holds(WideTextOf(A()) == text, "A shows " + Utf8(WideTextOf(A()))); }));
  } else {
    const SIZE want = DefaultFontSize(c.text);
    ASSERT_GT(want.cx, 0);
    EXPECT_TRUE(Eventually([&] {
      RECT client{};
      GetClientRect(window_, &client);
      return Holds(client.right == want.cx && client.bottom == want.cy,
                   "the clock's client area is " + std::to_string(client.right) + "x" +
                       std::to_string(client.bottom) + ", the text's " + std::to_string(want.cx) + "x" +
                       std::to_string(want.cy));
    }));
  }
  EXPECT_EQ(ExitClock(), 0u);
  EXPECT_EQ(TextOf(A()), kCaptionA);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FrozenClockTest,
    ::testing::Values(FrozenCase{"Default", kTitleMode, "2002-07-03 13:05:07", Mode::Title, "2002/07/03(Wen) 13:05:07", nullptr},
                      FrozenCase{"Japanese", "[Clock]\r\nTitleIN=1\r\nTimeFormat=!$yy年$m月$d日(#W) #A%H時%mm分%s秒\r\n",
                                 "2002-07-03 13:05:07", Mode::Title, "2002年7月3日(水) 午後1時05分7秒", nullptr},
                      // The clock's Japanese is its own code page 932 whatever the system's is.
                      FrozenCase{"JapaneseUnder1252", "[Clock]\r\nTitleIN=1\r\nTimeFormat=!#W #A\r\n",
                                 "2002-07-03 13:05:07", Mode::Title, "水 午後", "C.UTF-8"},
                      FrozenCase{"EraAndHolidayInTheCaption",
                                 "[Clock]\r\nTitleIN=1\r\nTimeFormat=!$g$E年$m月$d日(#W) #h#H $G$ee.$mm.$dd %hh:%mm ($G$e)\r\n",
                                 "2026-09-22 13:05:07", Mode::Title, "令和8年9月22日(火) 国民の休日祝 R08.09.22 13:05 (R8)",
                                 nullptr},
                      FrozenCase{"FirstYearOfAnEraInTheCaption",
                                 "[Clock]\r\nTitleIN=1\r\nTimeFormat=!$g$E年 $G$ee [#h#H] $EE\r\n",
                                 "2019-05-01 00:00:05", Mode::Title, "令和元年 R01 [] 元", nullptr},
                      // Other zones by the system's data: at 07:00 UTC on 8 March 2026 New
                      // York has just gone to summer time, Los Angeles (still 7 March) and
                      // Berlin not yet; on 29 March at 01:00 Europe has.
                      FrozenCase{"ZonesAcrossTheUsChange",
                                 "[Clock]\r\nTitleIN=1\r\nTimeFormat=!NY #{America/New_York}%hh:%mm#z LA "
                                 "#{America/Los_Angeles}$m/$d(#W) %hh:%mm#z ベルリン #{Europe/Berlin}%hh:%mm#z\r\n",
                                 "2026-03-08 07:00:00", Mode::Title,
                                 "NY 03:00-04:00 LA 3/7(土) 23:00-08:00 ベルリン 08:00+01:00", nullptr},
                      FrozenCase{"ZonesAcrossTheEuropeanChange",
                                 "[Clock]\r\nTitleIN=1\r\nTimeFormat=!#{Europe/Paris}%hh:%mm#z "
                                 "#{Asia/Kolkata}%hh:%mm#z #{Asia/Kathmandu}%hh:%mm#z #{}%hh:%mm#z W$ww\r\n",
                                 "2026-03-29 01:00:00", Mode::Title,
                                 "03:00+02:00 06:30+05:30 06:45+05:45 01:00+00:00 W13", nullptr},
                      FrozenCase{"EraAndHolidayInTheClockWindow",
                                 "[Clock]\r\nTimeFormat=!$g$E年$m月$d日 #h#H $G$ee\r\n",
                                 "2026-11-23 13:05:07", Mode::Normal, "令和8年11月23日 勤労感謝の日祝 R08", nullptr}),
    [](const ::testing::TestParamInfo<FrozenCase>& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
