#include "core/time_format.h"

#include <cstring>

#include "core/decimal.h"
#include "core/profile_values.h"

namespace zorvane {
namespace {

// Indexed by tm_wday, Sunday first. Wednesday is "Wen" on purpose: users'
// displays have always read that way.
const char* const kEnglishDays[7] = {"Sun", "Mon", "Tue", "Wen", "Thu", "Fri", "Sat"};
const char* const kJapaneseDays[7] = {"日", "月", "火", "水", "木", "金", "土"};

// A code page 932 character of two bytes starts at `s`. A lead byte before
// a byte that cannot follow it (a marker, say) is left to stand alone.
bool IsTwoByte(const char* s) {
  const unsigned char trail = static_cast<unsigned char>(s[1]);
  return CodePage932().Of(static_cast<unsigned char>(s[0])) == 2 &&
         ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC));
}

// The text being written: how much of it is used, and whether something
// has been cut at its end already.
struct Writer {
  char (&text)[kTextSize];
  std::size_t used;
  bool full;
};

// Appends as much of `s` as fits, keeping the terminating NUL in the buffer.
// A two-byte character goes in whole or not at all: a holiday's name can
// fill the buffer, and half a character would show as a stray glyph. After
// the first cut nothing more is added, so the text stays a clean prefix of
// the whole output (a later one-byte character would not follow on).
void Append(Writer& out, const char* s) {
  while (!out.full && *s != '\0') {
    const std::size_t size = IsTwoByte(s) ? 2 : 1;
    if (out.used + size >= kTextSize) {
      out.full = true;
      break;
    }
    for (std::size_t i = 0; i < size; ++i) out.text[out.used++] = *s++;
  }
  out.text[out.used] = '\0';
}

void AppendChar(Writer& out, char c) {
  const char s[2] = {c, '\0'};
  Append(out, s);
}

void AppendNumber(Writer& out, long long value, int padDigits) {
  // "%02d" below 100 and "%04d" from 100 on when padded, else "%d".
  char digits[kDecimalSize];
  FormatDecimal(value, padDigits == 0 ? 0 : value < 100 ? 2 : 4, digits);
  Append(out, digits);
}

// The local date as year, month 1-12 and day; false when the broken-down
// fields hold no date (the era and holiday pairs then append nothing).
bool LocalDate(const std::tm& t, int& year, int& month, int& day) {
  // Checked before any sum, so fields near INT_MAX cannot overflow it.
  if (t.tm_year < -1900 || t.tm_year > 100000 - 1900 || t.tm_mon < 0 || t.tm_mon > 11) return false;
  year = t.tm_year + 1900;
  month = t.tm_mon + 1;
  day = t.tm_mday;
  return true;
}

const Era* EraOfDay(const EraList& eras, const std::tm& t) {
  int y, m, d;
  return LocalDate(t, y, m, d) ? EraOf(eras, y, m, d) : nullptr;
}

const char* HolidayOfDay(const std::tm& t) {
  int y, m, d;
  return LocalDate(t, y, m, d) ? HolidayName(y, m, d) : nullptr;
}

// "+09:00", "-03:30": hours and minutes east of UTC.
void AppendOffset(Writer& out, int offsetMinutes) {
  Append(out, offsetMinutes < 0 ? "-" : "+");
  const long long east = offsetMinutes < 0 ? -static_cast<long long>(offsetMinutes) : offsetMinutes;
  AppendNumber(out, east / 60, 1);
  Append(out, ":");
  AppendNumber(out, east % 60, 1);
}

// Output of one marker and letter; false when the pair is not part of the
// language. `offsetMinutes` is that of the zone in use, null when the
// pass knows no instant.
bool AppendField(Writer& text, char marker, char letter, const std::tm& t, int padDigits, const EraList& eras,
                 const int* offsetMinutes) {
  switch (marker) {
    case '$':
      switch (letter) {
        case '$': Append(text, "$"); return true;
        case 'g':
          if (const Era* era = EraOfDay(eras, t)) Append(text, era->name);
          return true;
        case 'G':
          if (const Era* era = EraOfDay(eras, t)) Append(text, era->initial);
          return true;
        case 'e':
        case 'E':
          if (const Era* era = EraOfDay(eras, t)) {
            const int year = EraYear(*era, t.tm_year + 1900);  // in range: the era was found
            // The first year of an era is written 元 (gannen), not 1.
            if (letter == 'E' && year == 1) {
              Append(text, "元");
            } else {
              AppendNumber(text, year, padDigits);
            }
          }
          return true;
        case 'd': case 'D': AppendNumber(text, t.tm_mday, padDigits); return true;
        // In a wider type: the fields may hold anything near INT_MAX.
        case 'm': case 'M': AppendNumber(text, t.tm_mon + 1LL, padDigits); return true;
        case 'y': AppendNumber(text, t.tm_year + 1900LL, padDigits); return true;
        case 'Y': AppendNumber(text, t.tm_year % 100, padDigits); return true;
        case 'w': {
          int y, m, d;
          if (LocalDate(t, y, m, d)) AppendNumber(text, IsoWeek(y, m, d), padDigits);
          return true;
        }
      }
      return false;
    case '%':
      switch (letter) {
        case '%': Append(text, "%"); return true;
        case 'h': AppendNumber(text, t.tm_hour, padDigits); return true;
        case 'H': AppendNumber(text, t.tm_hour < 12 ? t.tm_hour : t.tm_hour - 12, padDigits); return true;
        case 'm': case 'M': AppendNumber(text, t.tm_min, padDigits); return true;
        case 's': case 'S': AppendNumber(text, t.tm_sec, padDigits); return true;
      }
      return false;
    case '#':
      switch (letter) {
        case '#': Append(text, "#"); return true;
        case 'w': Append(text, kEnglishDays[(t.tm_wday % 7 + 7) % 7]); return true;
        case 'W': Append(text, kJapaneseDays[(t.tm_wday % 7 + 7) % 7]); return true;
        case 'a': Append(text, t.tm_hour < 12 ? "am" : "pm"); return true;
        case 'A': Append(text, t.tm_hour < 12 ? "午前" : "午後"); return true;
        case '@':
          Append(text, "@");
          AppendNumber(text, Beats(t.tm_hour, t.tm_min, t.tm_sec), padDigits);
          return true;
        case 'h':
          if (const char* name = HolidayOfDay(t)) Append(text, name);
          return true;
        case 'H':
          if (HolidayOfDay(t) != nullptr) Append(text, "祝");
          return true;
        case 'z':
          if (offsetMinutes == nullptr) return false;
          AppendOffset(text, *offsetMinutes);
          return true;
      }
      return false;
  }
  return false;
}

// The zone the fields of a pass show.
struct Zone {
  const std::tm* time;
  int offsetMinutes;
  bool offsetKnown;  // local time's is worked out when first asked for
};

// The "}" that ends a zone name starting at `name`, or null when the
// format ends first. A two-byte character is stepped over whole: its
// second byte may be a "}".
const char* ZoneNameEnd(const char* name) {
  for (const char* p = name; *p != '\0'; p += IsTwoByte(p) ? 2 : 1)
    if (*p == '}') return p;
  return nullptr;
}

// Makes the zone named by [name, end) the one in use, its time held in
// `other`; false when no one knows it.
bool Switch(const Reading& reading, const char* name, const char* end, Zone& zone, ZoneTime& other) {
  char buffer[kZoneNameSize];
  const ZoneName parsed = ParseZoneName(name, static_cast<std::size_t>(end - name), buffer);
  switch (parsed.kind) {
    case ZoneName::Local:
      zone = Zone{&reading.local, 0, false};
      return true;
    case ZoneName::Fixed:
      other = ZoneTime{BreakDown(reading.utc, parsed.offsetMinutes), parsed.offsetMinutes};
      break;
    case ZoneName::System:
      if (reading.zones == nullptr || !reading.zones->TimeIn(parsed.windowsId, reading.utc, other)) return false;
      break;
    case ZoneName::Invalid:
      return false;
  }
  zone = Zone{&other.time, other.offsetMinutes, true};
  return true;
}

// The offset of the zone in use, null without an instant. Local time's is
// the distance of its wall clock from UTC at the instant.
const int* OffsetOf(const Reading* reading, Zone& zone) {
  if (reading == nullptr) return nullptr;
  if (!zone.offsetKnown) {
    const std::tm& t = *zone.time;
    const long long seconds =
        DaysFromCivil(t.tm_year + 1900LL, t.tm_mon + 1LL, t.tm_mday) * 86400 + t.tm_hour * 3600LL + t.tm_min * 60LL;
    const long long minutes = (seconds - (reading->utc - ((reading->utc % 60) + 60) % 60)) / 60;
    zone.offsetMinutes = static_cast<int>(minutes < -1440 ? -1440 : minutes > 1440 ? 1440 : minutes);
    zone.offsetKnown = true;
  }
  return &zone.offsetMinutes;
}

// One pass of the language; `reading` is null when no instant is known.
void FormatPass(const char* timeFormat, const std::tm& localTime, const Reading* reading,
                char (&text)[kTextSize], int& padDigits, const EraList& eras) {
  std::memset(text, 0, sizeof text);
  if (timeFormat == nullptr || timeFormat[0] == '\0') return;
  Writer out{text, 0, false};

  // The zone in use: local time until a "#{…}" names another.
  Zone zone{&localTime, 0, false};
  ZoneTime other{};
  // The first byte is the stored lead-in, never interpreted.
  const char* p = timeFormat + 1;
  while (*p != '\0') {
    const char c = *p;
    if (c == '#' && p[1] == '{') {
      const char* name = p + 2;
      const char* end = ZoneNameEnd(name);
      if (end == nullptr || reading == nullptr || !Switch(*reading, name, end, zone, other)) {
        Append(out, "error");
        return;
      }
      p = end + 1;
      continue;
    }
    if (c != '$' && c != '%' && c != '#') {
      if (IsTwoByte(p)) {
        const char character[3] = {c, p[1], '\0'};
        Append(out, character);
        p += 2;
      } else {
        AppendChar(out, c);
        ++p;
      }
      continue;
    }
    const char letter = p[1];
    if (letter != '\0' && p[2] == letter) {
      padDigits = 1;
      p += 3;
    } else {
      padDigits = 0;
      p += letter != '\0' ? 2 : 1;
    }
    if (letter == '\0' || !AppendField(out, c, letter, *zone.time, padDigits, eras, OffsetOf(reading, zone))) {
      Append(out, "error");
      return;
    }
  }
}

}  // namespace

void AppendNumber(char (&text)[kTextSize], long long value, int padDigits) {
  const void* end = std::memchr(text, '\0', kTextSize);
  Writer out{text, end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : kTextSize - 1,
             false};
  AppendNumber(out, value, padDigits);
}

int Beats(int hour, int minute, int second) {
  // The local time is taken as UTC+9; Internet time counts from UTC+1.
  // 64-bit: `long` has 32 bits on Windows, and the fields may be anything.
  const long long shifted = hour >= 8 ? hour - 8LL : hour + 16LL;
  // Fields outside their range (a minute of -1, a second of 75) count from
  // the day's start either way; the seconds are taken within the day, so
  // the beats stay within 0-999 whatever the sign.
  constexpr long long kDay = 86400;
  long long s = (shifted * 3600 + minute * 60LL + second) % kDay;
  if (s < 0) s += kDay;
  // floor(S / 86.4) exactly; dividing by the double 86.4 loses a beat at
  // some seconds (S = 1296 is exactly 15 beats).
  return static_cast<int>(s * 5 / 432);
}

void FormatTime(const char* timeFormat, const std::tm& localTime,
                char (&text)[kTextSize], int& padDigits, const EraList& eras) {
  FormatPass(timeFormat, localTime, nullptr, text, padDigits, eras);
}

void FormatTime(const char* timeFormat, const Reading& reading, char (&text)[kTextSize], int& padDigits,
                const EraList& eras) {
  FormatPass(timeFormat, reading.local, &reading, text, padDigits, eras);
}

}  // namespace zorvane
