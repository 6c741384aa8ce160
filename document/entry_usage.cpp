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
    // The other frames drawn with the table count too, their indices where Apply moved them.
    for (uint32_t i = 0; i < otherFrameUsage.size() && !entryUsage.empty(); ++i) {
        const uint32_t to = i < fileMap.size() ? fileMap[i] : i;
        if (to < entryUsage.size()) entryUsage[to] += otherFrameUsage[i];
    }
    entryUsage.resize(IsEmpty() ? 0 : EntryCount());
    paletteWindow.UsageChanged();
    paletteWindow.UpdateTableMenu();
}

void BitmapDocument::CountOtherFrames()
{
    otherFrameUsage.clear();
    std::string reason;
    if (indexedFile && indexedFile->Format() == ImageFileFormat::Gif &&
        !indexedFile->CountOtherFramesUsage(ByteSource(fileBytes), &otherFrameUsage, &reason))
        otherFrameUsage.clear();
}

const std::vector<uint64_t>& BitmapDocument::EntryUsage() const
{
    return entryUsage;
}
