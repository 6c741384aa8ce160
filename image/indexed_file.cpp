#include "image/indexed_file.h"

#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "image/dib_image.h"
#include "image/gif_pixels.h"
#include "image/gif_remap.h"
#include "image/png_remap.h"
#include "image/usage_counts.h"
#include "platform/safe_file_writer.h"
#include "report/gif_report.h"
#include "report/png_report.h"

namespace {

std::string LowerExtension(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    const size_t separator = path.find_last_of("/\\");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return "";
    std::string extension;
    for (char c : path.substr(dot + 1)) extension += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension;
}

// Puts one row of indices into a bitmap row of 1, 4 or 8 bits per pixel.
void PackRow(const uint8_t* indices, uint32_t width, uint32_t bitCount, unsigned char* row)
{
    if (bitCount == 8) {
        std::memcpy(row, indices, width);
        return;
    }
    const uint32_t perByte = 8 / bitCount;
    const uint32_t mask = (1u << bitCount) - 1;
    for (uint32_t x = 0; x < width; x += perByte) {
        unsigned byte = 0;
        for (uint32_t k = 0; k < perByte; ++k) {
            const unsigned value = x + k < width ? indices[x + k] & mask : 0;
            byte |= value << (8 - bitCount * (k + 1));
        }
        row[x / perByte] = static_cast<unsigned char>(byte);
    }
}

}  // namespace

ImageFileFormat DetectImageFormat(const ByteSource& source)
{
    unsigned char head[8] = {};
    const size_t count = source.Size() < sizeof head ? size_t(source.Size()) : sizeof head;
    if (!source.ReadAt(0, head, count)) return ImageFileFormat::Unknown;
    if (count == sizeof head && std::memcmp(head, kPngSignature, sizeof head) == 0) return ImageFileFormat::Png;
    if (count >= 6 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0))
        return ImageFileFormat::Gif;
    if (count >= 2 && head[0] == 'B' && head[1] == 'M') return ImageFileFormat::Bmp;
    return ImageFileFormat::Unknown;
}

ImageFileFormat ImageFormatForName(const std::string& path)
{
    const std::string extension = LowerExtension(path);
    if (extension == "bmp") return ImageFileFormat::Bmp;
    if (extension == "png") return ImageFileFormat::Png;
    if (extension == "gif") return ImageFileFormat::Gif;
    return ImageFileFormat::Unknown;
}

IndexedFile::IndexedFile() : format(ImageFileFormat::Unknown), width(0), height(0), png(), gif() {}

bool IndexedFile::Read(const ByteSource& source, std::string* reason, bool editPictureTable, int table)
{
    return ReadStructure(source, true, editPictureTable, table, reason);
}

bool IndexedFile::ReadBesidePixels(const ByteSource& source, std::string* reason, int table)
{
    return ReadStructure(source, false, false, table, reason);
}

bool IndexedFile::CheckPixelCrcs(const ByteSource& source, std::string* reason) const
{
    return format != ImageFileFormat::Png || CheckPngPixelCrcs(source, png, reason);
}

bool IndexedFile::ReadStructure(const ByteSource& source, bool checkPixelCrcs, bool editPictureTable, int table,
                                std::string* reason)
{
    format = ImageFileFormat::Unknown;
    switch (DetectImageFormat(source)) {
    case ImageFileFormat::Png:
        if (!(checkPixelCrcs ? ReadPngStructure(source, &png, reason)
                             : ReadPngStructureBesidePixels(source, &png, reason)))
            return false;
        width = png.width;
        height = png.height;
        format = ImageFileFormat::Png;
        break;
    case ImageFileFormat::Gif:
        if (!ReadGifStructure(source, &gif, reason, editPictureTable)) return false;
        if (table != kDefaultGifTable && !SelectGifTable(source, &gif, table, reason)) return false;
        if (!GifPictureSize(gif, &width, &height)) {
            *reason = "has no image to show";
            return false;
        }
        format = ImageFileFormat::Gif;
        break;
    default:
        *reason = "is not a PNG or GIF file";
        return false;
    }
    if (format == ImageFileFormat::Png && table != kDefaultGifTable) {
        format = ImageFileFormat::Unknown;
        *reason = "holds one color table; only a GIF file has several";
        return false;
    }
    if (Table().GetCount() == 0) {
        format = ImageFileFormat::Unknown;
        *reason = "has no color table to edit";
        return false;
    }
    return true;
}

uint32_t IndexedFile::BitmapBitCount() const
{
    if (format != ImageFileFormat::Png) return 8;
    return png.bitDepth == 2 ? 4 : png.bitDepth;
}

uint32_t IndexedFile::MaxEntries() const
{
    return format == ImageFileFormat::Png ? 1u << png.bitDepth : 256;
}

const ColorTable& IndexedFile::Table() const
{
    return format == ImageFileFormat::Gif ? gif.table : png.table;
}

const ColorTable& IndexedFile::PictureTable() const
{
    return format == ImageFileFormat::Gif ? gif.pictureTable : png.table;
}

bool IndexedFile::CountOtherFramesUsage(const ByteSource& source, std::vector<uint64_t>* counts,
                                        std::string* reason) const
{
    ByteHistogram histogram;
    GifPixelReader reader(source);
    for (size_t i = 0; format == ImageFileFormat::Gif && i < gif.images.size(); ++i) {
        if (i == gif.shownImage || !GifImageUsesTable(gif, i)) continue;
        if (!reader.Decode(gif.images[i], i, [&](const uint8_t* p, size_t n) { histogram.Add(p, n); }, true, reason))
            return false;
    }
    *counts = histogram.Totals();
    return true;
}

bool IndexedFile::CountTableUsage(const ByteSource& source, std::vector<uint64_t>* counts, std::string* reason) const
{
    if (format == ImageFileFormat::Gif) return CountGifPictureUsage(source, gif, counts, reason);
    // A still PNG is counted pass by pass as the file holds it: an interlaced
    // picture is never put together for it.
    if (format == ImageFileFormat::Png && PngImagesCounted(png) < 2) return CountPngIndices(source, png, counts, reason);
    ByteHistogram histogram;
    uint32_t rows = 0;
    const bool decoded = DecodeRows(source, [&](uint32_t y, const uint8_t* indices) {
        if (y >= height) return;
        histogram.Add(indices, width);
        ++rows;
    }, reason);
    if (decoded && rows != height) *reason = "ends before its last row";
    if (!decoded || rows != height) return false;
    *counts = histogram.Totals();
    return true;
}

bool IndexedFile::DecodeRows(const ByteSource& source,
                             const std::function<void(uint32_t y, const uint8_t* indices)>& row,
                             std::string* reason) const
{
    if (format == ImageFileFormat::Png) return DecodePngImage(source, png, row, reason);
    if (format == ImageFileFormat::Gif) return DecodeGifImage(source, gif, row, reason);
    *reason = "is not a PNG or GIF file";
    return false;
}

bool IndexedFile::PictureDataCanFill(std::string* reason) const
{
    if (format == ImageFileFormat::Png) return CheckPngImageData(png, reason);
    return format != ImageFileFormat::Gif || GifPixelReader::CanFill(gif.images[gif.shownImage], gif.shownImage, reason);
}

std::vector<uint8_t> IndexedFile::Alpha() const
{
    if (format == ImageFileFormat::Png) return png.alpha;
    std::vector<uint8_t> alpha;
    if (format == ImageFileFormat::Gif && !gif.images.empty() && gif.images[gif.shownImage].transparentIndex >= 0) {
        alpha.assign(size_t(gif.images[gif.shownImage].transparentIndex) + 1, 255);
        alpha.back() = 0;
    }
    return alpha;
}

bool IndexedFile::DecodePackedRows(const ByteSource& source, const std::function<uint8_t*(uint32_t y)>& rowAt,
                                   std::string* reason) const
{
    if (format == ImageFileFormat::Png) return DecodePngPacked(source, png, BitmapBitCount(), rowAt, reason);
    *reason = "is not a PNG file";
    return false;
}

std::vector<int> IndexedFile::Tables() const
{
    return format == ImageFileFormat::Gif ? GifTables(gif) : std::vector<int>();
}

int IndexedFile::EditedTable() const
{
    return format == ImageFileFormat::Gif && gif.editsLocalTable ? gif.editedImage : -1;
}

bool IndexedFile::TableDrawn(int table) const
{
    if (format != ImageFileFormat::Gif) return false;
    if (table >= 0) return size_t(table) < gif.images.size() && gif.images[size_t(table)].localTableEntries != 0;
    for (const GifImage& image : gif.images)
        if (image.localTableEntries == 0) return gif.globalTableEntries != 0;
    return false;
}

bool IndexedFile::SelectTable(const ByteSource& source, int table, std::string* reason)
{
    if (format != ImageFileFormat::Gif) {
        *reason = "holds one color table";
        return false;
    }
    if (!SelectGifTable(source, &gif, table, reason)) return false;
    if (GifPictureSize(gif, &width, &height)) return true;
    *reason = "has an empty picture (0 pixels wide or high)";
    return false;
}

bool IndexedFile::WriteWithTable(const ByteSource& source, const ColorTable& table, SafeFileWriter& out,
                                 std::string* reason, const std::vector<GifTableEdit>& others) const
{
    const uint32_t count = table.GetCount();
    if (count == 0) {
        *reason = "cannot take an empty table";
        return false;
    }
    if (count > MaxEntries()) {
        *reason = "cannot take a table of " + std::to_string(count) + " entries (" +
                  (format == ImageFileFormat::Png ? "a " + std::to_string(png.bitDepth) + "-bit PNG"
                                                  : std::string("a GIF")) +
                  " holds at most " + std::to_string(MaxEntries()) + ")";
        return false;
    }
    if (count < Table().GetCount()) {
        uint32_t largest = 0;
        const bool found = format == ImageFileFormat::Png ? LargestPngIndex(source, png, &largest, reason)
                                                          : LargestGifIndex(source, gif, &largest, reason);
        if (!found) return false;
        if (largest >= count) {
            *reason = "needs a table of at least " + std::to_string(largest + 1) + " entries: its pixels use entry " +
                      std::to_string(largest) + " (the table has " + std::to_string(count) + ")";
            return false;
        }
    }
    if (format == ImageFileFormat::Png) return WritePngWithTable(source, png, table, out, reason);
    std::vector<GifTableEdit> edits(others);
    edits.push_back(GifTableEdit{EditedTable(), table});
    return WriteGifWithTables(source, gif, edits, out, reason);
}

std::string IndexedFile::Report(const std::string& path, uint64_t fileSize, int32_t headerDetail, int32_t hexNumbers,
                                const ReportTexts& texts) const
{
    if (format == ImageFileFormat::Png) return BuildPngReport(png, path, fileSize, headerDetail, hexNumbers, texts);
    if (format == ImageFileFormat::Gif) return BuildGifReport(gif, path, fileSize, headerDetail, hexNumbers, texts);
    return std::string();
}

bool TableAfterSetting(const IndexedFile& file, const ColorTable& table, ColorTable* result, std::string* reason)
{
    const uint32_t held = file.Table().GetCount();
    const uint32_t count = table.GetCount();
    if (count == 0) {
        *reason = "cannot take an empty table";
        return false;
    }
    if (count > file.MaxEntries()) {
        *reason = "cannot take a table of " + std::to_string(count) + " entries (it holds at most " +
                  std::to_string(file.MaxEntries()) + ")";
        return false;
    }
    if (!result->Reset(count > held ? count : held)) {
        *reason = "has a table too large for the memory at hand";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) *result->GetEntry(i) = *table.GetEntry(i);
    return true;
}

namespace {

// The checks before memory is taken for the picture; with made, image already
// holds a zeroed bitmap of this picture's size, depth and table.
bool MakePictureBitmap(HDC dc, const IndexedFile& file, bool made, DibImage* image, std::string* reason)
{
    const uint32_t width = file.Width();
    const uint32_t height = file.Height();
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) {
        *reason = "has a picture size a bitmap cannot have";
        return false;
    }
    if (!file.PictureDataCanFill(reason)) return false;
    if (made) return true;
    const uint32_t bitCount = file.BitmapBitCount();
    // The indices are those of the picture's own table, whichever is edited.
    const ColorTable& table = file.PictureTable();
    const NewImageSpec spec = {int32_t(width), int32_t(height), int32_t(bitCount), int32_t(table.GetCount())};
    if (table.GetCount() > (1u << bitCount) || !image->CreateIndexed(dc, spec, table)) {
        *reason = "is too large to show";
        return false;
    }
    return true;
}

// Whether both files make the same bitmap before their pixels go in.
bool SameBitmap(const IndexedFile& a, const IndexedFile& b)
{
    const ColorTable& ta = a.PictureTable();
    const ColorTable& tb = b.PictureTable();
    if (a.Format() != b.Format() || a.Width() != b.Width() || a.Height() != b.Height() ||
        a.BitmapBitCount() != b.BitmapBitCount() || ta.GetCount() != tb.GetCount())
        return false;
    for (uint32_t i = 0; i < ta.GetCount(); ++i) {
        const ColorEntry* ea = ta.GetEntry(i);
        const ColorEntry* eb = tb.GetEntry(i);
        if (ea->red != eb->red || ea->green != eb->green || ea->blue != eb->blue) return false;
    }
    return true;
}

bool FillPictureBitmap(const IndexedFile& file, const ByteSource& source, DibImage* image, std::string* reason)
{
    const uint32_t width = file.Width();
    const uint32_t height = file.Height();
    const uint32_t bitCount = file.BitmapBitCount();
    unsigned char* bits = image->Bits();
    const uint32_t stride = image->Stride();
    uint32_t rows = 0;
    bool decoded;
    if (file.Format() == ImageFileFormat::Png) {
        // The rows go into the bitmap as the file packs them.
        decoded = file.DecodePackedRows(source, [&](uint32_t y) { return bits + size_t(height - 1 - y) * stride; },
                                        reason);
        rows = height;
    } else {
        decoded = file.DecodeRows(source, [&](uint32_t y, const uint8_t* indices) {
            if (y >= height) return;
            PackRow(indices, width, bitCount, bits + size_t(height - 1 - y) * stride);
            ++rows;
        }, reason);
    }
    if (!decoded || rows != height) {
        if (decoded) *reason = "ends before its last row";
        image->Discard();
        return false;
    }
    return true;
}

}  // namespace

bool LoadIndexedPicture(HDC dc, const IndexedFile& file, const ByteSource& source, DibImage* image,
                        std::string* reason)
{
    return MakePictureBitmap(dc, file, false, image, reason) && FillPictureBitmap(file, source, image, reason);
}

bool OpenIndexedPicture(HDC dc, const ByteSource& onDisk, const std::function<bool(std::string* bytes)>& readAll,
                        std::string* bytes, IndexedFile* file, DibImage* image, std::string* reason, bool* readFailed)
{
    *readFailed = false;
    image->Discard();
    // Both the file's bytes and the bitmap are fresh memory, costly to touch
    // first: the bitmap is made from the PNG's header chunks on disk while
    // the bytes are read, and kept when the bytes read say the same.
    bool read = false;
    std::thread reading([&] { read = readAll(bytes); });
    IndexedFile early;
    std::string ignored;
    const bool made = DetectImageFormat(onDisk) == ImageFileFormat::Png && early.ReadBesidePixels(onDisk, &ignored) &&
                      MakePictureBitmap(dc, early, false, image, &ignored);
    reading.join();
    if (!read) {
        image->Discard();
        *readFailed = true;
        return false;
    }
    const ByteSource source(*bytes);
    if (DetectImageFormat(source) != ImageFileFormat::Png) {
        image->Discard();
        // The palette is the picture's own table: that is the one edited.
        return file->Read(source, reason, true) && LoadIndexedPicture(dc, *file, source, image, reason);
    }
    if (!file->ReadBesidePixels(source, reason)) {
        // Checked in file order, the first fault may be a pixel chunk's CRC.
        file->Read(source, reason, true);
        image->Discard();
        return false;
    }
    // The pixel chunks' CRCs are checked while the rows are inflated; a bad
    // one is the fault named, as it comes before anything the rows show.
    bool sound = false;
    std::string crcReason;
    std::thread checking([&] { sound = file->CheckPixelCrcs(source, &crcReason); });
    if (made && !SameBitmap(early, *file)) image->Discard();
    const bool shown = MakePictureBitmap(dc, *file, !image->IsEmpty(), image, reason) &&
                       FillPictureBitmap(*file, source, image, reason);
    checking.join();
    if (!sound) *reason = crcReason;
    if (sound && shown) return true;
    image->Discard();
    return false;
}

bool WriteBitmapAsPng(const DibImage& image, SafeFileWriter& out, std::string* reason,
                      const std::vector<uint8_t>& alpha, const PngEncoding& encoding)
{
    BITMAPINFOHEADER info;
    if (image.IsEmpty() || !image.CopyHeaders(nullptr, &info)) {
        *reason = "has no picture";
        return false;
    }
    const uint32_t bitCount = info.biBitCount;
    ColorTable table;
    if ((bitCount != 1 && bitCount != 4 && bitCount != 8) || !image.CopyColorTable(table)) {
        *reason = "has no color table (a full-color bitmap has none), so it is not written as an indexed PNG";
        return false;
    }
    const uint32_t width = uint32_t(info.biWidth);
    const bool topDown = info.biHeight < 0;
    const uint32_t height = topDown ? uint32_t(-int64_t(info.biHeight)) : uint32_t(info.biHeight);
    const unsigned char* bits = image.Bits();
    const uint32_t stride = image.Stride();
    // A bitmap packs its rows as PNG does; only the bits past the width,
    // which a bitmap leaves to chance, are cleared.
    const size_t rowBytes = size_t((uint64_t(width) * bitCount + 7) / 8);
    const uint32_t usedBits = uint32_t(uint64_t(width) * bitCount % 8);
    const uint8_t lastMask = usedBits ? uint8_t(0xFF00u >> usedBits) : uint8_t(0xFF);
    return WriteIndexedPngPacked(width, height, bitCount, table, alpha, [&](uint32_t y, uint8_t* packed) {
        const uint32_t stored = topDown ? y : height - 1 - y;
        std::memcpy(packed, bits + size_t(stored) * stride, rowBytes);
        packed[rowBytes - 1] &= lastMask;
    }, out, reason, encoding);
}

bool RecolorIndexedFile(const char* input, const char* output, const std::function<void(ColorTable&)>& edit,
                        FolderFlushes* flushes, std::string* failedFile, std::string* reason, int gifTable)
{
    *failedFile = input;
    SourceFile file;
    if (!file.Open(input)) {
        *reason = "cannot be opened";
        return false;
    }
    const ByteSource source(file);
    IndexedFile indexed;
    if (!indexed.ReadBesidePixels(source, reason, gifTable)) return false;
    ColorTable edited(indexed.Table());
    edit(edited);
    ColorTable table;
    if (!TableAfterSetting(indexed, edited, &table, reason)) return false;

    // The pixel chunks' CRCs are checked while they are copied: reading the
    // file twice in turn would cost as much again as the copy.
    bool pixelsSound = false;
    std::string pixelReason;
    std::thread check([&indexed, input, &pixelsSound, &pixelReason] {
        SourceFile own;
        if (!own.Open(input)) {
            pixelReason = "cannot be opened";
            return;
        }
        pixelsSound = indexed.CheckPixelCrcs(ByteSource(own), &pixelReason);
    });
    SafeFileWriter writer(output, flushes);
    const bool written = !writer.IsOpen() || indexed.WriteWithTable(source, table, writer, reason);
    check.join();
    if (!written) return false;
    if (!pixelsSound) {
        *reason = pixelReason;
        return false;
    }
    // Let go of the input before it is replaced: Windows replaces no file that is open.
    file.Close();
    if (!writer.IsOpen() || !writer.Commit()) {
        *failedFile = output;
        *reason = "could not be written";
        return false;
    }
    return true;
}
