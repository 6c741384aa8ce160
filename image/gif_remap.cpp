#include "image/gif_remap.h"

#include <cstring>

#include "image/gif_lzw_encoder.h"
#include "image/gif_pixels.h"
#include "image/remap.h"
#include "image/usage_counts.h"
#include "platform/safe_file_writer.h"

namespace {

const uint8_t kGraphicControl = 0xF9;
const uint8_t kPlainText = 0x01;
// The first sub-block of a graphic control or plain text extension, the
// one that holds its indices.
const size_t kPatchedHead = 15;

uint8_t Mapped(const std::vector<uint32_t>& map, uint8_t index)
{
    return index < map.size() && map[index] != kDroppedEntry ? uint8_t(map[index]) : index;
}

}  // namespace

bool GifImageUsesTable(const GifStructure& gif, size_t i)
{
    return gif.editsLocalTable ? i == 0 : gif.images[i].localTableEntries == 0;
}

bool CountGifIndices(const ByteSource& source, const GifStructure& gif, std::vector<uint64_t>* counts,
                     std::string* reason)
{
    ByteHistogram histogram;
    GifPixelReader reader(source);
    for (size_t i = 0; i < gif.images.size(); ++i) {
        // Pixels the data stops short of count as 0.
        if (GifImageUsesTable(gif, i) &&
            !reader.Decode(gif.images[i], i, [&](const uint8_t* p, size_t n) { histogram.Add(p, n); }, true, reason))
            return false;
    }
    *counts = histogram.Totals();
    return true;
}

bool WriteRemappedGif(const ByteSource& source, const GifStructure& gif, const ColorTable& table,
                      const std::vector<uint32_t>& map, bool remapPixels, SafeFileWriter& out, std::string* reason)
{
    const uint32_t count = table.GetCount();
    const uint32_t entries = GifTableEntries(count);
    IndexRemap remap;
    if (entries == 0 || gif.images.empty() || !remap.Build(remapPixels ? map : std::vector<uint32_t>(), 8, reason)) {
        if (entries == 0) *reason = "cannot take a table of " + std::to_string(count) + " entries (a GIF holds 1 to 256)";
        if (gif.images.empty()) *reason = "was not read";
        out.Fail();
        return false;
    }
    uint32_t sizeBits = 0;
    while ((2u << sizeBits) < entries) ++sizeBits;
    uint8_t rgb[256 * 3] = {};
    for (uint32_t i = 0; i < count; ++i) {
        rgb[3 * i] = table.GetEntry(i)->red;
        rgb[3 * i + 1] = table.GetEntry(i)->green;
        rgb[3 * i + 2] = table.GetEntry(i)->blue;
    }
    // The header and logical screen, and the global table.
    uint8_t screen[13];
    if (!source.ReadAt(0, screen, sizeof screen)) {
        *reason = "cannot be read";
        out.Fail();
        return false;
    }
    if (!gif.editsLocalTable) {
        screen[10] = uint8_t((screen[10] & 0xF8) | sizeBits);
        screen[11] = Mapped(map, screen[11]);
    }
    out.Write(screen, sizeof screen);
    if (!gif.editsLocalTable) out.Write(rgb, size_t(entries) * 3);
    else source.CopyTo(out, gif.globalTableOffset, uint64_t(gif.globalTableEntries) * 3);

    // Whether the first image or plain text after each block draws with the
    // edited table, found in one pass from the end.
    std::vector<char> nextDrawsWithTable(gif.blocks.size(), 0);
    char next = 0;
    for (size_t b = gif.blocks.size(), image = gif.images.size(); b-- > 0;) {
        nextDrawsWithTable[b] = next;
        const GifBlock& block = gif.blocks[b];
        if (block.introducer == 0x2C && image > 0) next = GifImageUsesTable(gif, --image);
        if (block.introducer == 0x21 && block.label == kPlainText) next = !gif.editsLocalTable;
    }
    GifPixelReader reader(source);
    size_t imageIndex = 0;
    for (size_t b = 0; b < gif.blocks.size(); ++b) {
        const GifBlock& block = gif.blocks[b];
        if (block.introducer == 0x21 &&
            (block.label == kGraphicControl || (block.label == kPlainText && !gif.editsLocalTable))) {
            // A graphic control extension's transparent index is that of the
            // next image or plain text; plain text draws with the global table.
            const bool controlsEditedTable = nextDrawsWithTable[b] != 0;
            uint8_t p[kPatchedHead];
            const size_t head = block.length < kPatchedHead ? size_t(block.length) : kPatchedHead;
            if (!source.ReadAt(block.offset, p, head)) {
                *reason = "cannot be read";
                out.Fail();
                return false;
            }
            if (block.label == kGraphicControl && controlsEditedTable && head >= 7 && p[2] >= 4 && (p[3] & 1))
                p[6] = Mapped(map, p[6]);
            if (block.label == kPlainText && head >= 15 && p[2] >= 12) {
                p[13] = Mapped(map, p[13]);
                p[14] = Mapped(map, p[14]);
            }
            // The text after it, however long, is copied as it is.
            out.Write(p, head);
            if (block.length > head) source.CopyTo(out, block.offset + head, block.length - head);
            continue;
        }
        if (block.introducer != 0x2C) {
            source.CopyTo(out, block.offset, block.length);
            continue;
        }
        const GifImage& image = gif.images[imageIndex];
        const bool usesTable = GifImageUsesTable(gif, imageIndex);
        if (imageIndex == 0 && gif.editsLocalTable) {
            uint8_t descriptor[10];
            if (!source.ReadAt(image.descriptorOffset, descriptor, sizeof descriptor)) {
                *reason = "cannot be read";
                out.Fail();
                return false;
            }
            descriptor[9] = uint8_t((descriptor[9] & 0xF8) | 0x80 | sizeBits);
            out.Write(descriptor, sizeof descriptor);
            out.Write(rgb, size_t(entries) * 3);
        } else {
            source.CopyTo(out, image.descriptorOffset, image.dataOffset - image.descriptorOffset);
        }
        if (!usesTable || !remapPixels) {
            source.CopyTo(out, image.dataOffset, image.dataLength);
        } else {
            // Indices up to the table's last entry must fit in the codes.
            // From a size encoders write (1 and 9 to 11 are read, not written).
            uint8_t codeSize = image.minimumCodeSize < 2 ? 2 : image.minimumCodeSize > 8 ? 8 : image.minimumCodeSize;
            while (codeSize < 8 && (1u << codeSize) < entries) ++codeSize;
            out.Write(&codeSize, 1);
            GifLzwEncoder encoder(codeSize, [&](const uint8_t* bytes, size_t n) { out.Write(bytes, n); });
            uint8_t piece[4096];
            // Pixels the data stops short of show as index 0; written out, they stay so.
            const bool decoded = reader.Decode(image, imageIndex, [&](const uint8_t* indices, size_t n) {
                while (n) {
                    const size_t take = n < sizeof piece ? n : sizeof piece;
                    std::memcpy(piece, indices, take);
                    remap.RemapIndices(piece, take);
                    encoder.Add(piece, take);
                    indices += take;
                    n -= take;
                }
            }, true, reason);
            if (!decoded) {
                out.Fail();
                return false;
            }
            encoder.Finish();
        }
        ++imageIndex;
    }
    if (gif.hasTrailer && gif.bytesAfterTrailer)
        source.CopyTo(out, source.Size() - gif.bytesAfterTrailer, gif.bytesAfterTrailer);
    return true;
}
