#pragma once
// The clock's picture: its text drawn off-screen in the clock's font and
// colours, into a bitmap of the text's size that painting copies to the
// screen. It is drawn again only when the text, the font or the colours
// changed; while the system's high contrast is on, in the system's colours.
// Drawing makes no call that could bring another message: the window is
// moved after the drawing, by the docking.

#include <windows.h>

#include "app/gdi.h"
#include "app/text_convert.h"
#include "core/settings_value.h"
#include "core/time_format.h"

class ClockPicture {
 public:
  ClockPicture();
  ~ClockPicture();
  ClockPicture(const ClockPicture&) = delete;
  ClockPicture& operator=(const ClockPicture&) = delete;

  // Forgets the picture and its drawing objects; the next drawing makes
  // the picture anew.
  void Reset();

  // The font of `keys` at `dpi` (stored sizes are pixels at 100 %); none,
  // the context's own, when the height is 0.
  void LoadFont(const zorvane::FontKeys& keys, UINT dpi);
  // The background: -1 is no colour, and the picture is left unfilled.
  void LoadBrush(int color);
  void LoadTextColor(int color);
  // Whether the system's high contrast is on; asked by the caller when the
  // system says its settings or colours changed, not at every drawing.
  void SetHighContrast(bool on);

  // Whether `text` would look different from the picture: another text, or
  // the font or the colours changed since it was drawn.
  bool NeedsDrawing(const char* text) const;
  // Measures `text` and draws it into a bitmap of its size, compatible with
  // `window`'s context.
  void Draw(HWND window, const char* text);
  // Measures the text and draws it into the picture's bitmap in
  // `memoryDC`, made (compatible with `windowDC`) only when the size changed.
  void DrawClockText(HDC memoryDC, HDC windowDC);

  HBITMAP Bitmap() const { return bitmap.Get(); }
  // The context the picture stays selected into; none before the first drawing.
  HDC DC() const { return picture.Get(); }
  const RECT& TextRect() const { return textRect; }
  // The text of the picture as the system takes it (for captions too).
  const text::WideText& Wide() const { return wideText; }
  HFONT Font() const { return font.Get(); }
  HBRUSH Brush() const { return brush.Get(); }
  COLORREF TextColor() const { return textColor; }
  COLORREF BackColor() const { return backColor; }
  unsigned Drawings() const { return drawings; }

 private:
  // A bitmap of the text's size in `picture`, made only when the size
  // changes: making one and selecting it costs more than the drawing.
  void FitBitmap(HDC windowDC);

  gdi::Font font;
  gdi::Brush brush;
  COLORREF textColor;
  COLORREF backColor;
  gdi::Bitmap bitmap;
  // The picture's context, kept from the first drawing on with `bitmap`
  // selected; `pictureOriginal` is the bitmap it came with.
  gdi::MemoryDC picture;
  HGDIOBJ pictureOriginal;
  RECT textRect;
  // Converted when the picture is drawn, not at every tick.
  text::WideText wideText;
  // The text the picture shows, and whether the font or colours changed
  // since it was drawn.
  char drawnText[zorvane::kTextSize];
  bool stale;
  bool highContrast;
  unsigned drawings;
};
