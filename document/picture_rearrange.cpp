// A table whose entries were rearranged to keep the picture: Apply sends the
// pixels after their entries, so the picture looks as it did. A PNG or GIF
// keeps the map from its file's indices to the picture's until it is saved,
// when its pixel data is written again through it.
#include "document/bitmap_document.h"

#include "image/picture_remap.h"
#include "image/remap.h"
#include "image/usage_counts.h"
#include "palette/color_table.h"
#include "palette/entry_order.h"
#include "palette/rearrange.h"

namespace {

// values of the file's entries carried to the entries the map sends them to;
// the first entry to arrive decides.
template <typename T>
std::vector<T> CarriedThrough(const std::vector<T>& values, const std::vector<uint32_t>& map, size_t count, T none)
{
    std::vector<T> result(count, none);
    std::vector<bool> reached(count, false);
    for (uint32_t i = 0; i < values.size(); ++i) {
        const uint32_t to = i < map.size() ? map[i] : i;
        if (to >= count || reached[to]) continue;
        reached[to] = true;
        result[to] = values[i];
    }
    return result;
}

}  // namespace

int BitmapDocument::EditedGifTable() const
{
    return indexedFile && indexedFile->Format() == ImageFileFormat::Gif ? indexedFile->EditedTable()
                                                                        : kDefaultGifTable;
}

bool BitmapDocument::ApplyRearrangedTable(const ColorTable& table, const std::vector<uint32_t>& pixelMap)
{
    if (pixelMap.empty()) return ApplyColorTable(table);
    problem.clear();
    BITMAPINFOHEADER info;
    if (IsEmpty() || !CopyHeaders(nullptr, &info) || !FileTakesTable(table)) return false;
    IndexRemap remap;
    std::string reason;
    std::vector<uint64_t> counts;
    if (!remap.Build(pixelMap, info.biBitCount, &reason) || !::CountEntryUsage(*this, &counts)) return false;
    // Pixels past the table's end keep their indices: the table keeps room for them.
    uint32_t needed = table.GetCount();
    for (uint32_t c = 0; c < counts.size(); ++c) {
        const uint32_t to = remap.Index(uint8_t(c));
        if (counts[c] && to + 1 > needed) needed = to + 1;
    }
    ColorTable shown;
    if (!shown.Assign(table) || !shown.Resize(needed)) return false;
    std::vector<uint32_t> nextFileMap = indexedFile ? ComposeMaps(fileMap, pixelMap) : std::vector<uint32_t>();
    if (!ResizeColorTable(shown) || !RemapBitmapPixels(*this, remap)) return false;
    fileMap.swap(nextFileMap);
    TableApplied();
    return true;
}

bool BitmapDocument::DescribeEntries(PictureEntries* entries) const
{
    BITMAPINFOHEADER info;
    if (IsEmpty() || !CopyHeaders(nullptr, &info) || info.biBitCount > 8) return false;
    const size_t count = EntryCount();
    entries->used.assign(count, false);
    for (size_t i = 0; i < count && i < entryUsage.size(); ++i) entries->used[i] = entryUsage[i] > 0;
    entries->visibility.assign(count, kFullySeen);
    entries->minimum = 1;
    entries->maximum = 1u << info.biBitCount;
    if (!indexedFile) return true;
    // The picture shows one frame; the file's pixels of every frame count.
    RemappablePicture picture;
    std::string reason;
    if (!picture.ReadIndexed(ByteSource(fileBytes), true, &reason, true, EditedGifTable())) return false;
    // What the file says of its entries, moved to where Apply sent them.
    const std::vector<bool> named = CarriedThrough(picture.UsedEntries(), fileMap, count, false);
    for (size_t i = 0; i < count; ++i) entries->used[i] = entries->used[i] || named[i];
    entries->visibility = CarriedThrough(picture.Visibility(), fileMap, count, kFullySeen);
    entries->minimum = picture.MinimumEntries();
    entries->maximum = indexedFile->MaxEntries();
    return true;
}

bool BitmapDocument::WriteRearrangedFile(const ColorTable& table, SafeFileWriter& writer, std::string* reason) const
{
    RemappablePicture picture;
    const ByteSource source(fileBytes);
    return picture.ReadIndexed(source, false, reason, true, EditedGifTable()) &&
           picture.WriteIndexed(source, table, fileMap, true, writer, reason, PngEncoding(), otherTables);
}
