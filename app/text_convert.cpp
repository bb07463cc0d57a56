#include "app/text_convert.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

namespace text {

WideText::~WideText() { std::free(data); }

WideText::WideText(WideText&& other) noexcept
    : data(std::exchange(other.data, nullptr)),
      length(std::exchange(other.length, 0)),
      capacity(std::exchange(other.capacity, 0)) {}

WideText& WideText::operator=(WideText&& other) noexcept {
  if (this != &other) {
    std::free(data);
    data = std::exchange(other.data, nullptr);
    length = std::exchange(other.length, 0);
    capacity = std::exchange(other.capacity, 0);
  }
  return *this;
}

wchar_t* WideText::Reserve(int count) {
  if (count < 0) return nullptr;
  if (count > capacity || data == nullptr) {
    void* grown = std::realloc(data, (static_cast<std::size_t>(count) + 1) * sizeof(wchar_t));
    if (grown == nullptr) return nullptr;
    data = static_cast<wchar_t*>(grown);
    capacity = count;
    data[length] = L'\0';
  }
  return data;
}

void WideText::SetLength(int count) {
  if (data == nullptr) return;
  length = count < 0 ? 0 : (count > capacity ? capacity : count);
  data[length] = L'\0';
}

void WideText::Abandon() {
  data = nullptr;
  length = 0;
  capacity = 0;
}

bool WideText::Assign(const wchar_t* text, int count) {
  if (text == data && data != nullptr) return true;
  wchar_t* room = Reserve(count);
  if (room == nullptr) {
    SetLength(0);
    return false;
  }
  if (count > 0) std::memcpy(room, text, static_cast<std::size_t>(count) * sizeof(wchar_t));
  SetLength(count);
  return true;
}

bool WideText::Equals(const wchar_t* text, int count) const {
  return count == length && (count == 0 || std::wmemcmp(Get(), text, static_cast<std::size_t>(count)) == 0);
}

bool FromOwn(const char* own, WideText& out) {
  const int bytes = static_cast<int>(std::strlen(own));
  // At most one character per byte.
  wchar_t* room = out.Reserve(bytes);
  if (room == nullptr) return false;
  out.SetLength(bytes == 0 ? 0 : MultiByteToWideChar(kOwnCodePage, 0, own, bytes, room, bytes));
  return true;
}

WideText FromOwn(const char* own) {
  WideText wide;
  FromOwn(own, wide);
  return wide;
}

bool FromOwn(const char* own, wchar_t* out, int size) {
  if (size <= 0) return false;
  out[0] = L'\0';
  const int n = MultiByteToWideChar(kOwnCodePage, 0, own, -1, out, size);
  if (n > 0) return true;
  out[0] = L'\0';
  return false;
}

ToOwnResult ToOwn(const wchar_t* wide, char* out, std::size_t size) {
  if (size == 0) return ToOwnResult::TooLong;
  out[0] = '\0';
  // Without WC_NO_BEST_FIT_CHARS the system would write "e" for "é"; the
  // flag that reports the default character catches every other loss.
  BOOL lost = FALSE;
  const int needed = WideCharToMultiByte(kOwnCodePage, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lost);
  if (needed <= 0 || lost) return ToOwnResult::NotInCodePage;
  if (static_cast<std::size_t>(needed) > size) return ToOwnResult::TooLong;
  WideCharToMultiByte(kOwnCodePage, WC_NO_BEST_FIT_CHARS, wide, -1, out, needed, nullptr, nullptr);
  return ToOwnResult::Ok;
}

}  // namespace text
