// Borrowed captions: what the clock writes into other windows' captions in
// title mode and gives back exactly, with busy, hung and refusing programs.

#include "view_test_support.h"

using namespace view_testing;

namespace {

class BorrowedCaptionsTest : public ClockViewTest {};

TEST_F(BorrowedCaptionsTest, TitleModeBorrowsTheAnchorsCaptionAndGivesItBack) {
  WriteIni("[Clock]\r\nTitleIN=1\r\n");
  Open();
  EXPECT_FALSE(IsWindowVisible(clock)) << "title mode hides the clock window";
  anchorA = MakeAnchor("Window A", 100, 100, 300, 200);
  anchorB = MakeAnchor("Window B", 500, 100, 300, 200);

  MakeForeground(anchorA);
  Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorA));
  EXPECT_FALSE(IsWindowVisible(clock));

  MakeForeground(anchorB);
  Tick();
  EXPECT_EQ("Window A", Caption(anchorA)) << "A gets its caption back on a switch";
  EXPECT_EQ(view->DisplayText(), Caption(anchorB));

  // B minimised: its caption comes back as at a switch, and nothing is
  // written until an application window is in front again.
  ShowWindow(anchorB, SW_MINIMIZE);
  Tick();
  EXPECT_EQ("Window B", Caption(anchorB));
  EXPECT_EQ("Window A", Caption(anchorA));
  ShowWindow(anchorB, SW_RESTORE);
  MakeForeground(anchorB);
  Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorB));

  // B's application retitles its window while the clock writes into it
  // (a browser goes to another page): that newer title is what comes back.
  SetWindowTextA(anchorB, "Window B, page 2");
  Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorB));
  MakeForeground(anchorA);
  Tick();
  EXPECT_EQ("Window B, page 2", Caption(anchorB));
  MakeForeground(anchorB);
  Tick();

  // Switching title mode off gives the caption back at once.
  WriteIni("[Clock]\r\nTitleIN=0\r\n");
  view->LoadTitleMode();
  EXPECT_EQ("Window B, page 2", Caption(anchorB));
  EXPECT_TRUE(IsWindowVisible(clock));

  WriteIni("[Clock]\r\nTitleIN=1\r\n");
  view->LoadTitleMode();
  Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorB));
  delete view;  // destruction gives the caption back too
  view = nullptr;
  EXPECT_EQ("Window B, page 2", Caption(anchorB));
}

// Browsers, editors and chat programs show titles with characters that the
// system's code page may lack, and page titles of any length: each comes
// back exactly. The clock's own Japanese reaches the caption as the
// characters it stands for. A caption the clock could not read whole is
// never written over.
TEST_F(BorrowedCaptionsTest, EveryTitleComesBackExactlyWhateverItsCharactersAndLength) {
  WriteIni("[Clock]\r\nTitleIN=1\r\nTimeFormat=!#W #A\r\n");
  Open();
  anchorB = MakeAnchor("Window B", 500, 100, 300, 200);
  std::wstring longTitle;
  for (int i = 0; longTitle.size() < 3000; ++i) longTitle += L"\u30DA\u30FC\u30B8" + std::to_wstring(i) + L" \U0001F4D6 ";
  const std::wstring titles[] = {
      L"Caf\u00E9 \u2615 \u4E2D\u6587 r\u00E9sum\u00E9 \u2713 \U0001F600",
      L"plain-b \u65E5\u672C\u8A9E \uD55C\uAD6D\uC5B4",
      longTitle,
  };
  for (const std::wstring& title : titles) {
    SCOPED_TRACE(title.size());
    HWND a = MakeWideAnchor(title);
    MakeForeground(a);
    Tick();
    const std::wstring shown = WideCaption(a);
    ASSERT_EQ(4u, shown.size());
    EXPECT_NE(std::wstring::npos, std::wstring(L"\u65E5\u6708\u706B\u6C34\u6728\u91D1\u571F").find(shown[0]))
        << "the weekday";
    EXPECT_TRUE(shown.substr(1) == L" \u5348\u524D" || shown.substr(1) == L" \u5348\u5F8C") << "午前 or 午後";
    MakeForeground(anchorB);
    Tick();
    EXPECT_TRUE(title == WideCaption(a)) << "came back with " << WideCaption(a).size() << " characters";
    DestroyWindow(a);
  }

  HWND cut = MakeWideAnchor(L"a title longer than it says");
  understated = cut;
  MakeForeground(cut);
  Tick();
  Tick();
  EXPECT_TRUE(L"a title longer than it says" == WideCaption(cut));
  understated = nullptr;
  DestroyWindow(cut);
}

// Under the user interface privilege isolation, the window of an elevated
// program (Task Manager for an administrator) answers the clock's reads but
// refuses its WM_SETTEXT with "access denied". Such a window is not
// borrowed: the clock shows its own window, docked to it, and nothing is
// owed. Wine has no integrity levels, so the refusal is injected.
HWND refusingWindow = nullptr;

int blockingSends = 0;  // SMTO_BLOCK: an anchor sending to the clock meanwhile would wait out the timeout

LRESULT WINAPI SendRefusingWrites(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT flags, UINT timeout, PDWORD_PTR result) {
  if (flags & SMTO_BLOCK) ++blockingSends;
  if (w == refusingWindow && m == WM_SETTEXT) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  return SendMessageTimeoutW(w, m, wp, lp, flags, timeout, result);
}

// The real system's answers, but for the send to other programs' windows.
struct InjectedSend {
  explicit InjectedSend(decltype(system_answers::Answers::send) send) { answers.send = send; }
  system_answers::Answers answers = system_answers::Real();
  system_answers::Override use{answers};
};

TEST_F(BorrowedCaptionsTest, AWindowThatRefusesTheCaptionGetsTheClockWindowInstead) {
  InjectedSend injected(SendRefusingWrites);
  WriteIni("[Clock]\r\nTitleIN=1\r\n");
  Open();
  anchorA = MakeAnchor("elevated program", 300, 250, 500, 300);
  anchorB = MakeAnchor("Window B", 500, 100, 300, 200);
  refusingWindow = anchorA;
  for (int round = 0; round < 2; ++round) {
    MakeForeground(anchorA);
    Tick();
    Tick();
    EXPECT_EQ("elevated program", Caption(anchorA));
    EXPECT_TRUE(IsWindowVisible(clock)) << "the time must show somewhere";
    EXPECT_FALSE(view->KeepsHidden()) << "the clock window would refuse to be shown";
    RECT a{};
    GetWindowRect(anchorA, &a);
    EXPECT_EQ(a.left, ClockRect().left);
    EXPECT_EQ(a.top, ClockRect().bottom) << "docked above the anchor";

    MakeForeground(anchorB);
    Tick();
    EXPECT_EQ(view->DisplayText(), Caption(anchorB));
    EXPECT_FALSE(IsWindowVisible(clock));
    EXPECT_TRUE(view->KeepsHidden());
    EXPECT_EQ("elevated program", Caption(anchorA));
  }
  delete view;
  view = nullptr;
  EXPECT_EQ("Window B", Caption(anchorB));
  refusingWindow = nullptr;
  EXPECT_EQ(blockingSends, 0);
}

// However many windows still owe their caption because they did not answer
// the give-back, each gets it back once it answers again: none is dropped
// to make room. The windows' silence is injected, so that a dozen of them
// cost no waiting.
std::set<HWND> silentWindows;

LRESULT WINAPI SendUnlessSilent(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT flags, UINT timeout, PDWORD_PTR result) {
  if (silentWindows.count(w) != 0) {
    SetLastError(ERROR_TIMEOUT);
    return 0;
  }
  return SendMessageTimeoutW(w, m, wp, lp, flags, timeout, result);
}

TEST_F(BorrowedCaptionsTest, EveryPendingGiveBackIsKeptUntilItsWindowAnswers) {
  InjectedSend injected(SendUnlessSilent);
  std::vector<HWND> windows;
  {
    BorrowedCaptions captions;
    const text::WideText clockText = text::FromOwn("12:00:00");
    for (int i = 0; i < 12; ++i) {
      windows.push_back(MakeWideAnchor(L"application " + std::to_wstring(i) + L" \U0001F600"));
      captions.Show(windows.back(), clockText);
      EXPECT_TRUE(L"12:00:00" == WideCaption(windows.back()));
      silentWindows.insert(windows.back());
    }
    captions.GiveBack();
    EXPECT_EQ(12u, captions.Pending());
    captions.RetryPending();
    EXPECT_EQ(12u, captions.Pending());
    silentWindows.clear();
    captions.RetryPending();
    EXPECT_EQ(0u, captions.Pending());
  }
  for (size_t i = 0; i < windows.size(); ++i) {
    EXPECT_TRUE(L"application " + std::to_wstring(i) + L" \U0001F600" == WideCaption(windows[i])) << i;
    DestroyWindow(windows[i]);
  }
}

// A program that does not answer (busy loading a file) must neither stop
// the clock nor lose its caption, in either mode: a tick waits a bounded
// time, a caption that could not be read is never written over, and a
// give-back that could not be delivered is delivered once the program
// answers again, at a later tick or at exit.
TEST_F(BorrowedCaptionsTest, AHungAnchorNeitherStopsTheClockNorLosesItsCaption) {
  const auto boundedTick = [this] {
    const auto start = std::chrono::steady_clock::now();
    Tick();
    return std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1500);
  };

  for (const char* mode : {"[Clock]\r\nTitleIN=0\r\n", "[Clock]\r\nTitleIN=1\r\n"}) {
    SCOPED_TRACE(mode);
    const bool titleMode = mode[sizeof "[Clock]\r\nTitleIN=" - 1] == '1';
    WriteIni(mode);
    Open();
    anchorB = MakeAnchor("next", 500, 100, 300, 200);

    // Hung when first seen: its caption cannot be read, so it is not written.
    {
      BusyApplication busy("busy application");
      MakeForeground(busy.Window());
      busy.Hang();
      EXPECT_TRUE(boundedTick()) << "a tick must not wait on a hung window";
      EXPECT_TRUE(boundedTick());
      EXPECT_EQ("busy application", Shown(busy.Window()));
      busy.Wake();
      Tick();  // answers again: read, then written in title mode
      EXPECT_EQ(titleMode ? view->DisplayText() : "busy application", Shown(busy.Window()));
      MakeForeground(anchorB);
      Tick();
      EXPECT_EQ("busy application", Shown(busy.Window()));
    }

    // Answers, but too slowly to hand out its caption: never written over,
    // though a write would be answered.
    {
      BusyApplication busy("slow to answer");
      slowReader = busy.Window();
      MakeForeground(busy.Window());
      EXPECT_TRUE(boundedTick());
      EXPECT_TRUE(boundedTick());
      EXPECT_EQ("slow to answer", Shown(busy.Window()));
      slowReader = nullptr;
      MakeForeground(anchorB);
      Tick();
      EXPECT_EQ("slow to answer", Shown(busy.Window()));
    }

    // Hung after the clock wrote into it: the give-back at the switch times
    // out, and arrives at a later tick once the program answers.
    {
      BusyApplication busy("loading a file");
      MakeForeground(busy.Window());
      Tick();
      busy.Hang();
      MakeForeground(anchorB);
      EXPECT_TRUE(boundedTick());
      EXPECT_EQ(titleMode ? view->DisplayText() : "loading a file", Shown(busy.Window()));
      busy.Wake();
      Tick();
      EXPECT_EQ("loading a file", Shown(busy.Window()));
    }

    // Still hung when the clock ends: the exit waits a little for it.
    {
      BusyApplication busy("saving a file");
      MakeForeground(busy.Window());
      Tick();
      busy.Hang(600);  // wakes by itself while the exit waits
      MakeForeground(anchorB);
      EXPECT_TRUE(boundedTick());
      const auto start = std::chrono::steady_clock::now();
      delete view;
      view = nullptr;
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
      EXPECT_EQ("saving a file", Shown(busy.Window()));
      EXPECT_EQ("next", Caption(anchorB));
    }
    TearDown();
  }
}

}  // namespace
