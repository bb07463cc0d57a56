#include "core/profile_values.h"

#include <cstdint>
#include <cstring>

namespace zorvane {

int ParseInt(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  // The C library's isspace set in the "C" locale.
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  // Unsigned arithmetic wraps by definition; the result is taken modulo 2^32.
  std::uint32_t value = 0;
  while (*p >= '0' && *p <= '9') {
    value = value * 10u + static_cast<std::uint32_t>(*p - '0');
    ++p;
  }
  if (negative) value = 0u - value;
  return static_cast<int>(static_cast<std::int32_t>(value));
}

const char* DropLeadIn(const char* stored) {
  if (stored == nullptr || stored[0] == '\0') return "";
  return stored + 1;
}

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::size_t PrefixLength(const char* text, std::size_t limit) {
  std::size_t i = 0;
  while (text[i] != '\0') {
    const std::size_t width =
        IsLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0' ? 2 : 1;
    if (i + width > limit) break;
    i += width;
  }
  return i;
}

void AddLeadIn(const char* format, char* out, std::size_t size) {
  if (size == 0) return;
  if (size == 1) { out[0] = '\0'; return; }
  out[0] = kLeadIn;
  const char* text = format != nullptr ? format : "";
  const std::size_t n = PrefixLength(text, size - 2);
  std::memcpy(out + 1, text, n);
  out[1 + n] = '\0';
}

bool DirectoryOf(const char* modulePath, char (&dir)[kPathSize]) {
  dir[0] = '\0';
  if (modulePath == nullptr) return false;
  // Walk by characters so that the second byte of a two-byte character
  // (which may be 0x5C) is never taken for a separator.
  std::size_t last = static_cast<std::size_t>(-1);
  for (std::size_t i = 0; modulePath[i] != '\0';) {
    if (IsLeadByte(static_cast<unsigned char>(modulePath[i])) && modulePath[i + 1] != '\0') {
      i += 2;
      continue;
    }
    if (modulePath[i] == '\\') last = i;
    ++i;
  }
  if (last == static_cast<std::size_t>(-1) || last >= kPathSize) return false;
  std::memcpy(dir, modulePath, last);
  dir[last] = '\0';
  return true;
}

bool JoinPath(const char* dir, const char* file, char (&path)[kPathSize]) {
  path[0] = '\0';
  const std::size_t d = std::strlen(dir);
  const std::size_t f = std::strlen(file);
  if (d + 1 + f + 1 > kPathSize) return false;
  std::memcpy(path, dir, d);
  path[d] = '\\';
  std::memcpy(path + d + 1, file, f);
  path[d + 1 + f] = '\0';
  return true;
}

void CutFaceName(const char* name, char (&face)[kFaceSize]) {
  const char* text = name != nullptr ? name : "";
  const std::size_t n = PrefixLength(text, kFaceSize - 1);
  std::memcpy(face, text, n);
  face[n] = '\0';
}

}  // namespace zorvane


namespace zorvane {

int FontSizeOr(int value, int fallback) {
  return value >= -kMaxFontPixels && value <= kMaxFontPixels ? value : fallback;
}

}  // namespace zorvane
