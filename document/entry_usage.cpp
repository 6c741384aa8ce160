// How many pixels of the open picture use each entry of its color table.
#include "document/bitmap_document.h"

#include "app/globals.h"
#include "image/usage_counts.h"
#include "palette/palette_window.h"

void BitmapDocument::CountEntryUsage()
{
    // One count an entry: indices past the table's end use none of it, and a
    // picture without indices uses none of its table.
    if (!::CountEntryUsage(*this, &entryUsage)) entryUsage.clear();
    entryUsage.resize(IsEmpty() ? 0 : EntryCount());
    paletteWindow.UsageChanged();
}

const std::vector<uint64_t>& BitmapDocument::EntryUsage() const
{
    return entryUsage;
}
