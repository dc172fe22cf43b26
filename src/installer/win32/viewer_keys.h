// The rich-text viewers as a keyboard user meets them: read-only, and Tab,
// Enter and Escape belong to the window (focus moves on, Next, Cancel)
// rather than to the text; the arrow and page keys still scroll it.
#pragma once

#include <windows.h>

namespace vor::win32 {

// Makes the viewer read-only and hands the dialog keys to the window's
// dialog navigation. False when the viewer cannot be changed.
bool LeaveDialogKeysToWindow(HWND viewer);

// Wraps the viewer's text at the width it shows (its client area less the
// text's margins), so that no word hides under the scroll bar.
void WrapToVisibleWidth(HWND viewer);

}  // namespace vor::win32
