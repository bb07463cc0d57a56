#include "core/decimal.h"

namespace zorvane {

void FormatDecimal(long long value, int width, char (&out)[kDecimalSize]) {
  // Digits from the right, in unsigned arithmetic so that the most
  // negative value has a magnitude too.
  char digits[kDecimalSize];
  int count = 0;
  unsigned long long magnitude =
      value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);

  std::size_t n = 0;
  if (value < 0) out[n++] = '-';
  // Clamped first, so the padding below cannot overflow.
  const int room = static_cast<int>(kDecimalSize) - 1;
  if (width < 0) width = 0;
  if (width > room) width = room;
  for (int pad = width - static_cast<int>(n) - count; pad > 0; --pad) out[n++] = '0';
  while (count > 0) out[n++] = digits[--count];
  out[n] = '\0';
}

}  // namespace zorvane
