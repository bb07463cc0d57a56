#include "core/time_format.h"

#include <cstring>

#include "core/decimal.h"

namespace zorvane {
namespace {

// Indexed by tm_wday, Sunday first. Wednesday is "Wen" on purpose: users'
// displays have always read that way.
const char* const kEnglishDays[7] = {"Sun", "Mon", "Tue", "Wen", "Thu", "Fri", "Sat"};
const char* const kJapaneseDays[7] = {"日", "月", "火", "水", "木", "金", "土"};

// Appends as much of `s` as fits, keeping the terminating NUL in the buffer.
void Append(char (&text)[kTextSize], const char* s) {
  std::size_t used = std::strlen(text);
  while (*s != '\0' && used + 1 < kTextSize) text[used++] = *s++;
  text[used] = '\0';
}

void AppendChar(char (&text)[kTextSize], char c) {
  const char s[2] = {c, '\0'};
  Append(text, s);
}

// Output of one marker and letter; false when the pair is not part of the
// language.
bool AppendField(char (&text)[kTextSize], char marker, char letter,
                 const std::tm& t, int padDigits) {
  switch (marker) {
    case '$':
      switch (letter) {
        case '$': Append(text, "$"); return true;
        case 'd': case 'D': AppendNumber(text, t.tm_mday, padDigits); return true;
        case 'm': case 'M': AppendNumber(text, t.tm_mon + 1, padDigits); return true;
        case 'y': AppendNumber(text, t.tm_year + 1900, padDigits); return true;
        case 'Y': AppendNumber(text, t.tm_year % 100, padDigits); return true;
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
      }
      return false;
  }
  return false;
}

}  // namespace

void AppendNumber(char (&text)[kTextSize], int value, int padDigits) {
  // "%02d" below 100 and "%04d" from 100 on when padded, else "%d".
  char digits[kDecimalSize];
  FormatDecimal(value, padDigits == 0 ? 0 : value < 100 ? 2 : 4, digits);
  Append(text, digits);
}

int Beats(int hour, int minute, int second) {
  // The local time is taken as UTC+9; Internet time counts from UTC+1.
  const int shifted = hour >= 8 ? hour - 8 : hour + 16;
  const long s = shifted * 3600L + minute * 60L + second;
  // floor(S / 86.4) exactly; dividing by the double 86.4 loses a beat at
  // some seconds (S = 1296 is exactly 15 beats).
  return static_cast<int>(s * 5 / 432);
}

void FormatTime(const char* timeFormat, const std::tm& localTime,
                char (&text)[kTextSize], int& padDigits) {
  std::memset(text, 0, sizeof text);
  if (timeFormat == nullptr || timeFormat[0] == '\0') return;

  // The first byte is the stored lead-in, never interpreted.
  const char* p = timeFormat + 1;
  while (*p != '\0') {
    const char c = *p;
    if (c != '$' && c != '%' && c != '#') {
      AppendChar(text, c);
      ++p;
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
    if (letter == '\0' || !AppendField(text, c, letter, localTime, padDigits)) {
      Append(text, "error");
      return;
    }
  }
}

}  // namespace zorvane
