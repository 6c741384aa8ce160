#include "app/main_window.h"

#include <commctrl.h>

#include <climits>
#include <cstdint>
#include <cstring>

#include "app/convert_dialog.h"
#include "app/dialogs.h"
#include "app/globals.h"
#include "app/main_view_scroll.h"
#include "app/picture_pick.h"
#include "app/settings_store.h"
#include "app/status_bar.h"
#include "app/language_menu.h"
#include "app/ui_language.h"
#include "document/bitmap_document.h"
#include "image/view_geometry.h"
#include "palette/palette_window.h"
#include "resources/resource.h"

const char kMainWindowClass[] = "Korin";

namespace {

const char kCaption[] = "Korin";
const RECT kDefaultPlace = {200, 200, 550, 400};
const int kMinTrackWidth = 330;
const int kMinTrackHeight = 100;
// The largest extent a window's coordinates can take.
const LONG kMaxWindowExtent = 32767;

ViewOptions& View()
{
    return bitmapDocument.View();
}

void Redraw(HWND window)
{
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

HFONT HeaderViewFont()
{
    // Made once and kept for the life of the process.
    static HFONT font = [] {
        LOGFONTA description;
        std::memset(&description, 0, sizeof description);
        description.lfHeight = 12;
        description.lfCharSet = SHIFTJIS_CHARSET;
        lstrcpyA(description.lfFaceName, "ＭＳ ゴシック");
        return CreateFontIndirectA(&description);
    }();
    return font;
}

void FitHeaderView(HWND window, BOOL repaint)
{
    // The client area, above the status bar while that is shown.
    RECT area;
    PictureArea(window, &area);
    MoveWindow(GetDlgItem(window, IDC_HEADER_VIEW), 0, 0, area.right, area.bottom, repaint);
}

// The client area's size once the scroll bars are gone, less the status bar.
SIZE FittedArea(HWND window)
{
    RECT area;
    PictureArea(window, &area);
    const SIZE bars = ShownScrollBars(window);
    return SIZE{area.right - area.left + bars.cx, area.bottom - area.top + bars.cy};
}

// The picture's width and height as a pixel count; false without a document.
bool PictureSize(LONG* width, LONG* height)
{
    if (bitmapDocument.DisplayName()[0] == '\0') return false;
    LONG dimensions[2];
    if (!bitmapDocument.Image().GetDimensions(dimensions)) return false;
    *width = dimensions[0];
    *height = dimensions[1] < 0 ? -dimensions[1] : dimensions[1];
    return true;
}

void FitWindowToPicture(HWND window)
{
    LONG width, height;
    if (!PictureSize(&width, &height)) return;
    RECT outer;
    GetWindowRect(window, &outer);
    const SIZE client = FittedArea(window);
    int frameWidth = (outer.right - outer.left) - client.cx;
    int frameHeight = (outer.bottom - outer.top) - client.cy;
    View().fitToWindow = 0;
    bitmapDocument.Zoom().factor = kActualSize;
    ResetViewScroll(window);
    MoveWindow(window, outer.left, outer.top, width + frameWidth, height + frameHeight, TRUE);
}

void KeepPictureRatio(HWND window)
{
    LONG width, height;
    if (!PictureSize(&width, &height) || width == 0) return;
    RECT outer;
    GetWindowRect(window, &outer);
    const SIZE client = FittedArea(window);
    LONG frameHeight = (outer.bottom - outer.top) - client.cy;
    View().fitToWindow = 1;
    UpdateViewScroll(window);
    // A tall picture in a wide window overflows 32 bits: compute wide, then clamp.
    long long clientHeight = (long long)height * client.cx / width;
    long long limit = kMaxWindowExtent - frameHeight;
    if (clientHeight > limit) clientHeight = limit;
    if (clientHeight < 0) clientHeight = 0;
    MoveWindow(window, outer.left, outer.top, outer.right - outer.left,
               int(clientHeight) + frameHeight, TRUE);
}

void ShowSaveOutcome(HWND window, int result)
{
    if (result != 0) {
        bitmapDocument.UpdateHeaderReport();
    } else {
        bitmapDocument.TellNotSaved(window);
    }
}

void TogglePaletteWindow(HWND window)
{
    if (paletteWindow.IsVisible()) {
        paletteWindow.HideAll();
        return;
    }
    RECT outer;
    GetWindowRect(window, &outer);
    paletteWindow.Move(outer.right, outer.top, 0, 0, true, false);
    paletteWindow.ShowAll();
}

// The rectangle the window has when neither minimised nor maximised, in screen
// coordinates.
RECT NormalWindowRect(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    if (!IsIconic(window) && !IsZoomed(window)) return rect;
    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return rect;
    rect = placement.rcNormalPosition;
    // The placement is in work-area coordinates.
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        OffsetRect(&rect, monitor.rcWork.left - monitor.rcMonitor.left,
                   monitor.rcWork.top - monitor.rcMonitor.top);
    }
    return rect;
}

// The stored rectangle, unless it is missing, short, empty or off every screen.
RECT StoredWindowPlace()
{
    RECT rect;
    DWORD sizeRead = 0;
    if (settingsStore.ReadValue("WindowPlace", &rect, sizeof rect, &sizeRead) != ERROR_SUCCESS ||
        sizeRead != sizeof rect || rect.right <= rect.left || rect.bottom <= rect.top)
        return kDefaultPlace;
    // A size beyond any window would overflow right - left, and a window
    // whose caption is off every screen cannot be reached to move it.
    const int64_t kLargestSide = 32767;
    RECT caption = {rect.left, rect.top, rect.right, rect.top + GetSystemMetrics(SM_CYCAPTION)};
    if (int64_t(rect.right) - rect.left > kLargestSide || int64_t(rect.bottom) - rect.top > kLargestSide ||
        !MonitorFromRect(&caption, MONITOR_DEFAULTTONULL))
        return kDefaultPlace;
    return rect;
}

void OnCreate(HWND window)
{
    HWND headerView = CreateWindowExA(0, "EDIT", "",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY,
        0, 0, 100, 100, window, HMENU(IDC_HEADER_VIEW), instanceHandle, nullptr);
    SendMessageA(headerView, WM_SETFONT, WPARAM(HeaderViewFont()), FALSE);
    if (!View().showHeader) ShowWindow(headerView, SW_HIDE);
    CreateStatusBar(window);
    bitmapDocument.SetOwnerWindow(window);
    paletteWindow.CreateWindows(window);
}

void OnDestroy(HWND window)
{
    RECT place = NormalWindowRect(window);
    settingsStore.WriteValue("WindowPlace", &place, sizeof place);
    settingsStore.WriteValue("ViewOpt", &View(), sizeof(ViewOptions));
    settingsStore.WriteValue("ViewZoom", &bitmapDocument.Zoom(), sizeof(ZoomOptions));
    PostQuitMessage(0);
}

void OnInitMenuPopup(HMENU popup)
{
    int marked;
    switch (GetMenuItemID(popup, 0)) {
    case ID_VIEW_SHOW_HEADER:
        CheckMenuItem(popup, ID_VIEW_HIGHLIGHT_ENTRY,
                      MF_BYCOMMAND | (bitmapDocument.HighlightToggled() ? MF_CHECKED : MF_UNCHECKED));
        CheckMenuItem(popup, ID_VIEW_PIXEL_GRID,
                      MF_BYCOMMAND | (bitmapDocument.Zoom().pixelGrid ? MF_CHECKED : MF_UNCHECKED));
        CheckMenuItem(popup, ID_VIEW_STATUS_BAR,
                      MF_BYCOMMAND | (bitmapDocument.Zoom().statusBar ? MF_CHECKED : MF_UNCHECKED));
        return;
    case ID_VIEW_ACTUAL_SIZE:
        if (bitmapDocument.ShownFactor() != 0 && bitmapDocument.ShownFactor() != kActualSize) {
            // Zoomed: neither of the two views is shown.
            CheckMenuItem(popup, 0, MF_BYPOSITION | MF_UNCHECKED);
            CheckMenuItem(popup, 1, MF_BYPOSITION | MF_UNCHECKED);
            return;
        }
        marked = View().fitToWindow ? 1 : 0;
        break;
    case ID_VIEW_HEADER_SUMMARY:  marked = View().headerDetail; break;
    case ID_VIEW_BACKGROUND_BLACK: marked = View().whiteBackground; break;
    case ID_VIEW_NUMBERS_DECIMAL: marked = View().hexNumbers; break;
    case ID_HELP_LANGUAGE_SYSTEM: CheckLanguageMenu(popup); return;
    default: return;
    }
    CheckMenuRadioItem(popup, 0, 1, UINT(marked), MF_BYPOSITION);
}

void SetReportOption(int32_t& option, int32_t value)
{
    option = value;
    bitmapDocument.UpdateHeaderReport();
}

void OnCommand(HWND window, int id)
{
    switch (id) {
    case ID_FILE_NEW:
        if (DialogBoxIn(IDD_NEW_IMAGE, window, NewImageDialogProc) == IDOK) {
            SetDlgItemTextA(window, IDC_HEADER_VIEW, "");
            bitmapDocument.NewDocument(newImageSpec);
        }
        break;
    case ID_FILE_OPEN:
    case ID_KEY_CTRL_O:
        if (!bitmapDocument.OpenDocument()) {
            // A PNG or GIF refused says why; a BMP keeps its own message.
            const std::string& problem = bitmapDocument.Problem();
            MessageBoxA(window, (problem.empty() ? LoadText(IDS_MAIN_LOADING_FAILED) : problem).c_str(), kCaption,
                        MB_ICONERROR);
        }
        break;
    case ID_FILE_CLOSE:
        bitmapDocument.CloseDocument();
        break;
    case ID_FILE_SAVE:
    case ID_KEY_CTRL_S:
        ShowSaveOutcome(window, bitmapDocument.SaveDocument(false));
        break;
    case ID_FILE_SAVE_AS:
        ShowSaveOutcome(window, bitmapDocument.SaveDocument(true));
        break;
    case ID_FILE_DELETE_REGISTRY:
        if (MessageBoxA(window, LoadText(IDS_MAIN_DELETE_REGISTRY).c_str(), kCaption,
                        MB_YESNO | MB_ICONQUESTION) == IDYES)
            settingsStore.DeleteKey();
        break;
    case ID_FILE_EXIT:
        if (bitmapDocument.CloseDocument()) DestroyWindow(window);
        break;
    case ID_PALETTE_DIALOG:
    case ID_KEY_F4:
        TogglePaletteWindow(window);
        break;
    case ID_PALETTE_SHOW:
        bitmapDocument.RefreshPaletteWindow();
        break;
    case ID_PICTURE_CONVERT_INDEXED:
        RunConvertDialog(window);
        break;
    case ID_VIEW_SHOW_HEADER:
        View().showHeader = 1;
        UpdateViewScroll(window);
        FitHeaderView(window, FALSE);
        ShowWindow(GetDlgItem(window, IDC_HEADER_VIEW), SW_SHOW);
        break;
    case ID_VIEW_SHOW_PICTURE:
        View().showHeader = 0;
        ShowWindow(GetDlgItem(window, IDC_HEADER_VIEW), SW_HIDE);
        UpdateViewScroll(window);
        break;
    case ID_KEY_TAB:
        PostMessageA(window, WM_COMMAND,
                     View().showHeader ? ID_VIEW_SHOW_PICTURE : ID_VIEW_SHOW_HEADER, 0);
        break;
    case ID_VIEW_HEADER_SUMMARY:  SetReportOption(View().headerDetail, 0); break;
    case ID_VIEW_HEADER_MEMBERS:  SetReportOption(View().headerDetail, 1); break;
    case ID_VIEW_NUMBERS_DECIMAL: SetReportOption(View().hexNumbers, 0); break;
    case ID_VIEW_NUMBERS_HEX:     SetReportOption(View().hexNumbers, 1); break;
    case ID_VIEW_ACTUAL_SIZE:
        View().fitToWindow = 0;
        bitmapDocument.Zoom().factor = kActualSize;
        ResetViewScroll(window);
        Redraw(window);
        break;
    case ID_VIEW_FIT_TO_WINDOW:
        View().fitToWindow = 1;
        UpdateViewScroll(window);
        Redraw(window);
        break;
    case ID_VIEW_ZOOM_IN:     ZoomViewAtCentre(window, 1); break;
    case ID_VIEW_ZOOM_OUT:    ZoomViewAtCentre(window, -1); break;
    case ID_VIEW_ZOOM_ACTUAL: ShowActualSizeAtCentre(window); break;
    case ID_VIEW_PIXEL_GRID:
        bitmapDocument.Zoom().pixelGrid = !bitmapDocument.Zoom().pixelGrid;
        Redraw(window);
        break;
    case ID_VIEW_STATUS_BAR:
        bitmapDocument.Zoom().statusBar = !bitmapDocument.Zoom().statusBar;
        PlaceStatusBar(window);
        if (View().showHeader) FitHeaderView(window, TRUE);
        UpdateViewScroll(window);
        Redraw(window);
        break;
    case ID_VIEW_BACKGROUND_BLACK: bitmapDocument.SetBackground(BLACK_BRUSH); break;
    case ID_VIEW_BACKGROUND_WHITE: bitmapDocument.SetBackground(WHITE_BRUSH); break;
    case ID_VIEW_REDRAW:
    case ID_KEY_F5:
        Redraw(window);
        break;
    case ID_VIEW_HIGHLIGHT_ENTRY: bitmapDocument.ToggleHighlight(); break;
    case ID_WINDOW_FIT_TO_PICTURE: FitWindowToPicture(window); break;
    case ID_WINDOW_KEEP_RATIO:     KeepPictureRatio(window); break;
    case ID_HELP_ABOUT:
        DialogBoxIn(IDD_ABOUT, window, AboutDialogProc);
        break;
    case ID_HELP_LANGUAGE_SYSTEM:
    case ID_HELP_LANGUAGE_JAPANESE:
    case ID_HELP_LANGUAGE_ENGLISH:
        ChooseLanguageCommand(window, id);
        break;
    case ID_KEY_NEXT_WINDOW:
        if (paletteWindow.IsVisible()) SetActiveWindow(paletteWindow.Hwnd());
        break;
    case ID_KEY_PREVIOUS_WINDOW:
        if (colorPanel->IsVisible()) {
            SetActiveWindow(colorPanel->Hwnd());
        } else if (paletteWindow.IsVisible()) {
            SetActiveWindow(paletteWindow.Hwnd());
        }
        break;
    default:
        break;
    }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_SIZE:
        PlaceStatusBar(window);
        if (View().showHeader) FitHeaderView(window, TRUE);
        UpdateViewScroll(window);
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
        OnViewScroll(window, message == WM_HSCROLL, wParam);
        return 0;
    case WM_MOUSEWHEEL:
        OnViewWheel(window, wParam, lParam);
        return 0;
    case WM_MBUTTONDOWN:
        BeginViewDrag(window, short(LOWORD(lParam)), short(HIWORD(lParam)));
        return 0;
    case WM_MOUSEMOVE:
        if (!DragView(window, short(LOWORD(lParam)), short(HIWORD(lParam))))
            UpdateStatusBar(window, short(LOWORD(lParam)), short(HIWORD(lParam)));
        return 0;
    case WM_MBUTTONUP:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        EndViewDrag(window);
        return 0;
    case WM_PAINT:
        bitmapDocument.Paint();
        return 0;
    case WM_CLOSE:
        if (bitmapDocument.CloseDocument()) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = kMinTrackWidth;
        limits->ptMinTrackSize.y = kMinTrackHeight;
        return 0;
    }
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(HMENU(wParam));
        return 0;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        return 0;
    case WM_LBUTTONDOWN:
        // Space held drags the view instead, where there is something to scroll.
        if (GetKeyState(kHighlightKey) < 0 && BeginViewDrag(window, short(LOWORD(lParam)), short(HIWORD(lParam))))
            return 0;
        PickFromPicture(short(LOWORD(lParam)), short(HIWORD(lParam)));
        return 0;
    case WM_SETCURSOR:
        if (HWND(wParam) == window && LOWORD(lParam) == HTCLIENT && SetPickCursor(window)) return TRUE;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
        OnHighlightKey(message, wParam);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_KILLFOCUS:
        bitmapDocument.HoldHighlight(false);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND StartUp(HINSTANCE instance, int showCommand)
{
    newImageSpec.width = 100;
    newImageSpec.height = 100;
    newImageSpec.bitCount = 8;
    newImageSpec.entryCount = 256;
    instanceHandle = instance;
    LoadLanguageChoice();
    InitCommonControls();

    WNDCLASSEXA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KORIN));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground =
        HBRUSH(GetStockObject(bitmapDocument.View().whiteBackground ? WHITE_BRUSH : BLACK_BRUSH));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassExA(&windowClass);

    RECT place = StoredWindowPlace();
    HWND window = CreateWindowExA(WS_EX_CLIENTEDGE, kMainWindowClass, kCaption, WS_OVERLAPPEDWINDOW,
                                  place.left, place.top, place.right - place.left,
                                  place.bottom - place.top, nullptr, LoadMainMenu(), instance, nullptr);
    ShowWindow(window, showCommand);
    return window;
}

void DispatchProgramMessage(MSG& message, HACCEL accelerators)
{
    if (TranslateAcceleratorA(GetActiveWindow(), accelerators, &message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

int RunMessageLoop()
{
    HACCEL accelerators = LoadAcceleratorsA(instanceHandle, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchProgramMessage(message, accelerators);
    return 0;
}
