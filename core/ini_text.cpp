#include "core/ini_text.h"

#include <cstring>

#include "core/profile_values.h"

namespace zorvane {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A'; }

char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// One line of the text: its bytes without blanks around them, and where
// the next line starts.
struct Line {
  std::size_t start;  // first byte of the line
  std::size_t end;    // end of the line's bytes, before CR or LF
  std::size_t first;  // first byte that is not a blank
  std::size_t last;   // end of the bytes without trailing blanks
  std::size_t next;   // start of the next line
};

Line LineAt(const char* text, std::size_t size, std::size_t start) {
  Line line{start, start, start, start, start};
  while (line.end < size && text[line.end] != '\r' && text[line.end] != '\n') ++line.end;
  line.next = line.end;
  if (line.next < size && text[line.next] == '\r') ++line.next;
  if (line.next < size && text[line.next] == '\n') ++line.next;
  line.first = start;
  while (line.first < line.end && IsBlank(text[line.first])) ++line.first;
  line.last = line.end;
  while (line.last > line.first && IsBlank(text[line.last - 1])) --line.last;
  return line;
}

// Names compare by characters of code page 932: single bytes without
// regard to ASCII case, the two bytes of a double-byte character exactly.
bool SameName(const char* bytes, std::size_t length, const char* name) {
  const CharWidths& widths = CodePage932();
  if (std::strlen(name) != length) return false;
  std::size_t i = 0;
  while (i < length) {
    const std::size_t w = widths.Of(static_cast<unsigned char>(bytes[i]));
    if (w == 1) {
      if (Fold(bytes[i]) != Fold(name[i])) return false;
    } else if (i + w > length || std::memcmp(bytes + i, name + i, w) != 0) {
      return false;
    }
    i += w;
  }
  return true;
}

// A section header: the name between "[" and the last "]" that is a
// character of its own (not the second byte of a double-byte one).
bool SectionName(const char* text, const Line& line, std::size_t& begin, std::size_t& end) {
  if (line.first >= line.last || text[line.first] != '[') return false;
  const CharWidths& widths = CodePage932();
  bool found = false;
  for (std::size_t i = line.first + 1; i < line.last;) {
    if (text[i] == ']') {
      end = i;
      found = true;
    }
    i += widths.Of(static_cast<unsigned char>(text[i]));
  }
  begin = line.first + 1;
  return found;
}

// A key line: the key without blanks around it before the first "=".
bool KeyName(const char* text, const Line& line, std::size_t& end, std::size_t& equals) {
  const void* at = std::memchr(text + line.first, '=', line.last - line.first);
  if (at == nullptr) return false;
  equals = static_cast<std::size_t>(static_cast<const char*>(at) - text);
  end = equals;
  while (end > line.first && IsBlank(text[end - 1])) --end;
  return true;
}

// What a search of the text found for one section and key.
struct Search {
  bool section = false;     // the section is there
  std::size_t insert = 0;   // just after the section's last line that holds anything
  bool key = false;         // the key is there, in the section's first occurrence
  Line keyLine{};           // the key's line
  std::size_t keyEnd = 0;   // end of the key's name
  std::size_t equals = 0;   // its "="
};

Search Find(const char* text, std::size_t size, const char* section, const char* key) {
  Search s;
  bool inside = false;
  for (std::size_t at = 0; at < size;) {
    const Line line = LineAt(text, size, at);
    at = line.next;
    std::size_t begin = 0, end = 0;
    if (SectionName(text, line, begin, end)) {
      if (inside) break;  // the first section of the name has ended
      inside = !s.section && SameName(text + begin, end - begin, section);
      if (inside) {
        s.section = true;
        s.insert = line.next;
      }
      continue;
    }
    if (!inside) continue;
    if (line.first < line.last) s.insert = line.next;
    std::size_t keyEnd = 0, equals = 0;
    if (!s.key && KeyName(text, line, keyEnd, equals) && SameName(text + line.first, keyEnd - line.first, key)) {
      s.key = true;
      s.keyLine = line;
      s.keyEnd = keyEnd;
      s.equals = equals;
    }
  }
  return s;
}

std::size_t Append(char* out, std::size_t at, const char* bytes, std::size_t length) {
  std::memcpy(out + at, bytes, length);
  return at + length;
}

std::size_t Append(char* out, std::size_t at, const char* text) { return Append(out, at, text, std::strlen(text)); }

std::size_t OneLine(const char* value) { return std::strcspn(value, "\r\n"); }

bool IsQuote(char c) { return c == '"' || c == '\''; }

// Whether FindIniValue would give other bytes than these: blanks at either
// end are dropped, and so is a pair of quotes around the value.
bool NeedsQuotes(const char* value, std::size_t length) {
  if (length == 0) return false;
  if (IsBlank(value[0]) || IsBlank(value[length - 1])) return true;
  return length >= 2 && IsQuote(value[0]) && value[length - 1] == value[0];
}

// "key=value" as it goes in the file, quoted where the reading needs it.
std::size_t AppendValue(char* out, std::size_t at, const char* value, std::size_t length) {
  const bool quoted = NeedsQuotes(value, length);
  if (quoted) at = Append(out, at, "\"");
  at = Append(out, at, value, length);
  return quoted ? Append(out, at, "\"") : at;
}

}  // namespace

bool FindIniValue(const char* text, std::size_t size, const char* section, const char* key, IniValue& value) {
  const Search s = Find(text, size, section, key);
  if (!s.key) return false;
  std::size_t begin = s.equals + 1;
  std::size_t end = s.keyLine.last;
  while (begin < end && IsBlank(text[begin])) ++begin;
  if (end - begin >= 2 && (text[begin] == '"' || text[begin] == '\'') && text[end - 1] == text[begin]) {
    ++begin;
    --end;
  }
  value = IniValue{begin, end - begin};
  return true;
}

bool ReadIniValue(const char* text, std::size_t size, const char* section, const char* key, IniValue& value) {
  if (!FindIniValue(text, size, section, key, value)) return false;
  const char* bytes = text + value.begin;
  std::size_t length = value.length;
  if (const void* nul = std::memchr(bytes, '\0', length)) length = static_cast<std::size_t>(static_cast<const char*>(nul) - bytes);
  // A lead byte whose second byte lies beyond the value's end is a byte of
  // its own, as the value holds it.
  const CharWidths& widths = CodePage932();
  std::size_t kept = 0;
  while (kept < length) {
    std::size_t width = widths.Of(static_cast<unsigned char>(bytes[kept]));
    if (kept + width > length) width = 1;
    if (kept + width > kMaxValueBytes) break;
    kept += width;
  }
  value.length = kept;
  return true;
}

std::size_t IniEditRoom(std::size_t size, const char* section, const char* key, const char* value) {
  // Line ends, brackets, "=" and the quotes a value may need.
  return size + std::strlen(section) + std::strlen(key) + OneLine(value) + 16;
}

std::size_t SetIniValue(const char* text, std::size_t size, const char* section, const char* key,
                        const char* value, char* out, std::size_t room) {
  if (room < IniEditRoom(size, section, key, value)) return 0;
  const std::size_t valueLength = OneLine(value);
  const Search s = Find(text, size, section, key);
  std::size_t n = 0;
  if (s.key) {
    // The line keeps the key as written, and its line end.
    n = Append(out, n, text, s.keyLine.first);
    n = Append(out, n, text + s.keyLine.first, s.keyEnd - s.keyLine.first);
    n = Append(out, n, "=");
    n = AppendValue(out, n, value, valueLength);
    return Append(out, n, text + s.keyLine.end, size - s.keyLine.end);
  }
  const std::size_t at = s.section ? s.insert : size;
  n = Append(out, n, text, at);
  // The line before may be the file's last one, without a line end.
  if (at > 0 && text[at - 1] != '\n' && text[at - 1] != '\r') n = Append(out, n, "\r\n");
  if (!s.section) {
    n = Append(out, n, "[");
    n = Append(out, n, section);
    n = Append(out, n, "]\r\n");
  }
  n = Append(out, n, key);
  n = Append(out, n, "=");
  n = AppendValue(out, n, value, valueLength);
  n = Append(out, n, "\r\n");
  return Append(out, n, text + at, size - at);
}

}  // namespace zorvane
