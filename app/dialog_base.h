#pragma once
// Dialog objects: a dialog is bound to its object at WM_INITDIALOG through
// the window's user-data slot, and unbound again by End.

#include "app/window_base.h"

class DialogBase : public WindowBase {
 public:
  DialogBase();
  ~DialogBase() override;

  // Runs the dialog of `templateId`: modeless when bit 0 of `flags` is set
  // (returns the dialog window), otherwise modal (returns the result given
  // to End, or -1 when the dialog could not be created). -1 at once when the
  // object already has a window. `data` reaches WM_INITDIALOG as LPARAM.
  INT_PTR Show(UINT flags, HINSTANCE instance, HWND owner, WORD templateId, void* data);

  // Unbinds the object and ends the dialog with `result`; the object can be
  // shown again afterwards.
  void End(INT_PTR result);

  // Default: ends the dialog on the standard button ids (IDOK .. IDCONTINUE,
  // except IDCLOSE and IDHELP). Always returns 0.
  virtual INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  // Control messages, each answered by the control. Texts are the clock's
  // own (code page 932) and reach the controls in UTF-16.
  LRESULT AddComboString(int id, const char* text);
  void SetItemText(int id, const char* text);
  // The control's text as the clock's own, into `out` of `size` bytes, cut
  // to whole characters. False, with a message box over the dialog naming
  // `what`, when it holds a character that code page 932 lacks: such text
  // is never stored with "?" in its place.
  bool GetItemText(int id, char* out, int size, const wchar_t* what);
  // Tells the user that `what` holds a character the settings file cannot
  // keep (code page 932 lacks it).
  void RefuseText(const wchar_t* what);
  LRESULT SetComboSelection(int id, int index);
  LRESULT GetComboSelection(int id);
  LRESULT SetListSelection(int id, int index);
  LRESULT GetListSelection(int id);
  LRESULT FindListString(int id, int startIndex, const char* text);
  LRESULT SetSpinRange(int id, int low, int high);

 protected:
  int modal;
};
