// Acts on the running clock and on the benchmark's windows from outside,
// as a user would, so that scripts can end the clock through its own exit
// command (its tray icon and any borrowed caption are then given back)
// rather than kill it.
//
// Usage:
//   clock_ctl exit          post the clock's exit command to its window and
//                           wait for the clock to end; prints its exit code
//   clock_ctl close CLASS   the same with WM_CLOSE, for the top-level window
//                           of CLASS
//   clock_ctl front CLASS   bring that window to the front and check that it
//                           stays there; prints where it and the clock are
//   clock_ctl follow CLASS N
//                           move that window N times, each at another point
//                           of the clock's half second, and time how long
//                           the clock takes to stand docked above it again
//                           (its bottom on the window's top, its left on
//                           its left), polling every millisecond; prints
//                           the median, 95th percentile and most, in ms
//   clock_ctl drag CLASS S  move that window by a pixel every 16 ms, to and
//                           fro, for S seconds, as a user's drag does
// Each command waits (bounded) for the window to exist. Exit code 0 on
// success; 1 when the window is not found, its program does not end within
// 10 s, or it does not stay in front; 2 on bad usage.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "res/resource.h"

namespace {

constexpr const char* kClockClass = "Zorvane02";
constexpr UINT kActivate = WM_APP + 1;  // understood by caption_anchor
constexpr DWORD kFindTimeoutMs = 10000;
constexpr DWORD kEndTimeoutMs = 10000;

// Polls `check` every 50 ms until it holds or `timeoutMs` has passed.
template <class Check>
bool Eventually(Check check, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (check()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
}

// Fails as soon as `check` does not hold within `ms`.
template <class Check>
bool Throughout(Check check, DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    if (!check()) return false;
    Sleep(50);
  }
  return check();
}

// The top-level window of `cls`, hidden ones included; waits for it while
// its program is still starting.
HWND Find(const char* cls) {
  HWND found = nullptr;
  Eventually([&] { return (found = FindWindowA(cls, nullptr)) != nullptr; }, kFindTimeoutMs);
  if (found == nullptr) std::fprintf(stderr, "clock_ctl: no window of class %s\n", cls);
  return found;
}

void PrintRect(const char* what, HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  std::printf(" %s%s (%ld,%ld)-(%ld,%ld)", what, IsWindowVisible(window) ? "" : " (hidden)", r.left,
              r.top, r.right, r.bottom);
}

// Posts `message` to the window of `cls` and waits for its program, called
// `name` in what is printed, to end: a script then knows that it has really
// gone, and how.
int PostAndWait(const char* cls, const char* name, UINT message, WPARAM wParam) {
  HWND window = Find(cls);
  if (window == nullptr) return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr || !PostMessageA(window, message, wParam, 0)) {
    std::fprintf(stderr, "clock_ctl: cannot reach the window of class %s\n", cls);
    if (process != nullptr) CloseHandle(process);
    return 1;
  }
  DWORD code = 0;
  const bool ended = WaitForSingleObject(process, kEndTimeoutMs) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(process, &code);
  CloseHandle(process);
  if (!ended) {
    std::printf("%s did not end within %lu ms\n", name, kEndTimeoutMs);
    return 1;
  }
  std::printf("%s ended with exit code %ld\n", name, static_cast<long>(code));
  return 0;
}

// The clock takes the foreground once as it starts; that may land after a
// first activation of the window, so it is activated again until it has
// stayed in front for a second.
int Front(const char* cls) {
  HWND window = Find(cls);
  if (window == nullptr) return 1;
  const auto inFront = [window] { return GetForegroundWindow() == window; };
  bool ok = false;
  for (int attempt = 0; attempt < 5 && !ok; ++attempt) {
    PostMessageA(window, kActivate, 0, 0);
    ok = Eventually(inFront, 2000) && Throughout(inFront, 1000);
  }
  std::printf("%s", ok ? "in front:" : "NOT in front:");
  PrintRect(cls, window);
  if (HWND clock = FindWindowA(kClockClass, nullptr)) PrintRect("clock", clock);
  std::printf("\n");
  return ok ? 0 : 1;
}

double NowMs() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void MoveTo(HWND window, int x, int y) {
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Follow(const char* cls, int count) {
  HWND window = Find(cls);
  HWND clock = Find(kClockClass);
  if (window == nullptr || clock == nullptr || count < 1) return 1;
  RECT start{};
  GetWindowRect(window, &start);
  // Each place differs from the one before.
  constexpr int kOffsets[][2] = {{40, 0}, {40, 30}, {0, 30}, {0, 0}};
  std::vector<double> times;
  for (int i = 0; i < count; ++i) {
    Sleep(static_cast<DWORD>(50 + (i * 173) % 450));
    const int x = start.left + kOffsets[i % 4][0], y = start.top + kOffsets[i % 4][1];
    const double begin = NowMs();
    MoveTo(window, x, y);
    double took = 2000;
    for (;;) {
      RECT r{};
      GetWindowRect(clock, &r);
      const double now = NowMs() - begin;
      if (r.left == x && r.bottom == y) {
        took = now;
        break;
      }
      if (now >= 2000) break;
      Sleep(1);
    }
    times.push_back(took);
  }
  MoveTo(window, start.left, start.top);
  std::sort(times.begin(), times.end());
  const auto rank = [&](double p) {
    size_t r = static_cast<size_t>(p * static_cast<double>(times.size()) + 0.999999);
    return times[std::min(times.size(), std::max<size_t>(r, 1)) - 1];
  };
  std::printf("follow: %d moves, median %.1f ms, p95 %.1f ms, most %.1f ms\n", count, rank(0.5), rank(0.95),
              times.back());
  return 0;
}

int Drag(const char* cls, int seconds) {
  HWND window = Find(cls);
  if (window == nullptr || seconds < 1) return 1;
  RECT start{};
  GetWindowRect(window, &start);
  const double end = NowMs() + 1000.0 * seconds;
  int moves = 0, offset = 0, step = 1;
  while (NowMs() < end) {
    offset += step;
    if (offset == 100 || offset == 0) step = -step;
    MoveTo(window, start.left + offset, start.top + offset / 4);
    ++moves;
    Sleep(16);
  }
  MoveTo(window, start.left, start.top);
  std::printf("drag: %d moves in %d s\n", moves, seconds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "exit") == 0) {
    return PostAndWait(kClockClass, "Zorvane", WM_COMMAND, IDM_EXIT);
  }
  if (argc == 3 && std::strcmp(argv[1], "close") == 0) return PostAndWait(argv[2], argv[2], WM_CLOSE, 0);
  if (argc == 3 && std::strcmp(argv[1], "front") == 0) return Front(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "follow") == 0) return Follow(argv[2], std::atoi(argv[3]));
  if (argc == 4 && std::strcmp(argv[1], "drag") == 0) return Drag(argv[2], std::atoi(argv[3]));
  std::fprintf(stderr, "usage: clock_ctl exit | close CLASS | front CLASS | follow CLASS N | drag CLASS S\n");
  return 2;
}
