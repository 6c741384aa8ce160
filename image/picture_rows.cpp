#include "image/picture_rows.h"

#include <cstring>
#include <memory>
#include <new>

#include "image/bmp_layout.h"
#include "image/bmp_truecolor.h"
#include "image/swatch_palette.h"
#include "palette/palette_formats.h"
#include "platform/safe_file_writer.h"

namespace {

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

}  // namespace

PictureRows::PictureRows()
    : kind(Kind::None), width(0), height(0), pixelStart(0), stride(0), bitCount(0), topDown(false)
{
}

bool PictureRows::HasAlpha() const
{
    if (kind == Kind::TruePng) return png.HasAlpha();
    if (kind == Kind::TrueBmp) return trueBmp.masks[3] != 0;
    for (uint8_t a : tableAlpha)
        if (a != 255) return true;
    return false;
}

bool PictureRows::Open(const ByteSource& source, std::string* reason)
{
    kind = Kind::None;
    table.Reset(0);
    tableAlpha.clear();
    const ImageFileFormat format = DetectImageFormat(source);
    if (format == ImageFileFormat::Bmp) return OpenBmp(source, reason);
    if (format == ImageFileFormat::Png) {
        std::string why;
        if (ReadTruecolorPng(source, &png, &why)) {
            kind = Kind::TruePng;
            width = png.width;
            height = png.height;
            return true;
        }
        if (png.colorType != 3) return Refuse(reason, why);
    } else if (format != ImageFileFormat::Gif) {
        return Refuse(reason, "is not a picture this program reads (BMP, PNG or GIF)");
    }
    if (!indexed.Read(source, reason) || !indexed.PictureDataCanFill(reason)) return false;
    if (!table.Assign(indexed.PictureTable())) return Refuse(reason, "needs more memory than is free");
    tableAlpha = indexed.Alpha();
    tableAlpha.resize(table.GetCount(), 255);
    kind = Kind::Indexed;
    width = indexed.Width();
    height = indexed.Height();
    return true;
}

bool PictureRows::OpenBmp(const ByteSource& source, std::string* reason)
{
    if (IsTruecolorBmp(source)) {
        if (!ReadTruecolorBmp(source, &trueBmp, reason)) return false;
        kind = Kind::TrueBmp;
        width = trueBmp.width;
        height = trueBmp.height;
        topDown = trueBmp.topDown;
        stride = trueBmp.stride;
        pixelStart = trueBmp.pixelStart;
        bitCount = trueBmp.bitCount;
        return true;
    }
    unsigned char headers[kBmpHeadersBytes];
    BmpLayout layout;
    if (!source.ReadAt(0, headers, sizeof headers) || !ReadBmpLayout(headers, source.Size(), &layout))
        return Refuse(reason, "is not a BMP file this program reads (a 40-byte header, no compression, "
                              "all its rows in the file; 'korin-cli normalize' converts others)");
    bitCount = layout.infoHeader.biBitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8)
        return Refuse(reason, "a " + std::to_string(bitCount) + "-bit BMP is not read (1, 4, 8, 16, 24 and 32 bits are)");
    width = uint32_t(layout.infoHeader.biWidth);
    topDown = layout.infoHeader.biHeight < 0;
    height = topDown ? uint32_t(-int64_t(layout.infoHeader.biHeight)) : uint32_t(layout.infoHeader.biHeight);
    stride = layout.stride;
    pixelStart = layout.pixelStart;
    {
        const uint32_t count = layout.entryCount < (1u << bitCount) ? layout.entryCount : (1u << bitCount);
        std::vector<uint8_t> quads(size_t(count) * 4);
        if (!table.Reset(count) || (count && !source.ReadAt(kBmpHeadersBytes, quads.data(), quads.size())))
            return Refuse(reason, "its color table cannot be read");
        for (uint32_t i = 0; i < count; ++i) table.SetColor(i, quads[4 * i + 2], quads[4 * i + 1], quads[4 * i]);
        tableAlpha.assign(count, 255);
        kind = Kind::IndexedBmp;
    }
    return true;
}

bool PictureRows::BmpRows(const ByteSource& source, const RgbaRow& row, std::string* reason) const
{
    const uint64_t rgbaBytes = uint64_t(width) * 4;
    if (rgbaBytes + stride > SIZE_MAX) return Refuse(reason, "the rows are too large for this machine");
    std::unique_ptr<uint8_t[]> stored(new (std::nothrow) uint8_t[stride]);
    std::unique_ptr<uint8_t[]> rgba(new (std::nothrow) uint8_t[size_t(rgbaBytes)]);
    if (!stored || !rgba) return Refuse(reason, "no memory for a row of " + std::to_string(width) + " pixels");
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t storedRow = topDown ? y : height - 1 - y;
        if (!source.ReadAt(pixelStart + uint64_t(storedRow) * stride, stored.get(), stride))
            return Refuse(reason, "row " + std::to_string(y) + " cannot be read");
        if (kind == Kind::TrueBmp) {
            TruecolorBmpRow(trueBmp, stored.get(), rgba.get());
            if (!row(y, rgba.get(), reason)) return false;
            continue;
        }
        uint8_t* out = rgba.get();
        for (uint32_t x = 0; x < width; ++x, out += 4) {
            const uint64_t bit = uint64_t(x) * bitCount;
            const uint32_t index = stored[bit / 8] >> (8 - bitCount - bit % 8) & ((1u << bitCount) - 1);
            if (index < table.GetCount()) {
                const ColorEntry& e = *table.GetEntry(index);
                out[0] = e.red;
                out[1] = e.green;
                out[2] = e.blue;
            } else {
                out[0] = out[1] = out[2] = 0;  // past the table: black, as the bitmap shows it
            }
            out[3] = 255;
        }
        if (!row(y, rgba.get(), reason)) return false;
    }
    return true;
}

bool PictureRows::ForEachRow(const ByteSource& source, const RgbaRow& row, std::string* reason) const
{
    switch (kind) {
    case Kind::TrueBmp:
    case Kind::IndexedBmp: return BmpRows(source, row, reason);
    case Kind::TruePng: return DecodeTruecolorPng(source, png, row, reason);
    case Kind::Indexed: break;
    case Kind::None: return Refuse(reason, "was not read");
    }
    const uint64_t rgbaBytes = uint64_t(width) * 4;
    if (rgbaBytes > SIZE_MAX) return Refuse(reason, "the rows are too large for this machine");
    std::unique_ptr<uint8_t[]> rgba(new (std::nothrow) uint8_t[size_t(rgbaBytes)]);
    if (!rgba) return Refuse(reason, "no memory for a row of " + std::to_string(width) + " pixels");
    bool stopped = false;
    std::string why;
    const bool done = indexed.DecodeRows(
        source,
        [&](uint32_t y, const uint8_t* indices) {
            if (stopped) return;
            uint8_t* out = rgba.get();
            for (uint32_t x = 0; x < width; ++x, out += 4) {
                const uint32_t index = indices[x];
                if (index < table.GetCount()) {
                    const ColorEntry& e = *table.GetEntry(index);
                    out[0] = e.red;
                    out[1] = e.green;
                    out[2] = e.blue;
                    out[3] = tableAlpha[index];
                } else {
                    out[0] = out[1] = out[2] = 0;
                    out[3] = 255;
                }
            }
            if (!row(y, rgba.get(), &why)) stopped = true;
        },
        reason);
    if (stopped) return Refuse(reason, why);
    return done;
}

bool LoadPaletteWithAlpha(const char* path, ColorTable* table, std::vector<uint8_t>* alpha, std::string* reason)
{
    SourceFile file;
    if (!file.Open(path)) return Refuse(reason, "cannot be opened");
    const ByteSource source(file);
    if (DetectImageFormat(source) == ImageFileFormat::Unknown) {
        file.Close();
        alpha->clear();
        return LoadAnyPalette(path, table, nullptr, reason);
    }
    PictureRows picture;
    if (!picture.Open(source, reason)) return false;
    if (!picture.IsIndexed()) {
        // Without a table of its own, a picture of swatches is the palette.
        const char kNoTable[] = "is a picture without a color table";
        std::string why;
        if (IsSwatchPictureFormat(source) && ReadSwatchPalette(source, table, alpha, &why)) return true;
        return Refuse(reason, why.empty() ? kNoTable : std::string(kNoTable) + ", and it " + why);
    }
    if (!table->Assign(picture.Table())) return Refuse(reason, "needs more memory than is free");
    *alpha = picture.TableAlpha();
    return true;
}
