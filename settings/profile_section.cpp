#include "settings/profile_section.h"

#include <cstring>
#include <cwchar>

#include "core/decimal.h"
#include "core/ini_text.h"

namespace {

// Room of a value as read: 255 bytes and the NUL.
constexpr std::size_t kValueSize = 256;

// A settings file is a few hundred bytes. A larger one than this is not one
// the program made: it reads as absent and is never rewritten.
constexpr DWORD kMaxFileSize = 1 << 20;

bool CopyName(char (&to)[zorvane::kPathSize], const char* from) {
  const std::size_t n = std::strlen(from);
  if (n >= sizeof to) return false;
  std::memcpy(to, from, n + 1);
  return true;
}

// Bytes on the process heap, freed with their owner.
class Bytes {
 public:
  Bytes() = default;
  ~Bytes() {
    if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
  }
  Bytes(const Bytes&) = delete;
  Bytes& operator=(const Bytes&) = delete;

  bool Allocate(std::size_t size) {
    if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
    data_ = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size > 0 ? size : 1));
    size_ = data_ != nullptr ? size : 0;
    return data_ != nullptr;
  }
  char* Data() const { return data_; }
  std::size_t Size() const { return size_; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

class File {
 public:
  explicit File(HANDLE handle) : handle_(handle) {}
  ~File() { Close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool Opened() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    if (!Opened()) return true;
    const bool closed = CloseHandle(handle_) != FALSE;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

// The whole content of an open file; false when it cannot be read whole.
bool ReadAll(const File& file, Bytes& content) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxFileSize) return false;
  const DWORD wanted = static_cast<DWORD>(size.QuadPart);
  if (!content.Allocate(wanted)) return false;
  DWORD got = 0;
  return wanted == 0 || (ReadFile(file.Get(), content.Data(), wanted, &got, nullptr) && got == wanted);
}

// How the file stores its text. The program writes code page 932 bytes;
// a file saved by Notepad as "UTF-8 with BOM" or "Unicode" starts with a
// byte order mark, and the system's profile functions read such a file as
// text in that encoding: so does the program.
enum class Encoding { CodePage932, Utf8, Utf16 };

const char kUtf8Mark[] = "\xEF\xBB\xBF";
const char kUtf16Mark[] = "\xFF\xFE";

// The file's text as code page 932 bytes in `text`. `whole` tells whether
// every character of the file has a form in code page 932, so that writing
// the text back in the file's encoding loses nothing.
bool Decode(const Bytes& raw, Bytes& text, Encoding& encoding, bool& whole) {
  whole = true;
  encoding = Encoding::CodePage932;
  const char* bytes = raw.Data();
  const std::size_t size = raw.Size();
  if (size >= 3 && std::memcmp(bytes, kUtf8Mark, 3) == 0) encoding = Encoding::Utf8;
  if (size >= 2 && std::memcmp(bytes, kUtf16Mark, 2) == 0) encoding = Encoding::Utf16;
  if (encoding == Encoding::CodePage932) {
    if (!text.Allocate(size)) return false;
    std::memcpy(text.Data(), bytes, size);
    return true;
  }
  // In UTF-16 first (at most one unit per byte of UTF-8), then in 932.
  Bytes wide;
  int units = 0;
  if (encoding == Encoding::Utf8) {
    const int n = static_cast<int>(size - 3);
    if (!wide.Allocate((n + 1) * sizeof(wchar_t))) return false;
    units = n > 0 ? MultiByteToWideChar(CP_UTF8, 0, bytes + 3, n, reinterpret_cast<wchar_t*>(wide.Data()), n) : 0;
    if (n > 0 && units == 0) return false;
  } else {
    units = static_cast<int>((size - 2) / 2);
    if (!wide.Allocate((units + 1) * sizeof(wchar_t))) return false;
    std::memcpy(wide.Data(), bytes + 2, units * sizeof(wchar_t));
  }
  const auto* from = reinterpret_cast<const wchar_t*>(wide.Data());
  BOOL lost = FALSE;
  const int n = units > 0 ? WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, from, units, nullptr, 0, nullptr, &lost) : 0;
  if (!text.Allocate(static_cast<std::size_t>(n))) return false;
  if (n > 0 && WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, from, units, text.Data(), n, nullptr, &lost) != n) {
    return false;
  }
  whole = lost == FALSE;
  return true;
}

// `size` bytes of code page 932 text in the file's encoding, with its mark.
bool Encode(const char* text, std::size_t size, Encoding encoding, Bytes& raw) {
  if (encoding == Encoding::CodePage932) {
    if (!raw.Allocate(size)) return false;
    std::memcpy(raw.Data(), text, size);
    return true;
  }
  const int n = static_cast<int>(size);
  Bytes wide;
  if (!wide.Allocate((size + 1) * sizeof(wchar_t))) return false;
  auto* units = reinterpret_cast<wchar_t*>(wide.Data());
  const int count = n > 0 ? MultiByteToWideChar(932, 0, text, n, units, n) : 0;
  if (n > 0 && count == 0) return false;
  if (encoding == Encoding::Utf16) {
    if (!raw.Allocate(2 + count * sizeof(wchar_t))) return false;
    std::memcpy(raw.Data(), kUtf16Mark, 2);
    std::memcpy(raw.Data() + 2, units, count * sizeof(wchar_t));
    return true;
  }
  const int length = count > 0 ? WideCharToMultiByte(CP_UTF8, 0, units, count, nullptr, 0, nullptr, nullptr) : 0;
  if (!raw.Allocate(3 + static_cast<std::size_t>(length))) return false;
  std::memcpy(raw.Data(), kUtf8Mark, 3);
  return length == 0 || WideCharToMultiByte(CP_UTF8, 0, units, count, raw.Data() + 3, length, nullptr, nullptr) == length;
}

// The settings file's text, for reading; false when there is none to read.
bool ReadForReading(const wchar_t* path, Bytes& content) {
  // Another program may hold the file open for writing: reads still go on.
  File file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  Bytes raw;
  Encoding encoding;
  bool whole = false;
  return file.Opened() && ReadAll(file, raw) && Decode(raw, content, encoding, whole);
}

// Writes `size` bytes to `temporary`, then puts that file in the place of
// `path` in one step: a failure at any point leaves `path` as it was and
// removes what was written. The new file keeps the old one's hidden and
// system marks (`attributes`, INVALID_FILE_ATTRIBUTES for a new file).
bool ReplaceWhole(const wchar_t* path, const wchar_t* temporary, const char* bytes, std::size_t size,
                  DWORD attributes) {
  const DWORD kept = attributes == INVALID_FILE_ATTRIBUTES
                         ? 0
                         : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  File file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL,
                        nullptr));
  if (!file.Opened()) return false;
  DWORD written = 0;
  bool whole = WriteFile(file.Get(), bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
  whole = whole && FlushFileBuffers(file.Get());
  whole = file.Close() && whole;
  whole = whole && MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!whole) DeleteFileW(temporary);
  return whole;
}

}  // namespace

ProfileSection::ProfileSection() : path{}, section{} {}

void ProfileSection::Bind(const char* newFile, const char* newSection, HINSTANCE module) {
  if (newFile != nullptr) {
    path[0] = L'\0';
    // The module's path in UTF-16: its folder may hold characters that the
    // system's code page lacks. A result that fills the buffer was cut:
    // refuse rather than look for the file in a folder that is not the
    // executable's.
    wchar_t directory[zorvane::kPathSize] = {};
    const DWORD n = GetModuleFileNameW(module, directory, zorvane::kPathSize);
    wchar_t* separator = n > 0 && n < zorvane::kPathSize ? std::wcsrchr(directory, L'\\') : nullptr;
    if (separator != nullptr) *separator = L'\0';
    wchar_t wideName[zorvane::kPathSize] = {};
    const int length = separator != nullptr && newFile[0] != '\0' && std::strlen(newFile) < zorvane::kPathSize
                           ? MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, newFile, -1, wideName, zorvane::kPathSize)
                           : 0;
    const std::size_t dirLength = std::wcslen(directory);
    // "<directory>\<name>" and its NUL, never cut: a cut path names another file.
    if (length > 0 && dirLength > 0 && dirLength + 1 + static_cast<std::size_t>(length) <= zorvane::kPathSize) {
      std::wmemcpy(path, directory, dirLength);
      path[dirLength] = L'\\';
      std::wmemcpy(path + dirLength + 1, wideName, static_cast<std::size_t>(length));
    }
  }
  if (newSection != nullptr && !CopyName(section, newSection)) section[0] = '\0';
}

void ProfileSection::ReadString(const char* key, char* destination, const char* defaultText,
                                std::size_t size) const {
  if (size == 0) return;
  const char* text = defaultText;
  std::size_t length = std::strlen(defaultText);
  Bytes content;
  zorvane::IniValue found{};
  if (Usable() && ReadForReading(path, content) &&
      zorvane::FindIniValue(content.Data(), content.Size(), section, key, found)) {
    text = content.Data() + found.begin;
    length = found.length;
    // A NUL byte in a damaged file ends the value.
    if (const void* nul = std::memchr(text, '\0', length)) length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
  }
  // At most 255 bytes come back, and no character is split.
  char value[kValueSize];
  const std::size_t kept = length < kValueSize - 1 ? length : kValueSize - 1;
  std::memcpy(value, text, kept);
  value[kept] = '\0';
  const std::size_t n = zorvane::PrefixLength(value, size - 1, zorvane::CodePage932());
  std::memcpy(destination, value, n);
  destination[n] = '\0';
}

int ProfileSection::ReadInt(const char* key, int defaultValue) const {
  char fallback[zorvane::kDecimalSize];
  zorvane::FormatDecimal(defaultValue, 0, fallback);
  char value[kValueSize];
  ReadString(key, value, fallback, sizeof value);
  return zorvane::ParseInt(value);
}

bool ProfileSection::WriteString(const char* key, const char* text) const {
  if (!Usable()) return false;
  // A read-only file is the user's word that it must not change; Windows
  // refuses to open it for writing, Wine does so only for some users.
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    return false;
  }
  Bytes raw;
  {
    // Opened for writing as well: a read-only file, or one that another
    // program holds open without letting others write, is refused here.
    File file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Opened()) {
      if (!ReadAll(file, raw)) return false;
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND || !raw.Allocate(0)) {
      return false;
    }
  }
  // A file in UTF-8 or UTF-16 stays so; one holding characters that code
  // page 932 lacks is not rewritten, as they would be lost.
  Bytes old;
  Encoding encoding;
  bool whole = false;
  if (!Decode(raw, old, encoding, whole) || !whole) return false;
  Bytes edited;
  if (!edited.Allocate(zorvane::IniEditRoom(old.Size(), section, key, text))) return false;
  const std::size_t size =
      zorvane::SetIniValue(old.Data(), old.Size(), section, key, text, edited.Data(), edited.Size());
  Bytes stored;
  if (!Encode(edited.Data(), size, encoding, stored)) return false;

  // The new text goes to a file of the same folder and the same length of
  // name first ("Zorvane.in~"), then takes the settings file's place.
  wchar_t temporary[zorvane::kPathSize];
  std::wmemcpy(temporary, path, zorvane::kPathSize);
  wchar_t& last = temporary[std::wcslen(temporary) - 1];
  last = last == L'~' ? L'_' : L'~';
  return ReplaceWhole(path, temporary, stored.Data(), stored.Size(), attributes);
}

bool ProfileSection::WriteInt(const char* key, int value) const {
  char text[zorvane::kDecimalSize];
  zorvane::FormatDecimal(value, 0, text);
  return WriteString(key, text);
}
