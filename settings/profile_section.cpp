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

// The name a replacement keeps the old file under until the new one is in
// place ("Zorvane.in$").
void BackupOf(const wchar_t* path, wchar_t (&out)[zorvane::kPathSize]) { Sibling(path, L'$', L'%', out); }

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

ProfileSection::ProfileSection()
    : path{}, section{}, sectionRefused(false), encoding(text::FileEncoding::Own), found(Found::NoFile) {}

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
  if (newSection != nullptr) {
    sectionRefused = !CopyName(section, newSection);
    if (sectionRefused) section[0] = '\0';
  }
}

void ProfileSection::ReadFile() {
  content.Allocate(0);
  encoding = text::FileEncoding::Own;
  found = Found::Unwritable;
  if (path[0] == L'\0') return;
  if (ReadWhole(path) != ERROR_FILE_NOT_FOUND) return;
  found = Found::NoFile;
  // A save whose replacement set the old file aside and could not put it
  // back left the user's settings under the backup name: they go back
  // before anything takes the defaults for them.
  wchar_t backup[zorvane::kPathSize];
  BackupOf(path, backup);
  if (GetFileAttributesW(backup) == INVALID_FILE_ATTRIBUTES) return;
  if (system_answers::Current().moveFile(backup, path, MOVEFILE_WRITE_THROUGH)) {
    if (ReadWhole(path) == ERROR_FILE_NOT_FOUND) found = Found::NoFile;
    return;
  }
  // Not now: the text is read from where it lies, and no save may write a
  // first file over it.
  ReadWhole(backup);
  found = Found::Unwritable;
}

DWORD ProfileSection::ReadWhole(const wchar_t* from) {
  content.Allocate(0);
  encoding = text::FileEncoding::Own;
  found = Found::Unwritable;
  // Another program may hold the file open for writing: reading still goes
  // on. One that lets no one read it for a moment (a virus scanner) is
  // waited for, as a save waits.
  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD error = 0;
  for (const ULONGLONG start = GetTickCount64();; Sleep(kRetryMs)) {
    handle = CreateFileW(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    error = GetLastError();
    if (handle != INVALID_HANDLE_VALUE || (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) ||
        GetTickCount64() - start >= kPatienceMs) {
      break;
    }
  }
  File file(handle);
  if (!file.Opened()) return error;
  text::Bytes raw;
  bool whole = false;
  if (!ReadAll(file, raw) || !text::FileToOwn(raw.Data(), raw.Size(), content, encoding, whole)) {
    content.Allocate(0);
    return 0;
  }
  // A file holding characters that code page 932 lacks is read but never
  // rewritten, as they would be lost.
  found = whole ? Found::Read : Found::Unwritable;
  return 0;
}

void ProfileSection::ReadString(const char* key, char* destination, const char* defaultText,
                                std::size_t size) const {
  if (size == 0) return;
  // At most 255 bytes come back, and no character is split.
  char kept[zorvane::kValueRoom];
  zorvane::IniValue value{};
  if (Usable() && zorvane::ReadIniValue(content.Data(), content.Size(), section, key, value)) {
    std::memcpy(kept, content.Data() + value.begin, value.length);
    kept[value.length] = '\0';
  } else {
    const std::size_t n = zorvane::PrefixLength(defaultText, zorvane::kMaxValueBytes, zorvane::CodePage932());
    std::memcpy(kept, defaultText, n);
    kept[n] = '\0';
  }
  const std::size_t fits = zorvane::PrefixLength(kept, size - 1, zorvane::CodePage932());
  std::memcpy(destination, kept, fits);
  destination[fits] = '\0';
}

int ProfileSection::ReadInt(const char* key, int defaultValue) const {
  zorvane::IniValue found{};
  if (!Usable() || !zorvane::ReadIniValue(content.Data(), content.Size(), section, key, found)) return defaultValue;
  char value[zorvane::kValueRoom];
  std::memcpy(value, content.Data() + found.begin, found.length);
  value[found.length] = '\0';
  return zorvane::ParseInt(value);
}

zorvane::Settings ProfileSection::Values() const { return zorvane::ReadSettings(content.Data(), content.Size()); }

bool ProfileSection::WriteString(const char* key, const char* text) { return Usable() && Write(section, key, text); }

bool ProfileSection::WriteInt(const char* key, int value) {
  char text[zorvane::kDecimalSize];
  zorvane::FormatDecimal(value, 0, text);
  return WriteString(key, text);
}

bool ProfileSection::WriteKeys(const zorvane::Settings& value, zorvane::Writer writer, const char* leftOut) {
  if (path[0] == L'\0') return false;
  std::size_t count = 0;
  const zorvane::SettingKey* keys = zorvane::SettingKeys(count);
  for (std::size_t i = 0; i < count; ++i) {
    const zorvane::SettingKey& key = keys[i];
    if (key.writer != writer || (leftOut != nullptr && std::strcmp(leftOut, key.name) == 0)) continue;
    char number[zorvane::kDecimalSize];
    if (key.room == 0) zorvane::FormatDecimal(zorvane::NumberOf(value, key), 0, number);
    if (!Write(key.section, key.name, key.room == 0 ? number : zorvane::TextOf(value, key))) return false;
  }
  return true;
}

bool ProfileSection::Write(const char* sectionName, const char* key, const char* text) {
  text::Bytes edited;
  if (!edited.Allocate(zorvane::IniEditRoom(content.Size(), sectionName, key, text))) return false;
  const std::size_t size =
      zorvane::SetIniValue(content.Data(), content.Size(), sectionName, key, text, edited.Data(), edited.Size());
  text::Bytes result;
  if (!result.Allocate(size)) return false;
  if (size > 0) std::memcpy(result.Data(), edited.Data(), size);
  content = static_cast<text::Bytes&&>(result);
  return true;
}

bool ProfileSection::Save() {
  // The whole file is saved, whichever section is bound; a refused name
  // means the caller's writes went nowhere.
  if (path[0] == L'\0' || sectionRefused || found == Found::Unwritable) return false;
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
  BackupOf(path, backup);
  // The new file has the old one's hidden and system marks from the start,
  // also where the replacement does not carry them over (Wine).
  const DWORD kept = attributes == INVALID_FILE_ATTRIBUTES
                         ? 0
                         : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  if (!WriteNew(temporary, stored.Data(), stored.Size(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL)) return false;
  const bool replace = found == Found::Read;
  // ReplaceFileW with a backup name leaves both files under their names on
  // every failure but one: after ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 the old
  // file lies at the backup name. It goes back before anything else, tried
  // again like the replacement for as long as that is.
  bool setAside = false;
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    if (setAside) setAside = !system_answers::Current().moveFile(backup, path, MOVEFILE_WRITE_THROUGH);
    const DWORD error = setAside ? ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 : PlaceOnce(replace, temporary, backup);
    if (error == 0) break;
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) setAside = true;
    if (GetTickCount64() - start >= kPatienceMs || (!setAside && !Transient(error))) {
      // One last try to put the old text back; where even that fails, the
      // next Bind puts it back.
      if (setAside) system_answers::Current().moveFile(backup, path, MOVEFILE_WRITE_THROUGH);
      DeleteFileW(temporary);
      return false;
    }
    Sleep(kRetryMs);
  }
  // The old text, kept aside by the replacement until the new one was in
  // place, is no longer needed; one held for a moment is waited for.
  if (replace) {
    for (const ULONGLONG begin = GetTickCount64();
         !DeleteFileW(backup) && GetLastError() != ERROR_FILE_NOT_FOUND && GetTickCount64() - begin < kPatienceMs;) {
      Sleep(kRetryMs);
    }
  }
  found = Found::Read;
  return true;
}

DWORD ProfileSection::PlaceOnce(bool replace, const wchar_t* temporary, const wchar_t* backup) const {
  if (!replace) {
    // A first file; one that appeared since it was found missing is not
    // overwritten.
    return system_answers::Current().moveFile(temporary, path, MOVEFILE_WRITE_THROUGH) ? 0 : GetLastError();
  }
  // ReplaceFileW keeps the replaced file's security, attributes and streams.
  if (system_answers::Current().replaceFile(path, temporary, backup, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) return 0;
  return GetLastError();
}
