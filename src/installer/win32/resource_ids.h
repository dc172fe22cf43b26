// Resource identifiers of the installer program (shared by installer.rc and
// the view).
#pragma once

#define IDI_VOR_MAIN 1
#define IDI_CANCEL_GLYPH 2
#define IDR_SIDE_PANEL_JPEG 101

// Window identifiers of the controls: this base plus the control's index in
// the form layout; clear of IDOK and IDCANCEL, which the dialog manager sends
// for Enter and Escape.
#define VOR_CONTROL_ID_BASE 100
