// The main window's zoomed and actual-size views: the scroll bars, scrolling
// by bar, wheel and drag, and zooming at a point (the arithmetic is
// image/view_geometry's).
#ifndef KORIN_APP_MAIN_VIEW_SCROLL_H
#define KORIN_APP_MAIN_VIEW_SCROLL_H

#include <windows.h>

// Shows the bars the view needs and keeps the scroll position inside them;
// after any change of view, window size or picture.
void UpdateViewScroll(HWND window);
// Back to the picture's top-left corner, for a new picture.
void ResetViewScroll(HWND window);
// The width of the vertical and the height of the horizontal bar shown now
// (0 for a bar not shown): client space the fitted views get back.
SIZE ShownScrollBars(HWND window);

// WM_HSCROLL (horizontal true) and WM_VSCROLL.
void OnViewScroll(HWND window, bool horizontal, WPARAM wParam);
// WM_MOUSEWHEEL: Ctrl zooms at the pointer, Shift scrolls sideways.
void OnViewWheel(HWND window, WPARAM wParam, LPARAM lParam);
// One zoom step in (direction > 0) or out, keeping the picture point at the
// client point anchor where it is.
void ZoomView(HWND window, int direction, POINT anchor);
// The same about the middle of the picture area.
void ZoomViewAtCentre(HWND window, int direction);
// Actual size, keeping the middle of the picture area.
void ShowActualSizeAtCentre(HWND window);

// Dragging the view with the middle button or with Space held: false when
// there is nothing to scroll.
bool BeginViewDrag(HWND window, int x, int y);
// True while a drag goes on.
bool DragView(HWND window, int x, int y);
void EndViewDrag(HWND window);

#endif
