// How rearrangements fit the working table's draft: each is one undo step
// that moves the table and, keeping the picture, adds its map to the order of
// the picture's entries; Apply sends the picture's pixels after every map
// since the picture's table was last applied, so the picture looks the same.
#include "palette/palette_window.h"

#include "app/globals.h"
#include "app/ui_language.h"
#include "document/bitmap_document.h"
#include "image/remap.h"
#include "resources/resource.h"

namespace {

uint32_t Through(const std::vector<uint32_t>& map, uint32_t index)
{
    return index < map.size() ? map[index] : index;
}

// A plan that leaves the table as it is and moves no pixel changes nothing.
bool ChangesNothing(const Rearrangement& plan, const ColorTable& table)
{
    if (plan.table.GetCount() != table.GetCount()) return false;
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* a = plan.table.GetEntry(i);
        const ColorEntry* b = table.GetEntry(i);
        if (a->red != b->red || a->green != b->green || a->blue != b->blue || a->flags != b->flags) return false;
    }
    for (uint32_t i = 0; plan.remapPixels && i < plan.map.size(); ++i)
        if (plan.map[i] != i) return false;
    return true;
}

}  // namespace

void PaletteWindow::ApplyToPicture()
{
    // The counts the document gives while applying are already in the new order.
    const EntryOrder before = appliedOrder;
    std::vector<uint32_t> pixelMap;
    pixelMap.swap(pendingMap);
    appliedOrder = order;
    if (!bitmapDocument.ApplyRearrangedTable(workingTable, pixelMap)) {
        appliedOrder = before;
        OrderChanged();
        // The file's format names its limit; every other refusal is the plain one.
        const std::string& problem = bitmapDocument.Problem();
        MessageBoxA(Hwnd(), (problem.empty() ? LoadText(IDS_PALETTE_REARRANGE_FAILED) : problem).c_str(), "Korin",
                    MB_ICONERROR);
        return;
    }
    OrderChanged();
}

void PaletteWindow::OrderChanged()
{
    pendingMap = PixelMapBetween(appliedOrder, order);
    const std::vector<uint64_t>& usage = bitmapDocument.EntryUsage();
    // Without a picture there are no counts to give; with nothing pending they
    // are the picture's own.
    if (usage.empty() || pendingMap.empty())
        workingUsage = usage;
    else
        workingUsage = CountsThrough(usage, pendingMap, workingTable.GetCount());
}

void PaletteWindow::DropPendingOrder()
{
    order = appliedOrder;
    OrderChanged();
}

uint32_t PaletteWindow::WorkingEntryOf(uint32_t pictureEntry) const
{
    return Through(pendingMap, pictureEntry);
}

bool PaletteWindow::PictureEntriesInWorkingOrder(std::vector<bool>* used, std::vector<uint32_t>* visibility,
                                                 uint32_t* minimum, uint32_t* maximum) const
{
    PictureEntries entries;
    if (!bitmapDocument.DescribeEntries(&entries)) return false;
    const uint32_t count = workingTable.GetCount();
    used->assign(count, false);
    visibility->assign(count, kFullySeen);
    std::vector<bool> reached(count, false);
    for (uint32_t c = 0; c < entries.used.size(); ++c) {
        const uint32_t w = WorkingEntryOf(c);
        if (w >= count) continue;
        (*used)[w] = (*used)[w] || entries.used[c];
        if (!reached[w]) (*visibility)[w] = entries.visibility[c];
        reached[w] = true;
    }
    *minimum = entries.minimum;
    *maximum = entries.maximum;
    return true;
}

void PaletteWindow::TakeRearrangement(const Rearrangement& plan, bool followSelection)
{
    uint32_t anchor = 0;
    const bool hadEntry = SelectedEntry(&anchor);
    uint32_t end = rangeOn && rangeEnd < workingTable.GetCount() ? rangeEnd : anchor;
    ColorTable table;
    if (ChangesNothing(plan, workingTable) || !table.Assign(plan.table)) {
        MessageBeep(MB_OK);
        return;
    }
    const uint32_t countBefore = workingTable.GetCount();
    BeginStep();
    workingTable.Swap(table);
    if (plan.remapPixels) order = OrderAfter(order, plan.map);
    modified = 1;
    if (hadEntry && followSelection) {
        anchor = Through(plan.map, anchor);
        end = Through(plan.map, end);
    }
    const uint32_t count = workingTable.GetCount();
    selected = hadEntry && anchor < count ? 1 : 0;
    rangeOn = selected && end != anchor && end < count;
    rangeEnd = end;
    if (selected) {
        selectedColumn = int32_t(anchor % uint32_t(layout.columns));
        selectedRow = int32_t(anchor / uint32_t(layout.columns));
    }
    EndStep();
    OrderChanged();
    if (count != countBefore) ResetScrollBar();
    if (selected) {
        // The least scrolling that shows the moved entry.
        if (selectedRow < topRow) topRow = selectedRow;
        if (selectedRow >= topRow + layout.rows) topRow = selectedRow - layout.rows + 1;
        SetScrollPos(GetDlgItem(Hwnd(), IDC_PALETTE_SCROLL), SB_CTL, topRow, TRUE);
        panel.SetCurrentColor(workingTable.GetPackedColor(anchor));
    }
    RefreshGrid();
    bitmapDocument.HighlightSelectionChanged();
}
