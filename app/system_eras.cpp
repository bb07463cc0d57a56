#include "app/system_eras.h"

#include "app/handles.h"
#include "app/text_convert.h"

namespace system_eras {
namespace {

// Where Windows 7 and later keep the Japanese eras.
constexpr const wchar_t* kErasKey = L"SYSTEM\\CurrentControlSet\\Control\\Nls\\Calendars\\Japanese\\Eras";

}  // namespace

void AddFromKey(HKEY key, zorvane::EraList& list) {
  // Era values are short ("1989 01 08" = "平成_平_Heisei_H"); longer ones
  // cannot hold a name the list has room for and are skipped.
  for (DWORD index = 0;; ++index) {
    wchar_t name[32];
    DWORD nameLength = sizeof name / sizeof name[0];
    wchar_t data[128];
    DWORD dataBytes = sizeof data - sizeof data[0];  // room for a NUL of our own
    DWORD type = 0;
    const LONG result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataBytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) {
      // A value too long for the buffers still moves the enumeration on.
      if (result == ERROR_MORE_DATA || result == ERROR_SUCCESS) continue;
      break;
    }
    // Registry strings need not end in a NUL.
    data[dataBytes / sizeof data[0]] = L'\0';
    char name932[32];
    char data932[256];
    // No best fit: an era name must not change its letters silently.
    if (text::ToOwn(name, name932, sizeof name932) != text::ToOwnResult::Ok ||
        text::ToOwn(data, data932, sizeof data932) != text::ToOwnResult::Ok) {
      continue;
    }
    zorvane::AddSystemEra(list, name932, data932);
  }
}

zorvane::EraList Load() {
  zorvane::EraList list = zorvane::BuiltInEras();
  handles::RegistryKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kErasKey, 0, KEY_QUERY_VALUE, key.Receive()) == ERROR_SUCCESS) {
    AddFromKey(key.Get(), list);
  }
  return list;
}

}  // namespace system_eras
