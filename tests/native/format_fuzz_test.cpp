// Random formats of up to 255 bytes over random valid times: the text must
// stay within six times the interpreted length plus 3 bytes (a holiday's
// name is 12 bytes from the 2 of "#h") and be terminated.
// Each format sits in a buffer of its exact size, so the address sanitizer
// catches any read past its end.

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <random>

#include "core/time_format.h"

namespace zorvane {
namespace {

// Biased towards markers, letters of the language and CP932 lead bytes.
char RandomByte(std::mt19937& rng) {
  static const char kLetters[] = "$%#$%#dDmMyYhHsSwWaA@gGeEx{{}}z";
  const unsigned r = rng();
  switch (r % 4) {
    case 0: return kLetters[(r >> 8) % (sizeof kLetters - 1)];
    case 1: return static_cast<char>(0x81 + (r >> 8) % 0x1F);
    default: return static_cast<char>(1 + (r >> 8) % 255);  // anything but NUL
  }
}

TEST(FormatFuzz, OutputBoundedAndTerminated) {
  std::mt19937 rng(20020703);
  char text[kTextSize];
  for (int iteration = 0; iteration < 200000; ++iteration) {
    const std::size_t length = rng() % 256;
    std::unique_ptr<char[]> format(new char[length + 1]);
    for (std::size_t i = 0; i < length; ++i) format[i] = RandomByte(rng);
    format[length] = '\0';
    std::tm t{};
    t.tm_sec = static_cast<int>(rng() % 60);
    t.tm_min = static_cast<int>(rng() % 60);
    t.tm_hour = static_cast<int>(rng() % 24);
    t.tm_mday = static_cast<int>(1 + rng() % 31);
    t.tm_mon = static_cast<int>(rng() % 12);
    // Half the years lie where eras and holidays have names.
    t.tm_year = static_cast<int>(rng() % 2 == 0 ? 119 + rng() % 12 : rng() % (8099 - 1900 + 1));
    t.tm_wday = static_cast<int>(rng() % 7);
    int pad = 0;
    if (iteration % 2 == 0) {
      FormatTime(format.get(), t, text, pad);
    } else {
      // Zone names and offsets, with no system zone known.
      const Reading reading{t, static_cast<std::int64_t>(rng()) * 7919 - (1LL << 40), nullptr};
      FormatTime(format.get(), reading, text, pad);
    }

    ASSERT_NE(std::memchr(text, '\0', sizeof text), nullptr) << iteration;
    const std::size_t interpreted = length > 0 ? length - 1 : 0;
    ASSERT_LE(std::strlen(text), 6 * interpreted + 3) << iteration;
  }
}

}  // namespace
}  // namespace zorvane
