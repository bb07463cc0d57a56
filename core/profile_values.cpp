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

CharWidths::CharWidths() { std::memset(width, 1, sizeof width); }

CharWidths CharWidths::FromLeadByteRanges(const unsigned char* ranges, std::size_t count) {
  CharWidths widths;
  for (std::size_t i = 0; i + 1 < count && (ranges[i] != 0 || ranges[i + 1] != 0); i += 2)
    for (unsigned b = ranges[i]; b <= ranges[i + 1]; ++b) widths.width[b] = 2;
  return widths;
}

const CharWidths& CodePage932() {
  static const unsigned char kRanges[] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0};
  static const CharWidths widths = CharWidths::FromLeadByteRanges(kRanges, sizeof kRanges);
  return widths;
}

namespace {

// The length of the character at `text`, or 1 when the text ends before
// the character does (a lone lead byte at the end is a byte of its own).
std::size_t CharLength(const char* text, const CharWidths& widths) {
  const std::size_t width = widths.Of(static_cast<unsigned char>(text[0]));
  for (std::size_t k = 1; k < width; ++k)
    if (text[k] == '\0') return 1;
  return width;
}

}  // namespace

std::size_t PrefixLength(const char* text, std::size_t limit, const CharWidths& widths) {
  std::size_t i = 0;
  while (text[i] != '\0') {
    const std::size_t width = CharLength(text + i, widths);
    if (i + width > limit) break;
    i += width;
  }
  return i;
}

void AddLeadIn(const char* format, char* out, std::size_t size, const CharWidths& widths) {
  if (size == 0) return;
  if (size == 1) { out[0] = '\0'; return; }
  out[0] = kLeadIn;
  const char* text = format != nullptr ? format : "";
  const std::size_t n = PrefixLength(text, size - 2, widths);
  std::memcpy(out + 1, text, n);
  out[1 + n] = '\0';
}

void CutFaceName(const char* name, char (&face)[kFaceSize], const CharWidths& widths) {
  const char* text = name != nullptr ? name : "";
  const std::size_t n = PrefixLength(text, kFaceSize - 1, widths);
  std::memcpy(face, text, n);
  face[n] = '\0';
}

int FontSizeOr(int value, int fallback) {
  return value >= -kMaxFontPixels && value <= kMaxFontPixels ? value : fallback;
}

}  // namespace zorvane
