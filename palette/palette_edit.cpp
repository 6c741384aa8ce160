// The palette window's edit commands: undo and redo of its table changes,
// and colors to and from the clipboard as text.
#include "palette/palette_window.h"

#include "app/clipboard_text.h"
#include "app/gdi_scope.h"
#include "palette/color_text.h"
#include "palette/palette_formats.h"
#include "resources/resource.h"

#include <string>
#include <vector>

namespace {

// The most clipboard text a paste reads: a line a color for the largest
// table, each line far shorter than this allows.
const size_t kPasteTextLimit = size_t(kMaxPaletteEntries) * 64;

// The first color of each clipboard line that holds one, at most maxColors
// of them, read no further than needed.
bool ClipboardColors(HWND owner, size_t maxColors, std::vector<TextColor>* colors)
{
    return ForEachClipboardLine(owner, kPasteTextLimit, [&](const char* line, size_t length) {
        std::vector<TextColor> found = ColorsInText(line, length, 1);
        if (!found.empty()) colors->push_back(found[0]);
        return colors->size() < maxColors;
    });
}

}  // namespace

int PaletteEditCommand(WPARAM key)
{
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0) return 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (key) {
    case 'Z': return shift ? ID_PALETTE_REDO : ID_PALETTE_UNDO;
    case 'Y': return shift ? 0 : ID_PALETTE_REDO;
    case 'C': return shift ? 0 : ID_PALETTE_COPY;
    case 'V': return shift ? 0 : ID_PALETTE_PASTE;
    default: return 0;
    }
}

TableMark PaletteWindow::CurrentMark() const
{
    return {selected != 0, selectedColumn, selectedRow, modified != 0, order};
}

void PaletteWindow::BeginStep()
{
    stepMark = CurrentMark();
    stepReady = stepWorking.Assign(workingTable) && stepInitial.Assign(initialTable);
}

void PaletteWindow::EndStep()
{
    // A step that cannot be kept breaks the way back through the older ones.
    if (!stepReady ||
        !history.Record(stepWorking, stepInitial, stepMark, workingTable, initialTable, CurrentMark()))
        history.Clear();
    stepReady = false;
    stepWorking.Reset(0);
    stepInitial.Reset(0);
}

bool PaletteWindow::SelectedEntry(uint32_t* entry) const
{
    if (!selected || selectedColumn < 0 || selectedColumn >= layout.columns || selectedRow < 0) return false;
    uint32_t index = uint32_t(selectedRow) * uint32_t(layout.columns) + uint32_t(selectedColumn);
    if (index >= workingTable.GetCount()) return false;
    *entry = index;
    return true;
}

void PaletteWindow::ShowMark(const TableMark& mark, uint32_t countBefore)
{
    modified = mark.modified;
    order = mark.order;
    // A range belongs to the entry it was stretched from.
    if (!mark.selected || mark.column != selectedColumn || mark.row != selectedRow) rangeOn = false;
    selectedColumn = mark.column;
    selectedRow = mark.row;
    // The entry may be gone: a table from the document keeps the selection.
    selected = mark.selected;
    uint32_t entry = 0;
    if (!SelectedEntry(&entry)) selected = 0;
    OrderChanged();
    if (workingTable.GetCount() != countBefore) ResetScrollBar();
    RefreshGrid();
    if (selected) panel.SetCurrentColor(workingTable.GetPackedColor(entry));
}

void PaletteWindow::Undo()
{
    uint32_t count = workingTable.GetCount();
    TableMark mark;
    if (!history.Undo({&workingTable, &initialTable}, &mark)) {
        MessageBeep(MB_OK);
        return;
    }
    ShowMark(mark, count);
}

void PaletteWindow::Redo()
{
    uint32_t count = workingTable.GetCount();
    TableMark mark;
    if (!history.Redo({&workingTable, &initialTable}, &mark)) {
        MessageBeep(MB_OK);
        return;
    }
    ShowMark(mark, count);
}

bool PaletteWindow::CanCopy() const
{
    // A framed cell without an entry has nothing to copy.
    uint32_t entry;
    return selected ? SelectedEntry(&entry) : workingTable.GetCount() != 0;
}

void PaletteWindow::CopyColors()
{
    std::string text;
    if (!CanCopy()) {
        MessageBeep(MB_OK);
        return;
    }
    uint32_t first = 0;
    uint32_t last = workingTable.GetCount() - 1;
    if (SelectedRange(&first, &last) && first == last) {
        const ColorEntry* e = workingTable.GetEntry(first);
        text = ColorAsText(e->red, e->green, e->blue);
    } else {
        // A range, or with no selection the whole table: a line an entry.
        for (uint32_t i = first; i <= last; ++i) {
            const ColorEntry* e = workingTable.GetEntry(i);
            text += ColorAsText(e->red, e->green, e->blue) + "\r\n";
        }
    }
    if (text.empty() || !PutClipboardText(Hwnd(), text)) MessageBeep(MB_OK);
}

void PaletteWindow::FillSquare(uint32_t entry)
{
    int32_t row = int32_t(entry / uint32_t(layout.columns)) - topRow;
    if (row < 0 || row >= layout.rows) return;
    const int32_t column = int32_t(entry % uint32_t(layout.columns));
    RECT square = layout.ColorRect(column, row);
    WindowDC dc(GetDlgItem(Hwnd(), IDC_PALETTE_GRID));
    FillRect(dc, &square, SolidBrush(workingTable.GetPackedColor(entry)));
    DrawUsageMark(dc, column, row, entry);
}

void PaletteWindow::PasteColors()
{
    uint32_t entry;
    std::vector<TextColor> colors;
    if (!SelectedEntry(&entry) || !ClipboardColors(Hwnd(), workingTable.GetCount() - entry, &colors) ||
        colors.empty()) {
        MessageBeep(MB_OK);
        return;
    }
    BeginStep();
    modified = 1;
    for (size_t i = 0; i < colors.size(); ++i) {
        workingTable.SetColor(entry + uint32_t(i), colors[i].red, colors[i].green, colors[i].blue);
        FillSquare(entry + uint32_t(i));
    }
    EndStep();
    panel.SetCurrentColor(workingTable.GetPackedColor(entry));
}

bool PaletteWindow::OnEditKey(WPARAM key)
{
    int command = PaletteEditCommand(key);
    if (command) OnCommand(command);
    return command != 0;
}

void PaletteWindow::UpdateEditMenu()
{
    HMENU menu = GetMenu(Hwnd());
    uint32_t entry;
    std::vector<TextColor> first;
    bool canPaste = SelectedEntry(&entry) && ClipboardColors(Hwnd(), 1, &first) && !first.empty();
    const struct {
        UINT command;
        bool enabled;
    } items[] = {
        {ID_PALETTE_UNDO, history.CanUndo()},
        {ID_PALETTE_REDO, history.CanRedo()},
        {ID_PALETTE_COPY, CanCopy()},
        {ID_PALETTE_PASTE, canPaste},
        {ID_PALETTE_GRADIENT_RGB, CanFillGradient()},
        {ID_PALETTE_GRADIENT_OKLAB, CanFillGradient()},
        {ID_PALETTE_SNAP_3_BITS, workingTable.GetCount() != 0},
        {ID_PALETTE_SNAP_4_BITS, workingTable.GetCount() != 0},
        {ID_PALETTE_SNAP_5_BITS, workingTable.GetCount() != 0},
        {ID_PALETTE_SNAP_6_BITS, workingTable.GetCount() != 0},
    };
    for (const auto& item : items)
        EnableMenuItem(menu, item.command, MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
    UpdateRearrangeMenu(menu);
}
