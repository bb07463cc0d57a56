#include "app/dialog_base.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "app/text_convert.h"
#include "core/profile_values.h"

namespace {

// What Show hands the dialog manager; lives only during the Show call.
struct StartRecord {
  DialogBase* object;
  void* data;
};

DialogBase* BoundObject(HWND dialog) {
  return reinterpret_cast<DialogBase*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

}  // namespace

DialogBase::DialogBase() : modal(0) {}

DialogBase::~DialogBase() = default;

INT_PTR DialogBase::Show(UINT flags, HINSTANCE dialogInstance, HWND dialogOwner, WORD templateId,
                         void* data) {
  if (window != nullptr) return -1;
  instance = dialogInstance;
  owner = dialogOwner;
  StartRecord record{this, data};
  const LPARAM param = reinterpret_cast<LPARAM>(&record);
  if (flags & 1) {
    modal = 0;
    window = CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, DialogProc, param);
    return reinterpret_cast<INT_PTR>(window);
  }
  modal = 1;
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, DialogProc, param);
}

void DialogBase::End(INT_PTR result) {
  HWND dialog = window;
  // From here on the dialog's last messages reach no object.
  SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
  if (modal == 1) {
    EndDialog(dialog, result);
  } else {
    DestroyWindow(dialog);
  }
  Reset();
}

INT_PTR DialogBase::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND) {
    switch (LOWORD(wParam)) {
      case IDOK: case IDCANCEL: case IDABORT: case IDRETRY: case IDIGNORE:
      case IDYES: case IDNO: case IDTRYAGAIN: case IDCONTINUE:
        End(LOWORD(wParam));
        break;
      default:  // IDCLOSE and IDHELP leave the dialog open
        break;
    }
  }
  return 0;
}

INT_PTR CALLBACK DialogBase::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (DialogBase* object = BoundObject(dialog)) {
    return object->HandleMessage(dialog, message, wParam, lParam);
  }
  if (message == WM_INITDIALOG) {
    const auto* record = reinterpret_cast<const StartRecord*>(lParam);
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record->object));
    record->object->window = dialog;
    return record->object->HandleMessage(dialog, message, wParam,
                                         reinterpret_cast<LPARAM>(record->data));
  }
  return 0;
}

LRESULT DialogBase::AddComboString(int id, const char* text) {
  const text::WideText wide = text::FromOwn(text);
  return SendDlgItemMessageW(window, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.Get()));
}

void DialogBase::SetItemText(int id, const char* text) {
  const text::WideText wide = text::FromOwn(text);
  SetDlgItemTextW(window, id, wide.Get());
}

bool DialogBase::GetItemText(int id, char* out, int size, const wchar_t* what) {
  out[0] = '\0';
  // Twice the room in bytes: no character of code page 932 takes more
  // than two, so only a character the code page lacks can fail here.
  text::WideText wide;
  wchar_t* room = wide.Reserve(size);
  auto* own = static_cast<char*>(std::malloc(static_cast<std::size_t>(size) * 2 + 1));
  bool ok = room != nullptr && own != nullptr;
  if (ok) {
    wide.SetLength(GetDlgItemTextW(window, id, room, size));
    ok = text::ToOwn(wide.Get(), own, static_cast<std::size_t>(size) * 2 + 1) == text::ToOwnResult::Ok;
    if (ok) {
      const std::size_t n = zorvane::PrefixLength(own, static_cast<std::size_t>(size) - 1, zorvane::CodePage932());
      std::memcpy(out, own, n);
      out[n] = '\0';
    } else {
      RefuseText(what);
    }
  }
  std::free(own);
  return ok;
}

void DialogBase::RefuseText(const wchar_t* what) {
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  wchar_t message[512];
  wsprintfW(message, L"%sに、設定ファイルに保存できない文字が含まれています。"
                     L"その文字を除いてから、もう一度 OK を押してください。", what);
  MessageBoxW(window, message, caption, MB_OK | MB_ICONEXCLAMATION);
}

LRESULT DialogBase::SetComboSelection(int id, int index) {
  return SendToItem(id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

LRESULT DialogBase::GetComboSelection(int id) { return SendToItem(id, CB_GETCURSEL, 0, 0); }

LRESULT DialogBase::SetListSelection(int id, int index) {
  return SendToItem(id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

LRESULT DialogBase::GetListSelection(int id) { return SendToItem(id, LB_GETCURSEL, 0, 0); }

LRESULT DialogBase::FindListString(int id, int startIndex, const char* text) {
  const text::WideText wide = text::FromOwn(text);
  return SendDlgItemMessageW(window, id, LB_FINDSTRING, static_cast<WPARAM>(startIndex),
                             reinterpret_cast<LPARAM>(wide.Get()));
}

LRESULT DialogBase::SetSpinRange(int id, int low, int high) {
  // The 32-bit range message carries the two limits separately.
  return SendToItem(id, UDM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}
