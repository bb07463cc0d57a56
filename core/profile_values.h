#pragma once
// How settings values are read and written, independent of the platform:
// the integer reading, the lead-in of the stored time format, the settings
// file's path, and the cut of a face name to the font's 31 bytes.
// Text is code page 932 bytes throughout.

#include <cstddef>

namespace zorvane {

// Room of every path, file and section name buffer.
constexpr std::size_t kPathSize = 260;
// Room of a font face name, NUL included.
constexpr std::size_t kFaceSize = 32;

// The stored time format starts with this character, which readers drop.
constexpr char kLeadIn = '!';

// atoi rules with defined overflow: leading blanks, one optional sign, then
// decimal digits accumulated in 32 bits that wrap ("4294967295" is -1).
// Text without leading digits is 0.
int ParseInt(const char* text);

// The format from a stored value: everything after its first byte, whatever
// that byte is; "" for an empty value.
const char* DropLeadIn(const char* stored);

// "!" followed by at most `size` - 2 bytes of `format`, NUL-terminated, in
// `out` (which holds `size` bytes). A two-byte character that would be
// split is left out whole.
void AddLeadIn(const char* format, char* out, std::size_t size);

// True for a byte that starts a two-byte code page 932 character.
bool IsLeadByte(unsigned char c);

// Length of the longest prefix of `text` that is at most `limit` bytes and
// does not end in the middle of a two-byte character.
std::size_t PrefixLength(const char* text, std::size_t limit);

// The directory part of a full module path: everything before the last
// backslash that is a real backslash (a trail byte 0x5C of a two-byte
// character is not one). False when the path has no separator or the
// directory does not fit in `dir`.
bool DirectoryOf(const char* modulePath, char (&dir)[kPathSize]);

// "<dir>\<file>" in `path`; false, with `path` left empty, when it does not
// fit. The path is never cut, so it can never name another file.
bool JoinPath(const char* dir, const char* file, char (&path)[kPathSize]);

// A copy of `name` that fits a font's face name field, cut at a character
// boundary.
void CutFaceName(const char* name, char (&face)[kFaceSize]);

}  // namespace zorvane

namespace zorvane {

// Font heights and widths (either sign) beyond this many pixels at 100 %
// make a single drawing of the clock take seconds to minutes; such a stored
// value counts as unreadable.
constexpr int kMaxFontPixels = 500;

// `value` when it lies within kMaxFontPixels of 0, else `fallback`.
int FontSizeOr(int value, int fallback);

}  // namespace zorvane
