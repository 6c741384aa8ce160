// Reading and writing BMP files: a 14-byte file header, a 40-byte info header,
// an uncompressed color table and uncompressed pixel rows.
#include <cstring>
#include <fstream>
#include <new>

#include "image/dib_image.h"
#include "image/row_layout.h"
#include "platform/safe_file_writer.h"
#include "platform/stream_size.h"

namespace {

const WORD kBitmapType = 0x4D42;  // "BM"
const uint32_t kHeadersBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);

bool ReadExactly(std::istream& in, void* destination, uint64_t count)
{
    if (count == 0) return true;
    in.read(static_cast<char*>(destination), std::streamsize(count));
    return uint64_t(in.gcount()) == count;
}

}  // namespace

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

    BITMAPFILEHEADER fileHeaderRead;
    if (!ReadExactly(in, &fileHeaderRead, sizeof fileHeaderRead)) return false;
    if (fileHeaderRead.bfType != kBitmapType) return false;
    BITMAPINFOHEADER infoHeaderRead;
    if (!ReadExactly(in, &infoHeaderRead, sizeof infoHeaderRead)) return false;
    if (infoHeaderRead.biSize != sizeof(BITMAPINFOHEADER)) return false;
    if (infoHeaderRead.biCompression != BI_RGB) return false;

    uint32_t entries = infoHeaderRead.biClrUsed;
    if (entries == 0 && infoHeaderRead.biBitCount < 16) entries = 1u << infoHeaderRead.biBitCount;
    RowLayout layout;
    if (!ComputeRowLayout(infoHeaderRead.biWidth, infoHeaderRead.biHeight,
                          infoHeaderRead.biBitCount, &layout))
        return false;

    // Everything the header promises must be in the file before anything is allocated.
    const uint64_t tableEnd = kHeadersBytes + uint64_t(entries) * sizeof(RGBQUAD);
    // A gap before the pixels is skipped, as bfOffBits says; other offsets are
    // taken to mean the pixels follow the table.
    const uint64_t pixelStart =
        fileHeaderRead.bfOffBits > tableEnd ? fileHeaderRead.bfOffBits : tableEnd;
    if (tableEnd > fileLength || pixelStart + layout.imageSize > fileLength) return false;

    fileHeader = new (std::nothrow) BITMAPFILEHEADER(fileHeaderRead);
    if (!fileHeader || !AllocateInfoBlock(entries)) {
        Discard();
        return false;
    }
    std::memcpy(infoBlock, &infoHeaderRead, sizeof infoHeaderRead);
    entryCount = entries;
    stride = layout.stride;
    imageSize = layout.imageSize;

    if (!ReadExactly(in, Colors(), uint64_t(entries) * sizeof(RGBQUAD)) || !RebuildSection(dc)) {
        Discard();
        return false;
    }
    if (pixelStart != tableEnd) in.seekg(std::streamoff(pixelStart));
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
    const uint64_t offBits = kHeadersBytes + tableBytes;
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
    std::ostream& out = writer.Stream();
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(infoBlock), std::streamsize(sizeof(BITMAPINFOHEADER) + tableBytes));
    out.write(reinterpret_cast<const char*>(bits), std::streamsize(imageSize));
    return writer.Commit();
}
