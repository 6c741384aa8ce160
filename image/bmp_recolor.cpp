#include "image/bmp_recolor.h"

#include <cstring>
#include <memory>
#include <new>

#include "image/bmp_layout.h"
#include "image/dib_image.h"
#include "palette/color_table.h"
#include "platform/safe_file_writer.h"

namespace {

// An info header and its color table in one block, as a DIB section takes them.
std::unique_ptr<unsigned char[]> NewInfoBlock(uint32_t entries)
{
    const uint64_t bytes = sizeof(BITMAPINFOHEADER) + uint64_t(entries) * sizeof(RGBQUAD);
    if (bytes > SIZE_MAX) return nullptr;
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[size_t(bytes)]);
}

// Whether the platform makes a DIB section of this header and table, the
// check LoadFromFile leaves to it (planes, bit count and what else GDI asks).
// One row of the same width and direction stands in for the whole picture:
// the size of all rows is checked before, and the pixels are never needed.
bool SectionAccepts(HDC dc, unsigned char* infoBlock)
{
    BITMAPINFOHEADER* header = reinterpret_cast<BITMAPINFOHEADER*>(infoBlock);
    const LONG height = header->biHeight;
    header->biHeight = height < 0 ? -1 : 1;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(infoBlock), DIB_RGB_COLORS,
                                       &bits, nullptr, 0);
    header->biHeight = height;
    if (!section) return false;
    DeleteObject(section);
    return bits != nullptr;
}

}  // namespace

RecolorResult RecolorBmpFile(HDC dc, const char* input, const char* output,
                             const std::function<void(ColorTable&)>& edit, FolderFlushes* flushes)
{
    RecolorResult result = {RecolorResult::NotLoaded, 0, 0};

    // Read and checked as LoadFromFile does, up to the pixels.
    if (!input || GetFileAttributesA(input) == INVALID_FILE_ATTRIBUTES) return result;
    SourceFile source;
    if (!source.Open(input)) return result;
    unsigned char headers[kBmpHeadersBytes];
    BmpLayout layout;
    if (!source.ReadAt(0, headers, sizeof headers) || !ReadBmpLayout(headers, source.Size(), &layout))
        return result;
    std::unique_ptr<unsigned char[]> oldBlock = NewInfoBlock(layout.entryCount);
    if (!oldBlock) return result;
    std::memcpy(oldBlock.get(), &layout.infoHeader, sizeof layout.infoHeader);
    RGBQUAD* oldColors = reinterpret_cast<RGBQUAD*>(oldBlock.get() + sizeof(BITMAPINFOHEADER));
    if (!source.ReadAt(kBmpHeadersBytes, oldColors, size_t(layout.entryCount) * sizeof(RGBQUAD)) ||
        !SectionAccepts(dc, oldBlock.get()))
        return result;

    // The table as the palette window edits it, and back, as SetColorTable writes it.
    ColorTable table;
    if (layout.entryCount == 0 || !DibImage::ReadColors(oldColors, layout.entryCount, table)) {
        result.outcome = RecolorResult::NoTable;
        return result;
    }
    edit(table);
    const uint32_t entries = DibImage::EntriesAfterSetting(layout.entryCount, layout.infoHeader.biBitCount,
                                                           table.GetCount());
    std::unique_ptr<unsigned char[]> newBlock = entries ? NewInfoBlock(entries) : nullptr;
    if (!newBlock) {
        result.outcome = RecolorResult::TableRefused;
        result.tableCount = table.GetCount();
        result.bitCount = layout.infoHeader.biBitCount;
        return result;
    }
    BITMAPINFOHEADER info = layout.infoHeader;
    if (entries > layout.entryCount) info.biClrUsed = entries;
    std::memcpy(newBlock.get(), &info, sizeof info);
    DibImage::WriteColors(table, reinterpret_cast<RGBQUAD*>(newBlock.get() + sizeof info), entries);

    // Written as SaveToFile writes it.
    result.outcome = RecolorResult::NotWritten;
    const uint64_t tableBytes = uint64_t(entries) * sizeof(RGBQUAD);
    const uint64_t fileSize = kBmpHeadersBytes + tableBytes + layout.imageSize;
    if (fileSize > 0xFFFFFFFFu) return result;
    BITMAPFILEHEADER header = layout.fileHeader;
    header.bfSize = DWORD(fileSize);
    header.bfOffBits = DWORD(kBmpHeadersBytes + tableBytes);

    SafeFileWriter writer(output, flushes);
    if (!writer.IsOpen()) return result;
    writer.Write(&header, sizeof header);
    writer.Write(newBlock.get(), size_t(sizeof info + tableBytes));
    writer.CopyFrom(source, layout.pixelStart, layout.imageSize);
    // Let go of the input before it is replaced: Windows replaces no file that is open.
    source.Close();
    if (!writer.Commit()) return result;
    result.outcome = RecolorResult::Done;
    return result;
}
