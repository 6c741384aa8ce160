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

// For each block, whether the graphic control extensions at it describe
// something drawn with the edited table: the next image or plain text.
// One pass from the end, however many extensions come before one image.
std::vector<bool> ControlsEditedTable(const GifStructure& gif)
{
    std::vector<bool> controls(gif.blocks.size(), false);
    size_t imageIndex = gif.images.size();
    bool next = false;
    for (size_t b = gif.blocks.size(); b-- > 0;) {
        const GifBlock& block = gif.blocks[b];
        controls[b] = next;
        if (block.introducer == 0x2C && imageIndex > 0) next = GifImageUsesTable(gif, --imageIndex);
        if (block.introducer == 0x21 && block.label == kPlainText) next = !gif.editsLocalTable;
    }
    return controls;
}

}  // namespace

bool GifImageUsesTable(const GifStructure& gif, size_t i)
{
    return gif.editsLocalTable ? i == size_t(gif.editedImage) : gif.images[i].localTableEntries == 0;
}

bool ListGifDrawings(const ByteSource& source, const GifStructure& gif, std::vector<GifDrawing>* drawings,
                     std::string* reason)
{
    drawings->clear();
    size_t imageIndex = 0;
    int transparent = -1;  // of the graphic control waiting for what it describes
    for (const GifBlock& block : gif.blocks) {
        if (block.introducer == 0x2C) {
            if (imageIndex < gif.images.size() && GifImageUsesTable(gif, imageIndex))
                drawings->push_back({false, gif.images[imageIndex].transparentIndex, 0, 0});
            ++imageIndex;
            transparent = -1;
            continue;
        }
        if (block.introducer != 0x21 || (block.label != kGraphicControl && block.label != kPlainText)) continue;
        uint8_t p[kPatchedHead];
        const size_t head = block.length < kPatchedHead ? size_t(block.length) : kPatchedHead;
        if (!source.ReadAt(block.offset, p, head)) {
            *reason = "cannot be read at the extension at offset " + std::to_string(block.offset);
            return false;
        }
        if (block.label == kGraphicControl) {
            if (head >= 7 && p[2] >= 4) transparent = (p[3] & 1) ? p[6] : -1;
            continue;
        }
        if (!gif.editsLocalTable && head >= 15 && p[2] >= 12) drawings->push_back({true, transparent, p[13], p[14]});
        transparent = -1;
    }
    return true;
}

bool CountGifIndices(const ByteSource& source, const GifStructure& gif, std::vector<uint64_t>* counts,
                     std::string* reason, size_t firstImage, size_t* images)
{
    ByteHistogram histogram;
    GifPixelReader reader(source);
    size_t counted = 0;
    for (size_t i = firstImage; i < gif.images.size(); ++i) {
        if (!GifImageUsesTable(gif, i)) continue;
        // Pixels the data stops short of count as 0.
        if (!reader.Decode(gif.images[i], i, [&](const uint8_t* p, size_t n) { histogram.Add(p, n); }, true, reason))
            return false;
        ++counted;
    }
    *counts = histogram.Totals();
    if (images) *images = counted;
    return true;
}

bool WriteRemappedGif(const ByteSource& source, const GifStructure& gif, const ColorTable& table,
                      const std::vector<uint32_t>& map, bool remapPixels, SafeFileWriter& out, std::string* reason,
                      const std::vector<GifTableEdit>& others)
{
    auto otherTable = [&](int image) -> const ColorTable* {
        for (const GifTableEdit& edit : others)
            if (edit.image == image && GifTableEntries(edit.table.GetCount()) != 0) return &edit.table;
        return nullptr;
    };
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
    uint8_t rgb[256 * 3] = {};
    GifTableBytes(table, &sizeBits, rgb);
    // Another table of the file written in place of its own.
    uint32_t otherBits = 0;
    uint8_t otherRgb[256 * 3];
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
    const ColorTable* global = gif.editsLocalTable && gif.globalTableEntries ? otherTable(-1) : nullptr;
    if (global) {
        const size_t bytes = GifTableBytes(*global, &otherBits, otherRgb);
        screen[10] = uint8_t((screen[10] & 0xF8) | otherBits);
        out.Write(screen, sizeof screen);
        out.Write(otherRgb, bytes);
    } else {
        out.Write(screen, sizeof screen);
        if (!gif.editsLocalTable) out.Write(rgb, size_t(entries) * 3);
        else source.CopyTo(out, gif.globalTableOffset, uint64_t(gif.globalTableEntries) * 3);
    }

    GifPixelReader reader(source);
    // A graphic control extension's transparent index is that of the next
    // image or plain text; plain text draws with the global table.
    const std::vector<bool> controls = ControlsEditedTable(gif);
    size_t imageIndex = 0;
    for (size_t b = 0; b < gif.blocks.size(); ++b) {
        const GifBlock& block = gif.blocks[b];
        if (block.introducer == 0x21 &&
            (block.label == kGraphicControl || (block.label == kPlainText && !gif.editsLocalTable))) {
            const bool controlsEditedTable = controls[b];
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
        const bool edited = gif.editsLocalTable && imageIndex == size_t(gif.editedImage);
        const ColorTable* own = !edited && image.localTableEntries ? otherTable(int(imageIndex)) : nullptr;
        if (edited || own) {
            uint8_t descriptor[10];
            if (!source.ReadAt(image.descriptorOffset, descriptor, sizeof descriptor)) {
                *reason = "cannot be read";
                out.Fail();
                return false;
            }
            const size_t bytes = own ? GifTableBytes(*own, &otherBits, otherRgb) : size_t(entries) * 3;
            descriptor[9] = uint8_t((descriptor[9] & 0xF8) | 0x80 | (own ? otherBits : sizeBits));
            out.Write(descriptor, sizeof descriptor);
            out.Write(own ? otherRgb : rgb, bytes);
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
