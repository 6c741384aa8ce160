// The main window's two modal dialogs, run with DialogBoxParamA.
#ifndef KORIN_APP_DIALOGS_H
#define KORIN_APP_DIALOGS_H

#include <windows.h>

// Template 109: asks for the new image's size, color mode and entry count and
// leaves them in the global NewImageSpec. Ends with IDOK only for valid values.
INT_PTR CALLBACK NewImageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Template 110: the product name and version.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
