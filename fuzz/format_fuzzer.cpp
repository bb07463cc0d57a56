// Build: clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -I. fuzz/format_fuzzer.cpp core/time_format.cpp core/japanese_calendar.cpp core/decimal.cpp core/profile_values.cpp -o format_fuzzer
// libFuzzer entry for the format language: the first seven bytes choose a
// valid time, the rest (up to 255 bytes) is the stored format. Built without
// the CP932 charset flag, which clang lacks, so "#A" gives six UTF-8 bytes
// instead of four, "#h" up to 18 bytes (スポーツの日) instead of 12, and the
// length bound here is nine times the format plus 3.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/time_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t b[7] = {};
  const std::size_t skip = size < 7 ? size : 7;
  std::memcpy(b, data, skip);
  std::tm t{};
  t.tm_sec = b[0] % 60; t.tm_min = b[1] % 60; t.tm_hour = b[2] % 24;
  t.tm_mday = 1 + b[3] % 31; t.tm_mon = b[4] % 12; t.tm_wday = b[6] % 7;
  t.tm_year = (b[5] | b[6] << 8) % (8099 - 1900 + 1);

  const std::size_t length = size - skip < 255 ? size - skip : 255;
  char* format = static_cast<char*>(std::malloc(length + 1));  // exact size
  std::memcpy(format, data + skip, length);
  format[length] = '\0';
  const std::size_t used = std::strlen(format);
  char text[zorvane::kTextSize];
  int pad = 0;
  zorvane::FormatTime(format, t, text, pad);
  std::free(format);
  if (std::memchr(text, '\0', sizeof text) == nullptr) std::abort();
  if (std::strlen(text) > 9 * (used > 0 ? used - 1 : 0) + 3) std::abort();
  return 0;
}
