#include "settings/zone_dialog.h"

#include <cwchar>

#include "res/resource.h"

ZoneDialog::ZoneDialog() : listed(nullptr), count(0), chosen{} {}

ZoneDialog::~ZoneDialog() {
  if (listed != nullptr) HeapFree(GetProcessHeap(), 0, listed);
}

INT_PTR ZoneDialog::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    default:
      return 0;
  }
}

void ZoneDialog::OnInitDialog() {
  chosen[0] = L'\0';
  // From the process heap: the runtime's operator new would bring its
  // exception machinery into the program.
  if (listed == nullptr) {
    listed = static_cast<system_zones::ListedZone*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(system_zones::ListedZone) * kMaxZones));
  }
  count = 0;
  HKEY zones = nullptr;
  if (listed != nullptr &&
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, system_zones::kZonesKey, 0, KEY_READ, &zones) == ERROR_SUCCESS) {
    count = system_zones::List(zones, listed, kMaxZones);
    RegCloseKey(zones);
  }
  // The system's texts go to the list as they are, in UTF-16.
  HWND list = GetDlgItem(window, IDC_ZONE_LIST);
  DYNAMIC_TIME_ZONE_INFORMATION current{};
  const bool haveCurrent = GetDynamicTimeZoneInformation(&current) != TIME_ZONE_ID_INVALID;
  int selected = 0;
  for (int i = 0; i < count; ++i) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(listed[i].display));
    // The list opens on the zone the system is in.
    if (haveCurrent && CompareStringOrdinal(listed[i].id, -1, current.TimeZoneKeyName, -1, TRUE) == CSTR_EQUAL) {
      selected = i;
    }
  }
  if (count > 0) SendMessageW(list, LB_SETCURSEL, selected, 0);
}

void ZoneDialog::OnCommand(int id, int notification) {
  switch (id) {
    case IDC_ZONE_LIST:
      if (notification == LBN_DBLCLK) Choose();
      break;
    case IDOK:
      Choose();
      break;
    case IDCANCEL:
      End(IDCANCEL);
      break;
    default:
      break;
  }
}

void ZoneDialog::Choose() {
  const LRESULT index = SendToItem(IDC_ZONE_LIST, LB_GETCURSEL, 0, 0);
  if (index < 0 || index >= count) {
    End(IDCANCEL);  // nothing chosen, nothing to insert
    return;
  }
  std::wcscpy(chosen, listed[index].id);
  End(IDOK);
}

void InsertZone(HWND combo, const wchar_t* zoneId) {
  wchar_t token[80];
  // An ID is at most 63 characters (ListedZone::id), so the token fits.
  wsprintfW(token, L"#{%s}", zoneId);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(combo, &info) || info.hwndItem == nullptr) return;
  // The edit field keeps its selection while the focus is elsewhere; the
  // replacement can be undone like typing.
  SendMessageW(info.hwndItem, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(token));
}
