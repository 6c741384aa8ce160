#include "image/picture_remap.h"

#include "image/bmp_remap.h"
#include "image/byte_source.h"
#include "image/gif_remap.h"
#include "image/png_remap.h"
#include "platform/safe_file_writer.h"

RemappablePicture::RemappablePicture() : format(ImageFileFormat::Unknown), bmp(), png(), gif() {}

bool RemappablePicture::Read(SourceFile& file, bool countPixels, std::string* reason)
{
    const ByteSource source(file);
    if (DetectImageFormat(source) != ImageFileFormat::Bmp) return ReadIndexed(source, countPixels, reason);
    format = ImageFileFormat::Unknown;
    counts.clear();
    named.clear();
    if (!ReadBmpTable(file, &bmp, &table, countPixels ? &counts : nullptr, reason)) return false;
    format = ImageFileFormat::Bmp;
    return true;
}

bool RemappablePicture::ReadIndexed(const ByteSource& source, bool countPixels, std::string* reason,
                                    bool editPictureTable)
{
    format = ImageFileFormat::Unknown;
    counts.clear();
    named.clear();
    const ImageFileFormat detected = DetectImageFormat(source);
    if (detected == ImageFileFormat::Png) {
        if (!ReadPngStructure(source, &png, reason) || !table.Assign(png.table) ||
            (countPixels && !CountPngIndices(source, png, &counts, reason)))
            return false;
        const int background = PngBackgroundIndex(source, png);
        if (background >= 0) named.push_back(uint32_t(background));
    } else if (detected == ImageFileFormat::Gif) {
        if (!ReadGifStructure(source, &gif, reason, editPictureTable) || !table.Assign(gif.table) ||
            (countPixels && !CountGifIndices(source, gif, &counts, reason)))
            return false;
        for (size_t i = 0; i < gif.images.size(); ++i)
            if (GifImageUsesTable(gif, i) && gif.images[i].transparentIndex >= 0)
                named.push_back(uint32_t(gif.images[i].transparentIndex));
        if (!gif.editsLocalTable) named.push_back(gif.backgroundIndex);
    } else {
        *reason = "is not a BMP, PNG or GIF file";
        return false;
    }
    format = detected;
    return true;
}

std::vector<uint8_t> RemappablePicture::Alpha() const
{
    std::vector<uint8_t> alpha(table.GetCount(), 255);
    if (format == ImageFileFormat::Png)
        for (size_t i = 0; i < png.alpha.size() && i < alpha.size(); ++i) alpha[i] = png.alpha[i];
    for (size_t i = 0; format == ImageFileFormat::Gif && i < gif.images.size(); ++i) {
        const int transparent = gif.images[i].transparentIndex;
        if (GifImageUsesTable(gif, i) && transparent >= 0 && uint32_t(transparent) < alpha.size()) alpha[transparent] = 0;
    }
    return alpha;
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
                              bool remapPixels, SafeFileWriter& out, std::string* reason) const
{
    if (format == ImageFileFormat::Bmp) return WriteRemappedBmp(file, bmp, newTable, map, remapPixels, out, reason);
    return WriteIndexed(ByteSource(file), newTable, map, remapPixels, out, reason);
}

bool RemappablePicture::WriteIndexed(const ByteSource& source, const ColorTable& newTable,
                                     const std::vector<uint32_t>& map, bool remapPixels, SafeFileWriter& out,
                                     std::string* reason) const
{
    if (format == ImageFileFormat::Png) return WriteRemappedPng(source, png, newTable, map, remapPixels, out, reason);
    if (format == ImageFileFormat::Gif) return WriteRemappedGif(source, gif, newTable, map, remapPixels, out, reason);
    *reason = "was not read";
    out.Fail();
    return false;
}
