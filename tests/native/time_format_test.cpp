// The clock's format language: presets, doubling, escapes, the "error" end,
// Internet time and code page 932 text. Literals here are CP932 bytes.

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "core/decimal.h"
#include "core/tick_phase.h"
#include "core/time_format.h"

namespace zorvane {
namespace {

// Wednesday 3 July 2002 13:05:07.
std::tm Reference() {
  std::tm t{};
  t.tm_sec = 7; t.tm_min = 5; t.tm_hour = 13;
  t.tm_mday = 3; t.tm_mon = 6; t.tm_year = 102; t.tm_wday = 3;
  return t;
}

std::tm At(int hour, int minute, int second) {
  std::tm t = Reference();
  t.tm_hour = hour; t.tm_min = minute; t.tm_sec = second;
  return t;
}

// Runs a stored value (lead-in included) over `t`.
std::string Stored(const char* stored, const std::tm& t = Reference()) {
  char text[kTextSize];
  std::memset(text, 'x', sizeof text);  // the pass must clear old text
  int pad = 7;
  FormatTime(stored, t, text, pad);
  return text;
}

// A format as the user typed it: the stored form adds the "!" lead-in.
std::string Fmt(const std::string& format, const std::tm& t = Reference()) {
  return Stored(("!" + format).c_str(), t);
}

TEST(TimeFormat, PresetsOnReferenceDay) {
  EXPECT_EQ(Fmt("$y/$m/$d(#w) %h:%m:%s"), "2002/7/3(Wen) 13:5:7");
  EXPECT_EQ(Fmt("$yy/$mm/$dd(#w) %hh:%mm:%ss"), "2002/07/03(Wen) 13:05:07");
  EXPECT_EQ(Fmt("$y年$m月$d日(#W曜日)  #A %H時%m分%s秒"), "2002年7月3日(水曜日)  午後 1時5分7秒");
  EXPECT_EQ(Fmt("$yy年$mm月$dd日(#W曜日)  #A %HH時%mm分%ss秒"),
            "2002年07月03日(水曜日)  午後 01時05分07秒");
  EXPECT_EQ(Fmt("$Y/$m/$d(#w)"), "2/7/3(Wen)");
  EXPECT_EQ(Fmt("#a %H:%m:%s"), "pm 1:5:7");
  EXPECT_EQ(Fmt("$y年$m月$d日(#W曜日)"), "2002年7月3日(水曜日)");
  EXPECT_EQ(Fmt("#A %H時%m分%s秒"), "午後 1時5分7秒");
}

TEST(TimeFormat, DoublingIsCaseSensitiveAndConsumesBothLetters) {
  EXPECT_EQ(Fmt("%mM"), "5M");
  EXPECT_EQ(Fmt("%hH"), "13H");
  EXPECT_EQ(Fmt("$yyy"), "2002y");
  EXPECT_EQ(Fmt("#ww"), "Wen");
  EXPECT_EQ(Fmt("$DD.$MM %SS"), "03.07 07");
  // The flag is set by every marker, so padding does not leak forwards.
  EXPECT_EQ(Fmt("%ss %s"), "07 7");
}

TEST(TimeFormat, EscapesTakeAThirdMarkerAlong) {
  EXPECT_EQ(Fmt("%%H"), "%H");
  EXPECT_EQ(Fmt("%%%H"), "%H");
  EXPECT_EQ(Fmt("##"), "#");
  EXPECT_EQ(Fmt("$$$y"), "$y");
  EXPECT_EQ(Fmt("####"), "#error");
}

TEST(TimeFormat, UnknownPairEndsThePassWithError) {
  EXPECT_EQ(Fmt("abc%"), "abcerror");
  EXPECT_EQ(Fmt("a%xb"), "aerror");
  EXPECT_EQ(Fmt("%hh%"), "13error");
  EXPECT_EQ(Fmt("$h"), "error");    // letters belong to one marker only
  EXPECT_EQ(Fmt("%y%h"), "error");
  EXPECT_EQ(Fmt("#@x#"), "@211xerror");
  // A marker before a two-byte character: its lead byte is no letter.
  EXPECT_EQ(Fmt("%水%h"), "error");
  EXPECT_EQ(Fmt("$試"), "error");  // 0x8E 0x8E: the lead byte looks doubled
}

TEST(TimeFormat, TwoByteCharactersPassThroughWhole) {
  // 表 and ソ end in 0x5C, ァ in 0x40 ('@'): trail bytes that are not markers.
  EXPECT_EQ(Fmt("表ソァ%h"), "表ソァ13");
  EXPECT_EQ(Fmt("#W#A"), "水午後");
}

TEST(TimeFormat, HalfDayAndYearBoundaries) {
  EXPECT_EQ(Fmt("%H %HH #a #A", At(12, 0, 0)), "0 00 pm 午後");
  EXPECT_EQ(Fmt("%H %HH #a #A", At(0, 0, 0)), "0 00 am 午前");
  EXPECT_EQ(Fmt("%H #a #A", At(11, 59, 59)), "11 am 午前");
  EXPECT_EQ(Fmt("%H", At(23, 0, 0)), "11");
  std::tm t = Reference();
  t.tm_year = 100;
  EXPECT_EQ(Fmt("$Y $YY $y", t), "0 00 2000");
  t.tm_year = 99;
  EXPECT_EQ(Fmt("$y $Y", t), "1999 99");
}

TEST(TimeFormat, InternetTime) {
  EXPECT_EQ(Fmt("#@@"), "@0211");
  EXPECT_EQ(Fmt("#@", At(8, 0, 0)), "@0");
  EXPECT_EQ(Fmt("#@@", At(8, 0, 0)), "@00");
  EXPECT_EQ(Fmt("#@", At(7, 59, 59)), "@999");
  EXPECT_EQ(Fmt("#@", At(0, 0, 0)), "@666");
  // S = 1296 is exactly 15 beats; a division by the double 86.4 gives 14.
  EXPECT_EQ(Beats(8, 21, 36), 15);
  EXPECT_EQ(Beats(8, 21, 35), 14);
}

TEST(TimeFormat, BeatsAreExactFloorOverTheWholeDay) {
  for (int h = 0; h < 24; ++h) {
    for (int m = 0; m < 60; ++m) {
      for (int s = 0; s < 60; ++s) {
        const long S = (h >= 8 ? h - 8 : h + 16) * 3600L + m * 60L + s;
        const int b = Beats(h, m, s);
        ASSERT_EQ(b, S * 5 / 432) << h << ':' << m << ':' << s;
        ASSERT_GE(b, 0);
        ASSERT_LE(b, 999);
        // b <= S / 86.4 < b + 1, in integers.
        ASSERT_LE(b * 864L, S * 10);
        ASSERT_GT((b + 1) * 864L, S * 10);
      }
    }
  }
}

TEST(TimeFormat, BeatsStayWithinTheirRangeForAnyField) {
  // Fields outside their range count from the day's start either way.
  const int cases[][4] = {{8, -1, 0, 999}, {8, 0, -1, 999}, {7, 60, 0, 0}, {-1, -59, 0, 584}};
  for (const auto& c : cases) EXPECT_EQ(c[3], Beats(c[0], c[1], c[2])) << c[0] << ':' << c[1] << ':' << c[2];
  for (const int f : {INT_MIN, INT_MAX}) EXPECT_TRUE(Beats(f, f, f) >= 0 && Beats(f, f, f) <= 999) << f;
}

TEST(TimeFormat, LeadInAndEmptyValues) {
  EXPECT_EQ(Stored("!"), "");
  EXPECT_EQ(Stored(""), "");
  EXPECT_EQ(Stored("$y/$m/$d"), "y/7/3");  // hand-written value without lead-in
  EXPECT_EQ(Stored("%%%h"), "%h");         // the lead-in is skipped whatever it is
  EXPECT_EQ(Stored("!   %hh"), "   13");
}

TEST(TimeFormat, AppendNumberDropsWhatDoesNotFit) {
  char text[kTextSize];
  std::memset(text, 'a', sizeof text - 2);
  text[kTextSize - 2] = '\0';
  AppendNumber(text, 1234, 0);
  EXPECT_EQ(std::strlen(text), kTextSize - 1);
  EXPECT_EQ(text[kTextSize - 2], '1');
}

// The tick phase, simulated on a millisecond time line: whatever the start
// and however the timer errs (a few ms early or late), every second must be
// shown within 50 ms of its start and no half second may pass without a tick.
// The decimal writer against the C library's printf, which it replaces:
// every width the program uses, and values around every power of ten, the
// ends of the range and both signs.
TEST(Decimal, WritesWhatPrintfWrites) {
  std::vector<int> values = {0, INT_MAX, INT_MIN, INT_MIN + 1};
  for (long long p = 1; p <= 1000000000LL; p *= 10)
    for (long long d : {-1LL, 0LL, 1LL})
      for (long long sign : {1LL, -1LL}) values.push_back(static_cast<int>(sign * (p + d)));
  for (int value : values) {
    for (int width : {0, 1, 2, 4, 11}) {
      char expected[32];
      std::snprintf(expected, sizeof expected, "%0*d", width, value);
      char actual[kDecimalSize];
      FormatDecimal(value, width, actual);
      ASSERT_STREQ(expected, actual) << "value " << value << ", width " << width;
    }
  }
  char actual[kDecimalSize];
  FormatDecimal(-5, 40, actual);  // a width beyond the room is cut to it
  EXPECT_EQ(std::strlen(actual), kDecimalSize - 1);
  for (int width : {-1, INT_MIN + 1, INT_MIN}) {  // a negative width counts as 0
    FormatDecimal(INT_MIN, width, actual);
    EXPECT_STREQ(actual, "-2147483648") << width;
  }
  FormatDecimal(LLONG_MIN, 4, actual);
  EXPECT_STREQ(actual, "-9223372036854775808");
}

// Fields at the ends of int neither overflow nor give an era or holiday; ordinary dates read as always.
TEST(TimeFormat, FieldsAtTheEndsOfIntNeitherOverflowNorChangeOrdinaryDates) {
  const struct { int year, month, day, hour; const char* format; const char* text; } cases[] = {
      {INT_MAX, 6, 3, 13, "$y/$mm", "2147485547/07"},
      {102, INT_MAX, 3, 13, "$m|$g$e|#h#H", "2147483648||"},
      {INT_MIN, INT_MIN, INT_MIN, INT_MIN, "$y $m $d %h $Y $g#h", "-2147481748 -2147483647 -2147483648 -2147483648 -48 "},
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX, "$yy $GG$EE #@", "2147485547  @"},
      {126, 10, 23, 13, "$y/$m/$d $g$E #h", "2026/11/23 令和8 勤労感謝の日"}};
  for (const auto& c : cases) {
    std::tm t = Reference();
    t.tm_year = c.year; t.tm_mon = c.month; t.tm_mday = c.day; t.tm_hour = c.hour;
    EXPECT_EQ(Fmt(c.format, t).substr(0, std::strlen(c.text)), c.text) << c.format;
  }
}

// A character that does not fit at the end ends the text: nothing after it is added.
TEST(TimeFormat, ACutCharacterEndsTheText) {
  const struct { std::size_t fill; const char* tail; std::string end; } cases[] = {
      {kTextSize - 2, "日b", ""}, {kTextSize - 3, "日b", "日"}, {kTextSize - 2, "%hh", "1"},
      {kTextSize - 2, "日error%x", ""}};
  for (const auto& c : cases)
    EXPECT_EQ(Fmt(std::string(c.fill, 'a') + c.tail), std::string(c.fill, 'a') + c.end) << c.tail;
}

TEST(TickPhase, EverySecondTurnsOnTimeWhateverTheStartAndTimerError) {
  for (int jitter = -5; jitter <= 8; ++jitter) {
    for (int start = 0; start < 1000; ++start) {
      long long t = start;
      long long lastTick = t;
      long long firstTickOfSecond[8] = {};
      while (t < 8000) {
        const int delay = MillisecondsToNextTick(static_cast<int>(t % 1000));
        ASSERT_GE(delay, kMinTickDelayMs);
        t += delay + jitter;
        ASSERT_LT(t - lastTick, 500 + kTickLeadMs + kMinTickDelayMs + 8)
            << "a half second went by without a tick";
        lastTick = t;
        const long long second = t / 1000;
        if (second >= 2 && second < 8 && firstTickOfSecond[second] == 0) firstTickOfSecond[second] = t;
      }
      for (int second = 2; second < 8; ++second) {
        ASSERT_NE(firstTickOfSecond[second], 0) << "second " << second << " never shown";
        EXPECT_LT(firstTickOfSecond[second] - second * 1000, 50)
            << "start " << start << ", timer error " << jitter << " ms";
      }
    }
  }
}

// The whole policy on a time line: a repeating timer, set again only when
// a tick is off time. Whatever the start and a steady timer error, every
// second is shown within 50 ms and no half second passes without a tick;
// once on phase, a timer without error is never set again, and one that
// runs late is set again only as often as its error requires.
TEST(TickPhase, ARepeatingTimerIsSetAgainOnlyWhenOffTime) {
  for (int drift = -3; drift <= 3; ++drift) {  // ms the timer gains or loses per tick
    for (int start = 0; start < 1000; start += 7) {
      long long t = start, lastTick = start;
      int running = MillisecondsToNextTick(start), sets = 1, setsLately = 0;
      long long firstTickOfSecond[40] = {};
      while (t < 40000) {
        t += running + drift;
        ASSERT_LT(t - lastTick, 500 + kTickLeadMs + kMinTickDelayMs + 4) << "a half second without a tick";
        lastTick = t;
        const long long second = t / 1000;
        if (second < 40 && firstTickOfSecond[second] == 0) firstTickOfSecond[second] = t;
        const int next = TimerAfterTick(static_cast<int>(t % 1000), running);
        if (next != 0) {
          running = next;
          ++sets;
          if (t > 20000) ++setsLately;
        }
      }
      for (int second = 2; second < 40; ++second) {
        ASSERT_NE(firstTickOfSecond[second], 0) << "second " << second << " never shown";
        ASSERT_LT(firstTickOfSecond[second] - second * 1000, 50) << "start " << start << ", drift " << drift;
      }
      if (drift == 0) {
        EXPECT_LE(sets, 3) << "start " << start;
      }
      // A timer that runs late (as platform timers do) drifts out of the
      // window after (window - lead) / drift ticks and takes two sets to
      // come back; 40 ticks in the last 20 s.
      if (drift > 0) {
        EXPECT_LE(setsLately, 40 * 2 * drift / (kOnTimeWindowMs - kTickLeadMs) + 2) << "drift " << drift;
      }
    }
  }
}

// Windows' timer and clock move in steps of 15.625 ms, 32 to 500 ms: a
// timer fires at the first step at or after it is due, and the time read
// then is that step's. Wherever the steps lie against the wall clock's
// seconds (which differs from boot to boot), the timer is set at start and
// once more for the repeating period, never again, and every second is
// shown within 50 ms. Simulated in microseconds.
TEST(TickPhase, AFifteenMillisecondTimerIsSetOnlyAtStart) {
  constexpr long long kStep = 15625;
  for (long long offset = 0; offset < kStep; offset += 125) {
    for (int start = 0; start < 1000; start += 61) {
      const auto stepAt = [&](long long due) {  // the first step at or after `due`
        return due <= offset ? offset : offset + (due - offset + kStep - 1) / kStep * kStep;
      };
      long long t = stepAt(start * 1000LL), lastTick = t;
      int running = MillisecondsToNextTick(static_cast<int>(t / 1000 % 1000)), sets = 1;
      long long firstTickOfSecond[60] = {};
      while (t < 60000000) {
        t = stepAt(t + running * 1000LL);
        ASSERT_LT(t - lastTick, (500 + kTickLeadMs + kMinTickDelayMs) * 1000LL + kStep)
            << "a half second without a tick";
        lastTick = t;
        const long long second = t / 1000000;
        if (second < 60 && firstTickOfSecond[second] == 0) firstTickOfSecond[second] = t;
        const int next = TimerAfterTick(static_cast<int>(t / 1000 % 1000), running);
        if (next != 0) {
          running = next;
          ++sets;
        }
      }
      for (int second = 2; second < 60; ++second) {
        ASSERT_NE(firstTickOfSecond[second], 0) << "second " << second << " never shown";
        ASSERT_LT(firstTickOfSecond[second] - second * 1000000LL, 50000) << "offset " << offset << " us";
      }
      ASSERT_LE(sets, 2) << "offset " << offset << " us, start " << start << " ms";
    }
  }
}

TEST(TickPhase, OnTimeTicksAimAtTheNextHalfSecond) {
  EXPECT_EQ(MillisecondsToNextTick(kTickLeadMs), 500);  // a tick on time
  EXPECT_EQ(MillisecondsToNextTick(0), 500 + kTickLeadMs);
  EXPECT_EQ(MillisecondsToNextTick(250), 250 + kTickLeadMs);
  EXPECT_EQ(MillisecondsToNextTick(999), kMinTickDelayMs);  // an early timer: no half second lost
  EXPECT_EQ(MillisecondsToNextTick(1000), 500 + kTickLeadMs);  // out of range counts as 0
}

}  // namespace
}  // namespace zorvane
