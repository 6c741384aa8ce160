// How many pixels of the open picture use each entry of its color table.
#include "document/bitmap_document.h"

#include "app/globals.h"
#include "image/usage_counts.h"
#include "palette/palette_window.h"

void BitmapDocument::CountEntryUsage()
{
    // Indices past the table show no entry of it: the counts stop at its end.
    if (EntryCount() == 0 || !::CountEntryUsage(*this, &entryUsage)) entryUsage.clear();
    if (entryUsage.size() > EntryCount()) entryUsage.resize(EntryCount());
    paletteWindow.UsageChanged();
}

const std::vector<uint64_t>& BitmapDocument::EntryUsage() const
{
    return entryUsage;
}
