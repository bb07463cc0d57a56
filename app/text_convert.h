#pragma once
// Where the clock's own text meets the system. The clock's text (the
// format, the formatted time, the settings file, its messages) is code page
// 932 whatever the system's code page is; the system keeps text in UTF-16.
// Every conversion between the two goes through here, with code page 932
// named, so that the text reads the same under 932, 1252 or UTF-8, and
// the window, caption and dialog code calls the wide functions with it.

#include <windows.h>

#include <cstddef>

namespace text {

constexpr UINT kOwnCodePage = 932;

// A NUL-terminated UTF-16 text on the heap, of any length; move-only. A
// failed allocation leaves it empty and Reserve answers null.
class WideText {
 public:
  WideText() = default;
  ~WideText();
  WideText(WideText&& other) noexcept;
  WideText& operator=(WideText&& other) noexcept;
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;

  const wchar_t* Get() const { return data != nullptr ? data : L""; }
  int Length() const { return length; }
  int Capacity() const { return capacity; }

  // Room for `count` characters and the NUL, the text kept; null when the
  // memory cannot be had. Fix the length with SetLength afterwards.
  wchar_t* Reserve(int count);
  void SetLength(int count);
  bool Assign(const wchar_t* text, int count);
  bool Assign(const WideText& other) { return Assign(other.Get(), other.Length()); }
  // Lets go of the memory without freeing it, for a buffer that another
  // thread may still write into; the text is empty afterwards.
  void Abandon();

  bool Equals(const wchar_t* text, int count) const;
  bool operator==(const WideText& other) const { return Equals(other.Get(), other.Length()); }

 private:
  wchar_t* data = nullptr;
  int length = 0;
  int capacity = 0;  // characters, the NUL not counted
};

// The clock's own text as UTF-16, whole. Bytes that are no character in
// code page 932 become what the system makes of them (U+30FB or U+FFFD).
WideText FromOwn(const char* own);
// The same into `out`, whose memory is used again; false without memory.
bool FromOwn(const char* own, WideText& out);

// The same into a fixed buffer of `size` characters (a face name); false,
// and `out` empty, when it does not fit.
bool FromOwn(const char* own, wchar_t* out, int size);

enum class ToOwnResult { Ok, NotInCodePage, TooLong };

// UTF-16 as the clock's own text, into `out` of `size` bytes, NUL included.
// A character that code page 932 lacks is refused, never replaced by "?"
// or a look-alike (é is not e); so is a text that does not fit. `out` is
// empty unless the result is Ok.
ToOwnResult ToOwn(const wchar_t* wide, char* out, std::size_t size);

// Bytes on the heap, of any length; move-only. A failed allocation leaves
// it empty and Allocate answers false.
class Bytes {
 public:
  Bytes() = default;
  ~Bytes();
  Bytes(Bytes&& other) noexcept;
  Bytes& operator=(Bytes&& other) noexcept;
  Bytes(const Bytes&) = delete;
  Bytes& operator=(const Bytes&) = delete;

  // Room for `size` bytes; what was held is lost.
  bool Allocate(std::size_t size);
  char* Data() const { return data; }
  std::size_t Size() const { return size; }

 private:
  char* data = nullptr;
  std::size_t size = 0;
};

// How a text file stores its text. The clock writes code page 932 bytes; a
// file saved by Notepad as "UTF-8 with BOM" or "Unicode" starts with a
// byte order mark, and the system's profile functions read such a file as
// text in that encoding: so does the clock.
enum class FileEncoding { Own, Utf8, Utf16 };

// A file's bytes as the clock's own text in `own`, with the encoding found.
// `whole` tells whether every character of the file has a form in code
// page 932, so that writing the text back in that encoding loses nothing.
// False without memory or for bytes that are no text of their encoding.
bool FileToOwn(const char* bytes, std::size_t size, Bytes& own, FileEncoding& encoding, bool& whole);

// `size` bytes of the clock's own text as a file of `encoding`, its byte
// order mark first.
bool OwnToFile(const char* own, std::size_t size, FileEncoding encoding, Bytes& bytes);

}  // namespace text
