#pragma once
// The settings file's text, read and edited as the bytes it holds. The file
// keeps code page 932 text whatever code page the running system has, so
// the program reads and writes it itself instead of through the system's
// 8-bit profile functions, which pass text through that code page. The
// rules are the ones those functions follow on a Japanese system:
//
// - lines end at CR, LF or both;
// - "[name]" opens a section (blanks around the line dropped; the name runs
//   to the last "]"); "key=value" holds a value, blanks around the key and
//   around the value dropped; a value in a matching pair of single or
//   double quotes loses the quotes; other lines hold nothing;
// - a reader takes at most 255 bytes of a value, never part of a character;
// - section and key names match without regard to ASCII case;
// - the first section of a name counts, and in it the first key of a name;
// - writing replaces the value of that key, or adds the key at the end of
//   its section, or adds the section at the end of the file. Every other
//   byte of the file stays as it was. A value that the reading would
//   change (one that begins or ends with a blank, or stands in a pair of
//   quotes) is written in double quotes, so it reads back as it was.

#include <cstddef>

namespace zorvane {

// The most bytes of a value that a reader takes.
constexpr std::size_t kMaxValueBytes = 255;

// Where a value lies in the text: `begin` and `length` in bytes.
struct IniValue {
  std::size_t begin;
  std::size_t length;
};

// The value of `key` in section `section` of the `size` bytes at `text`.
// False when the section, the key or its "=" is missing.
bool FindIniValue(const char* text, std::size_t size, const char* section, const char* key, IniValue& value);

// The value as every reader takes it: FindIniValue's, ended at a NUL byte
// (a damaged file), and cut to at most kMaxValueBytes at a boundary of the
// characters of code page 932. False when the key is missing.
bool ReadIniValue(const char* text, std::size_t size, const char* section, const char* key, IniValue& value);

// Room that SetIniValue needs at most for its result.
std::size_t IniEditRoom(std::size_t size, const char* section, const char* key, const char* value);

// The text with `key` of `section` set to `value`, in `out` of `room` bytes
// (at least IniEditRoom). A value is one line: it is cut at its first CR or
// LF. Returns the length of the result.
std::size_t SetIniValue(const char* text, std::size_t size, const char* section, const char* key,
                        const char* value, char* out, std::size_t room);

}  // namespace zorvane
