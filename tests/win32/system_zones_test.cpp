// The system's time zones as the clock reads them: each zone's rules and
// its year-by-year record from the registry, turned into the time of a
// zone, read when the format is loaded and not at each tick.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "app/system_zones.h"
#include "core/time_format.h"

namespace {

std::int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  return zorvane::DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

std::string Shown(const zorvane::ZoneTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d-%02d %02d:%02d:%02d %+d", t.time.tm_mon + 1, t.time.tm_mday, t.time.tm_hour,
                t.time.tm_min, t.time.tm_sec, t.offsetMinutes);
  return text;
}

// The system's own data (Wine's under Wine): summer time as each year had
// it, half and three-quarter hours, the south, and IDs in any case.
TEST(SystemZones, TheSystemsRulesGiveEachYearsTime) {
  struct Case {
    const char* id;
    std::int64_t utc;
    const char* shown;
  };
  const Case kCases[] = {
      {"Eastern Standard Time", Utc(2026, 3, 8, 6, 59, 59), "03-08 01:59:59 -300"},
      {"Eastern Standard Time", Utc(2026, 3, 8, 7, 0, 0), "03-08 03:00:00 -240"},
      {"eastern standard time", Utc(2026, 11, 1, 6, 0, 0), "11-01 01:00:00 -300"},
      // Until 2006 US summer time began on the first Sunday of April.
      {"Eastern Standard Time", Utc(2006, 3, 12, 7, 0, 0), "03-12 02:00:00 -300"},
      {"Eastern Standard Time", Utc(2006, 4, 2, 7, 0, 0), "04-02 03:00:00 -240"},
      {"W. Europe Standard Time", Utc(2026, 3, 29, 0, 59, 59), "03-29 01:59:59 +60"},
      {"W. Europe Standard Time", Utc(2026, 3, 29, 1, 0, 0), "03-29 03:00:00 +120"},
      {"Romance Standard Time", Utc(2026, 10, 25, 1, 0, 0), "10-25 02:00:00 +60"},
      {"AUS Eastern Standard Time", Utc(2026, 1, 1, 0, 0, 0), "01-01 11:00:00 +660"},
      {"India Standard Time", Utc(2026, 3, 20, 20, 30, 0), "03-21 02:00:00 +330"},
      {"Nepal Standard Time", Utc(2026, 3, 20, 20, 30, 0), "03-21 02:15:00 +345"},
  };
  system_zones::SystemZones zones;
  for (const Case& c : kCases) {
    zorvane::ZoneTime t{};
    ASSERT_TRUE(zones.TimeIn(c.id, c.utc, t)) << c.id;
    EXPECT_EQ(Shown(t), c.shown) << c.id;
  }
  zorvane::ZoneTime t{};
  EXPECT_FALSE(zones.TimeIn("Nowhere Standard Time", 0, t));
}

// Loading the format reads each zone it names once; ticks only convert.
TEST(SystemZones, ZonesAreReadWhenTheFormatIsLoadedNotAtEachTick) {
  system_zones::SystemZones zones;
  const char* const kFormat = "!#{America/New_York}%h #{Europe/Paris}%h #{+05:45}%h #{UTC}%h #{Nowhere Standard Time}";
  zones.Load(kFormat);
  EXPECT_EQ(zones.Reads(), 3);
  char text[zorvane::kTextSize];
  int pad = 0;
  for (int tick = 0; tick < 100; ++tick) {
    const std::int64_t utc = Utc(2026, 7, 1, 12, 0, tick);
    zorvane::FormatTime(kFormat, zorvane::Reading{zorvane::BreakDown(utc, 0), utc, &zones}, text, pad);
  }
  EXPECT_STREQ(text, "8 14 17 12 error");
  EXPECT_EQ(zones.Reads(), 3);
  zones.Load(kFormat);  // after a time or zone change
  EXPECT_EQ(zones.Reads(), 6);
}

// A rule of `bias` minutes west as the registry holds it; with `summer`,
// daylight time from the first Sunday of April to the first of October.
void SetRule(HKEY key, const wchar_t* name, LONG bias, bool summer, DWORD size = 44) {
  BYTE data[48] = {};
  const LONG biases[3] = {bias, 0, summer ? -60 : 0};
  const SYSTEMTIME dates[2] = {{0, 10, 0, 1, 2, 0, 0, 0}, {0, 4, 0, 1, 2, 0, 0, 0}};
  std::memcpy(data, biases, sizeof biases);
  if (summer) std::memcpy(data + 12, dates, sizeof dates);
  RegSetValueExW(key, name, 0, REG_BINARY, data, size);
}

// A zone of the test's own under HKCU: the record's years win over TZI; a
// year missing from it keeps the rule before it, years beyond it the
// nearest; a TZI of the wrong size is no zone.
TEST(SystemZones, TheYearByYearRecordIsReadAsWindowsKeepsIt) {
  const std::wstring path = L"Software\\ZorvaneTest\\Zones" + std::to_wstring(GetCurrentProcessId());
  HKEY zones = nullptr, zone = nullptr, dynamic = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &zones, nullptr);
  RegCreateKeyExW(zones, L"Test Zone", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &zone, nullptr);
  RegCreateKeyExW(zone, L"Dynamic DST", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &dynamic, nullptr);
  SetRule(zone, L"TZI", -120, true);
  SetRule(dynamic, L"2020", -60, false);
  SetRule(dynamic, L"2022", -120, true);
  const DWORD years[2] = {2020, 2022};
  RegSetValueExW(dynamic, L"FirstEntry", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&years[0]), sizeof(DWORD));
  RegSetValueExW(dynamic, L"LastEntry", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&years[1]), sizeof(DWORD));
  zorvane::ZoneRules rules{};
  EXPECT_TRUE(system_zones::ReadRules(zones, L"test zone", 2026, rules));
  const std::pair<int, int> kJulyOffsets[] = {{2019, 60}, {2021, 60}, {2022, 180}, {2030, 180}};
  for (const auto& c : kJulyOffsets)
    EXPECT_EQ(zorvane::TimeByRules(rules, Utc(c.first, 7, 1, 0, 0, 0)).offsetMinutes, c.second) << c.first;
  SetRule(zone, L"TZI", -120, true, 40);
  EXPECT_FALSE(system_zones::ReadRules(zones, L"Test Zone", 2026, rules));
  EXPECT_FALSE(system_zones::ReadRules(zones, L"Other Zone", 2026, rules));
  RegCloseKey(dynamic);
  RegCloseKey(zone);
  RegCloseKey(zones);
  RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\ZorvaneTest");  // fails while another run uses it
}

}  // namespace
