// The rearrange menu of the palette window and its keys: move, swap, sort,
// compact, merge and conform, in the mode the menu's last two items choose.
#include "palette/palette_window.h"

#include <cstdio>

#include "app/gdi_scope.h"
#include "app/globals.h"
#include "app/ui_language.h"
#include "document/bitmap_document.h"
#include "image/dib_image.h"
#include "resources/resource.h"

namespace {

const char kCaption[] = "Korin";

struct MoveRequest {
    uint32_t position;
    uint32_t highest;  // the last position the selection can start at
};

INT_PTR CALLBACK MoveEntriesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    MoveRequest* request = reinterpret_cast<MoveRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        request = reinterpret_cast<MoveRequest*>(lParam);
        SetDlgItemInt(dialog, IDC_MOVE_POSITION, request->position, FALSE);
        SendDlgItemMessageA(dialog, IDC_MOVE_POSITION, EM_SETSEL, 0, -1);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            BOOL read = FALSE;
            const UINT position = GetDlgItemInt(dialog, IDC_MOVE_POSITION, &read, FALSE);
            if (!read || position > request->highest) {
                char text[160];
                std::snprintf(text, sizeof text, LoadText(IDS_MOVE_RANGE).c_str(), request->highest);
                MessageBoxA(dialog, text, kCaption, MB_ICONWARNING);
                SetFocus(GetDlgItem(dialog, IDC_MOVE_POSITION));
                return TRUE;
            }
            request->position = position;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

}  // namespace

bool PaletteWindow::OnRearrangeKey(WPARAM key)
{
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0) return false;
    switch (key) {
    case VK_LEFT:  MoveSelection(-1); return true;
    case VK_RIGHT: MoveSelection(1); return true;
    case 'M':      MoveSelectionTo(); return true;
    default:       return false;
    }
}

void PaletteWindow::UpdateRearrangeMenu(HMENU menu)
{
    uint32_t first = 0, last = 0;
    const bool any = SelectedRange(&first, &last);
    const uint32_t count = workingTable.GetCount();
    const bool picture = !bitmapDocument.EntryUsage().empty();
    const struct {
        UINT command;
        bool enabled;
    } items[] = {
        {ID_PALETTE_MOVE_BACK, any && first > 0},
        {ID_PALETTE_MOVE_FORWARD, any && last + 1 < count},
        {ID_PALETTE_MOVE_TO, any && last - first + 1 < count},
        {ID_PALETTE_SWAP_ENTRIES, any && last > first},
        {ID_PALETTE_SORT_HUE, count > 1},
        {ID_PALETTE_SORT_LIGHTNESS, count > 1},
        {ID_PALETTE_SORT_USAGE, count > 1 && picture},
        {ID_PALETTE_COMPACT, count > 0 && picture},
        {ID_PALETTE_MERGE_DUPLICATES, count > 1 && picture},
        {ID_PALETTE_CONFORM, picture},
    };
    for (const auto& item : items)
        EnableMenuItem(menu, item.command, MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
    SetMenuCheck(menu, ID_PALETTE_KEEP_PICTURE, !keepIndices);
    SetMenuCheck(menu, ID_PALETTE_KEEP_INDICES, keepIndices);
}

bool PaletteWindow::OnRearrangeCommand(int id)
{
    switch (id) {
    case ID_PALETTE_MOVE_BACK:        MoveSelection(-1); break;
    case ID_PALETTE_MOVE_FORWARD:     MoveSelection(1); break;
    case ID_PALETTE_MOVE_TO:          MoveSelectionTo(); break;
    case ID_PALETTE_SWAP_ENTRIES:     SwapRangeEnds(); break;
    case ID_PALETTE_SORT_HUE:         SortSelection(SortKey::Hue); break;
    case ID_PALETTE_SORT_LIGHTNESS:   SortSelection(SortKey::Lightness); break;
    case ID_PALETTE_SORT_USAGE:       SortSelection(SortKey::Usage); break;
    case ID_PALETTE_COMPACT:          CompactTable(); break;
    case ID_PALETTE_MERGE_DUPLICATES: MergeDuplicates(); break;
    case ID_PALETTE_CONFORM:          ConformToPaletteFile(); break;
    case ID_PALETTE_KEEP_PICTURE:     SetKeepIndices(false); break;
    case ID_PALETTE_KEEP_INDICES:     SetKeepIndices(true); break;
    default:                          return false;
    }
    return true;
}

void PaletteWindow::SetKeepIndices(bool keep)
{
    keepIndices = keep;
    WriteViewSettings();
}

void PaletteWindow::MoveSelection(int32_t step)
{
    uint32_t first, last;
    Rearrangement plan;
    std::string reason;
    const int64_t position = SelectedRange(&first, &last) ? int64_t(first) + step : -1;
    if (position < 0 || position + (last - first) >= workingTable.GetCount() ||
        !MoveEntries(workingTable, first, last, uint32_t(position), keepIndices, &plan, &reason)) {
        MessageBeep(MB_OK);
        return;
    }
    TakeRearrangement(plan, true);
}

void PaletteWindow::MoveSelectionTo()
{
    uint32_t first, last;
    if (!SelectedRange(&first, &last) || last - first + 1 >= workingTable.GetCount()) {
        MessageBeep(MB_OK);
        return;
    }
    MoveRequest request = {first, workingTable.GetCount() - (last - first) - 1};
    if (DialogBoxIn(IDD_MOVE_ENTRIES, Hwnd(), MoveEntriesProc, LPARAM(&request)) != IDOK)
        return;
    Rearrangement plan;
    std::string reason;
    if (MoveEntries(workingTable, first, last, request.position, keepIndices, &plan, &reason))
        TakeRearrangement(plan, true);
}

void PaletteWindow::SwapRangeEnds()
{
    uint32_t first, last;
    Rearrangement plan;
    std::string reason;
    if (!SelectedRange(&first, &last) || first == last ||
        !SwapEntries(workingTable, first, last, keepIndices, &plan, &reason)) {
        MessageBeep(MB_OK);
        return;
    }
    TakeRearrangement(plan, true);
}

void PaletteWindow::SortSelection(SortKey key)
{
    // A range sorts within itself; otherwise the whole table.
    uint32_t first = 0, last = 0;
    if (!SelectedRange(&first, &last) || first == last) {
        first = 0;
        last = workingTable.GetCount() ? workingTable.GetCount() - 1 : 0;
    }
    Rearrangement plan;
    std::string reason;
    if (workingTable.GetCount() < 2 ||
        !SortEntries(workingTable, first, last, key, workingUsage, keepIndices, &plan, &reason)) {
        MessageBeep(MB_OK);
        return;
    }
    TakeRearrangement(plan, false);
}

void PaletteWindow::CompactTable()
{
    std::vector<bool> used;
    std::vector<uint32_t> visibility;
    uint32_t minimum, maximum;
    Rearrangement plan;
    std::string reason;
    if (!PictureEntriesInWorkingOrder(&used, &visibility, &minimum, &maximum) ||
        !CompactEntries(workingTable, used, minimum, &plan, &reason)) {
        MessageBeep(MB_OK);
        return;
    }
    TakeRearrangement(plan, true);
}

void PaletteWindow::MergeDuplicates()
{
    std::vector<bool> used;
    std::vector<uint32_t> visibility;
    uint32_t minimum, maximum;
    Rearrangement plan;
    std::string reason;
    // Nothing to merge beeps, as a command with nothing to act on does.
    if (!PictureEntriesInWorkingOrder(&used, &visibility, &minimum, &maximum) ||
        !MergeDuplicateEntries(workingTable, visibility, &plan, &reason) || plan.moved == 0) {
        MessageBeep(MB_OK);
        return;
    }
    TakeRearrangement(plan, false);
}

void PaletteWindow::ConformToPaletteFile()
{
    std::vector<bool> used;
    std::vector<uint32_t> visibility;
    uint32_t minimum, maximum;
    if (!PictureEntriesInWorkingOrder(&used, &visibility, &minimum, &maximum)) {
        MessageBeep(MB_OK);
        return;
    }
    if (!conformDialog.Run(FileDialogSpec::OpenMode, Hwnd())) return;
    ColorTable palette;
    std::string reason;
    bool loaded;
    if (conformDialog.filterIndex == 2) {
        DibImage image;
        loaded = image.LoadFromFile(MemoryDC(nullptr), conformDialog.path.c_str()) && image.CopyColorTable(palette);
    } else {
        loaded = LoadAnyPalette(conformDialog.path.c_str(), &palette, nullptr, &reason);
    }
    if (!loaded || palette.GetCount() == 0) {
        MessageBoxA(Hwnd(), LoadText(IDS_PALETTE_LOADING_ERROR).c_str(), kCaption, MB_ICONERROR);
        return;
    }
    if (palette.GetCount() < minimum || palette.GetCount() > maximum) {
        char text[256];
        std::snprintf(text, sizeof text, LoadText(IDS_CONFORM_SIZE).c_str(), minimum, maximum, palette.GetCount());
        MessageBoxA(Hwnd(), text, kCaption, MB_ICONERROR);
        return;
    }
    Rearrangement plan;
    if (!ConformToPalette(workingTable, palette, visibility, used, &plan, &reason)) {
        // With a table of at most 256 entries, the one refusal: a see-through
        // entry with no palette entry left to keep it so.
        MessageBoxA(Hwnd(), LoadText(IDS_CONFORM_NO_FREE_ENTRY).c_str(), kCaption, MB_ICONERROR);
        return;
    }
    TakeRearrangement(plan, true);
    char text[256];
    std::snprintf(text, sizeof text, LoadText(IDS_CONFORM_REPORT).c_str(), plan.moved, plan.recolored,
                  plan.largestError);
    MessageBoxA(Hwnd(), text, kCaption, MB_ICONINFORMATION);
}
