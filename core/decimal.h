#pragma once
// Integers as decimal text, as printf's "%lld" and "%0Nlld" write them. The
// program needs no more than this of formatted output, and the C library's
// printf would bring a large formatter into the executable.

#include <cstddef>

namespace zorvane {

// Room for any 64-bit integer, its sign and the NUL.
constexpr std::size_t kDecimalSize = 21;

// `value` in decimal, at least `width` characters wide, zeros added after
// the sign ("%0*lld"; a width of 0 or 1 is "%lld"). A negative width counts
// as 0; widths beyond what fits are treated as the largest that does.
void FormatDecimal(long long value, int width, char (&out)[kDecimalSize]);

}  // namespace zorvane
