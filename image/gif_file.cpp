// The block structure of a GIF file, and the file written again with one
// color table replaced.
#include "image/gif_file.h"

#include <algorithm>
#include <cstring>

#include "image/gif_lzw.h"
#include "image/gif_sub_blocks.h"
#include "platform/safe_file_writer.h"

namespace {

const uint8_t kExtension = 0x21;
const uint8_t kImage = 0x2C;
const uint8_t kTrailer = 0x3B;
const uint8_t kGraphicControl = 0xF9;
const uint8_t kPlainText = 0x01;
const uint8_t kApplication = 0xFF;
const uint64_t kScreenEnd = 13;        // header and logical screen descriptor
const uint64_t kDescriptorBytes = 10;  // an image descriptor with its 0x2C
// Each block is a few dozen bytes of bookkeeping; a file of tiny blocks must
// not make that grow without bound.
const size_t kMaxBlocks = 200000;

uint16_t U16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

std::string Hex(uint32_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    text += digits[(value >> 4) & 15];
    text += digits[value & 15];
    return text;
}

std::string ImageName(size_t index, uint64_t offset)
{
    return "image " + std::to_string(index + 1) + " (offset " + std::to_string(offset) + ")";
}

// The graphic control extension waiting for the image it describes.
struct GraphicControl {
    int transparentIndex;
    uint16_t delay;
    uint8_t disposal;
};

const GraphicControl kNoGraphicControl = {-1, 0, 0};

bool ReadTable(const ByteSource& source, uint64_t offset, uint32_t entries, ColorTable* table, std::string* reason)
{
    uint8_t rgb[256 * 3];
    if (!source.ReadAt(offset, rgb, size_t(entries) * 3)) {
        *reason = "could not be read at its color table (offset " + std::to_string(offset) + ")";
        return false;
    }
    if (!table->Reset(entries)) {
        *reason = "needs more memory than is free";
        return false;
    }
    for (uint32_t i = 0; i < entries; ++i) table->SetColor(i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    return true;
}

// Makes the table of image (-1: the global one) the edited one and shown the
// image the picture shows.
bool UseTable(const ByteSource& source, GifStructure* gif, int image, size_t shown, std::string* reason)
{
    const GifImage& picture = gif->images[shown];
    gif->editedImage = image;
    gif->editsLocalTable = image >= 0;
    gif->shownImage = shown;
    const uint64_t offset = image >= 0 ? gif->images[size_t(image)].localTableOffset : gif->globalTableOffset;
    const uint32_t entries = image >= 0 ? gif->images[size_t(image)].localTableEntries : gif->globalTableEntries;
    if (!ReadTable(source, offset, entries, &gif->table, reason)) return false;
    const bool pictureLocal = picture.localTableEntries != 0;
    if (pictureLocal ? size_t(image) == shown : image < 0) {
        if (gif->pictureTable.Assign(gif->table)) return true;
        *reason = "needs more memory than is free";
        return false;
    }
    return pictureLocal ? ReadTable(source, picture.localTableOffset, picture.localTableEntries, &gif->pictureTable, reason)
                        : ReadTable(source, gif->globalTableOffset, gif->globalTableEntries, &gif->pictureTable, reason);
}

// Walks sub-blocks from offset to past their terminator; what names the block
// for the reason when the file ends first. first, when given, receives the
// first sub-block's bytes.
bool SkipSubBlocks(GifSubBlocks& blocks, const ByteSource& source, uint64_t* offset, const std::string& what,
                   std::string* first, std::string* reason)
{
    blocks.Seek(*offset);
    const uint8_t* data = nullptr;
    size_t count = 0;
    for (bool isFirst = true;; isFirst = false) {
        const GifSubBlocks::Step step = blocks.Next(&data, &count);
        if (step == GifSubBlocks::Step::End) break;
        if (step == GifSubBlocks::Step::Truncated) {
            *reason = "is cut short inside " + what + ": the sub-block at offset " +
                      std::to_string(blocks.Offset()) + " runs past the end of the file (" +
                      std::to_string(source.Size()) + " bytes) before the block terminator";
            return false;
        }
        if (isFirst && first) first->assign(reinterpret_cast<const char*>(data), count);
    }
    *offset = blocks.Offset();
    return true;
}

class StructureReader {
public:
    StructureReader(const ByteSource& source, GifStructure* gif, std::string* reason, bool editPictureTable)
        : source(source), gif(gif), reason(reason), editPictureTable(editPictureTable), control(kNoGraphicControl),
          subBlocks(source, 0)
    {
    }

    bool Read();

private:
    bool ReadScreen();
    bool ReadExtension(uint64_t* offset);
    bool ReadImage(uint64_t* offset);
    bool ChooseTable();
    bool Fail(const std::string& text)
    {
        *reason = text;
        return false;
    }

    const ByteSource& source;
    GifStructure* gif;
    std::string* reason;
    bool editPictureTable;
    GraphicControl control;
    GifSubBlocks subBlocks;  // one window for the whole file
};

bool StructureReader::ReadScreen()
{
    uint8_t head[kScreenEnd];
    if (!source.ReadAt(0, head, 6) || (std::memcmp(head, "GIF87a", 6) != 0 && std::memcmp(head, "GIF89a", 6) != 0))
        return Fail("is not a GIF file (it does not begin with GIF87a or GIF89a)");
    if (!source.ReadAt(0, head, sizeof head))
        return Fail("is cut short inside its logical screen descriptor (offset 6)");
    std::memcpy(gif->version, head, 6);
    gif->version[6] = '\0';
    gif->screenWidth = U16(head + 6);
    gif->screenHeight = U16(head + 8);
    gif->packed = head[10];
    gif->backgroundIndex = head[11];
    gif->aspect = head[12];
    gif->globalTableEntries = (gif->packed & 0x80) ? 2u << (gif->packed & 7) : 0;
    gif->globalTableOffset = kScreenEnd;
    if (source.Size() - kScreenEnd < uint64_t(gif->globalTableEntries) * 3)
        return Fail("is cut short inside its global color table (offset 13, " +
                    std::to_string(gif->globalTableEntries) + " entries)");
    return true;
}

bool StructureReader::ReadExtension(uint64_t* offset)
{
    const uint64_t start = *offset;
    uint8_t label = 0;
    if (!source.ReadAt(start + 1, &label, 1))
        return Fail("is cut short inside the extension at offset " + std::to_string(start) + ", before its label");
    GifBlock block = {start, 0, kExtension, label, std::string()};
    std::string first;
    uint64_t end = start + 2;
    const std::string name = "extension " + Hex(label) + " (offset " + std::to_string(start) + ")";
    if (!SkipSubBlocks(subBlocks, source, &end, name, &first, reason)) return false;
    block.length = end - start;
    if (label == kGraphicControl && first.size() >= 4) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(first.data());
        control.disposal = uint8_t((p[0] >> 2) & 7);
        control.delay = U16(p + 1);
        control.transparentIndex = (p[0] & 1) ? p[3] : -1;
    } else if (label == kApplication) {
        block.applicationId = first.substr(0, 11);
    } else if (label == kPlainText) {
        control = kNoGraphicControl;  // it was the plain text's
    }
    gif->blocks.push_back(block);
    *offset = end;
    return true;
}

bool StructureReader::ReadImage(uint64_t* offset)
{
    const uint64_t start = *offset;
    const std::string name = ImageName(gif->images.size(), start);
    uint8_t d[kDescriptorBytes];
    if (!source.ReadAt(start, d, sizeof d)) return Fail("is cut short inside the descriptor of " + name);
    GifImage image;
    image.descriptorOffset = start;
    image.left = U16(d + 1);
    image.top = U16(d + 3);
    image.width = U16(d + 5);
    image.height = U16(d + 7);
    image.interlaced = (d[9] & 0x40) != 0;
    image.localTableEntries = (d[9] & 0x80) ? 2u << (d[9] & 7) : 0;
    image.localTableOffset = start + kDescriptorBytes;
    image.dataOffset = image.localTableOffset + uint64_t(image.localTableEntries) * 3;
    image.transparentIndex = control.transparentIndex;
    image.delay = control.delay;
    image.disposal = control.disposal;
    control = kNoGraphicControl;
    if (image.dataOffset > source.Size())
        return Fail("is cut short inside the local color table of " + name);
    if (!source.ReadAt(image.dataOffset, &image.minimumCodeSize, 1))
        return Fail("is cut short before the data of " + name);
    if (image.minimumCodeSize < GifLzwDecoder::kSmallestCodeSize ||
        image.minimumCodeSize > GifLzwDecoder::kLargestCodeSize)
        return Fail("has an LZW minimum code size of " + std::to_string(image.minimumCodeSize) + " in " + name +
                    " (at offset " + std::to_string(image.dataOffset) + "); it must be " +
                    std::to_string(GifLzwDecoder::kSmallestCodeSize) + " to " +
                    std::to_string(GifLzwDecoder::kLargestCodeSize));
    uint64_t end = image.dataOffset + 1;
    if (!SkipSubBlocks(subBlocks, source, &end, "the data of " + name, nullptr, reason)) return false;
    image.dataLength = end - image.dataOffset;
    gif->images.push_back(image);
    gif->blocks.push_back(GifBlock{start, end - start, kImage, 0, std::string()});
    *offset = end;
    return true;
}

bool StructureReader::ChooseTable()
{
    const bool pictureLocal = gif->images[0].localTableEntries != 0;
    const int edited = gif->globalTableEntries == 0 || (editPictureTable && pictureLocal) ? 0 : -1;
    if (edited == 0 && !pictureLocal) return Fail("has no color table for its first image (no global and no local table)");
    return UseTable(source, gif, edited, 0, reason);
}

bool StructureReader::Read()
{
    gif->images.clear();
    gif->blocks.clear();
    gif->hasTrailer = false;
    gif->bytesAfterTrailer = 0;
    if (!ReadScreen()) return false;
    uint64_t offset = kScreenEnd + uint64_t(gif->globalTableEntries) * 3;
    for (;;) {
        if (gif->blocks.size() >= kMaxBlocks)
            return Fail("has more than " + std::to_string(kMaxBlocks) + " blocks");
        uint8_t introducer = 0;
        if (!source.ReadAt(offset, &introducer, 1)) break;  // ends without a trailer
        if (introducer == kTrailer) {
            gif->blocks.push_back(GifBlock{offset, 1, kTrailer, 0, std::string()});
            gif->hasTrailer = true;
            gif->bytesAfterTrailer = source.Size() - offset - 1;
            break;
        }
        bool read = false;
        if (introducer == kExtension) {
            read = ReadExtension(&offset);
        } else if (introducer == kImage) {
            read = ReadImage(&offset);
        } else {
            return Fail("has an unknown block (byte " + Hex(introducer) + ") at offset " + std::to_string(offset) +
                        ", where an extension, an image or the trailer belongs");
        }
        if (!read) return false;
    }
    if (gif->images.empty()) return Fail("holds no image");
    return ChooseTable();
}

}  // namespace

bool ReadGifStructure(const ByteSource& source, GifStructure* gif, std::string* reason, bool editPictureTable)
{
    return StructureReader(source, gif, reason, editPictureTable).Read();
}

std::vector<int> GifTables(const GifStructure& gif)
{
    std::vector<int> tables;
    if (gif.globalTableEntries) tables.push_back(-1);
    for (size_t i = 0; i < gif.images.size(); ++i)
        if (gif.images[i].localTableEntries) tables.push_back(int(i));
    return tables;
}

bool SelectGifTable(const ByteSource& source, GifStructure* gif, int table, std::string* reason)
{
    const bool global = table == -1 && gif->globalTableEntries != 0;
    const bool local = table >= 0 && size_t(table) < gif->images.size() && gif->images[size_t(table)].localTableEntries;
    if (!global && !local) {
        const std::string number = std::to_string(int64_t(table) + 1);
        if (table == -1) *reason = "has no global color table";
        else if (table >= 0 && size_t(table) < gif->images.size()) *reason = "has no local color table for image " + number;
        else *reason = "has no image " + number + " (it has " + std::to_string(gif->images.size()) + ")";
        // The choices, numbered as the report numbers the images.
        *reason += "; its tables:";
        for (int held : GifTables(*gif)) *reason += (held == -1 ? " global" : " " + std::to_string(held + 1)) + ",";
        reason->pop_back();
        return false;
    }
    size_t shown = local ? size_t(table) : 0;
    if (global) {
        while (shown < gif->images.size() && gif->images[shown].localTableEntries) ++shown;
        if (shown == gif->images.size()) shown = 0;  // no image draws with it
    }
    return UseTable(source, gif, table, shown, reason);
}

size_t GifTableBytes(const ColorTable& table, uint32_t* sizeBits, uint8_t* rgb)
{
    const uint32_t entries = GifTableEntries(table.GetCount());
    *sizeBits = 0;
    while ((2u << *sizeBits) < entries) ++*sizeBits;
    std::memset(rgb, 0, size_t(entries) * 3);
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        rgb[3 * i] = table.GetEntry(i)->red;
        rgb[3 * i + 1] = table.GetEntry(i)->green;
        rgb[3 * i + 2] = table.GetEntry(i)->blue;
    }
    return size_t(entries) * 3;
}

uint32_t GifTableEntries(uint32_t count)
{
    if (count == 0 || count > 256) return 0;
    uint32_t entries = 2;
    while (entries < count) entries <<= 1;
    return entries;
}

bool WriteGifWithTable(const ByteSource& source, const GifStructure& gif, const ColorTable& table,
                       SafeFileWriter& out, std::string* reason)
{
    std::vector<GifTableEdit> edit;
    edit.push_back(GifTableEdit{gif.editsLocalTable ? gif.editedImage : -1, table});
    return WriteGifWithTables(source, gif, edit, out, reason);
}

bool WriteGifWithTables(const ByteSource& source, const GifStructure& gif, const std::vector<GifTableEdit>& edits,
                        SafeFileWriter& out, std::string* reason)
{
    struct Patch {
        uint64_t fieldOffset, tableOffset, tableEnd;
        uint8_t field;
        const ColorTable* table;
    };
    std::vector<Patch> patches;
    for (const GifTableEdit& edit : edits) {
        const uint32_t count = edit.table.GetCount();
        const uint32_t entries = GifTableEntries(count);
        if (entries == 0) {
            *reason = count == 0 ? "the color table is empty; a GIF table holds 1 to 256 colors"
                                 : "the color table has " + std::to_string(count) +
                                       " colors; a GIF table holds at most 256";
            out.Fail();
            return false;
        }
        const bool local = edit.image >= 0 && size_t(edit.image) < gif.images.size();
        const GifImage* image = local ? &gif.images[size_t(edit.image)] : nullptr;
        Patch patch;
        patch.fieldOffset = local ? image->descriptorOffset + 9 : 10;
        patch.tableOffset = local ? image->localTableOffset : gif.globalTableOffset;
        const uint32_t oldEntries = local ? image->localTableEntries : gif.globalTableEntries;
        patch.tableEnd = patch.tableOffset + uint64_t(oldEntries) * 3;
        patch.table = &edit.table;
        // The size field must still say what was read: a file changed since is not patched.
        patch.field = 0;
        if (oldEntries == 0 || !source.ReadAt(patch.fieldOffset, &patch.field, 1) || !(patch.field & 0x80) ||
            (2u << (patch.field & 7)) != oldEntries || patch.tableEnd > source.Size()) {
            *reason = "the file no longer has the color table that was read";
            out.Fail();
            return false;
        }
        patch.field &= 0xF8;
        patches.push_back(patch);
    }
    std::sort(patches.begin(), patches.end(),
              [](const Patch& a, const Patch& b) { return a.fieldOffset < b.fieldOffset; });
    uint64_t copied = 0;
    for (size_t p = 0; p < patches.size(); ++p) {
        const Patch& patch = patches[p];
        if (p > 0 && patch.fieldOffset < patches[p - 1].tableEnd) {
            *reason = "the same color table was given twice";
            out.Fail();
            return false;
        }
        uint8_t rgb[256 * 3];
        uint32_t sizeBits = 0;
        const size_t bytes = GifTableBytes(*patch.table, &sizeBits, rgb);
        const uint8_t field = uint8_t(patch.field | sizeBits);
        source.CopyTo(out, copied, patch.fieldOffset - copied);
        out.Write(&field, 1);
        source.CopyTo(out, patch.fieldOffset + 1, patch.tableOffset - patch.fieldOffset - 1);
        out.Write(rgb, bytes);
        copied = patch.tableEnd;
    }
    source.CopyTo(out, copied, source.Size() - copied);
    return true;
}
