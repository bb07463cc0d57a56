// Other zones in the format language, against a fake system that knows a
// few zones by the rules Windows keeps: offsets, summer time changes year
// by year, the date moving with the zone, "#{}", "#z", unknown names, and
// ISO weeks. Literals here are CP932 bytes.

#include <gtest/gtest.h>

#include <strings.h>

#include <cctype>
#include <cstring>
#include <string>

#include "core/time_format.h"
#include "core/time_zones.h"

namespace zorvane {
namespace {

std::int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

// The week-th (5: last) `weekday` of `month` at `hour`, every year.
ZoneDate Recurring(short month, short weekday, short week, short hour) {
  return ZoneDate{0, month, weekday, week, hour, 0, 0, 0};
}

ZoneRules Fixed(int bias) {
  ZoneRules rules{};
  rules.base.bias = bias;
  return rules;
}

ZoneRules WithSummer(int bias, ZoneDate summer, ZoneDate winter) {
  ZoneRules rules = Fixed(bias);
  rules.base.daylightBias = -60;
  rules.base.daylightDate = summer;
  rules.base.standardDate = winter;
  return rules;
}

// The US zone with its dynamic record: until 2006 summer time ran from the
// first Sunday of April to the last of October, since 2007 from the second
// Sunday of March to the first of November.
ZoneRules Eastern() {
  ZoneRules rules = WithSummer(300, Recurring(3, 0, 2, 2), Recurring(11, 0, 1, 2));
  rules.firstYear = 2006;
  rules.count = 2;
  rules.years[0] = rules.base;
  rules.years[0].daylightDate = Recurring(4, 0, 1, 2);
  rules.years[0].standardDate = Recurring(10, 0, 5, 2);
  rules.years[1] = rules.base;
  return rules;
}

class FakeZones : public ZoneSource {
 public:
  bool TimeIn(const char* windowsId, std::int64_t utc, ZoneTime& out) override {
    ++asked;
    struct Known {
      const char* id;
      ZoneRules rules;
    };
    static const Known kKnown[] = {
        {"Eastern Standard Time", Eastern()},
        {"W. Europe Standard Time", WithSummer(-60, Recurring(3, 0, 5, 2), Recurring(10, 0, 5, 3))},
        {"AUS Eastern Standard Time", WithSummer(-600, Recurring(10, 0, 1, 2), Recurring(4, 0, 1, 3))},
        {"India Standard Time", Fixed(-330)},
        {"Nepal Standard Time", Fixed(-345)},
        {"Tokyo Standard Time", Fixed(-540)},
    };
    for (const Known& zone : kKnown)
      if (strcasecmp(zone.id, windowsId) == 0) {
        out = TimeByRules(zone.rules, utc);
        return true;
      }
    return false;
  }
  int asked = 0;
};

// Runs `format` (as typed) at `utc`, the local zone `localOffset` minutes
// east of UTC.
std::string At(std::int64_t utc, const std::string& format, int localOffset = 0, FakeZones* zones = nullptr) {
  FakeZones fallback;
  const Reading reading{BreakDown(utc, localOffset), utc, zones != nullptr ? zones : &fallback};
  char text[kTextSize];
  int pad = 0;
  FormatTime(("!" + format).c_str(), reading, text, pad);
  return text;
}

TEST(TimeZones, FieldsFollowTheZoneNamed) {
  struct Case {
    std::int64_t utc;
    const char* format;
    const char* text;
  };
  const char* const kNewYork = "#{America/New_York}$mm/$dd %hh:%mm:%ss#z";
  const char* const kBerlin = "#{Europe/Berlin}$mm/$dd %hh:%mm:%ss#z";
  const char* const kSydney = "#{Australia/Sydney}$mm/$dd %hh:%mm#z";
  const Case kCases[] = {
      // US summer time begins and ends, by the rule of each year.
      {Utc(2026, 3, 8, 6, 59, 59), kNewYork, "03/08 01:59:59-05:00"},
      {Utc(2026, 3, 8, 7, 0, 0), kNewYork, "03/08 03:00:00-04:00"},
      {Utc(2026, 11, 1, 5, 59, 59), kNewYork, "11/01 01:59:59-04:00"},
      {Utc(2026, 11, 1, 6, 0, 0), kNewYork, "11/01 01:00:00-05:00"},
      {Utc(2006, 3, 12, 7, 0, 0), kNewYork, "03/12 02:00:00-05:00"},
      {Utc(2006, 4, 2, 7, 0, 0), kNewYork, "04/02 03:00:00-04:00"},
      {Utc(2006, 10, 29, 5, 59, 59), kNewYork, "10/29 01:59:59-04:00"},
      // Europe changes on the last Sundays of March and October.
      {Utc(2026, 3, 29, 0, 59, 59), kBerlin, "03/29 01:59:59+01:00"},
      {Utc(2026, 3, 29, 1, 0, 0), kBerlin, "03/29 03:00:00+02:00"},
      {Utc(2026, 10, 25, 0, 59, 59), kBerlin, "10/25 02:59:59+02:00"},
      {Utc(2026, 10, 25, 1, 0, 0), kBerlin, "10/25 02:00:00+01:00"},
      // In the south summer spans the turn of the year.
      {Utc(2026, 1, 1, 0, 0, 0), kSydney, "01/01 11:00+11:00"},
      {Utc(2026, 7, 1, 0, 0, 0), kSydney, "07/01 10:00+10:00"},
      // Half and three-quarter hours, by today's and by older names.
      {Utc(2026, 3, 20, 20, 30, 0), "#{Asia/Kolkata}%hh:%mm#z #{Asia/Calcutta}%hh #{Asia/Kathmandu}%hh:%mm#z",
       "02:00+05:30 02 02:15+05:45"},
      {Utc(2026, 3, 20, 20, 30, 0), "#{Asia/Katmandu}%hh:%mm #{Nepal Standard Time}%mm #{india STANDARD time}%mm",
       "02:15 15 00"},
      // Fixed offsets and UTC, any case.
      {Utc(2026, 3, 20, 20, 30, 0), "#{+05:45}%hh:%mm#z #{-03:30}%hh:%mm#z #{UTC}%hh#z #{utc}%h #{+14:00}$d %h",
       "02:15+05:45 17:00-03:30 20+00:00 20 21 10"},
      // The date, weekday, week, era and holiday move on with the zone;
      // "#{}" is local time again.
      {Utc(2026, 12, 31, 20, 0, 0), "$y-$mm-$dd(#w) $ww #{Asia/Tokyo}$y-$mm-$dd(#W) $ww #{}$d",
       "2026-12-31(Thu) 53 2027-01-01(金) 53 31"},
      {Utc(2019, 4, 30, 15, 0, 0), "$g$E #{Asia/Tokyo}$g$E", "平成31 令和元"},
      {Utc(2026, 3, 20, 20, 30, 0), "[#h] #{Asia/Tokyo}[#h] $m/$d", "[春分の日] [] 3/21"},
      // A zone nobody knows, a bad offset or a "#{" without its "}" ends
      // the pass as an unknown letter does.
      {Utc(2026, 3, 20, 20, 30, 0), "a#{Mars/Olympus}%h", "aerror"},
      {Utc(2026, 3, 20, 20, 30, 0), "a#{Nowhere Standard Time}%h", "aerror"},
      {Utc(2026, 3, 20, 20, 30, 0), "%h#{+15:00}%h", "20error"},
      {Utc(2026, 3, 20, 20, 30, 0), "%h#{+05:60}%h", "20error"},
      {Utc(2026, 3, 20, 20, 30, 0), "%h#{東京}%h", "20error"},
      {Utc(2026, 3, 20, 20, 30, 0), "x#{Asia/Tokyo %h", "xerror"},
      {Utc(2026, 3, 20, 20, 30, 0), "x#{ソ}", "xerror"},  // 0x83 0x7D: its "}" is no end
      // Escapes stay what they were: "##" then a plain "{".
      {Utc(2026, 3, 20, 20, 30, 0), "##{UTC}", "#{UTC}"},
  };
  for (const Case& c : kCases) EXPECT_EQ(At(c.utc, c.format), c.text) << c.format;
}

TEST(TimeZones, LocalOffsetComesFromTheLocalWallClock) {
  const std::int64_t utc = Utc(2026, 3, 20, 20, 30, 0);
  EXPECT_EQ(At(utc, "#z %hh", 9 * 60), "+09:00 05");
  EXPECT_EQ(At(utc, "#{UTC}#z #{}#z#zz", -(3 * 60 + 30)), "+00:00 -03:30-03:30");
}

TEST(TimeZones, TheSystemIsAskedOncePerZoneSwitch) {
  FakeZones zones;
  At(Utc(2026, 3, 20, 20, 30, 0), "#{Asia/Tokyo}%h:%m #{Europe/Berlin}%h:%m:%s#z #{}%h #{UTC}%h", 0, &zones);
  EXPECT_EQ(zones.asked, 2);
}

TEST(TimeZones, WithoutAnInstantZonesAreErrors) {
  std::tm t = BreakDown(Utc(2027, 1, 4, 0, 0, 0), 0);
  char text[kTextSize];
  int pad = 0;
  for (const char* format : {"!$w #{UTC}", "!$w #z"}) {
    FormatTime(format, t, text, pad);
    EXPECT_STREQ(text, "1 error") << format;
  }
}

TEST(TimeZones, IsoWeeksAcrossYearEnds) {
  struct Case {
    int year, month, day, week;
  };
  const Case kCases[] = {
      {2026, 12, 31, 53}, {2027, 1, 3, 53}, {2027, 1, 4, 1}, {2024, 12, 30, 1}, {2021, 1, 3, 53},
      {2020, 12, 31, 53}, {2026, 1, 1, 1},  {2026, 6, 15, 25}, {2000, 1, 1, 52}, {1900, 1, 1, 1},
  };
  for (const Case& c : kCases) EXPECT_EQ(IsoWeek(c.year, c.month, c.day), c.week) << c.year << "-" << c.month << "-" << c.day;
  EXPECT_EQ(At(Utc(2027, 1, 4, 0, 0, 0), "$w $ww $www"), "1 01 01w");
}

TEST(TimeZones, IanaNamesMapToWindowsIds) {
  const char* const kCases[][2] = {
      {"America/New_York", "Eastern Standard Time"}, {"america/new_york", "Eastern Standard Time"},
      {"Europe/Berlin", "W. Europe Standard Time"},  {"Europe/Paris", "Romance Standard Time"},
      {"Asia/Kolkata", "India Standard Time"},       {"Asia/Calcutta", "India Standard Time"},
      {"Asia/Kathmandu", "Nepal Standard Time"},     {"Asia/Katmandu", "Nepal Standard Time"},
      {"Etc/UTC", "UTC"},                            {"Europe/Kyiv", "FLE Standard Time"},
      {"America/Mexico_City", "Central Standard Time (Mexico)"}, {"Africa/Abidjan", "Greenwich Standard Time"},
      {"Zulu", "UTC"},                               {"Asia/Vladivostok", "Vladivostok Standard Time"},
  };
  char buffer[kZoneNameSize];
  for (const auto& c : kCases) {
    const char* id = WindowsIdOfIana(c[0], std::strlen(c[0]), buffer);
    EXPECT_STREQ(id, c[1]) << c[0];
  }
  using namespace std::string_literals;
  for (const std::string& unknown :
       {""s, "Europe/Berli"s, "Europe/Berlinx"s, "Mars/Olympus"s, "Africa/Abidjan\0"s, "Zulu\0"s})
    EXPECT_EQ(WindowsIdOfIana(unknown.c_str(), unknown.size(), buffer), nullptr) << unknown;
  // The cached zones are found by ID, case ignored, the whole ID alike.
  EXPECT_TRUE(SameZoneId("Eastern Standard Time", "eASTERN standard time"));
  EXPECT_FALSE(SameZoneId("Eastern Standard Time", "Eastern Standard"));
  EXPECT_FALSE(SameZoneId("UTC", "UTC-02"));
}

TEST(TimeZones, ThePackedTableReadsBackWhole) {
  // The walk stops at the first name beyond the one sought, so it relies
  // on the order; and every name must lead to a Windows ID.
  IanaZoneReader zones;
  std::string before;
  int names = 0;
  char buffer[kZoneNameSize];
  while (zones.Next()) {
    std::string name = zones.Name();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ASSERT_LT(before, name);
    ASSERT_NE(WindowsIdAt(zones.WindowsIndex(), buffer), nullptr) << name;
    before = name;
    ++names;
  }
  EXPECT_GT(names, 500);
  // Each name written whole reads alone as it reads in the walk.
  const PackedRestarts restarts = IanaZoneRestarts();
  ASSERT_EQ(restarts.count, (names + 15) / 16u);
  for (std::size_t i = 0; i < restarts.count; ++i) {
    IanaZoneReader whole(restarts.offsets[i]), walk;
    for (std::size_t n = 0; n <= i * 16; ++n) walk.Next();
    ASSERT_TRUE(whole.Next());
    EXPECT_STREQ(walk.Name(), whole.Name()) << i;
  }
  EXPECT_STREQ(WindowsIdAt(0, buffer), "AUS Central Standard Time");
  EXPECT_EQ(WindowsIdAt(-1, buffer), nullptr);
  int ids = 0;
  while (WindowsIdAt(ids, buffer) != nullptr) ++ids;
  EXPECT_STREQ(WindowsIdAt(ids - 1, buffer), "Yukon Standard Time");
}

}  // namespace
}  // namespace zorvane
