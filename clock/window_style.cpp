#include "clock/window_style.h"

namespace window_style {
namespace {
DWORD style = kCaptionStyle;
}  // namespace

DWORD Style() { return style; }
void SetCaption(bool caption) { style = caption ? kCaptionStyle : kStyle; }

}  // namespace window_style
