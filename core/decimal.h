#pragma once
// Integers as decimal text, as printf's "%d" and "%0Nd" write them. The
// program needs no more than this of formatted output, and the C library's
// printf would bring a large formatter into the executable.

#include <cstddef>

namespace zorvane {

// Room for any 32-bit integer, its sign and the NUL.
constexpr std::size_t kDecimalSize = 12;

// `value` in decimal, at least `width` characters wide, zeros added after
// the sign ("%0*d"; a width of 0 or 1 is "%d"). Widths beyond what fits are
// treated as the largest that does.
void FormatDecimal(int value, int width, char (&out)[kDecimalSize]);

}  // namespace zorvane
