#pragma once
// How settings values are read and written, independent of the platform:
// the integer reading, the lead-in of the stored time format, and the cut
// of a face name to the font's 31 bytes.
// Text is 8-bit; every function that cuts text or walks a path is told how
// its code page splits text into characters. The program's own text is
// code page 932 whatever the system's code page is.

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

// How an 8-bit code page splits text into characters: for each byte, the
// length of the character that it starts. The double-byte code pages (932
// and the other East Asian ones) have lead bytes whose second byte may be
// 0x5C, the backslash; UTF-8 has characters of up to four bytes; the other
// code pages (1252 and its kind) have one byte per character, so a byte
// that is a lead byte under 932 (é is 0xE9) is a character of its own.
class CharWidths {
 public:
  // One byte per character.
  CharWidths();

  // A double-byte code page from its lead-byte ranges as the platform lists
  // them: pairs of first and last byte, up to `count` bytes or a pair of
  // zeros. No ranges: one byte per character.
  static CharWidths FromLeadByteRanges(const unsigned char* ranges, std::size_t count);

  // The length, 1 to 4, of a character that starts with `first`.
  std::size_t Of(unsigned char first) const { return width[first]; }

 private:
  unsigned char width[256];
};

// Code page 932: lead bytes 0x81-0x9F and 0xE0-0xFC.
const CharWidths& CodePage932();

// "!" followed by at most `size` - 2 bytes of `format`, NUL-terminated, in
// `out` (which holds `size` bytes). A character that would be split is left
// out whole.
void AddLeadIn(const char* format, char* out, std::size_t size, const CharWidths& widths);

// Length of the longest prefix of `text` that is at most `limit` bytes and
// does not end in the middle of a character.
std::size_t PrefixLength(const char* text, std::size_t limit, const CharWidths& widths);

// A copy of `name` that fits a font's face name field, cut at a character
// boundary.
void CutFaceName(const char* name, char (&face)[kFaceSize], const CharWidths& widths);

// Font heights and widths (either sign) beyond this many pixels at 100 %
// make a single drawing of the clock take seconds to minutes; such a stored
// value counts as unreadable.
constexpr int kMaxFontPixels = 500;

// `value` when it lies within kMaxFontPixels of 0, else `fallback`.
int FontSizeOr(int value, int fallback);

}  // namespace zorvane
