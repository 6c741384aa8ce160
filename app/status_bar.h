// The main window's status bar: where the pointer is on the picture, the
// entry and color there, the zoom, and the picture's size and depth. Off by
// default; while shown the picture area ends above it.
#ifndef KORIN_APP_STATUS_BAR_H
#define KORIN_APP_STATUS_BAR_H

#include <windows.h>

// Creates the bar, shown only when the view option says so.
void CreateStatusBar(HWND window);
// After the option changed or the window was resized.
void PlaceStatusBar(HWND window);
// The client area less the status bar while it is shown.
void PictureArea(HWND window, RECT* area);
// The texts for the pointer at a client point; off the picture only the
// zoom and the picture's size.
void UpdateStatusBar(HWND window, int x, int y);
// The same for where the pointer is now.
void UpdateStatusBarAtPointer(HWND window);

#endif
