#include "settings/profile_section.h"

#include <cstring>
#include <cwchar>

#include "app/system_answers.h"
#include "core/decimal.h"
#include "core/ini_text.h"
#include "core/settings_value.h"

namespace {

// A settings file is a few hundred bytes. A larger one than this is not one
// the program made: it reads as absent and is never rewritten.
constexpr DWORD kMaxFileSize = 1 << 20;

bool CopyName(char (&to)[zorvane::kPathSize], const char* from) {
  const std::size_t n = std::strlen(from);
  if (n >= sizeof to) return false;
  std::memcpy(to, from, n + 1);
  return true;
}

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
bool ReadAll(const File& file, text::Bytes& content) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxFileSize) return false;
  const DWORD wanted = static_cast<DWORD>(size.QuadPart);
  if (!content.Allocate(wanted)) return false;
  DWORD got = 0;
  return wanted == 0 || (::ReadFile(file.Get(), content.Data(), wanted, &got, nullptr) && got == wanted);
}

// The file's path with its last character changed: a file of the same
// folder and the same length of name ("Zorvane.in~").
void Sibling(const wchar_t* path, wchar_t mark, wchar_t other, wchar_t (&out)[zorvane::kPathSize]) {
  std::wmemcpy(out, path, zorvane::kPathSize);
  wchar_t& last = out[std::wcslen(out) - 1];
  last = last == mark ? other : mark;
}

// Writes `size` bytes to a new file at `path`; on failure nothing stays.
bool WriteNew(const wchar_t* path, const char* bytes, std::size_t size, DWORD attributes) {
  File file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
  if (!file.Opened()) return false;
  DWORD written = 0;
  bool whole = WriteFile(file.Get(), bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
  whole = whole && FlushFileBuffers(file.Get());
  whole = file.Close() && whole;
  if (!whole) DeleteFileW(path);
  return whole;
}

// Errors of a file that another program (a virus scanner, the search
// indexer, a sync client) holds for a moment: the save is tried again.
bool Transient(DWORD error) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
      return true;
    default:
      return false;
  }
}

}  // namespace

ProfileSection::ProfileSection() : path{}, section{}, encoding(text::FileEncoding::Own), found(Found::NoFile) {}

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
    const bool named = separator != nullptr && newFile[0] != '\0' && std::strlen(newFile) < zorvane::kPathSize &&
                       text::FromOwn(newFile, wideName, zorvane::kPathSize);
    const std::size_t dirLength = std::wcslen(directory);
    const std::size_t length = std::wcslen(wideName) + 1;
    // "<directory>\<name>" and its NUL, never cut: a cut path names another file.
    if (named && dirLength > 0 && dirLength + 1 + length <= zorvane::kPathSize) {
      std::wmemcpy(path, directory, dirLength);
      path[dirLength] = L'\\';
      std::wmemcpy(path + dirLength + 1, wideName, length);
    }
    ReadFile();
  }
  if (newSection != nullptr && !CopyName(section, newSection)) section[0] = '\0';
}

void ProfileSection::ReadFile() {
  content.Allocate(0);
  encoding = text::FileEncoding::Own;
  found = Found::Unwritable;
  if (path[0] == L'\0') return;
  // Another program may hold the file open for writing: reading still goes
  // on. One that lets no one read it for a moment (a virus scanner) is
  // waited for, as a save waits.
  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD error = 0;
  for (const ULONGLONG start = GetTickCount64();; Sleep(kRetryMs)) {
    handle = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    error = GetLastError();
    if (handle != INVALID_HANDLE_VALUE || (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) ||
        GetTickCount64() - start >= kPatienceMs) {
      break;
    }
  }
  File file(handle);
  if (!file.Opened()) {
    if (error == ERROR_FILE_NOT_FOUND) found = Found::NoFile;
    return;
  }
  text::Bytes raw;
  bool whole = false;
  if (!ReadAll(file, raw) || !text::FileToOwn(raw.Data(), raw.Size(), content, encoding, whole)) {
    content.Allocate(0);
    return;
  }
  // A file holding characters that code page 932 lacks is read but never
  // rewritten, as they would be lost.
  found = whole ? Found::Read : Found::Unwritable;
}

void ProfileSection::ReadString(const char* key, char* destination, const char* defaultText,
                                std::size_t size) const {
  if (size == 0) return;
  const char* text = defaultText;
  std::size_t length = std::strlen(defaultText);
  zorvane::IniValue value{};
  if (Usable() && content.Size() > 0 && zorvane::FindIniValue(content.Data(), content.Size(), section, key, value)) {
    text = content.Data() + value.begin;
    length = value.length;
    // A NUL byte in a damaged file ends the value.
    if (const void* nul = std::memchr(text, '\0', length)) length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
  }
  // At most 255 bytes come back, and no character is split.
  char kept[zorvane::kValueRoom];
  const std::size_t n = length < sizeof kept - 1 ? length : sizeof kept - 1;
  std::memcpy(kept, text, n);
  kept[n] = '\0';
  const std::size_t fits = zorvane::PrefixLength(kept, size - 1, zorvane::CodePage932());
  std::memcpy(destination, kept, fits);
  destination[fits] = '\0';
}

int ProfileSection::ReadInt(const char* key, int defaultValue) const {
  char fallback[zorvane::kDecimalSize];
  zorvane::FormatDecimal(defaultValue, 0, fallback);
  char value[zorvane::kValueRoom];
  ReadString(key, value, fallback, sizeof value);
  return zorvane::ParseInt(value);
}

bool ProfileSection::WriteString(const char* key, const char* text) {
  if (!Usable()) return false;
  text::Bytes edited;
  if (!edited.Allocate(zorvane::IniEditRoom(content.Size(), section, key, text))) return false;
  const std::size_t size =
      zorvane::SetIniValue(content.Data(), content.Size(), section, key, text, edited.Data(), edited.Size());
  text::Bytes result;
  if (!result.Allocate(size)) return false;
  if (size > 0) std::memcpy(result.Data(), edited.Data(), size);
  content = static_cast<text::Bytes&&>(result);
  return true;
}

bool ProfileSection::WriteInt(const char* key, int value) {
  char text[zorvane::kDecimalSize];
  zorvane::FormatDecimal(value, 0, text);
  return WriteString(key, text);
}

bool ProfileSection::Save() {
  if (!Usable() || found == Found::Unwritable) return false;
  // A read-only file is the user's word that it must not change; Windows
  // refuses to replace it, Wine does so only for some users.
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    return false;
  }
  text::Bytes stored;
  if (!text::OwnToFile(content.Data(), content.Size(), encoding, stored)) return false;

  // The new text goes to a file beside the settings file first, then takes
  // its place in one step; a failure at any point leaves the file as it was
  // and removes what was written.
  wchar_t temporary[zorvane::kPathSize];
  wchar_t backup[zorvane::kPathSize];
  Sibling(path, L'~', L'_', temporary);
  Sibling(path, L'$', L'%', backup);
  // The new file has the old one's hidden and system marks from the start,
  // also where the replacement does not carry them over (Wine).
  const DWORD kept = attributes == INVALID_FILE_ATTRIBUTES
                         ? 0
                         : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  if (!WriteNew(temporary, stored.Data(), stored.Size(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL)) return false;
  const bool replace = found == Found::Read;
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    const DWORD error = PlaceOnce(replace, temporary, backup);
    if (error == 0) break;
    if (!Transient(error) || GetTickCount64() - start >= kPatienceMs) {
      DeleteFileW(temporary);
      return false;
    }
    Sleep(kRetryMs);
  }
  // The old text, kept aside by the replacement until the new one was in
  // place, is no longer needed.
  if (replace) DeleteFileW(backup);
  found = Found::Read;
  return true;
}

DWORD ProfileSection::PlaceOnce(bool replace, const wchar_t* temporary, const wchar_t* backup) const {
  if (!replace) {
    // A first file; one that appeared since it was found missing is not
    // overwritten.
    return system_answers::Current().moveFile(temporary, path, MOVEFILE_WRITE_THROUGH) ? 0 : GetLastError();
  }
  // ReplaceFileW keeps the replaced file's security, attributes and
  // streams. With a backup name every failure leaves both files under
  // their names, except this one error, after which the old file lies at
  // the backup name: it goes back before anything else.
  if (system_answers::Current().replaceFile(path, temporary, backup, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) return 0;
  const DWORD error = GetLastError();
  if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 && !MoveFileExW(backup, path, MOVEFILE_WRITE_THROUGH)) {
    return ERROR_CANNOT_MAKE;  // the old text stays at the backup name: not tried again
  }
  return error;
}
