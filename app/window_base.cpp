#include "app/window_base.h"

#include <cstring>

#include "app/text_convert.h"

WindowBase::WindowBase()
    : instance(nullptr),
      window(nullptr),
      owner(nullptr),
      rectangle{},
      acceleratorTable(nullptr),
      guard(nullptr),
      classBrush(nullptr),
      title{},
      className{} {}

WindowBase::~WindowBase() { Reset(); }

void WindowBase::Reset() {
  // The guard mutex is deliberately not closed: it marks the running copy
  // until the process ends.
  guard = nullptr;
  if (classBrush != nullptr) {
    DeleteObject(classBrush);
    classBrush = nullptr;
  }
  instance = nullptr;
  window = nullptr;
  owner = nullptr;
  acceleratorTable = nullptr;
  rectangle = RECT{};
  std::memset(title, 0, sizeof title);
  std::memset(className, 0, sizeof className);
}

LRESULT WindowBase::SendToWindow(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(window, message, wParam, lParam);
}

LRESULT WindowBase::SendToItem(int controlId, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageA(window, controlId, message, wParam, lParam);
}

const RECT& WindowBase::GetRect() {
  GetWindowRect(window, &rectangle);
  return rectangle;
}

void WindowBase::PlaceOnDesktop(int x, int y, UINT flags) {
  RECT desktop{};
  GetWindowRect(GetDesktopWindow(), &desktop);
  const RECT& r = GetRect();
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  const int desktopWidth = desktop.right - desktop.left;
  const int desktopHeight = desktop.bottom - desktop.top;
  // Applied in this order, so for x 0x08 beats 0x04 beats 0x01, and for y
  // 0x20 beats 0x10 beats 0x02.
  if (flags & 0x01) x = desktopWidth / 2 - width / 2;
  if (flags & 0x02) y = desktopHeight / 2 - height / 2;
  if (flags & 0x04) x = 0;
  if (flags & 0x08) x = desktop.right - width;
  if (flags & 0x10) y = 0;
  if (flags & 0x20) y = desktop.bottom - height;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int WindowBase::ShowMessage(const char* text, const char* caption, int kind, UINT style,
                            HWND boxOwner) {
  switch (static_cast<unsigned char>(kind & 0xFF)) {
    case '!': style |= MB_ICONEXCLAMATION; break;
    case '?': style |= MB_ICONQUESTION; break;
    case 'S': case 's': case 'X': case 'x': style |= MB_ICONHAND; break;
    case 'i': style |= MB_ICONASTERISK; break;
    default: break;
  }
  if (boxOwner == nullptr) boxOwner = window;
  // The clock's own text, shown the same under any system code page.
  const text::WideText wideText = text::FromOwn(text);
  const text::WideText wideCaption = text::FromOwn(caption);
  return MessageBoxW(boxOwner, wideText.Get(), wideCaption.Get(), style);
}
