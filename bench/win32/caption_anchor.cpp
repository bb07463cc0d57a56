// The application window of the clock benchmark: an ordinary captioned
// window for the clock to dock to, that keeps a record of every caption
// written into it. Each record holds the precise time of arrival, so the
// benchmark can count writes per change of text and measure how late the
// displayed second arrives.
//
// Usage: caption_anchor.exe. At exit the records go to standard output, one
// line each: the UTC time in seconds since 1970, the local time of day in
// seconds (both to 100 ns), then the text.

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Posted by clock_ctl: come to the front as a click on the window would.
// Activation works only on the window's own thread.
constexpr UINT kActivate = WM_APP + 1;

struct CaptionWrite {
  ULONGLONG utc;    // 100 ns units since 1601
  ULONGLONG local;  // the same instant in local time
  char text[1024];  // as long as the clock's own text buffer
};

// Kept in memory and written once at the end, so that the measured
// process does no file I/O while it is measured.
std::vector<CaptionWrite> writes;

ULONGLONG Ticks(const FILETIME& t) {
  return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

void Record(const char* text) {
  CaptionWrite w{};
  FILETIME utc, local;
  GetSystemTimePreciseAsFileTime(&utc);
  FileTimeToLocalFileTime(&utc, &local);
  w.utc = Ticks(utc);
  w.local = Ticks(local);
  if (text != nullptr) {
    std::strncpy(w.text, text, sizeof w.text - 1);
    // A line per record: line breaks in a caption would split it.
    for (char& c : w.text) if (c == '\n' || c == '\r') c = ' ';
  }
  writes.push_back(w);
}

void Activate(HWND window) {
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetActiveWindow(window);
  SetFocus(window);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
      Record(reinterpret_cast<const char*>(lParam));
      return DefWindowProcA(window, message, wParam, lParam);
    case kActivate: Activate(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int main() {
  writes.reserve(4096);

  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "ZorvaneBenchAnchor";
  if (!RegisterClassA(&wc)) return 1;

  // Away from the screen's edges, so that the clock docks above it.
  HWND window = CreateWindowExA(0, wc.lpszClassName, "Bench anchor", WS_OVERLAPPEDWINDOW, 300, 200,
                                600, 400, nullptr, nullptr, wc.hInstance, nullptr);
  if (window == nullptr) return 1;
  Activate(window);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }

  _setmode(_fileno(stdout), _O_BINARY);  // lines end in "\n" alone, for awk
  constexpr ULONGLONG kSecond = 10000000;                   // in 100 ns units
  constexpr ULONGLONG kDay = 86400 * kSecond;
  constexpr ULONGLONG kFrom1601To1970 = 11644473600 * kSecond;
  for (const CaptionWrite& w : writes) {
    const ULONGLONG unix = w.utc - kFrom1601To1970;
    const ULONGLONG ofDay = w.local % kDay;
    std::printf("%llu.%07llu %llu.%07llu %s\n", unix / kSecond, unix % kSecond, ofDay / kSecond,
                ofDay % kSecond, w.text);
  }
  std::fflush(stdout);
  return 0;
}
