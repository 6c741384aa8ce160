#include "image/picture_remap.h"

#include "image/bmp_remap.h"
#include "image/byte_source.h"
#include "image/gif_remap.h"
#include "image/png_remap.h"
#include "palette/rearrange.h"
#include "platform/safe_file_writer.h"

namespace {

const char kOneTable[] = "holds one color table; only a GIF file has several";

}  // namespace

RemappablePicture::RemappablePicture() : format(ImageFileFormat::Unknown), bmp(), png(), gif() {}

bool RemappablePicture::Read(SourceFile& file, bool countPixels, std::string* reason, int gifTable)
{
    const ByteSource source(file);
    if (DetectImageFormat(source) != ImageFileFormat::Bmp)
        return ReadIndexed(source, countPixels, reason, false, gifTable);
    format = ImageFileFormat::Unknown;
    counts.clear();
    named.clear();
    transparentIndices.clear();
    if (gifTable != kDefaultGifTable) {
        *reason = kOneTable;
        return false;
    }
    if (!ReadBmpTable(file, &bmp, &table, countPixels ? &counts : nullptr, reason)) return false;
    format = ImageFileFormat::Bmp;
    return true;
}

bool RemappablePicture::ReadIndexed(const ByteSource& source, bool countPixels, std::string* reason,
                                    bool editPictureTable, int gifTable)
{
    format = ImageFileFormat::Unknown;
    counts.clear();
    keptRows.Clear();
    named.clear();
    transparentIndices.clear();
    const ImageFileFormat detected = DetectImageFormat(source);
    if (detected == ImageFileFormat::Png && gifTable != kDefaultGifTable) {
        *reason = kOneTable;
        return false;
    }
    if (detected == ImageFileFormat::Png) {
        if (!ReadPngStructure(source, &png, reason) || !table.Assign(png.table) ||
            (countPixels && !CountPngIndices(source, png, &counts, reason, &keptRows)))
            return false;
        const int background = PngBackgroundIndex(source, png);
        if (background >= 0) named.push_back(uint32_t(background));
    } else if (detected == ImageFileFormat::Gif) {
        std::vector<GifDrawing> drawings;
        if (!ReadGifStructure(source, &gif, reason, editPictureTable) ||
            (gifTable != kDefaultGifTable && !SelectGifTable(source, &gif, gifTable, reason)) ||
            !table.Assign(gif.table) || !ListGifDrawings(source, gif, &drawings, reason) ||
            (countPixels && !CountGifIndices(source, gif, &counts, reason)))
            return false;
        for (const GifDrawing& drawing : drawings) {
            transparentIndices.push_back(drawing.transparentIndex);
            if (drawing.transparentIndex >= 0) named.push_back(uint32_t(drawing.transparentIndex));
            if (drawing.plainText) {
                named.push_back(drawing.foreground);
                named.push_back(drawing.background);
            }
        }
        if (!gif.editsLocalTable) named.push_back(gif.backgroundIndex);
    } else {
        *reason = "is not a BMP, PNG or GIF file";
        return false;
    }
    format = detected;
    return true;
}

std::vector<uint32_t> RemappablePicture::Visibility() const
{
    std::vector<uint32_t> seen(table.GetCount(), kFullySeen);
    if (format == ImageFileFormat::Png)
        for (size_t i = 0; i < png.alpha.size() && i < seen.size(); ++i) seen[i] = png.alpha[i];
    if (format != ImageFileFormat::Gif) return seen;
    // Transparency is each drawing's own: an entry one frame hides may show in the next.
    std::vector<size_t> hidden(seen.size(), 0);
    for (int transparent : transparentIndices)
        if (transparent >= 0 && uint32_t(transparent) < hidden.size()) ++hidden[transparent];
    for (uint32_t i = 0; i < seen.size(); ++i) {
        if (hidden[i] > 0) seen[i] = hidden[i] == transparentIndices.size() ? kNeverSeen : kSeenInSomeFrames + i;
    }
    return seen;
}

std::vector<bool> RemappablePicture::UsedEntries() const
{
    std::vector<bool> used(table.GetCount(), false);
    for (uint32_t i = 0; i < table.GetCount() && i < counts.size(); ++i) used[i] = counts[i] > 0;
    for (uint32_t i : named)
        if (i < used.size()) used[i] = true;
    return used;
}

uint32_t RemappablePicture::MinimumEntries() const
{
    return format == ImageFileFormat::Gif ? 2 : 1;
}

uint32_t RemappablePicture::MaximumEntries() const
{
    if (format == ImageFileFormat::Bmp) return 1u << bmp.infoHeader.biBitCount;
    if (format == ImageFileFormat::Png) return 1u << png.bitDepth;
    return 256;
}

bool RemappablePicture::Write(SourceFile& file, const ColorTable& newTable, const std::vector<uint32_t>& map,
                              bool remapPixels, SafeFileWriter& out, std::string* reason,
                              const PngEncoding& encoding) const
{
    if (format == ImageFileFormat::Bmp) return WriteRemappedBmp(file, bmp, newTable, map, remapPixels, out, reason);
    return WriteIndexed(ByteSource(file), newTable, map, remapPixels, out, reason, encoding);
}

bool RemappablePicture::WriteIndexed(const ByteSource& source, const ColorTable& newTable,
                                     const std::vector<uint32_t>& map, bool remapPixels, SafeFileWriter& out,
                                     std::string* reason, const PngEncoding& encoding,
                                     const std::vector<GifTableEdit>& otherGifTables) const
{
    if (format == ImageFileFormat::Png)
        return WriteRemappedPng(source, png, newTable, map, remapPixels, out, reason, encoding, &keptRows);
    if (format == ImageFileFormat::Gif)
        return WriteRemappedGif(source, gif, newTable, map, remapPixels, out, reason, otherGifTables);
    *reason = "was not read";
    out.Fail();
    return false;
}
