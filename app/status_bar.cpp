#include "app/status_bar.h"

#include <commctrl.h>

#include <cstdint>
#include <string>

#include "app/globals.h"
#include "app/ui_language.h"
#include "document/bitmap_document.h"
#include "resources/resource.h"

namespace {

// The parts' right edges: position, entry and color, zoom, picture; the
// last one takes the rest.
const int kPartEdges[] = {110, 270, 360, -1};
const int kPartCount = int(sizeof kPartEdges / sizeof kPartEdges[0]);

HWND Bar(HWND window)
{
    return GetDlgItem(window, IDC_STATUS_BAR);
}

bool Shown(HWND window)
{
    HWND bar = Bar(window);
    return bar && IsWindowVisible(bar);
}

std::string Text(UINT id)
{
    return LoadText(id);
}

void SetPart(HWND bar, int part, const char* text)
{
    char now[128] = "";
    // Unchanged texts are not set again: no flicker while the pointer moves.
    if (SendMessageA(bar, SB_GETTEXTLENGTHA, WPARAM(part), 0) < LRESULT(sizeof now)) {
        SendMessageA(bar, SB_GETTEXTA, WPARAM(part), LPARAM(now));
        if (lstrcmpA(now, text) == 0) return;
    }
    SendMessageA(bar, SB_SETTEXTA, WPARAM(part), LPARAM(text));
}

}  // namespace

void CreateStatusBar(HWND window)
{
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | SBARS_SIZEGRIP, 0, 0, 0, 0, window,
                               HMENU(IDC_STATUS_BAR), instanceHandle, nullptr);
    SendMessageA(bar, SB_SETPARTS, WPARAM(kPartCount), LPARAM(kPartEdges));
    PlaceStatusBar(window);
}

void PlaceStatusBar(HWND window)
{
    HWND bar = Bar(window);
    if (!bar) return;
    const bool wanted = bitmapDocument.Zoom().statusBar != 0;
    if (wanted != (IsWindowVisible(bar) != FALSE)) ShowWindow(bar, wanted ? SW_SHOW : SW_HIDE);
    if (wanted) {
        // The bar places itself along the bottom of its parent.
        SendMessageA(bar, WM_SIZE, 0, 0);
        UpdateStatusBarAtPointer(window);
    }
}

void PictureArea(HWND window, RECT* area)
{
    GetClientRect(window, area);
    if (!Shown(window)) return;
    RECT bar;
    GetWindowRect(Bar(window), &bar);
    area->bottom -= bar.bottom - bar.top;
    if (area->bottom < area->top) area->bottom = area->top;
}

void UpdateStatusBar(HWND window, int x, int y)
{
    if (!Shown(window)) return;
    HWND bar = Bar(window);
    char text[128] = "";
    int64_t column, line;
    uint32_t entry, color;
    const bool onPicture = bitmapDocument.PixelAt(x, y, &column, &line);
    if (onPicture) wsprintfA(text, Text(IDS_STATUS_POSITION).c_str(), int(column), int(line));
    SetPart(bar, 0, onPicture ? text : "");
    text[0] = '\0';
    if (onPicture && bitmapDocument.PixelColor(column, line, &color)) {
        const int red = int(color >> 16), green = int((color >> 8) & 0xFF), blue = int(color & 0xFF);
        if (bitmapDocument.EntryAt(x, y, &entry)) {
            wsprintfA(text, Text(IDS_STATUS_ENTRY).c_str(), entry, red, green, blue);
        } else {
            wsprintfA(text, Text(IDS_STATUS_COLOR).c_str(), red, green, blue);
        }
    }
    SetPart(bar, 1, text);
    const int32_t factor = bitmapDocument.ShownFactor();
    if (factor == 0) {
        lstrcpynA(text, Text(IDS_STATUS_FITTED).c_str(), sizeof text);
    } else {
        wsprintfA(text, Text(factor > 0 ? IDS_STATUS_ZOOM_IN : IDS_STATUS_ZOOM_OUT).c_str(),
                  factor > 0 ? factor : -factor);
    }
    SetPart(bar, 2, bitmapDocument.IsEmpty() ? "" : text);
    BITMAPINFOHEADER header;
    text[0] = '\0';
    if (!bitmapDocument.IsEmpty() && bitmapDocument.CopyHeaders(nullptr, &header)) {
        const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
        wsprintfA(text, Text(IDS_STATUS_PICTURE).c_str(), int(header.biWidth), height, int(header.biBitCount));
    }
    SetPart(bar, 3, text);
}

void UpdateStatusBarAtPointer(HWND window)
{
    POINT point;
    if (!GetCursorPos(&point) || !ScreenToClient(window, &point)) point.x = point.y = -1;
    UpdateStatusBar(window, point.x, point.y);
}
