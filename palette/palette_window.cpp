#include "palette/palette_window.h"

#include "app/gdi_scope.h"
#include "app/globals.h"
#include "app/ui_language.h"
#include "document/bitmap_document.h"
#include "image/dib_image.h"
#include "palette/palette_formats.h"
#include "resources/resource.h"

#include <cstddef>
#include <string>

namespace {

const char kCaption[] = "Korin";
const char kDesktopFolder[] = "c:\\windows\\ﾃﾞｽｸﾄｯﾌﾟ";
const int kPageRows = 7;  // one less than the visible rows

// The load dialog: bitmaps, RIFF palettes, then any palette file by content:
// the text and table formats, then swatch files, raw colors and swatch
// pictures; then the same by content again, but raw colors whose bytes could
// be either kind read as the kind the filter names.
const char kLoadFilter[] =
    "Bitmap Files(*.bmp)|*.bmp|RIFF Palette Files(*.pal)|*.pal|"
    "Palette Files(*.pal;*.gpl;*.act;*.hex;*.txt)|*.pal;*.gpl;*.act;*.hex;*.txt|"
    "Swatch and Raw Palette Files(*.ase;*.bin;*.png;*.gif)|*.ase;*.bin;*.png;*.gif|"
    "BGR555 Palette Files(*.bin)|*.bin|VGA DAC Palette Files(*.bin;*.pal)|*.bin;*.pal|";
const int kAnyPaletteFilter = 3;
const int kMorePalettesFilter = 4;
const int kBgr555Filter = 5;
const int kVgaFilter = 6;
// Conforming reads any palette file by content, or a bitmap's table.
const char kConformFilter[] =
    "Palette Files(*.pal;*.gpl;*.act;*.hex;*.txt)|*.pal;*.gpl;*.act;*.hex;*.txt|Bitmap Files(*.bmp)|*.bmp|"
    "Swatch and Raw Palette Files(*.ase;*.bin;*.png;*.gif)|*.ase;*.bin;*.png;*.gif|";

// The save dialog's filters in order: the one chosen decides the format.
struct SaveType {
    PaletteFormat format;
    const char* extension;
};
const SaveType kSaveTypes[] = {
    {PaletteFormat::Riff, "pal"}, {PaletteFormat::Jasc, "pal"}, {PaletteFormat::Gimp, "gpl"},
    {PaletteFormat::Act, "act"},  {PaletteFormat::Hex, "hex"}, {PaletteFormat::PaintNet, "txt"},
    // Raw colors are read back from .bin or .pal names only.
    {PaletteFormat::Bgr555, "bin"}, {PaletteFormat::Vga, "bin"}, {PaletteFormat::Ase, "ase"},
};
const char kSaveFilter[] =
    "RIFF Palette Files(*.pal)|*.pal|JASC Palette Files(*.pal)|*.pal|GIMP Palette Files(*.gpl)|*.gpl|"
    "Adobe Color Table Files(*.act)|*.act|Hex Color Lists(*.hex;*.txt)|*.hex;*.txt|"
    "Paint.NET Palette Files(*.txt)|*.txt|"
    "BGR555 Palette Files(*.bin)|*.bin|VGA DAC Palette Files(*.bin;*.pal)|*.bin;*.pal|"
    "Adobe Swatch Exchange Files(*.ase)|*.ase|";

const SaveType& SaveTypeFor(int32_t filterIndex)
{
    const int32_t count = int32_t(sizeof kSaveTypes / sizeof kSaveTypes[0]);
    return kSaveTypes[filterIndex >= 1 && filterIndex <= count ? filterIndex - 1 : 0];
}

void InitDialogSpec(FileDialogSpec& spec, const char* filter, const char* path, const char* ext,
                    DWORD flags)
{
    spec.filter = filter;
    spec.filterIndex = 1;
    spec.path = path;
    spec.defaultExt = ext;
    spec.initialDir = kDesktopFolder;
    spec.flags = flags;
}

int32_t RowsFor(uint32_t count)
{
    return int32_t(count / 12 + (count % 12 ? 1 : 0));
}

}  // namespace

INT_PTR CALLBACK PaletteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        paletteWindow.OnInitDialog(dialog);
        break;
    case WM_DESTROY:
        paletteWindow.OnDestroy();
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(dialog, &paint);
        paletteWindow.DrawRowLabels(dc);
        EndPaint(dialog, &paint);
        break;
    }
    case WM_KEYDOWN:
        paletteWindow.OnKeyDown(wParam);
        break;
    case WM_KEYUP:
        if (wParam == VK_F12) SetWindowTextA(dialog, LoadText(IDS_PALETTE_TITLE).c_str());
        break;
    case WM_VSCROLL:
        paletteWindow.OnVScroll(wParam);
        break;
    case WM_COMMAND:
        paletteWindow.OnCommand(LOWORD(wParam));
        break;
    case WM_INITMENUPOPUP:
        paletteWindow.UpdateEditMenu();
        break;
    default:
        break;
    }
    return 0;
}

void SetMenuCheck(HMENU menu, UINT command, BOOL check)
{
    MENUITEMINFOA item;
    ZeroMemory(&item, sizeof item);
    // The size without hbmpItem, understood everywhere (44 bytes in a 32-bit
    // program; a 64-bit one has wider members).
    item.cbSize = offsetof(MENUITEMINFOA, hbmpItem);
    static_assert(sizeof(void*) != 4 || offsetof(MENUITEMINFOA, hbmpItem) == 44, "the 32-bit size");
    item.fMask = MIIM_STATE;
    item.fState = check ? MFS_CHECKED : 0;
    SetMenuItemInfoA(menu, command, FALSE, &item);
}

PaletteWindow::PaletteWindow()
    : selectedColumn(0), selectedRow(0), selected(0), panelShown(0), modified(0), totalRows(0),
      topRow(0), stepMark(), stepReady(false), rangeOn(false), rangeEnd(0), markUnused(0), livePicture(0), gridTip(nullptr),
      keepIndices(false),
      tableMenu(nullptr)
{
    InitDialogSpec(openDialog, kLoadFilter, "new bitmap", "bmp",
                   OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    InitDialogSpec(saveDialog, kSaveFilter, "new palette", "pal",
                   OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST);
    InitDialogSpec(conformDialog, kConformFilter, "", "pal",
                   OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    labelFont = CreateFontA(12, 0, 0, 0, 0, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_CHARACTER_PRECIS,
                            CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            "verdana");
    ReadViewSettings();
}

PaletteWindow::~PaletteWindow()
{
    DeleteObject(labelFont);
    panel.Destroy();
}

bool PaletteWindow::CreateWindows(HWND owner)
{
    if (!Create(instanceHandle, IDD_PALETTE, owner, PaletteDialogProc)) return false;
    ShowLanguage();
    if (!panel.CreatePanel(Hwnd())) return false;
    SetTable(ColorTable());
    return true;
}

void PaletteWindow::ShowAll()
{
    if (panelShown) panel.Show();
    Show();
}

void PaletteWindow::HideAll()
{
    if (panelShown) panel.Hide();
    Hide();
}

int PaletteWindow::ConfirmDiscard()
{
    if (!modified) return IDOK;
    return MessageBoxA(Hwnd(), LoadText(IDS_PALETTE_DISCARD).c_str(), kCaption,
                       MB_OKCANCEL | MB_ICONWARNING);
}

void PaletteWindow::SetTable(const ColorTable& table)
{
    history.Clear();
    order = appliedOrder = nullptr;
    ReplaceTables(table);
    OrderChanged();
}

void PaletteWindow::ReplaceTables(const ColorTable& table)
{
    if (!Hwnd()) return;
    initialTable.Assign(table);
    workingTable.Assign(table);
    ResetScrollBar();
    RefreshGrid();
}

void PaletteWindow::ResetScrollBar()
{
    topRow = 0;
    totalRows = RowsFor(workingTable.GetCount());
    HWND scrollBar = GetDlgItem(Hwnd(), IDC_PALETTE_SCROLL);
    if (workingTable.GetCount() == 0) {
        EnableWindow(scrollBar, FALSE);
    } else {
        EnableWindow(scrollBar, TRUE);
        SCROLLINFO info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = 0;
        info.nMax = totalRows - 1;
        info.nPage = 8;
        info.nPos = 0;
        SetScrollInfo(scrollBar, SB_CTL, &info, TRUE);
    }
}

void PaletteWindow::LoadPaletteFromFile()
{
    if (ConfirmDiscard() == IDCANCEL) return;
    if (!openDialog.Run(FileDialogSpec::OpenMode, Hwnd())) return;
    ColorTable loaded;
    UINT problem = IDS_PALETTE_LOADING_ERROR;
    bool ok = false;
    if (openDialog.filterIndex == 1) {
        DibImage image;
        if (image.LoadFromFile(MemoryDC(nullptr), openDialog.path.c_str())) {
            ok = image.CopyColorTable(loaded);
            if (!ok) problem = IDS_PALETTE_NO_TABLE;
        }
    } else if (openDialog.filterIndex == 2) {
        ok = loaded.LoadRiffPalette(openDialog.path.c_str());
    } else if (openDialog.filterIndex >= kAnyPaletteFilter && openDialog.filterIndex <= kVgaFilter) {
        std::string reason;
        RawPaletteChoice raw;
        raw.named = openDialog.filterIndex == kBgr555Filter || openDialog.filterIndex == kVgaFilter;
        raw.kind = openDialog.filterIndex == kVgaFilter ? PaletteFormat::Vga : PaletteFormat::Bgr555;
        ok = LoadAnyPalette(openDialog.path.c_str(), &loaded, nullptr, &reason, &raw);
        if (raw.undecided) problem = IDS_PALETTE_RAW_UNDECIDED;
    }
    if (!ok) {
        MessageBoxA(Hwnd(), LoadText(problem).c_str(), kCaption, MB_ICONERROR);
        return;
    }
    BeginStep();
    ReplaceTables(loaded);
    DropPendingOrder();
    selected = 0;
    rangeOn = false;
    modified = 0;
    EndStep();
}

void PaletteWindow::InvertAll()
{
    uint32_t count = workingTable.GetCount();
    if (count == 0) return;
    BeginStep();
    for (uint32_t i = 0; i < count; ++i) {
        const ColorEntry* e = workingTable.GetEntry(i);
        workingTable.SetColor(i, uint8_t(255 - e->red), uint8_t(255 - e->green), uint8_t(255 - e->blue));
    }
    modified = 1;
    RefreshGrid();
    EndStep();
}

void PaletteWindow::SwapChannels(int kind)
{
    uint32_t count = workingTable.GetCount();
    if (count == 0) return;
    BeginStep();
    for (uint32_t i = 0; i < count; ++i) {
        const ColorEntry* e = workingTable.GetEntry(i);
        uint8_t r = e->red, g = e->green, b = e->blue;
        switch (kind) {
        case 1: workingTable.SetColor(i, g, r, b); break;
        case 2: workingTable.SetColor(i, r, b, g); break;
        case 3: workingTable.SetColor(i, b, g, r); break;
        default: break;
        }
    }
    modified = 1;
    RefreshGrid();
    EndStep();
}

void PaletteWindow::SetSelectedColor(uint8_t red, uint8_t green, uint8_t blue)
{
    if (!selected) return;
    BeginStep();
    modified = 1;
    workingTable.SetColor(uint32_t(selectedColumn + 12 * selectedRow), red, green, blue);
    EndStep();
    // A row out of view shows its new color when scrolled back; the square of
    // the row just below the view would reach into the grid's bottom margin.
    int32_t visibleRow = selectedRow - topRow;
    if (visibleRow < 0 || visibleRow >= layout.rows) return;
    RECT square = layout.ColorRect(selectedColumn, visibleRow);
    WindowDC dc(GetDlgItem(Hwnd(), IDC_PALETTE_GRID));
    FillRect(dc, &square, SolidBrush(PackColor(red, green, blue)));
    DrawUsageMark(dc, selectedColumn, visibleRow, uint32_t(selectedColumn + 12 * selectedRow));
}

void PaletteWindow::OnInitDialog(HWND dialog)
{
    HWND grid = GetDlgItem(dialog, IDC_PALETTE_GRID);
    InstallGridProcedure(grid);
    GridPlacement placement = layout.Placement();
    MoveWindow(grid, placement.grid.left, placement.grid.top,
               placement.grid.right - placement.grid.left, placement.grid.bottom - placement.grid.top,
               FALSE);
    MoveWindow(GetDlgItem(dialog, IDC_PALETTE_SCROLL), placement.scrollBar.left,
               placement.scrollBar.top, placement.scrollBar.right - placement.scrollBar.left,
               placement.scrollBar.bottom - placement.scrollBar.top, FALSE);
    MoveWindow(dialog, 0, 0, placement.windowWidth, placement.windowHeight, FALSE);
    CreateGridTooltip(dialog);
    SetMenuCheck(GetSubMenu(GetMenu(dialog), 1), ID_PALETTE_MARK_UNUSED, markUnused);
    SetMenuCheck(GetSubMenu(GetMenu(dialog), 1), ID_PALETTE_LIVE_PICTURE, livePicture);
}

void PaletteWindow::OnDestroy()
{
    RemoveGridProcedure(GetDlgItem(Hwnd(), IDC_PALETTE_GRID));
    // The tooltip goes with this window, its owner.
    gridTip = nullptr;
    WriteViewSettings();
}

void PaletteWindow::OnKeyDown(WPARAM key)
{
    if (OnEditKey(key) || OnRangeKey(key) || OnRearrangeKey(key)) return;
    int code;
    switch (key) {
    case VK_PRIOR: code = SB_PAGEUP; break;
    case VK_NEXT:  code = SB_PAGEDOWN; break;
    case VK_END:   code = SB_BOTTOM; break;
    case VK_HOME:  code = SB_TOP; break;
    case VK_UP:    code = SB_LINEUP; break;
    case VK_DOWN:  code = SB_LINEDOWN; break;
    case VK_F12: {
        char caption[128];
        wsprintfA(caption, LoadText(IDS_PALETTE_ENTRY_COUNT).c_str(), int(workingTable.GetCount()));
        SetWindowTextA(Hwnd(), caption);
        return;
    }
    default:
        return;
    }
    SendMessageA(Hwnd(), WM_VSCROLL, MAKEWPARAM(code, 0),
                 LPARAM(GetDlgItem(Hwnd(), IDC_PALETTE_SCROLL)));
}

void PaletteWindow::OnVScroll(WPARAM wParam)
{
    HWND scrollBar = GetDlgItem(Hwnd(), IDC_PALETTE_SCROLL);
    int code = LOWORD(wParam);
    if (!IsWindowEnabled(scrollBar) || code > SB_ENDSCROLL - 1) return;
    int32_t row = topRow;
    switch (code) {
    case SB_LINEUP:        row = topRow - 1; break;
    case SB_LINEDOWN:      row = topRow + 1; break;
    case SB_PAGEUP:        row = topRow - kPageRows; break;
    case SB_PAGEDOWN:      row = topRow + kPageRows; break;
    case SB_THUMBPOSITION: return;
    case SB_THUMBTRACK:    row = HIWORD(wParam); break;
    case SB_TOP:           row = 0; break;
    case SB_BOTTOM:        row = totalRows - layout.rows; break;
    default: break;
    }
    if (row < 0) row = 0;
    if (row > totalRows - 1) row = totalRows - 1;
    topRow = row;
    SetScrollPos(scrollBar, SB_CTL, topRow, FALSE);
    RefreshGrid();
}

void PaletteWindow::SavePalette()
{
    if (workingTable.GetCount() == 0) {
        MessageBoxA(Hwnd(), LoadText(IDS_PALETTE_EMPTY).c_str(), kCaption, MB_ICONERROR);
        return;
    }
    // The dialog opens on the type used last, with its extension.
    saveDialog.defaultExt = SaveTypeFor(saveDialog.filterIndex).extension;
    if (!saveDialog.Run(FileDialogSpec::SaveMode, Hwnd())) return;
    // A typed name that names one format alone wins over the filter.
    PaletteFormat format = SaveTypeFor(saveDialog.filterIndex).format;
    PaletteFormatNamedBy(saveDialog.path, &format);
    SaveTable(format, saveDialog.path);
}

void PaletteWindow::TogglePanel()
{
    if (panel.IsVisible()) {
        panel.Hide();
    } else {
        RECT rect;
        GetWindowRect(Hwnd(), &rect);
        panel.Move(rect.left, rect.bottom, 0, 0, true, false);
        panel.Show();
    }
    panelShown = !panelShown;
    SetMenuCheck(GetSubMenu(GetMenu(Hwnd()), 1), ID_PALETTE_PANEL, panelShown);
}

void PaletteWindow::Restore()
{
    if (initialTable.GetCount() == 0) return;
    BeginStep();
    workingTable.Assign(initialTable);
    // The table as the picture gave it: Apply puts every pixel back.
    order = nullptr;
    OrderChanged();
    modified = 0;
    RefreshGrid();
    EndStep();
}

void PaletteWindow::Release()
{
    if (ConfirmDiscard() != IDOK) return;
    BeginStep();
    selected = 0;
    rangeOn = false;
    modified = 0;
    ReplaceTables(ColorTable());
    DropPendingOrder();
    EndStep();
}

void PaletteWindow::OnCommand(int id)
{
    switch (id) {
    case IDCANCEL:
    case ID_PALETTE_CLOSE:
    case ID_KEY_F4:
        HideAll();
        break;
    case ID_KEY_RED:
    case ID_KEY_GREEN:
    case ID_KEY_BLUE:
        panel.FocusChannel(id);
        break;
    case ID_PALETTE_APPLY:
    case ID_KEY_F5:
        ApplyToPicture();
        break;
    case ID_PALETTE_SAVE:
    case ID_KEY_CTRL_S:
        SavePalette();
        break;
    case ID_KEY_NEXT_WINDOW:
        SetActiveWindow(panel.IsVisible() ? panel.Hwnd() : Owner());
        break;
    case ID_KEY_PREVIOUS_WINDOW:
        SetActiveWindow(Owner());
        break;
    case ID_PALETTE_RESTORE:
        Restore();
        break;
    case ID_PALETTE_PANEL:
        TogglePanel();
        break;
    case ID_PALETTE_INFORMATION:
        MessageBoxA(Hwnd(), LoadText(IDS_PALETTE_HOLD_F12).c_str(), kCaption, MB_ICONINFORMATION);
        break;
    case ID_PALETTE_INVERT:
        InvertAll();
        break;
    case ID_PALETTE_SWAP_RED_GREEN:  SwapChannels(1); break;
    case ID_PALETTE_SWAP_GREEN_BLUE: SwapChannels(2); break;
    case ID_PALETTE_SWAP_BLUE_RED:   SwapChannels(3); break;
    case ID_PALETTE_LOAD:
    case ID_KEY_CTRL_O:
        LoadPaletteFromFile();
        break;
    case ID_PALETTE_RELEASE:
        Release();
        break;
    case ID_PALETTE_UNDO:
        Undo();
        break;
    case ID_PALETTE_REDO:
        Redo();
        break;
    case ID_PALETTE_COPY:
        CopyColors();
        break;
    case ID_PALETTE_PASTE:
        PasteColors();
        break;
    case ID_PALETTE_MARK_UNUSED:
        ToggleUnusedMarks();
        break;
    case ID_PALETTE_LIVE_PICTURE:
        ToggleLivePicture();
        break;
    case ID_PALETTE_GRADIENT_RGB:
        FillRangeGradient(GradientSpace::Rgb);
        break;
    case ID_PALETTE_GRADIENT_OKLAB:
        FillRangeGradient(GradientSpace::Oklab);
        break;
    default:
        if (!OnSnapCommand(id) && !OnTableCommand(id)) OnRearrangeCommand(id);
        break;
    }
}
