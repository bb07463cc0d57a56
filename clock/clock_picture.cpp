#include "clock/clock_picture.h"

#include <algorithm>
#include <cstring>

#include "app/dpi.h"
#include "core/profile_values.h"

namespace {

// No screen shows more of the clock than this; a longer text (the longest
// format in the largest font is some 300,000 pixels wide) is cut here, or
// one drawing of it would take the better part of a second.
constexpr LONG kMaxPictureSize = 16384;

}  // namespace

ClockPicture::ClockPicture()
    : textColor(static_cast<COLORREF>(zorvane::DefaultSettings().clock.text)),
      backColor(0),
      pictureOriginal(nullptr),
      textRect{},
      drawnText{},
      stale(true),
      highContrast(false),
      drawings(0) {}

ClockPicture::~ClockPicture() { Reset(); }

void ClockPicture::Reset() {
  picture.Reset();  // gives up the bitmap, which can then be deleted
  pictureOriginal = nullptr;
  bitmap.Reset();
  brush.Reset();
  font.Reset();
  textRect = RECT{};
  drawnText[0] = '\0';
  stale = true;
}

void ClockPicture::LoadFont(const zorvane::FontKeys& stored, UINT dpi) {
  stale = true;
  font.Reset();
  const zorvane::FontKeys& defaults = zorvane::DefaultSettings().font;
  // A size beyond the bound counts as unreadable and takes the default.
  const int height = zorvane::FontSizeOr(stored.height, defaults.height);
  if (height == 0) return;  // draw in the device context's own font

  // The stored sizes are pixels at 100 %; the font is made for the scale
  // of the monitor the clock is on.
  LOGFONTW lf{};
  lf.lfHeight = dpi::Scale(height, dpi);
  lf.lfWidth = dpi::Scale(zorvane::FontSizeOr(stored.width, defaults.width), dpi);
  lf.lfEscapement = 0;
  lf.lfOrientation = 4;
  lf.lfWeight = stored.weight;
  // Only the low byte of each flag reaches the font, so 256 is "off".
  lf.lfItalic = static_cast<BYTE>(stored.italic);
  lf.lfUnderline = static_cast<BYTE>(stored.uLine);
  lf.lfStrikeOut = static_cast<BYTE>(stored.mLine);
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  // No pitch asked for: Windows' font mapper weighs a pitch mismatch above
  // a name mismatch, and would draw some fixed-pitch face in place of the
  // proportional one named (the default face is one).
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  // The name is the clock's own text: cut as code page 932, and given to
  // the system in UTF-16, so the face is found under any code page.
  char face[zorvane::kFaceSize];
  zorvane::CutFaceName(stored.name, face, zorvane::CodePage932());
  text::FromOwn(face, lf.lfFaceName, LF_FACESIZE);
  font.Reset(CreateFontIndirectW(&lf));
}

void ClockPicture::LoadBrush(int color) {
  brush.Reset();
  backColor = static_cast<COLORREF>(color);
  if (backColor != static_cast<COLORREF>(-1)) brush.Reset(CreateSolidBrush(backColor));
  stale = true;
}

void ClockPicture::LoadTextColor(int color) {
  textColor = static_cast<COLORREF>(color);
  stale = true;
}

void ClockPicture::SetHighContrast(bool on) {
  highContrast = on;
  stale = true;
}

bool ClockPicture::NeedsDrawing(const char* text) const {
  // The text changes once a second at most, and ticks come twice a second.
  return stale || !bitmap || std::strcmp(text, drawnText) != 0;
}

void ClockPicture::Draw(HWND window, const char* text) {
  text::FromOwn(text, wideText);
  gdi::WindowDC windowDC(window);
  if (!picture) picture.Reset(windowDC.Get());
  gdi::Selection fontSelection(picture.Get(), font.Get());
  DrawClockText(picture.Get(), windowDC.Get());
  const std::size_t n = std::min(std::strlen(text), sizeof drawnText - 1);
  std::memcpy(drawnText, text, n);
  drawnText[n] = '\0';
}

void ClockPicture::DrawClockText(HDC memoryDC, HDC windowDC) {
  textRect = RECT{};
  DrawTextW(memoryDC, wideText.Get(), wideText.Length(), &textRect, DT_CALCRECT);
  if (textRect.right > kMaxPictureSize) textRect.right = kMaxPictureSize;
  if (textRect.bottom > kMaxPictureSize) textRect.bottom = kMaxPictureSize;
  FitBitmap(windowDC);
  // While high contrast is on, the system's window colours, whatever the
  // stored pair; the stored pair is kept for when it goes off.
  const bool contrast = highContrast;
  // Without a brush nothing fills the picture: a reused bitmap is cleared
  // to what a new one holds, black, so no earlier text shows through.
  if (contrast) {
    FillRect(memoryDC, &textRect, GetSysColorBrush(COLOR_WINDOW));
  } else if (brush) {
    FillRect(memoryDC, &textRect, brush.Get());
  } else {
    PatBlt(memoryDC, 0, 0, textRect.right, textRect.bottom, BLACKNESS);
  }
  SetTextColor(memoryDC, contrast ? GetSysColor(COLOR_WINDOWTEXT) : textColor);
  SetBkColor(memoryDC, contrast ? GetSysColor(COLOR_WINDOW) : backColor);
  DrawTextW(memoryDC, wideText.Get(), wideText.Length(), &textRect, 0);
  stale = false;
  ++drawings;
}

void ClockPicture::FitBitmap(HDC windowDC) {
  BITMAP held{};
  if (bitmap && GetObjectA(bitmap.Get(), sizeof held, &held) != 0 && held.bmWidth == textRect.right &&
      held.bmHeight == textRect.bottom) {
    return;
  }
  // A bitmap still selected into a context cannot be deleted: the context
  // gets back the one it came with first.
  if (bitmap) SelectObject(picture.Get(), pictureOriginal);
  bitmap.Reset(CreateCompatibleBitmap(windowDC, textRect.right, textRect.bottom));
  if (!bitmap) return;
  HGDIOBJ was = SelectObject(picture.Get(), bitmap.Get());
  if (pictureOriginal == nullptr) pictureOriginal = was;
}
