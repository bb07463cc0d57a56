// The Japanese calendar: era years, the system's era list, and every
// national holiday of 2020-2027 as the government published them. Literals
// here are CP932 bytes.

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <utility>

#include "core/japanese_calendar.h"
#include "core/time_format.h"

namespace zorvane {
namespace {

std::tm Day(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = 9;
  return t;
}

std::string Fmt(const std::string& format, const std::tm& t, const EraList& eras = BuiltInEras()) {
  char text[kTextSize];
  int pad = 0;
  FormatTime(("!" + format).c_str(), t, text, pad, eras);
  return text;
}

// Every day of `year`: the holiday named in `expected` on its day, none on
// any other.
using Holidays = std::map<std::pair<int, int>, std::string>;
void ExpectYear(int year, const Holidays& expected) {
  int found = 0;
  for (int month = 1; month <= 12; ++month) {
    for (int day = 1; day <= 31; ++day) {
      std::tm t = Day(year, month, day);
      std::tm normal = t;
      std::mktime(&normal);
      if (normal.tm_mon != month - 1) continue;  // no such day
      const auto it = expected.find({month, day});
      const std::string want = it == expected.end() ? "" : it->second;
      EXPECT_EQ(Fmt("#h", t), want) << year << "-" << month << "-" << day;
      EXPECT_EQ(Fmt("#H", t), want.empty() ? "" : "祝") << year << "-" << month << "-" << day;
      if (!want.empty()) ++found;
    }
  }
  EXPECT_EQ(found, static_cast<int>(expected.size())) << year;
}

// 2020 and 2021: 海の日, スポーツの日 and 山の日 moved for the Olympic Games.
TEST(Holidays, Year2020) {
  ExpectYear(2020, {{{1, 1}, "元日"}, {{1, 13}, "成人の日"}, {{2, 11}, "建国記念の日"},
                    {{2, 23}, "天皇誕生日"}, {{2, 24}, "振替休日"}, {{3, 20}, "春分の日"},
                    {{4, 29}, "昭和の日"}, {{5, 3}, "憲法記念日"}, {{5, 4}, "みどりの日"},
                    {{5, 5}, "こどもの日"}, {{5, 6}, "振替休日"}, {{7, 23}, "海の日"},
                    {{7, 24}, "スポーツの日"}, {{8, 10}, "山の日"}, {{9, 21}, "敬老の日"},
                    {{9, 22}, "秋分の日"}, {{11, 3}, "文化の日"}, {{11, 23}, "勤労感謝の日"}});
}

TEST(Holidays, Year2021) {
  ExpectYear(2021, {{{1, 1}, "元日"}, {{1, 11}, "成人の日"}, {{2, 11}, "建国記念の日"},
                    {{2, 23}, "天皇誕生日"}, {{3, 20}, "春分の日"}, {{4, 29}, "昭和の日"},
                    {{5, 3}, "憲法記念日"}, {{5, 4}, "みどりの日"}, {{5, 5}, "こどもの日"},
                    {{7, 22}, "海の日"}, {{7, 23}, "スポーツの日"}, {{8, 8}, "山の日"},
                    {{8, 9}, "振替休日"}, {{9, 20}, "敬老の日"}, {{9, 23}, "秋分の日"},
                    {{11, 3}, "文化の日"}, {{11, 23}, "勤労感謝の日"}});
}

TEST(Holidays, Year2022) {
  ExpectYear(2022, {{{1, 1}, "元日"}, {{1, 10}, "成人の日"}, {{2, 11}, "建国記念の日"},
                    {{2, 23}, "天皇誕生日"}, {{3, 21}, "春分の日"}, {{4, 29}, "昭和の日"},
                    {{5, 3}, "憲法記念日"}, {{5, 4}, "みどりの日"}, {{5, 5}, "こどもの日"},
                    {{7, 18}, "海の日"}, {{8, 11}, "山の日"}, {{9, 19}, "敬老の日"},
                    {{9, 23}, "秋分の日"}, {{10, 10}, "スポーツの日"}, {{11, 3}, "文化の日"},
                    {{11, 23}, "勤労感謝の日"}});
}

// 元日 on a Sunday: the 振替休日 crosses nothing but the weekend.
TEST(Holidays, Year2023) {
  ExpectYear(2023, {{{1, 1}, "元日"}, {{1, 2}, "振替休日"}, {{1, 9}, "成人の日"},
                    {{2, 11}, "建国記念の日"}, {{2, 23}, "天皇誕生日"}, {{3, 21}, "春分の日"},
                    {{4, 29}, "昭和の日"}, {{5, 3}, "憲法記念日"}, {{5, 4}, "みどりの日"},
                    {{5, 5}, "こどもの日"}, {{7, 17}, "海の日"}, {{8, 11}, "山の日"},
                    {{9, 18}, "敬老の日"}, {{9, 23}, "秋分の日"}, {{10, 9}, "スポーツの日"},
                    {{11, 3}, "文化の日"}, {{11, 23}, "勤労感謝の日"}});
}

// Five Sunday holidays, each followed by its 振替休日 on the Monday.
TEST(Holidays, Year2024) {
  ExpectYear(2024, {{{1, 1}, "元日"}, {{1, 8}, "成人の日"}, {{2, 11}, "建国記念の日"},
                    {{2, 12}, "振替休日"}, {{2, 23}, "天皇誕生日"}, {{3, 20}, "春分の日"},
                    {{4, 29}, "昭和の日"}, {{5, 3}, "憲法記念日"}, {{5, 4}, "みどりの日"},
                    {{5, 5}, "こどもの日"}, {{5, 6}, "振替休日"}, {{7, 15}, "海の日"},
                    {{8, 11}, "山の日"}, {{8, 12}, "振替休日"}, {{9, 16}, "敬老の日"},
                    {{9, 22}, "秋分の日"}, {{9, 23}, "振替休日"}, {{10, 14}, "スポーツの日"},
                    {{11, 3}, "文化の日"}, {{11, 4}, "振替休日"}, {{11, 23}, "勤労感謝の日"}});
}

// みどりの日 on a Sunday in Golden Week: the 振替休日 waits for the first
// day after こどもの日.
TEST(Holidays, Year2025) {
  ExpectYear(2025, {{{1, 1}, "元日"}, {{1, 13}, "成人の日"}, {{2, 11}, "建国記念の日"},
                    {{2, 23}, "天皇誕生日"}, {{2, 24}, "振替休日"}, {{3, 20}, "春分の日"},
                    {{4, 29}, "昭和の日"}, {{5, 3}, "憲法記念日"}, {{5, 4}, "みどりの日"},
                    {{5, 5}, "こどもの日"}, {{5, 6}, "振替休日"}, {{7, 21}, "海の日"},
                    {{8, 11}, "山の日"}, {{9, 15}, "敬老の日"}, {{9, 23}, "秋分の日"},
                    {{10, 13}, "スポーツの日"}, {{11, 3}, "文化の日"}, {{11, 23}, "勤労感謝の日"},
                    {{11, 24}, "振替休日"}});
}

// 憲法記念日 on a Sunday, and a 国民の休日 between 敬老の日 and 秋分の日.
TEST(Holidays, Year2026) {
  ExpectYear(2026, {{{1, 1}, "元日"}, {{1, 12}, "成人の日"}, {{2, 11}, "建国記念の日"},
                    {{2, 23}, "天皇誕生日"}, {{3, 20}, "春分の日"}, {{4, 29}, "昭和の日"},
                    {{5, 3}, "憲法記念日"}, {{5, 4}, "みどりの日"}, {{5, 5}, "こどもの日"},
                    {{5, 6}, "振替休日"}, {{7, 20}, "海の日"}, {{8, 11}, "山の日"},
                    {{9, 21}, "敬老の日"}, {{9, 22}, "国民の休日"}, {{9, 23}, "秋分の日"},
                    {{10, 12}, "スポーツの日"}, {{11, 3}, "文化の日"}, {{11, 23}, "勤労感謝の日"}});
}

TEST(Holidays, Year2027) {
  ExpectYear(2027, {{{1, 1}, "元日"}, {{1, 11}, "成人の日"}, {{2, 11}, "建国記念の日"},
                    {{2, 23}, "天皇誕生日"}, {{3, 21}, "春分の日"}, {{3, 22}, "振替休日"},
                    {{4, 29}, "昭和の日"}, {{5, 3}, "憲法記念日"}, {{5, 4}, "みどりの日"},
                    {{5, 5}, "こどもの日"}, {{7, 19}, "海の日"}, {{8, 11}, "山の日"},
                    {{9, 20}, "敬老の日"}, {{9, 23}, "秋分の日"}, {{10, 11}, "スポーツの日"},
                    {{11, 3}, "文化の日"}, {{11, 23}, "勤労感謝の日"}});
}

// Published equinox days across the formula's range, and nothing outside it.
TEST(Holidays, EquinoxesOfSeveralYears) {
  const struct { int year, spring, autumn; } kPublished[] = {
      {1980, 20, 23}, {1996, 20, 23}, {2000, 20, 23}, {2012, 20, 22}, {2016, 20, 22},
      {2019, 21, 23}, {2023, 21, 23}, {2028, 20, 22}, {2030, 20, 23}, {2044, 20, 22}};
  for (const auto& y : kPublished) {
    EXPECT_EQ(SpringEquinoxDay(y.year), y.spring) << y.year;
    EXPECT_EQ(AutumnEquinoxDay(y.year), y.autumn) << y.year;
  }
  EXPECT_EQ(Fmt("#h", Day(2028, 3, 20)), "春分の日");
  EXPECT_EQ(Fmt("#h", Day(2028, 9, 22)), "秋分の日");
  EXPECT_EQ(SpringEquinoxDay(1979), 0);
  EXPECT_EQ(AutumnEquinoxDay(2100), 0);
  // Before the act's present form and past the formula, no day is named.
  EXPECT_EQ(Fmt("#h#H", Day(2019, 11, 3)), "");
  EXPECT_EQ(Fmt("#h#H", Day(2100, 1, 1)), "");
  EXPECT_EQ(Fmt("#h", Day(2099, 11, 23)), "勤労感謝の日");
}

TEST(Eras, EachEraBeginsOnItsFirstDay) {
  EXPECT_EQ(Fmt("$g$E年 $G$e", Day(2019, 4, 30)), "平成31年 H31");
  EXPECT_EQ(Fmt("$g$E年 $G$e", Day(2019, 5, 1)), "令和元年 R1");
  EXPECT_EQ(Fmt("$g$E $G$e", Day(1989, 1, 7)), "昭和64 S64");
  EXPECT_EQ(Fmt("$g$E $G$e", Day(1989, 1, 8)), "平成元 H1");
  EXPECT_EQ(Fmt("$g$E", Day(1926, 12, 24)), "大正15");
  EXPECT_EQ(Fmt("$g$E", Day(1926, 12, 25)), "昭和元");
  EXPECT_EQ(Fmt("$g$E", Day(1912, 7, 29)), "明治45");
  EXPECT_EQ(Fmt("$g$E", Day(1912, 7, 30)), "大正元");
  EXPECT_EQ(Fmt("$g$E$G", Day(1868, 1, 1)), "明治元M");
  // Before 明治, or on a day that does not exist, the pairs append nothing
  // and the format goes on.
  EXPECT_EQ(Fmt("[$g$G$e$E]", Day(1867, 12, 31)), "[]");
  EXPECT_EQ(Fmt("[$g$G$e$E#h#H]", Day(2026, 2, 30)), "[]");
  EXPECT_EQ(Fmt("[$g$e#h]", Day(2026, 13, 1)), "[]");
  std::tm huge = Day(2026, 1, 1);
  huge.tm_year = 2147483647;
  EXPECT_EQ(Fmt("[$g$e#h]", huge), "[]");
}

// The example day, the two formats of the user guide, and the
// doubling rule: numbers pad, names and 元 do not change.
TEST(Eras, PairsFollowTheDoublingRule) {
  std::tm t = Day(2026, 12, 7);
  t.tm_hour = 13; t.tm_min = 5; t.tm_wday = 1;
  EXPECT_EQ(Fmt("$g$G$e$E#h#H.", t), "令和R88.");
  EXPECT_EQ(Fmt("$g$E年$m月$d日(#W) #h", t), "令和8年12月7日(月) ");
  EXPECT_EQ(Fmt("$G$ee.$mm.$dd %hh:%mm", t), "R08.12.07 13:05");
  EXPECT_EQ(Fmt("$gg$GG$ee$EE", t), "令和R0808");
  EXPECT_EQ(Fmt("$ggg", t), "令和g");
  EXPECT_EQ(Fmt("$EE/$ee", Day(2019, 5, 1)), "元/01");
  EXPECT_EQ(Fmt("#hh#HH|#hhh", Day(2026, 9, 22)), "国民の休日祝|国民の休日h");
  EXPECT_EQ(Fmt("$g$E年$m月$d日 #h", Day(2026, 9, 22)), "令和8年9月22日 国民の休日");
}

// A long holiday name fills the text: it ends on a whole character.
TEST(Holidays, AFullTextEndsOnAWholeCharacter) {
  std::string format;
  for (int i = 0; i < 127; ++i) format += "#h";
  const std::string text = Fmt(format, Day(2026, 11, 23));  // 勤労感謝の日, 12 bytes
  ASSERT_EQ(text.size(), kTextSize - 2);  // 1023 would cut a character
  const std::string name = "勤労感謝の日";
  EXPECT_EQ(text.substr(85 * name.size()), name.substr(0, 2));
}

EraList WithSystem(std::initializer_list<std::pair<const char*, const char*>> values) {
  EraList list = BuiltInEras();
  for (const auto& v : values) AddSystemEra(list, v.first, v.second);
  return list;
}

// A later era from the system takes over from its first day, in any order
// the system lists it; eras the built-in list covers stay as they are.
TEST(SystemEras, ALaterEraFromTheSystemWins) {
  const EraList list = WithSystem({{"2040 03 01", "新元_新_Shingen_X"},
                                   {"1868 01 01", "明治_明_Meiji_M"},
                                   {"2030 09 01", "仮名_仮_Test Era_K"},
                                   {"2019 05 01", "別名_別_Other_O"},
                                   {"1989 01 08", "偽_偽_Fake_F"}});
  EXPECT_EQ(list.count, 7);
  EXPECT_EQ(Fmt("$g$E $G$ee", Day(2030, 8, 31)), "令和12 R12");
  EXPECT_EQ(Fmt("$g$E $G$ee", Day(2030, 8, 31), list), "令和12 R12");
  EXPECT_EQ(Fmt("$g$E $G$ee", Day(2030, 9, 1), list), "仮名元 K01");
  EXPECT_EQ(Fmt("$g$E $G$ee", Day(2040, 2, 29), list), "仮名11 K11");
  EXPECT_EQ(Fmt("$g$E $G$ee", Day(2041, 1, 1), list), "新元2 X02");
  EXPECT_EQ(Fmt("$g$E", Day(2000, 1, 1), list), "平成12");

  // The same first day again replaces the era from the system.
  EraList again = list;
  EXPECT_TRUE(AddSystemEra(again, "2030 09 01", "改名_改_Renamed_Z"));
  EXPECT_EQ(again.count, 7);
  EXPECT_EQ(Fmt("$g$G", Day(2031, 1, 1), again), "改名Z");
}

// Malformed values change nothing and never crash. A trail byte of 0x5F
// (the '_' separator) inside a name does not split it.
TEST(SystemEras, MalformedValuesAreIgnored) {
  const char* const kBadNames[] = {"2030 9 01", "2030-09-01", "2030 09 01 ", "2030 02 30",
                                   "2030 13 01", "20300901", "", "2030 09 0"};
  for (const char* name : kBadNames) {
    EraList list = BuiltInEras();
    EXPECT_FALSE(AddSystemEra(list, name, "仮名_仮_Test_K")) << name;
    EXPECT_EQ(list.count, BuiltInEras().count);
  }
  const char* const kBadData[] = {"仮名_仮_Test", "仮名_仮_Test_K_L", "_仮_Test_K", "仮名_仮_Test_",
                                  "仮名_仮_Test_K1", "仮名_仮_Test_ABCDEFGH", "とても長い元号の名前_仮_Long_L",
                                  "仮\x81", "仮名_仮_Test_\x81", "\x01名_仮_Test_K", "",
                                  "仮\x89 _仮_Test_K", "\x89\x7F名_仮_Test_K", "名\x89\xFD_仮_Test_K"};
  for (const char* data : kBadData) {
    EraList list = BuiltInEras();
    EXPECT_FALSE(AddSystemEra(list, "2030 09 01", data)) << data;
    EXPECT_EQ(list.count, BuiltInEras().count);
  }
  EraList list = BuiltInEras();
  EXPECT_FALSE(AddSystemEra(list, nullptr, "仮名_仮_Test_K"));
  EXPECT_FALSE(AddSystemEra(list, "2030 09 01", nullptr));

  // ＼ is 0x81 0x5F: its second byte is '_'.
  EXPECT_TRUE(AddSystemEra(list, "2030 09 01", "＼表_＼_Backslash_B"));
  EXPECT_EQ(Fmt("$g$G", Day(2030, 9, 1), list), "＼表B");

  // A list that is full takes no more, and a count out of range places nothing.
  for (int y = 2031; list.count < kMaxEras; ++y) {
    const std::string name = std::to_string(y) + " 01 01";
    ASSERT_TRUE(AddSystemEra(list, name.c_str(), "仮名_仮_Test_K"));
  }
  EXPECT_FALSE(AddSystemEra(list, "2099 01 01", "仮名_仮_Test_K"));
  list.count = kMaxEras + 5;
  EXPECT_FALSE(AddSystemEra(list, "2099 01 01", "仮名_仮_Test_K"));
  EXPECT_NE(EraOf(list, 2026, 1, 1), nullptr);
  list.count = -3;
  EXPECT_EQ(EraOf(list, 2026, 1, 1), nullptr);
}

}  // namespace
}  // namespace zorvane
