#include "settings/profile_section.h"

#include <cstring>

#include "core/decimal.h"

namespace {

// Room the profile reader is given: 255 bytes and the NUL.
constexpr DWORD kValueSize = 256;

bool CopyName(char (&to)[zorvane::kPathSize], const char* from) {
  const std::size_t n = std::strlen(from);
  if (n >= sizeof to) return false;
  std::memcpy(to, from, n + 1);
  return true;
}

}  // namespace

const zorvane::CharWidths& SystemCharWidths() {
  static const zorvane::CharWidths widths = [] {
    if (GetACP() == CP_UTF8) return zorvane::CharWidths::Utf8();
    // A failed query leaves no ranges: one byte per character.
    CPINFO info{};
    GetCPInfo(CP_ACP, &info);
    return zorvane::CharWidths::FromLeadByteRanges(info.LeadByte, MAX_LEADBYTES);
  }();
  return widths;
}

ProfileSection::ProfileSection() : directory{}, path{}, fileName{}, section{} {}

void ProfileSection::Bind(const char* newFile, const char* newSection, HINSTANCE module) {
  char modulePath[zorvane::kPathSize] = {};
  // A result equal to the buffer size means the path was cut: refuse rather
  // than look for the file in a directory that is not the executable's.
  const DWORD n = GetModuleFileNameA(module, modulePath, sizeof modulePath);
  const bool haveDirectory =
      n > 0 && n < sizeof modulePath && zorvane::DirectoryOf(modulePath, directory, SystemCharWidths());
  if (!haveDirectory) directory[0] = '\0';

  if (newFile != nullptr) {
    path[0] = '\0';
    if (CopyName(fileName, newFile) && haveDirectory) {
      zorvane::JoinPath(directory, fileName, path);
    } else {
      fileName[0] = '\0';
    }
  }
  if (newSection != nullptr && !CopyName(section, newSection)) section[0] = '\0';
}

void ProfileSection::ReadString(const char* key, char* destination, const char* defaultText,
                                std::size_t size) const {
  if (size == 0) return;
  char value[kValueSize] = {};
  if (Usable()) {
    GetPrivateProfileStringA(section, key, defaultText, value, kValueSize, path);
  } else {
    const std::size_t n = zorvane::PrefixLength(defaultText, kValueSize - 1, SystemCharWidths());
    std::memcpy(value, defaultText, n);
    value[n] = '\0';
  }
  const std::size_t n = zorvane::PrefixLength(value, size - 1, SystemCharWidths());
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

void ProfileSection::WriteString(const char* key, const char* text) const {
  if (!Usable()) return;
  WritePrivateProfileStringA(section, key, text, path);
}

void ProfileSection::WriteInt(const char* key, int value) const {
  char text[zorvane::kDecimalSize];
  zorvane::FormatDecimal(value, 0, text);
  WriteString(key, text);
}
