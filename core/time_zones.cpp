#include "core/time_zones.h"

#include <climits>
#include <cstring>
#include <initializer_list>

namespace zorvane {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kMinutesPerDay = 1440;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares the `length` bytes of `a` with the NUL-terminated `b`, case
// ignored: <0, 0 or >0 as strcmp does on the lower-case spellings.
int CompareIgnoringCase(const char* a, std::size_t length, const char* b) {
  for (std::size_t i = 0; i < length; ++i) {
    if (b[i] == '\0') return 1;  // `a` is longer, even where it holds a NUL
    const unsigned char x = static_cast<unsigned char>(Lower(a[i]));
    const unsigned char y = static_cast<unsigned char>(Lower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return b[length] == '\0' ? 0 : -1;
}

int DaysInMonth(std::int64_t year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[(month - 1) % 12];
}

bool HasDate(const ZoneDate& date) { return date.month >= 1 && date.month <= 12; }

// Seconds since 1970 of a rule's date in `year` (HasDate), read as a
// wall-clock time of the zone, so still to be moved to UTC.
std::int64_t RuleDateIn(const ZoneDate& date, std::int64_t year) {
  int day = date.day;
  if (date.year == 0) {
    // The week-th `dayOfWeek` of the month; week 5 is the last one.
    const std::int64_t first = DaysFromCivil(year, date.month, 1);
    const int firstWeekday = static_cast<int>(((first + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
    const int week = date.day < 1 ? 1 : date.day > 5 ? 5 : date.day;
    day = 1 + ((date.dayOfWeek % 7 + 7) % 7 - firstWeekday + 7) % 7 + (week - 1) * 7;
    while (day > DaysInMonth(year, date.month)) day -= 7;
  }
  // 23:59:59.999 is how Windows writes "at midnight": round the
  // milliseconds up to the next second.
  const std::int64_t second = date.hour * 3600LL + date.minute * 60LL + date.second + (date.millisecond > 0 ? 1 : 0);
  return DaysFromCivil(year, date.month, day) * kSecondsPerDay + second;
}

}  // namespace

std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
  // Months outside 1-12 count on from the year's start.
  year += FloorDiv(month - 1, 12);
  month = month - 1 - FloorDiv(month - 1, 12) * 12 + 1;
  // Howard Hinnant's days_from_civil: years start in March.
  year -= month <= 2;
  const std::int64_t era = FloorDiv(year, 400);
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = FloorDiv(days, 146097);
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = yearOfEra + era * 400 + (month <= 2);
}

std::tm BreakDown(std::int64_t utc, int offsetMinutes) {
  const std::int64_t local = utc + offsetMinutes * 60LL;
  const std::int64_t days = FloorDiv(local, kSecondsPerDay);
  const std::int64_t second = local - days * kSecondsPerDay;
  std::int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  std::tm t{};
  t.tm_sec = static_cast<int>(second % 60);
  t.tm_min = static_cast<int>(second / 60 % 60);
  t.tm_hour = static_cast<int>(second / 3600);
  t.tm_mday = day;
  t.tm_mon = month - 1;
  const std::int64_t sinceTm = year - 1900;
  t.tm_year = sinceTm > INT_MAX ? INT_MAX : sinceTm < INT_MIN ? INT_MIN : static_cast<int>(sinceTm);
  t.tm_wday = static_cast<int>(((days + 4) % 7 + 7) % 7);
  t.tm_yday = static_cast<int>(days - DaysFromCivil(year, 1, 1));
  return t;
}

int IsoWeek(std::int64_t year, int month, int day) {
  const std::int64_t days = DaysFromCivil(year, month, day);
  const std::int64_t mondayBased = ((days + 3) % 7 + 7) % 7;  // 0 = Monday
  // The week belongs to the year of its Thursday.
  const std::int64_t thursday = days - mondayBased + 3;
  std::int64_t thursdayYear = 0;
  int m = 0, d = 0;
  CivilFromDays(thursday, thursdayYear, m, d);
  return static_cast<int>((thursday - DaysFromCivil(thursdayYear, 1, 1)) / 7 + 1);
}

const ZoneRule& RuleForYear(const ZoneRules& rules, std::int64_t year) {
  if (rules.count <= 0) return rules.base;
  const int count = rules.count < kMaxRuleYears ? rules.count : kMaxRuleYears;
  if (year <= rules.firstYear) return rules.years[0];
  if (year - rules.firstYear >= count) return rules.years[count - 1];
  return rules.years[year - rules.firstYear];
}

ZoneTime TimeByRules(const ZoneRules& rules, std::int64_t utc) {
  // The rule of the zone's own year, as its standard time counts it.
  std::int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(FloorDiv(utc - (0LL + rules.base.bias + rules.base.standardBias) * 60, kSecondsPerDay), year, month,
                day);
  const ZoneRule& rule = RuleForYear(rules, year);
  bool daylight = false;
  if (HasDate(rule.daylightDate) && HasDate(rule.standardDate)) {
    // Daylight time begins at a standard-time moment and ends at a
    // daylight-time one; both moved to UTC.
    const std::int64_t begins = RuleDateIn(rule.daylightDate, year) + (0LL + rule.bias + rule.standardBias) * 60;
    const std::int64_t ends = RuleDateIn(rule.standardDate, year) + (0LL + rule.bias + rule.daylightBias) * 60;
    // In the south daylight time spans the turn of the year.
    daylight = begins < ends ? utc >= begins && utc < ends : utc >= begins || utc < ends;
  }
  // Wider than int: the biases come from the system's data, which may hold
  // anything; no zone lies more than a day from UTC.
  const long long east = -(static_cast<long long>(rule.bias) + (daylight ? rule.daylightBias : rule.standardBias));
  const int offset = static_cast<int>(east < -kMinutesPerDay ? -kMinutesPerDay : east > kMinutesPerDay ? kMinutesPerDay : east);
  ZoneTime out{BreakDown(utc, offset), offset};
  out.time.tm_isdst = daylight ? 1 : 0;
  return out;
}

bool IanaZoneReader::Next() {
  // The table is generated and checked, yet a record that would overrun
  // the name or the table ends the reading rather than the program.
  if (table.size - at < 3) return false;
  const std::size_t shared = static_cast<unsigned char>(table.bytes[at]);
  windows = static_cast<unsigned char>(table.bytes[at + 1]);
  const char* rest = table.bytes + at + 2;
  const void* nul = std::memchr(rest, '\0', table.size - at - 2);
  if (nul == nullptr || shared > std::strlen(name)) return false;
  const std::size_t restLength = static_cast<std::size_t>(static_cast<const char*>(nul) - rest);
  if (shared + restLength >= kZoneNameSize) return false;
  std::memcpy(name + shared, rest, restLength + 1);
  at += 2 + restLength + 1;
  return true;
}

const char* WindowsIdAt(int index, char (&buffer)[kZoneNameSize]) {
  static const char kStandardTime[] = " Standard Time";
  const PackedZones table = WindowsIdRecords();
  const char* id = table.bytes;
  const char* const end = table.bytes + table.size;
  for (int i = 0; i < index && id < end; ++i) id += std::strlen(id) + 1;
  if (index < 0 || id >= end) return nullptr;
  std::size_t length = 0;
  for (; *id != '\0'; ++id) {
    const char* part = *id == '\1' ? kStandardTime : id;
    const std::size_t partLength = *id == '\1' ? sizeof kStandardTime - 1 : 1;
    if (length + partLength >= kZoneNameSize) return nullptr;
    std::memcpy(buffer + length, part, partLength);
    length += partLength;
  }
  buffer[length] = '\0';
  return buffer;
}

bool SameZoneId(const char* a, const char* b) {
  for (; *a != '\0' && Lower(*a) == Lower(*b); ++a, ++b) {
  }
  return Lower(*a) == Lower(*b);
}

const char* WindowsIdOfIana(const char* name, std::size_t length, char (&buffer)[kZoneNameSize]) {
  // The table is sorted: halve between the names written whole for the
  // last one not beyond the one sought, then walk on from there and stop
  // at the first name beyond it. Some ten comparisons and a walk of at
  // most sixteen short names, where the format names a zone.
  const PackedRestarts restarts = IanaZoneRestarts();
  const PackedZones table = IanaZoneRecords();
  std::size_t low = 0, high = restarts.count;
  while (high - low > 1) {
    const std::size_t middle = low + (high - low) / 2;
    const std::size_t at = restarts.offsets[middle];
    if (at + 2 >= table.size || CompareIgnoringCase(name, length, table.bytes + at + 2) < 0) {
      high = middle;
    } else {
      low = middle;
    }
  }
  IanaZoneReader zones(restarts.count > 0 ? restarts.offsets[low] : 0);
  while (zones.Next()) {
    const int order = CompareIgnoringCase(name, length, zones.Name());
    if (order == 0) return WindowsIdAt(zones.WindowsIndex(), buffer);
    if (order < 0) return nullptr;
  }
  return nullptr;
}

ZoneName ParseZoneName(const char* name, std::size_t length, char (&buffer)[kZoneNameSize]) {
  ZoneName zone{ZoneName::Invalid, 0, nullptr};
  if (length == 0) {
    zone.kind = ZoneName::Local;
    return zone;
  }
  if (length >= kZoneNameSize) return zone;
  if (length == 3 && CompareIgnoringCase(name, 3, "utc") == 0) {
    zone.kind = ZoneName::Fixed;
    return zone;
  }
  if (length == 6 && (name[0] == '+' || name[0] == '-') && name[3] == ':') {
    const char* digits = name + 1;
    for (int i : {0, 1, 3, 4})
      if (digits[i] < '0' || digits[i] > '9') return zone;
    const int hours = (digits[0] - '0') * 10 + (digits[1] - '0');
    const int minutes = (digits[3] - '0') * 10 + (digits[4] - '0');
    const int offset = hours * 60 + minutes;
    // The zones of the world lie between -12:00 and +14:00.
    if (minutes > 59 || offset > 14 * 60) return zone;
    zone.kind = ZoneName::Fixed;
    zone.offsetMinutes = name[0] == '-' ? -offset : offset;
    return zone;
  }
  if (const char* windowsId = WindowsIdOfIana(name, length, buffer)) {
    zone.kind = ZoneName::System;
    zone.windowsId = windowsId;
    return zone;
  }
  // Windows IDs are English words: "Eastern Standard Time",
  // "UTC-02", "Turks And Caicos Standard Time".
  for (std::size_t i = 0; i < length; ++i) {
    const char c = name[i];
    const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                         std::strchr(" .-_+()", c) != nullptr;
    if (!allowed || c == '\0') return zone;
  }
  std::memcpy(buffer, name, length);
  buffer[length] = '\0';
  zone.kind = ZoneName::System;
  zone.windowsId = buffer;
  return zone;
}

}  // namespace zorvane
