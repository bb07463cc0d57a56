#pragma once
// Owners for the system handles the program holds besides drawing objects
// (those are in app/gdi.h): registry keys, icons, menus, power-setting
// notifications and kernel objects. Each is move-only, so a handle has
// exactly one owner and is closed exactly once; Reset closes the old handle
// before it takes the new one. Handles the program only borrows (another
// program's windows, shared icons) stay plain.

#include <windows.h>

#include <utility>

namespace handles {

// Owns a `Handle`, closed by calling `Close` with it; null is "none".
template <typename Handle, typename Close>
class Owner {
 public:
  Owner() = default;
  explicit Owner(Handle h) : handle(h) {}
  ~Owner() { Reset(); }

  Owner(Owner&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle, nullptr));
    return *this;
  }
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;

  // Closes the held handle first, then takes `h` (which may be null).
  void Reset(Handle h = nullptr) {
    if (handle != nullptr) Close()(handle);
    handle = h;
  }

  // For the out parameter of a call that opens a handle: what was held is
  // closed first, and the new handle lands in this owner.
  Handle* Receive() {
    Reset();
    return &handle;
  }

  // Gives the handle up without closing it.
  Handle Release() { return std::exchange(handle, nullptr); }

  Handle Get() const { return handle; }
  explicit operator bool() const { return handle != nullptr; }

 private:
  Handle handle = nullptr;
};

namespace close {
struct RegistryKey {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
struct Icon {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct Menu {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct PowerNotification {
  void operator()(HPOWERNOTIFY notification) const { UnregisterPowerSettingNotification(notification); }
};
struct KernelObject {
  void operator()(HANDLE object) const { CloseHandle(object); }
};
}  // namespace close

// A key opened with RegOpenKeyEx or RegCreateKeyEx.
using RegistryKey = Owner<HKEY, close::RegistryKey>;
// An icon loaded without LR_SHARED or made by the program.
using Icon = Owner<HICON, close::Icon>;
// A menu loaded with LoadMenu or made with CreateMenu, and no window's menu.
using Menu = Owner<HMENU, close::Menu>;
// A registration made with RegisterPowerSettingNotification.
using PowerNotification = Owner<HPOWERNOTIFY, close::PowerNotification>;
// A mutex, event, process or other object closed with CloseHandle (a null
// handle when none; not for CreateFile's INVALID_HANDLE_VALUE).
using KernelObject = Owner<HANDLE, close::KernelObject>;

}  // namespace handles
