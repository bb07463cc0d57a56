// The clock's picture: its font at the display's scale, its default
// drawing objects, a redrawn picture, high contrast and settings that turn
// drawing objects off.

#include "view_test_support.h"

using namespace view_testing;

namespace {

class ClockPictureTest : public ClockViewTest {};

// The stored sizes are pixels at 100 %: the font is made at the window's
// DPI (21 pixels for 14 at 150 %), made again when the window moves to a
// monitor of another scale, and the old font is deleted exactly once.
TEST_F(ClockPictureTest, TheFontFollowsTheDisplayScale) {
  Open();
  const UINT dpi = view->Dpi();
  LOGFONTA lf{};
  ASSERT_NE(nullptr, view->Font());
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(MulDiv(14, static_cast<int>(dpi), 96), lf.lfHeight) << "at " << dpi << " DPI";
  if (dpi == 144) {
    EXPECT_EQ(21, lf.lfHeight);
  }
  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  const LONG height = view->GetTextRect()->bottom;

  const int live = gdi::LiveObjects();
  view->ChangeDpi(dpi * 2);
  EXPECT_EQ(live, gdi::LiveObjects()) << "the old font is deleted";
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(MulDiv(14, static_cast<int>(dpi) * 2, 96), lf.lfHeight);
  Tick();
  EXPECT_GE(view->GetTextRect()->bottom, height * 2 - 2) << "measured again in the new font";
  // Placed from the new text, framed for the new DPI (the window itself
  // stays at the system's DPI in this test).
  RECT outer = *view->GetTextRect();
  dpi::AdjustWindowRect(outer, window_style::Style(), window_style::kExStyle, dpi * 2);
  const RECT r = ClockRect();
  EXPECT_EQ(outer.bottom - outer.top, r.bottom - r.top);
  EXPECT_EQ(outer.right - outer.left, r.right - r.left);
}

TEST_F(ClockPictureTest, DefaultsAreWhiteOnBlackInTheDefaultFace) {
  Open();
  EXPECT_EQ(RGB(255, 255, 255), view->TextColor());
  EXPECT_EQ(RGB(0, 0, 0), view->BackColor());
  ASSERT_NE(nullptr, view->Brush());
  ASSERT_NE(nullptr, view->Font());
  LOGFONTA lf{};
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(dpi::Scale(14, view->Dpi()), lf.lfHeight);  // 14 at 100 %
  EXPECT_EQ(400, lf.lfWeight);
  EXPECT_EQ(SHIFTJIS_CHARSET, lf.lfCharSet);
  EXPECT_STREQ("ＭＳ Ｐゴシック", lf.lfFaceName);
  // The face is proportional: a font asked for with a fixed pitch may be
  // drawn in another face by Windows' font mapper.
  EXPECT_EQ(DEFAULT_PITCH, lf.lfPitchAndFamily & 3);

  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  // The clock's font gives the face that the name alone gives (Wine draws
  // its replacement, IPAPGothic, under the name).
  wchar_t drawn[LF_FACESIZE] = {}, named[LF_FACESIZE] = {};
  {
    LOGFONTW byName{};
    std::wcscpy(byName.lfFaceName, L"ＭＳ Ｐゴシック");
    gdi::Font font(CreateFontIndirectW(&byName));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.Get());
    GetTextFaceW(dc, LF_FACESIZE, named);
    SelectObject(dc, view->Font());
    GetTextFaceW(dc, LF_FACESIZE, drawn);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  EXPECT_STREQ(named, drawn) << "the face drawn is not the face named";
  // Default format: "yyyy/mm/dd(Www) hh:mm:ss".
  EXPECT_EQ(24u, std::strlen(view->DisplayText())) << view->DisplayText();

  // The picture: black background, some white text.
  const RECT* text = view->GetTextRect();
  int white = 0, black = 0;
  for (int y = 0; y < text->bottom; ++y)
    for (int x = 0; x < text->right; ++x) {
      const COLORREF c = GetPixel(view->PictureDC(), x, y);
      white += c == RGB(255, 255, 255);
      black += c == RGB(0, 0, 0);
    }
  EXPECT_GT(white, 0);
  EXPECT_GT(black, white);
}

// What one picture holds, pixel by pixel.
std::vector<COLORREF> PictureOf(const ClockView& v) {
  std::vector<COLORREF> pixels;
  const RECT* r = v.GetTextRect();
  for (int y = 0; y < r->bottom; ++y)
    for (int x = 0; x < r->right; ++x) pixels.push_back(GetPixel(v.PictureDC(), x, y));
  return pixels;
}

// The picture is drawn again into the same bitmap while its size stays the
// same; without a background brush nothing of the earlier text may show.
TEST_F(ClockPictureTest, ARedrawnPictureLooksLikeANewOne) {
  for (const char* brush : {"[Brush]\r\nColor=4294967295\r\n", "[Brush]\r\nColor=255\r\n"}) {
    SCOPED_TRACE(brush);
    WriteIni(std::string(brush) + "[Clock]\r\nTimeFormat=!2222\r\n");
    Open();
    Tick();
    const std::vector<COLORREF> fresh = PictureOf(*view);
    TearDown();

    WriteIni(std::string(brush) + "[Clock]\r\nTimeFormat=!1111\r\n");
    Open();
    Tick();
    WriteIni(std::string(brush) + "[Clock]\r\nTimeFormat=!2222\r\n");
    view->LoadFormat();
    Tick();
    EXPECT_TRUE(fresh == PictureOf(*view)) << "the earlier text shows through";
    TearDown();
  }
}

// High contrast draws in the system's colours; the stored pair comes back after (the switch is injected).
TEST_F(ClockPictureTest, HighContrastDrawsInTheSystemsColours) {
  WriteIni("[Clock]\r\nText=255\r\n[Brush]\r\nColor=65280\r\n");
  static bool contrast;
  system_answers::Answers answers = system_answers::Real();
  answers.highContrast = [] { return contrast; };
  system_answers::Override use{answers};
  Open();
  for (bool on : {true, false, true}) {
    contrast = on;
    view->DisplayChanged();  // as WM_SETTINGCHANGE with SPI_SETHIGHCONTRAST
    Tick();
    const std::vector<COLORREF> p = PictureOf(*view);
    const auto text = std::count(p.begin(), p.end(), on ? GetSysColor(COLOR_WINDOWTEXT) : RGB(255, 0, 0));
    EXPECT_GT(std::count(p.begin(), p.end(), on ? GetSysColor(COLOR_WINDOW) : RGB(0, 255, 0)), text) << on;
    EXPECT_GT(text, 0) << on;
  }
}

TEST_F(ClockPictureTest, SettingsThatTurnDrawingObjectsOff) {
  WriteIni(
      "[Brush]\r\nColor=4294967295\r\n"
      "[Font]\r\nHeighr=0\r\nItalic=1\r\n");
  Open();
  EXPECT_EQ(nullptr, view->Brush()) << "-1 means no background brush";
  EXPECT_EQ(static_cast<COLORREF>(-1), view->BackColor());
  EXPECT_EQ(nullptr, view->Font()) << "height 0 means the context's own font";

  WriteIni(
      "[Font]\r\nHeighr=-20\r\nItalic=256\r\nULine=257\r\n"
      "Name=ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴ\r\n");
  view->LoadFont();
  LOGFONTA lf{};
  ASSERT_NE(nullptr, view->Font());
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(MulDiv(-20, static_cast<int>(view->Dpi()), 96), lf.lfHeight);
  EXPECT_EQ(0, lf.lfItalic) << "only the low byte counts";
  EXPECT_EQ(1, lf.lfUnderline);
  // Cut to 31 bytes at a character boundary: 15 two-byte characters.
  EXPECT_EQ(30u, std::strlen(lf.lfFaceName));

  // A face for vertical writing, stored by hand, still loads.
  WriteIni("[Font]\r\nName=@ＭＳ Ｐゴシック\r\n");
  view->LoadFont();
  LOGFONTW wide{};
  GetObjectW(view->Font(), sizeof wide, &wide);
  EXPECT_STREQ(L"@ＭＳ Ｐゴシック", wide.lfFaceName);

  // Sizes beyond the bound (a damaged file; the first of several Heighr
  // lines counts) are unreadable and take the defaults, 14 and 0.
  WriteIni("[Font]\r\nHeighr=65536\r\nHeighr=20\r\nWidth=-100000\r\n");
  view->LoadFont();
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(MulDiv(14, static_cast<int>(view->Dpi()), 96), lf.lfHeight);
  EXPECT_EQ(0, lf.lfWidth);
}

}  // namespace
