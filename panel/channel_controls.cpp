// The color panel's controls that handle mouse and keyboard themselves: the
// channel sliders, the entry fields, the preview and the Enter button.
#include "app/gdi_scope.h"
#include "app/globals.h"
#include "color/channel_depth.h"
#include "palette/palette_window.h"
#include "panel/channel_value.h"
#include "panel/color_panel.h"
#include "resources/resource.h"

namespace {

struct ChannelRow {
    int slider;
    int field;
    int focusCommand;
    int tabCommand;
    int shiftTabCommand;
};

const ChannelRow kRows[3] = {
    {IDC_RED_SLIDER, IDC_RED_FIELD, ID_KEY_RED, ID_KEY_GREEN, ID_KEY_BLUE},
    {IDC_GREEN_SLIDER, IDC_GREEN_FIELD, ID_KEY_GREEN, ID_KEY_BLUE, ID_KEY_RED},
    {IDC_BLUE_SLIDER, IDC_BLUE_FIELD, ID_KEY_BLUE, ID_KEY_RED, ID_KEY_GREEN},
};

// The procedure each control had before ours, by control id.
struct Replaced {
    int id;
    WNDPROC previous;
};
Replaced replaced[] = {
    {IDC_RED_SLIDER, nullptr},   {IDC_GREEN_SLIDER, nullptr}, {IDC_BLUE_SLIDER, nullptr},
    {IDC_RED_FIELD, nullptr},    {IDC_GREEN_FIELD, nullptr},  {IDC_BLUE_FIELD, nullptr},
    {IDC_PREVIEW, nullptr},      {IDC_ENTER_BUTTON, nullptr},
};

const uint8_t kOutOfGamutGrey = 160;

// A slider position or committed text for a channel, in the panel's model.
void SetChannel(int row, int32_t value)
{
    if (colorPanel->Model() == ColorModel::Rgb) colorPanel->SetRgbChannel(row, uint8_t(value));
    else colorPanel->SetShownValue(row, value);
}

int32_t SliderValue(int32_t x, int row, bool dragged)
{
    const int sliderWidth = colorPanel->Layout().sliderWidth;
    if (colorPanel->Model() != ColorModel::Rgb) {
        return RangeSliderValue(x, sliderWidth, colorPanel->ShownMaximum(row));
    }
    return dragged ? SliderDragValue(x, sliderWidth) : SliderClickValue(x, sliderWidth);
}

LRESULT Previous(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    int id = GetDlgCtrlID(control);
    for (const Replaced& r : replaced) {
        if (r.id == id && r.previous) return CallWindowProcA(r.previous, control, message, wParam, lParam);
    }
    return DefWindowProcA(control, message, wParam, lParam);
}

// The channel row (0 red, 1 green, 2 blue) a slider or field belongs to.
int RowOf(HWND control)
{
    int id = GetDlgCtrlID(control);
    for (int row = 0; row < 3; ++row) {
        if (kRows[row].slider == id || kRows[row].field == id) return row;
    }
    return 0;
}

void PaintGradient(HWND slider)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(slider, &paint);
    RECT client;
    GetClientRect(slider, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int row = RowOf(slider);
    const uint8_t color[3] = {colorPanel->red, colorPanel->green, colorPanel->blue};
    const bool rgb = colorPanel->Model() == ColorModel::Rgb;
    for (int i = 0; i < width; ++i) {
        uint8_t channels[3] = {color[0], color[1], color[2]};
        // Drawn as a click there would set it, in the depth's levels.
        if (rgb) {
            channels[row] = uint8_t(GradientValue(i, width));
            if (IsSnapDepth(colorPanel->Depth())) channels[row] = SnapChannel(channels[row], colorPanel->Depth());
        } else if (!colorPanel->Shown().GradientColor(row, i, width, channels)) {
            // Past the end of the gamut: no color to show.
            channels[0] = channels[1] = channels[2] = kOutOfGamutGrey;
        } else {
            colorPanel->SnapColorToDepth(channels);
        }
        SelectedObject pen(dc, CreatePen(PS_SOLID, 1, RGB(channels[0], channels[1], channels[2])),
                           SelectedObject::Owned);
        MoveToEx(dc, i, 0, nullptr);
        LineTo(dc, i, height);
    }
    EndPaint(slider, &paint);
}

LRESULT CALLBACK SliderProc(HWND slider, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int row = RowOf(slider);
    const int x = short(LOWORD(lParam));
    switch (message) {
    case WM_PAINT:
        PaintGradient(slider);
        return 0;
    case WM_LBUTTONDOWN:
        SetCapture(slider);
        colorPanel->dragging = 1;
        SetChannel(row, SliderValue(x, row, false));
        colorPanel->Refresh(RefreshRed + row);
        return 0;
    case WM_MOUSEMOVE:
        if (!colorPanel->dragging) return 0;
        SetChannel(row, SliderValue(x, row, true));
        colorPanel->Refresh(RefreshRedKeepText + row);
        return 0;
    case WM_LBUTTONUP:
        if (!colorPanel->dragging) return 0;
        colorPanel->dragging = 0;
        ReleaseCapture();
        SetDlgItemInt(colorPanel->Hwnd(), kRows[row].field, UINT(colorPanel->ShownValue(row)), FALSE);
        colorPanel->FocusChannel(kRows[row].focusCommand);
        return 0;
    case WM_CAPTURECHANGED:
        // Losing the mouse ends the drag; plain movement must not change the color.
        colorPanel->dragging = 0;
        return Previous(slider, message, wParam, lParam);
    default:
        return Previous(slider, message, wParam, lParam);
    }
}

void CommitField(HWND field, int row)
{
    char text[4] = "";
    int length = GetWindowTextLengthA(field);
    if (length <= 3) length = GetWindowTextA(field, text, sizeof text);
    const int32_t value = colorPanel->Model() == ColorModel::Rgb
                              ? CommitChannelText(text, length)
                              : CommitRangeText(text, length, colorPanel->ShownMaximum(row));
    SetChannel(row, value);
    // The value as set: at a lower depth, the level it landed on.
    char shown[8];
    wsprintfA(shown, "%d", int(colorPanel->ShownValue(row)));
    SetWindowTextA(field, shown);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int row = RowOf(field);
    switch (message) {
    case WM_CHAR:
        if (wParam >= '0' && wParam <= '9') return Previous(field, message, wParam, lParam);
        return 0;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_RETURN:
            CommitField(field, row);
            colorPanel->Refresh(RefreshRedKeepText + row);
            return 0;
        case VK_TAB:
            colorPanel->FocusChannel(GetKeyState(VK_SHIFT) & 0x8000 ? kRows[row].shiftTabCommand
                                                                    : kRows[row].tabCommand);
            return 0;
        case VK_PRIOR:
        case VK_NEXT:
        case VK_F6:
            PostMessageA(paletteWindow.Hwnd(), message, wParam, lParam);
            return 0;
        default:
            // Undo, redo, copy and paste act on the palette, as from its grid.
            if (int command = PaletteEditCommand(wParam)) {
                PostMessageA(paletteWindow.Hwnd(), WM_COMMAND, WPARAM(command), 0);
                return 0;
            }
            return Previous(field, message, wParam, lParam);
        }
    case WM_KEYUP:
        if (wParam == VK_F6) {
            PostMessageA(paletteWindow.Hwnd(), message, wParam, lParam);
            return 0;
        }
        return Previous(field, message, wParam, lParam);
    default:
        return Previous(field, message, wParam, lParam);
    }
}

LRESULT CALLBACK PreviewProc(HWND preview, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT) return Previous(preview, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(preview, &paint);
    RECT client;
    GetClientRect(preview, &client);
    FillRect(dc, &client, SolidBrush(RGB(colorPanel->red, colorPanel->green, colorPanel->blue)));
    EndPaint(preview, &paint);
    return 0;
}

void DrawButtonFace(HDC target, bool pressed)
{
    const PanelLayout& layout = colorPanel->Layout();
    MemoryDC memory(target);
    SelectedObject faces(memory, LoadBitmapA(instanceHandle, MAKEINTRESOURCEA(IDB_ENTER_BUTTON)),
                         SelectedObject::Owned);
    BitBlt(target, 0, 0, layout.buttonWidth, layout.buttonHeight, memory, 0,
           pressed ? layout.buttonHeight : 0, SRCCOPY);
}

LRESULT CALLBACK EnterButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(button, &paint);
        DrawButtonFace(dc, false);
        EndPaint(button, &paint);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        SetCapture(button);
        DrawButtonFace(WindowDC(button), true);
        return 0;
    }
    case WM_LBUTTONUP: {
        DrawButtonFace(WindowDC(button), false);
        ReleaseCapture();
        paletteWindow.SetSelectedColor(colorPanel->red, colorPanel->green, colorPanel->blue);
        return 0;
    }
    default:
        return Previous(button, message, wParam, lParam);
    }
}

WNDPROC ProcedureFor(int id)
{
    switch (id) {
    case IDC_RED_SLIDER:
    case IDC_GREEN_SLIDER:
    case IDC_BLUE_SLIDER:
        return SliderProc;
    case IDC_RED_FIELD:
    case IDC_GREEN_FIELD:
    case IDC_BLUE_FIELD:
        return FieldProc;
    case IDC_PREVIEW:
        return PreviewProc;
    default:
        return EnterButtonProc;
    }
}

}  // namespace

void InstallChannelControls(HWND dialog)
{
    for (Replaced& r : replaced) {
        r.previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            GetDlgItem(dialog, r.id), GWLP_WNDPROC, LONG_PTR(ProcedureFor(r.id))));
    }
}

void RemoveChannelControls(HWND dialog)
{
    for (Replaced& r : replaced) {
        if (r.previous) SetWindowLongPtrA(GetDlgItem(dialog, r.id), GWLP_WNDPROC, LONG_PTR(r.previous));
        r.previous = nullptr;
    }
}
