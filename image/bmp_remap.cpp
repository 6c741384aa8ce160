#include "image/bmp_remap.h"

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "image/dib_image.h"
#include "image/remap.h"
#include "image/usage_counts.h"
#include "platform/safe_file_writer.h"

namespace {

// Pixel bytes read, remapped and written a block at a time: memory stays
// a few blocks whatever the picture's size.
const size_t kBlockBytes = size_t(1) << 20;

bool Refuse(std::string* reason, const std::string& why)
{
    *reason = why;
    return false;
}

std::unique_ptr<uint8_t[]> NewBlock()
{
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[kBlockBytes]);
}

// Blocks in flight while a remap is written: one read and remapped, one
// written, one ready between them.
const size_t kBlocks = 3;

// The pixel bytes of layout from the file through remap to out, block after
// block. One thread reads and remaps while this one writes: the write's copy
// into the system's cache costs about as much as the read and the remap.
class RemappedPixels {
public:
    RemappedPixels(SourceFile& file, const BmpLayout& layout, const IndexRemap& remap)
        : file(file), layout(layout), remap(remap),
          blockCount((uint64_t(layout.imageSize) + kBlockBytes - 1) / kBlockBytes), filled(0), written(0),
          readFailed(false)
    {
    }

    // False when the blocks do not fit in the memory that is free.
    bool Allocate()
    {
        if (!pairs.Build(remap)) return false;
        for (std::unique_ptr<uint8_t[]>& block : blocks)
            if (!(block = NewBlock())) return false;
        return true;
    }

    // False when the file could not be read; out's own failures are its own.
    bool WriteTo(SafeFileWriter& out)
    {
        std::thread reader;
        try {
            reader = std::thread(&RemappedPixels::ReadAll, this);
        } catch (const std::system_error&) {
            // No thread to be had: read, remap and write in turn.
            for (uint64_t n = 0; n < blockCount; ++n) {
                if (!Fill(n)) return false;
                out.Write(blocks[n % kBlocks].get(), Size(n));
            }
            return true;
        }
        for (uint64_t n = 0; n < blockCount; ++n) {
            {
                std::unique_lock<std::mutex> guard(lock);
                changed.wait(guard, [&] { return filled > n || readFailed; });
                if (filled <= n) break;
            }
            out.Write(blocks[n % kBlocks].get(), Size(n));
            {
                std::lock_guard<std::mutex> guard(lock);
                ++written;
            }
            changed.notify_all();
        }
        reader.join();
        return !readFailed;
    }

private:
    size_t Size(uint64_t n) const
    {
        const uint64_t left = layout.imageSize - n * kBlockBytes;
        return size_t(left < kBlockBytes ? left : kBlockBytes);
    }

    // Reads block n into its buffer and remaps it, row piece by row piece.
    bool Fill(uint64_t n)
    {
        uint8_t* block = blocks[n % kBlocks].get();
        const uint64_t done = n * kBlockBytes;
        const size_t take = Size(n);
        if (!file.ReadAt(layout.pixelStart + done, block, take)) return false;
        const uint32_t width = uint32_t(layout.infoHeader.biWidth);
        for (size_t at = 0; at < take;) {
            const uint64_t inRow = (done + at) % layout.stride;
            const size_t rowLeft = size_t(layout.stride - inRow < take - at ? layout.stride - inRow : take - at);
            pairs.RemapRowBytes(block + at, rowLeft, inRow, width);
            at += rowLeft;
        }
        return true;
    }

    void ReadAll()
    {
        for (uint64_t n = 0; n < blockCount; ++n) {
            {
                std::unique_lock<std::mutex> guard(lock);
                changed.wait(guard, [&] { return n - written < kBlocks; });
            }
            const bool read = Fill(n);
            {
                std::lock_guard<std::mutex> guard(lock);
                if (read) ++filled;
                readFailed = !read;
            }
            changed.notify_all();
            if (!read) return;
        }
    }

    SourceFile& file;
    const BmpLayout& layout;
    const IndexRemap& remap;
    PairRemap pairs;
    const uint64_t blockCount;
    std::unique_ptr<uint8_t[]> blocks[kBlocks];
    std::mutex lock;
    std::condition_variable changed;
    uint64_t filled;   // blocks read and remapped
    uint64_t written;  // blocks written, their buffers free again
    bool readFailed;
};

}  // namespace

bool ReadBmpTable(SourceFile& file, BmpLayout* layout, ColorTable* table, std::vector<uint64_t>* counts,
                  std::string* reason)
{
    unsigned char headers[kBmpHeadersBytes];
    if (!file.ReadAt(0, headers, sizeof headers) || !ReadBmpLayout(headers, file.Size(), layout))
        return Refuse(reason, "is not a BMP file this program reads (uncompressed, 40-byte header, complete)");
    const uint32_t bitCount = layout->infoHeader.biBitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8)
        return Refuse(reason, "has no color table (a full-color bitmap has none)");
    if (layout->entryCount == 0 || layout->entryCount > (1u << bitCount))
        return Refuse(reason, "has a color table of " + std::to_string(layout->entryCount) + " entries for " +
                                  std::to_string(bitCount) + "-bit pixels");
    RGBQUAD colors[256];
    if (!file.ReadAt(kBmpHeadersBytes, colors, size_t(layout->entryCount) * sizeof(RGBQUAD)) ||
        !DibImage::ReadColors(colors, layout->entryCount, *table))
        return Refuse(reason, "cannot be read at its color table");
    if (!counts) return true;

    const uint32_t width = uint32_t(layout->infoHeader.biWidth);
    const uint64_t rowBits = uint64_t(width) * bitCount;
    const uint64_t wholeBytes = rowBits / 8;
    const uint32_t tailPixels = uint32_t(rowBits % 8) / bitCount;
    std::unique_ptr<uint8_t[]> block = NewBlock();
    if (!block) return Refuse(reason, "needs more memory than is free");
    ByteHistogram whole;
    std::vector<uint64_t> tails(256, 0);
    // The pixel bytes as one stream, each byte placed in its row by its offset.
    for (uint64_t done = 0; done < layout->imageSize;) {
        const size_t take = size_t(layout->imageSize - done < kBlockBytes ? layout->imageSize - done : kBlockBytes);
        if (!file.ReadAt(layout->pixelStart + done, block.get(), take)) return Refuse(reason, "cannot be read");
        for (size_t at = 0; at < take;) {
            const uint64_t inRow = (done + at) % layout->stride;
            const size_t rowLeft = size_t(layout->stride - inRow < take - at ? layout->stride - inRow : take - at);
            if (inRow < wholeBytes) {
                const uint64_t pixels = wholeBytes - inRow;
                whole.Add(block.get() + at, size_t(pixels < rowLeft ? pixels : rowLeft));
            }
            if (tailPixels && wholeBytes >= inRow && wholeBytes < inRow + rowLeft) ++tails[block[at + size_t(wholeBytes - inRow)]];
            at += rowLeft;
        }
        done += take;
    }
    counts->assign(256, 0);
    AddPixelsOfBytes(whole.Totals(), bitCount, 8 / bitCount, counts);
    if (tailPixels) AddPixelsOfBytes(tails, bitCount, tailPixels, counts);
    return true;
}

bool WriteRemappedBmp(SourceFile& file, const BmpLayout& layout, const ColorTable& table,
                      const std::vector<uint32_t>& map, bool remapPixels, SafeFileWriter& out, std::string* reason)
{
    const uint32_t bitCount = layout.infoHeader.biBitCount;
    const uint32_t count = table.GetCount();
    IndexRemap remap;
    const uint64_t tableBytes = uint64_t(count) * sizeof(RGBQUAD);
    const uint64_t fileSize = kBmpHeadersBytes + tableBytes + layout.imageSize;
    std::string why;
    if (count == 0 || count > (1u << bitCount)) {
        why = "cannot take a table of " + std::to_string(count) + " entries (a " + std::to_string(bitCount) +
              "-bit bitmap holds 1 to " + std::to_string(1u << bitCount) + ")";
    } else if (remapPixels && !remap.Build(map, bitCount, &why)) {
    } else if (fileSize > 0xFFFFFFFFu) {
        why = "would be larger than a BMP file can be";
    }
    RemappedPixels pixels(file, layout, remap);
    if (why.empty() && remapPixels && !pixels.Allocate()) why = "needs more memory than is free";
    if (!why.empty()) {
        out.Fail();
        return Refuse(reason, why);
    }

    BITMAPINFOHEADER info = layout.infoHeader;
    // A full table may say 0 entries; the loader reads both alike, so an
    // unchanged count keeps what the file said.
    if (count != layout.entryCount) info.biClrUsed = count;
    BITMAPFILEHEADER header = layout.fileHeader;
    header.bfSize = DWORD(fileSize);
    header.bfOffBits = DWORD(kBmpHeadersBytes + tableBytes);
    RGBQUAD colors[256];
    DibImage::WriteColors(table, colors, count);
    out.Write(&header, sizeof header);
    out.Write(&info, sizeof info);
    out.Write(colors, size_t(tableBytes));
    if (!remapPixels) {
        out.CopyFrom(file, layout.pixelStart, layout.imageSize);
        return true;
    }
    if (!pixels.WriteTo(out)) {
        out.Fail();
        return Refuse(reason, "cannot be read");
    }
    return true;
}
