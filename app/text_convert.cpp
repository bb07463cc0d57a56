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

Bytes::~Bytes() { std::free(data); }

Bytes::Bytes(Bytes&& other) noexcept
    : data(std::exchange(other.data, nullptr)), size(std::exchange(other.size, 0)) {}

Bytes& Bytes::operator=(Bytes&& other) noexcept {
  if (this != &other) {
    std::free(data);
    data = std::exchange(other.data, nullptr);
    size = std::exchange(other.size, 0);
  }
  return *this;
}

bool Bytes::Allocate(std::size_t count) {
  std::free(data);
  data = static_cast<char*>(std::malloc(count > 0 ? count : 1));
  size = data != nullptr ? count : 0;
  return data != nullptr;
}

namespace {

const char kUtf8Mark[] = "\xEF\xBB\xBF";
const char kUtf16Mark[] = "\xFF\xFE";

}  // namespace

bool FileToOwn(const char* bytes, std::size_t size, Bytes& own, FileEncoding& encoding, bool& whole) {
  whole = true;
  encoding = FileEncoding::Own;
  if (size >= 3 && std::memcmp(bytes, kUtf8Mark, 3) == 0) encoding = FileEncoding::Utf8;
  if (size >= 2 && std::memcmp(bytes, kUtf16Mark, 2) == 0) encoding = FileEncoding::Utf16;
  if (encoding == FileEncoding::Own) {
    if (!own.Allocate(size)) return false;
    if (size > 0) std::memcpy(own.Data(), bytes, size);
    return true;
  }
  // In UTF-16 first (at most one unit per byte of UTF-8), then in 932.
  WideText wide;
  int units = 0;
  if (encoding == FileEncoding::Utf8) {
    const int n = static_cast<int>(size - 3);
    wchar_t* room = wide.Reserve(n);
    if (room == nullptr) return false;
    units = n > 0 ? MultiByteToWideChar(CP_UTF8, 0, bytes + 3, n, room, n) : 0;
    if (n > 0 && units == 0) return false;
  } else {
    units = static_cast<int>((size - 2) / 2);
    wchar_t* room = wide.Reserve(units);
    if (room == nullptr) return false;
    if (units > 0) std::memcpy(room, bytes + 2, static_cast<std::size_t>(units) * sizeof(wchar_t));
  }
  wide.SetLength(units);
  BOOL lost = FALSE;
  const int n = units > 0 ? WideCharToMultiByte(kOwnCodePage, WC_NO_BEST_FIT_CHARS, wide.Get(), units, nullptr, 0,
                                                nullptr, &lost)
                          : 0;
  if (!own.Allocate(static_cast<std::size_t>(n))) return false;
  if (n > 0 && WideCharToMultiByte(kOwnCodePage, WC_NO_BEST_FIT_CHARS, wide.Get(), units, own.Data(), n, nullptr,
                                   &lost) != n) {
    return false;
  }
  whole = lost == FALSE;
  return true;
}

bool OwnToFile(const char* own, std::size_t size, FileEncoding encoding, Bytes& bytes) {
  if (encoding == FileEncoding::Own) {
    if (!bytes.Allocate(size)) return false;
    if (size > 0) std::memcpy(bytes.Data(), own, size);
    return true;
  }
  const int n = static_cast<int>(size);
  WideText wide;
  wchar_t* units = wide.Reserve(n);
  if (units == nullptr) return false;
  const int count = n > 0 ? MultiByteToWideChar(kOwnCodePage, 0, own, n, units, n) : 0;
  if (n > 0 && count == 0) return false;
  const std::size_t wideBytes = static_cast<std::size_t>(count) * sizeof(wchar_t);
  if (encoding == FileEncoding::Utf16) {
    if (!bytes.Allocate(2 + wideBytes)) return false;
    std::memcpy(bytes.Data(), kUtf16Mark, 2);
    if (count > 0) std::memcpy(bytes.Data() + 2, units, wideBytes);
    return true;
  }
  const int length = count > 0 ? WideCharToMultiByte(CP_UTF8, 0, units, count, nullptr, 0, nullptr, nullptr) : 0;
  if (!bytes.Allocate(3 + static_cast<std::size_t>(length))) return false;
  std::memcpy(bytes.Data(), kUtf8Mark, 3);
  return length == 0 ||
         WideCharToMultiByte(CP_UTF8, 0, units, count, bytes.Data() + 3, length, nullptr, nullptr) == length;
}

}  // namespace text
