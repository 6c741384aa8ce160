// Reading and writing BMP files: a 14-byte file header, a 40-byte info header,
// an uncompressed color table and uncompressed pixel rows.
#include <cstring>
#include <fstream>
#include <new>

#include "image/bmp_layout.h"
#include "image/dib_image.h"
#include "image/row_layout.h"
#include "platform/safe_file_writer.h"
#include "platform/stream_size.h"

namespace {

const WORD kBitmapType = 0x4D42;  // "BM"

// At most a gigabyte a call: the Windows runtime refuses a single read of
// 2 GB or more, which a bitmap's pixels can be.
const uint64_t kLargestRead = uint64_t(1) << 30;

bool ReadExactly(std::istream& in, void* destination, uint64_t count)
{
    char* at = static_cast<char*>(destination);
    while (count > 0) {
        const uint64_t piece = count < kLargestRead ? count : kLargestRead;
        in.read(at, std::streamsize(piece));
        if (uint64_t(in.gcount()) != piece) return false;
        at += piece;
        count -= piece;
    }
    return true;
}

}  // namespace

bool ReadBmpLayout(const unsigned char* headers, uint64_t fileLength, BmpLayout* layout)
{
    BmpLayout read;
    std::memcpy(&read.fileHeader, headers, sizeof read.fileHeader);
    std::memcpy(&read.infoHeader, headers + sizeof read.fileHeader, sizeof read.infoHeader);
    if (read.fileHeader.bfType != kBitmapType) return false;
    if (read.infoHeader.biSize != sizeof(BITMAPINFOHEADER)) return false;
    if (read.infoHeader.biCompression != BI_RGB) return false;

    read.entryCount = read.infoHeader.biClrUsed;
    if (read.entryCount == 0 && read.infoHeader.biBitCount < 16) read.entryCount = 1u << read.infoHeader.biBitCount;
    RowLayout rows;
    if (!ComputeRowLayout(read.infoHeader.biWidth, read.infoHeader.biHeight, read.infoHeader.biBitCount, &rows))
        return false;
    read.stride = rows.stride;
    read.imageSize = rows.imageSize;

    // Everything the header promises must be in the file before anything is allocated.
    const uint64_t tableEnd = kBmpHeadersBytes + uint64_t(read.entryCount) * sizeof(RGBQUAD);
    // A gap before the pixels is skipped, as bfOffBits says; other offsets are
    // taken to mean the pixels follow the table.
    read.pixelStart = read.fileHeader.bfOffBits > tableEnd ? read.fileHeader.bfOffBits : tableEnd;
    if (tableEnd > fileLength || read.pixelStart + read.imageSize > fileLength) return false;
    *layout = read;
    return true;
}

bool DibImage::LoadFromFile(HDC dc, const char* path)
{
    Discard();
    if (!path || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return false;
    return ReadFromStream(dc, in);
}

bool DibImage::ReadFromStream(HDC dc, std::istream& in)
{
    Discard();
    const uint64_t fileLength = BytesRemaining(in);  // the stream starts at the file's start

    unsigned char headers[kBmpHeadersBytes];
    BmpLayout layout;
    if (!ReadExactly(in, headers, sizeof headers) || !ReadBmpLayout(headers, fileLength, &layout)) return false;

    fileHeader = new (std::nothrow) BITMAPFILEHEADER(layout.fileHeader);
    if (!fileHeader || !AllocateInfoBlock(layout.entryCount)) {
        Discard();
        return false;
    }
    std::memcpy(infoBlock, &layout.infoHeader, sizeof layout.infoHeader);
    entryCount = layout.entryCount;
    stride = layout.stride;
    imageSize = layout.imageSize;

    if (!ReadExactly(in, Colors(), uint64_t(entryCount) * sizeof(RGBQUAD)) || !RebuildSection(dc)) {
        Discard();
        return false;
    }
    if (layout.pixelStart != kBmpHeadersBytes + uint64_t(entryCount) * sizeof(RGBQUAD))
        in.seekg(std::streamoff(layout.pixelStart));
    if (!ReadExactly(in, bits, imageSize)) {
        Discard();
        return false;
    }
    return true;
}

bool DibImage::SaveToFile(const char* path) const
{
    if (!infoBlock || !bits) return false;

    const uint64_t tableBytes = uint64_t(entryCount) * sizeof(RGBQUAD);
    const uint64_t offBits = kBmpHeadersBytes + tableBytes;
    const uint64_t fileSize = offBits + imageSize;
    // The size fields are 32 bits wide: a larger bitmap cannot be stored.
    if (fileSize > 0xFFFFFFFFu) return false;

    BITMAPFILEHEADER header;
    header.bfType = kBitmapType;
    header.bfSize = DWORD(fileSize);
    header.bfReserved1 = fileHeader ? fileHeader->bfReserved1 : 0;
    header.bfReserved2 = fileHeader ? fileHeader->bfReserved2 : 0;
    header.bfOffBits = DWORD(offBits);

    SafeFileWriter writer(path);
    if (!writer.IsOpen()) return false;
    writer.Write(&header, sizeof header);
    writer.Write(infoBlock, size_t(sizeof(BITMAPINFOHEADER) + tableBytes));
    writer.Write(bits, imageSize);
    return writer.Commit();
}
