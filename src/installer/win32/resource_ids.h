// Resource identifiers of the installer program (shared by installer.rc and
// the view).
#pragma once

#define IDI_VOR_MAIN 1
#define IDI_CANCEL_GLYPH 2
#define IDR_SIDE_PANEL_JPEG 101
