#include "app/system_zones.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace system_zones {

const wchar_t* const kZonesKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

namespace {

// The binary layout of the TZI values (REG_TZI_FORMAT).
struct RegistryRule {
  LONG bias;
  LONG standardBias;
  LONG daylightBias;
  SYSTEMTIME standardDate;
  SYSTEMTIME daylightDate;
};

zorvane::ZoneDate ToDate(const SYSTEMTIME& s) {
  return zorvane::ZoneDate{static_cast<short>(s.wYear), static_cast<short>(s.wMonth), static_cast<short>(s.wDayOfWeek),
                           static_cast<short>(s.wDay), static_cast<short>(s.wHour), static_cast<short>(s.wMinute),
                           static_cast<short>(s.wSecond), static_cast<short>(s.wMilliseconds)};
}

// A rule of value `name`; false when missing or not a whole TZI. Biases
// beyond a day are no zone's.
bool ReadRule(HKEY key, const wchar_t* name, zorvane::ZoneRule& rule) {
  RegistryRule r{};
  DWORD type = 0;
  DWORD size = sizeof r;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&r), &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size != sizeof r) {
    return false;
  }
  for (LONG minutes : {r.bias, r.standardBias, r.daylightBias})
    if (minutes < -24 * 60 || minutes > 24 * 60) return false;
  rule = zorvane::ZoneRule{r.bias, r.standardBias, r.daylightBias, ToDate(r.standardDate), ToDate(r.daylightDate)};
  return true;
}

bool ReadDword(HKEY key, const wchar_t* name, DWORD& value) {
  DWORD type = 0;
  DWORD size = sizeof value;
  return RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
         type == REG_DWORD && size == sizeof value;
}

// The year by year record, when the zone has one; the years missing from
// it keep the rule before them.
void ReadDynamic(HKEY zone, int aroundYear, zorvane::ZoneRules& rules) {
  HKEY dynamic = nullptr;
  if (RegOpenKeyExW(zone, L"Dynamic DST", 0, KEY_QUERY_VALUE, &dynamic) != ERROR_SUCCESS) return;
  DWORD first = 0, last = 0;
  if (ReadDword(dynamic, L"FirstEntry", first) && ReadDword(dynamic, L"LastEntry", last) && first <= last &&
      last - first < 10000) {
    // The years nearest to now when the record is longer than the room.
    int from = static_cast<int>(first);
    const int to = static_cast<int>(last);
    if (to - from + 1 > zorvane::kMaxRuleYears) {
      from = std::max(from, std::min(aroundYear - zorvane::kMaxRuleYears / 2, to - zorvane::kMaxRuleYears + 1));
    }
    rules.firstYear = from;
    rules.count = 0;
    zorvane::ZoneRule previous = rules.base;
    for (int year = from; year <= to && rules.count < zorvane::kMaxRuleYears; ++year) {
      wchar_t name[16];
      wsprintfW(name, L"%d", year);  // user32's own: the C library's printf family is large
      if (!ReadRule(dynamic, name, rules.years[rules.count])) rules.years[rules.count] = previous;
      previous = rules.years[rules.count++];
    }
  }
  RegCloseKey(dynamic);
}

int CurrentYear() {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  return now.wYear;
}

// A display name in the user's language (MUI_Display names a string of
// the system's zone resources), else the English one.
void ReadDisplay(HKEY zone, wchar_t* out, DWORD size) {
  out[0] = L'\0';
  DWORD bytes = 0;
  if (RegLoadMUIStringW(zone, L"MUI_Display", out, size * sizeof(wchar_t), &bytes, 0, nullptr) == ERROR_SUCCESS &&
      out[0] != L'\0') {
    out[size - 1] = L'\0';
    return;
  }
  DWORD type = 0;
  bytes = (size - 1) * sizeof(wchar_t);
  if (RegQueryValueExW(zone, L"Display", nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    bytes = 0;
  }
  out[bytes / sizeof(wchar_t)] = L'\0';  // registry strings need not end in a NUL
}

}  // namespace

bool ReadRules(HKEY zones, const wchar_t* id, int aroundYear, zorvane::ZoneRules& rules) {
  HKEY zone = nullptr;
  if (RegOpenKeyExW(zones, id, 0, KEY_READ, &zone) != ERROR_SUCCESS) return false;
  rules.firstYear = 0;
  rules.count = 0;
  const bool known = ReadRule(zone, L"TZI", rules.base);
  if (known) ReadDynamic(zone, aroundYear, rules);
  RegCloseKey(zone);
  return known;
}

int List(HKEY zones, ListedZone* out, int capacity) {
  int count = 0;
  for (DWORD index = 0; count < capacity; ++index) {
    ListedZone& listed = out[count];
    DWORD length = sizeof listed.id / sizeof listed.id[0];
    const LONG result = RegEnumKeyExW(zones, index, listed.id, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) continue;  // a name too long for an ID
    HKEY zone = nullptr;
    if (RegOpenKeyExW(zones, listed.id, 0, KEY_READ, &zone) != ERROR_SUCCESS) continue;
    zorvane::ZoneRule rule{};
    if (ReadRule(zone, L"TZI", rule)) {
      listed.bias = rule.bias;
      ReadDisplay(zone, listed.display, sizeof listed.display / sizeof listed.display[0]);
      if (listed.display[0] == L'\0') std::wcscpy(listed.display, listed.id);
      ++count;
    }
    RegCloseKey(zone);
  }
  std::sort(out, out + count, [](const ListedZone& a, const ListedZone& b) {
    if (a.bias != b.bias) return a.bias > b.bias;
    return CompareStringOrdinal(a.display, -1, b.display, -1, TRUE) == CSTR_LESS_THAN;
  });
  return count;
}

SystemZones::SystemZones() : zones{}, count(0), reads(0) {}

void SystemZones::Load(const char* timeFormat) {
  count = 0;
  // One pass over the format asks for every zone it names, in order.
  FILETIME f;
  GetSystemTimeAsFileTime(&f);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
  const std::int64_t utc = static_cast<std::int64_t>((ticks - 116444736000000000ULL) / 10000000ULL);
  const zorvane::Reading reading{zorvane::BreakDown(utc, 0), utc, this};
  char text[zorvane::kTextSize];
  int padDigits = 0;
  zorvane::FormatTime(timeFormat, reading, text, padDigits);
}

void SystemZones::Resolve(const char* id, Zone& zone) {
  ++reads;
  std::strncpy(zone.id, id, sizeof zone.id - 1);
  zone.id[sizeof zone.id - 1] = '\0';
  // IDs are ASCII (ParseZoneName lets nothing else through).
  wchar_t wide[zorvane::kZoneNameSize] = {};
  for (std::size_t i = 0; zone.id[i] != '\0'; ++i) wide[i] = static_cast<unsigned char>(zone.id[i]);
  HKEY key = nullptr;
  zone.known = false;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kZonesKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    zone.known = ReadRules(key, wide, CurrentYear(), zone.rules);
    RegCloseKey(key);
  }
}

bool SystemZones::TimeIn(const char* windowsId, std::int64_t utc, zorvane::ZoneTime& out) {
  const Zone* found = nullptr;
  for (int i = 0; i < count && found == nullptr; ++i)
    if (zorvane::SameZoneId(zones[i].id, windowsId)) found = &zones[i];
  Zone beyond;
  if (found == nullptr) {
    Zone& zone = count < kMaxZones ? zones[count++] : beyond;
    Resolve(windowsId, zone);
    found = &zone;
  }
  if (!found->known) return false;
  out = zorvane::TimeByRules(found->rules, utc);
  return true;
}

}  // namespace system_zones
