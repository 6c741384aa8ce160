// The main window's picture as a way into the palette: a click picks the
// clicked pixel's entry, and a held key shows where the selected entry is used.
#ifndef KORIN_APP_PICTURE_PICK_H
#define KORIN_APP_PICTURE_PICK_H

#include <windows.h>

// The key that shows the selected entry's pixels while it is held.
const UINT kHighlightKey = VK_SPACE;

// Selects the entry of the pixel at a client point in the shown palette window.
void PickFromPicture(int x, int y);
// Sets the picking cursor when the mouse is over a pixel that can be picked;
// false leaves the cursor to the window's class.
bool SetPickCursor(HWND window);
// WM_KEYDOWN and WM_KEYUP of the main window.
void OnHighlightKey(UINT message, WPARAM key);

#endif
