#pragma once
// The clock window's style pair. Fixed once at start-up, before the window
// exists, and used again whenever placement turns the text rectangle into a
// window rectangle.

#include <windows.h>

namespace window_style {

// WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE
constexpr DWORD kExStyle = 0x289;
// WS_POPUP | WS_SYSMENU; WS_CAPTION is added when the caption setting is on.
constexpr DWORD kStyle = 0x80080000;
constexpr DWORD kCaptionStyle = 0x80C80000;

// The style chosen at start-up (kCaptionStyle until then).
DWORD Style();
void SetCaption(bool caption);

}  // namespace window_style
