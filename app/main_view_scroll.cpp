#include "app/main_view_scroll.h"

#include <cstdint>

#include "app/status_bar.h"
#include "document/bitmap_document.h"
#include "app/globals.h"
#include "image/view_geometry.h"

namespace {

// Screen pixels a scroll bar arrow or a wheel notch moves.
const LONG kLineStep = 16;
const LONG kWheelStep = 48;
// The drag's last point, kept on the window while it has the capture.
const char kDragProperty[] = "KorinViewDrag";

struct PictureExtent {
    int64_t width;
    int64_t height;
};

// The picture's size when the zoomed or actual-size view shows it.
bool ScrollablePicture(PictureExtent* extent)
{
    ViewOptions& view = bitmapDocument.View();
    LONG dimensions[2];
    if (view.fitToWindow || view.showHeader || bitmapDocument.DisplayName()[0] == '\0' ||
        !bitmapDocument.Image().GetDimensions(dimensions))
        return false;
    extent->width = dimensions[0];
    extent->height = dimensions[1] < 0 ? -int64_t(dimensions[1]) : dimensions[1];
    return extent->width > 0 && extent->height > 0;
}

SIZE PageSize(HWND window)
{
    RECT area;
    PictureArea(window, &area);
    return SIZE{area.right - area.left, area.bottom - area.top};
}

void Repaint(HWND window)
{
    // The background is erased only where the picture leaves some showing.
    RECT area, place, covered;
    PictureArea(window, &area);
    const bool covers = bitmapDocument.PictureRect(&place) && IntersectRect(&covered, &area, &place) &&
                        EqualRect(&covered, &area);
    InvalidateRect(window, nullptr, covers ? FALSE : TRUE);
    UpdateWindow(window);
    UpdateStatusBarAtPointer(window);
}

void SetBar(HWND window, int bar, int64_t content, LONG page, LONG position)
{
    SCROLLINFO info;
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = int(content - 1);
    info.nPage = UINT(page);
    info.nPos = position;
    SetScrollInfo(window, bar, &info, TRUE);
}

void ShowBars(HWND window, bool horizontal, bool vertical)
{
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const bool hasHorizontal = (style & WS_HSCROLL) != 0;
    const bool hasVertical = (style & WS_VSCROLL) != 0;
    // Each change resizes the client and comes back here through WM_SIZE,
    // which then finds the same bars wanted.
    if (hasHorizontal != horizontal) ShowScrollBar(window, SB_HORZ, horizontal);
    if (hasVertical != vertical) ShowScrollBar(window, SB_VERT, vertical);
}

// Moves the view to a scroll position, kept inside the bars.
void ScrollViewTo(HWND window, int64_t x, int64_t y)
{
    PictureExtent extent;
    if (!ScrollablePicture(&extent)) return;
    const int32_t factor = bitmapDocument.Zoom().factor;
    const SIZE page = PageSize(window);
    POINT& scroll = bitmapDocument.ScrollPosition();
    const LONG newX = LONG(ClampScroll(x, ScaledExtent(extent.width, factor), page.cx));
    const LONG newY = LONG(ClampScroll(y, ScaledExtent(extent.height, factor), page.cy));
    if (newX == scroll.x && newY == scroll.y) return;
    scroll.x = newX;
    scroll.y = newY;
    SetScrollPos(window, SB_HORZ, newX, TRUE);
    SetScrollPos(window, SB_VERT, newY, TRUE);
    Repaint(window);
}

void ZoomViewTo(HWND window, int32_t factor, POINT anchor)
{
    ViewOptions& view = bitmapDocument.View();
    LONG dimensions[2];
    if (view.showHeader || bitmapDocument.DisplayName()[0] == '\0' ||
        !bitmapDocument.Image().GetDimensions(dimensions))
        return;
    const int64_t height = dimensions[1] < 0 ? -int64_t(dimensions[1]) : dimensions[1];
    POINT& scroll = bitmapDocument.ScrollPosition();
    const int32_t from = bitmapDocument.ShownFactor();
    if (from == factor) return;
    int64_t x = 0, y = 0;
    // From the fitted view the zoom starts at the top-left corner.
    if (from != 0) {
        const SIZE page = PageSize(window);
        x = ScrollKeepingPoint(scroll.x, anchor.x, from, factor, dimensions[0], page.cx);
        y = ScrollKeepingPoint(scroll.y, anchor.y, from, factor, height, page.cy);
    }
    view.fitToWindow = 0;
    bitmapDocument.Zoom().factor = factor;
    scroll.x = LONG(x);
    scroll.y = LONG(y);
    UpdateViewScroll(window);
    Repaint(window);
}

}  // namespace

void UpdateViewScroll(HWND window)
{
    PictureExtent extent;
    POINT& scroll = bitmapDocument.ScrollPosition();
    if (!ScrollablePicture(&extent)) {
        scroll.x = scroll.y = 0;
        ShowBars(window, false, false);
        return;
    }
    const int32_t factor = bitmapDocument.Zoom().factor;
    const int64_t width = ScaledExtent(extent.width, factor);
    const int64_t height = ScaledExtent(extent.height, factor);
    const SIZE bars = ShownScrollBars(window);
    const SIZE page = PageSize(window);
    const ScrollBarsNeeded needed = BarsFor(width, height, page.cx + bars.cx, page.cy + bars.cy,
                                            GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL));
    ShowBars(window, needed.horizontal, needed.vertical);
    const SIZE shown = PageSize(window);
    scroll.x = LONG(ClampScroll(scroll.x, width, shown.cx));
    scroll.y = LONG(ClampScroll(scroll.y, height, shown.cy));
    if (needed.horizontal) SetBar(window, SB_HORZ, width, shown.cx, scroll.x);
    if (needed.vertical) SetBar(window, SB_VERT, height, shown.cy, scroll.y);
}

void ResetViewScroll(HWND window)
{
    POINT& scroll = bitmapDocument.ScrollPosition();
    scroll.x = scroll.y = 0;
    if (window) UpdateViewScroll(window);
}

SIZE ShownScrollBars(HWND window)
{
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    return SIZE{(style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0,
                (style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0};
}

void OnViewScroll(HWND window, bool horizontal, WPARAM wParam)
{
    const int bar = horizontal ? SB_HORZ : SB_VERT;
    SCROLLINFO info;
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(window, bar, &info)) return;
    const POINT scroll = bitmapDocument.ScrollPosition();
    int64_t position = horizontal ? scroll.x : scroll.y;
    const int64_t page = horizontal ? PageSize(window).cx : PageSize(window).cy;
    switch (LOWORD(wParam)) {
    case SB_LINEUP:        position -= kLineStep; break;
    case SB_LINEDOWN:      position += kLineStep; break;
    case SB_PAGEUP:        position -= page; break;
    case SB_PAGEDOWN:      position += page; break;
    case SB_TOP:           position = 0; break;
    case SB_BOTTOM:        position = info.nMax; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    default: return;
    }
    ScrollViewTo(window, horizontal ? position : scroll.x, horizontal ? scroll.y : position);
}

void OnViewWheel(HWND window, WPARAM wParam, LPARAM lParam)
{
    const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
    const WORD keys = GET_KEYSTATE_WPARAM(wParam);
    if (keys & MK_CONTROL) {
        POINT anchor = {short(LOWORD(lParam)), short(HIWORD(lParam))};
        ScreenToClient(window, &anchor);
        for (int i = 0; i < (notches < 0 ? -notches : notches); ++i) ZoomView(window, notches, anchor);
        return;
    }
    const POINT scroll = bitmapDocument.ScrollPosition();
    const int64_t step = -int64_t(notches) * kWheelStep;
    if (keys & MK_SHIFT) {
        ScrollViewTo(window, scroll.x + step, scroll.y);
    } else {
        ScrollViewTo(window, scroll.x, scroll.y + step);
    }
}

void ZoomView(HWND window, int direction, POINT anchor)
{
    LONG dimensions[2];
    if (!bitmapDocument.Image().GetDimensions(dimensions)) return;
    const LONG height = dimensions[1] < 0 ? -dimensions[1] : dimensions[1];
    // Reductions are for pictures the screen cannot hold.
    const bool reductions = dimensions[0] > GetSystemMetrics(SM_CXSCREEN) || height > GetSystemMetrics(SM_CYSCREEN);
    const int32_t from = bitmapDocument.ShownFactor();
    ZoomViewTo(window, NextZoomFactor(from == 0 ? kActualSize : from, direction, reductions), anchor);
}

void ZoomViewAtCentre(HWND window, int direction)
{
    const SIZE page = PageSize(window);
    ZoomView(window, direction, POINT{page.cx / 2, page.cy / 2});
}

void ShowActualSizeAtCentre(HWND window)
{
    const SIZE page = PageSize(window);
    ZoomViewTo(window, kActualSize, POINT{page.cx / 2, page.cy / 2});
}

bool BeginViewDrag(HWND window, int x, int y)
{
    if (!(GetWindowLongA(window, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL))) return false;
    SetCapture(window);
    SetPropA(window, kDragProperty, HANDLE(uintptr_t(MAKELONG(x + 0x8000, y + 0x8000))));
    return true;
}

bool DragView(HWND window, int x, int y)
{
    const uintptr_t last = uintptr_t(GetPropA(window, kDragProperty));
    if (!last || GetCapture() != window) return false;
    const int lastX = int(LOWORD(last)) - 0x8000;
    const int lastY = int(HIWORD(last)) - 0x8000;
    SetPropA(window, kDragProperty, HANDLE(uintptr_t(MAKELONG(x + 0x8000, y + 0x8000))));
    const POINT scroll = bitmapDocument.ScrollPosition();
    // The picture follows the pointer.
    ScrollViewTo(window, int64_t(scroll.x) - (x - lastX), int64_t(scroll.y) - (y - lastY));
    return true;
}

void EndViewDrag(HWND window)
{
    if (!RemovePropA(window, kDragProperty)) return;
    if (GetCapture() == window) ReleaseCapture();
}
