// Feeds arbitrary bytes to the GIF reader. A file whose structure reads is
// decoded, its largest index found and its report built; now and then it is
// written with a changed table and read back, which must change nothing else.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/scratch_folder.h"
#include "image/gif_file.h"
#include "image/gif_lzw.h"
#include "image/gif_lzw_encoder.h"
#include "platform/safe_file_writer.h"
#include "report/gif_report.h"

namespace {

// A broken promise is a finding, not a crash the sanitizers would see.
void Require(bool condition)
{
    if (!condition) std::abort();
}

// The picture's rows, or false when the decoder refused the data.
bool Picture(const ByteSource& source, const GifStructure& gif, std::vector<uint8_t>* picture)
{
    uint32_t width = 0, height = 0;
    if (!GifPictureSize(gif, &width, &height)) return false;
    // The picture is as large as the header says, not as the input is: a
    // huge one costs time, not coverage.
    if (uint64_t(width) * height > (1u << 22)) return false;
    std::string reason;
    uint32_t next = 0;
    const bool decoded = DecodeGifImage(source, gif, [&](uint32_t y, const uint8_t* row) {
        Require(y == next++ && y < height);
        picture->insert(picture->end(), row, row + width);
    }, &reason);
    Require(decoded ? next == height : !reason.empty());
    return decoded;
}

// The encoder's data for the picture's indices decodes to them again.
void EncodeAndDecode(const std::vector<uint8_t>& picture)
{
    std::string data;
    GifLzwEncoder encoder(8, [&](const uint8_t* bytes, size_t n) { data.append(reinterpret_cast<const char*>(bytes), n); });
    encoder.Add(picture.data(), picture.size());
    encoder.Finish();
    std::vector<uint8_t> decoded;
    GifLzwDecoder decoder(8, picture.size(), [&](const uint8_t* p, size_t n) { decoded.insert(decoded.end(), p, p + n); });
    for (size_t at = 0; at < data.size() && data[at] != 0;) {
        const size_t length = uint8_t(data[at]);
        Require(at + 1 + length <= data.size());
        Require(decoder.Feed(reinterpret_cast<const uint8_t*>(data.data()) + at + 1, length) !=
                GifLzwDecoder::Status::Corrupt);
        at += 1 + length;
    }
    decoder.Finish(false);
    Require(decoded == picture);
}

void RewriteAndReread(const std::string& bytes, const GifStructure& gif, const std::vector<uint8_t>& picture)
{
    ColorTable table(gif.table);
    for (uint32_t i = 0; i < table.GetCount(); ++i) table.SetColor(i, uint8_t(i), 0, uint8_t(~i));
    Require(table.Resize(table.GetCount() == 256 ? 3 : table.GetCount() + 1));
    const std::string path = ScratchFile("round-trip.gif");
    std::string reason;
    {
        SafeFileWriter writer(path.c_str());
        if (!writer.IsOpen()) return;
        Require(WriteGifWithTable(ByteSource(bytes), gif, table, writer, &reason));
        Require(writer.Commit());
    }
    SourceFile file;
    Require(file.Open(path.c_str()));
    const ByteSource written(file);
    GifStructure again;
    Require(ReadGifStructure(written, &again, &reason));
    Require(again.images.size() == gif.images.size() && again.blocks.size() == gif.blocks.size());
    Require(again.table.GetCount() == GifTableEntries(table.GetCount()));
    for (uint32_t i = 0; i < table.GetCount(); ++i) Require(again.table.GetPackedColor(i) == table.GetPackedColor(i));
    // Every byte but the table and its size field is the input's.
    const bool local = gif.editsLocalTable;
    const uint64_t field = local ? gif.images[0].descriptorOffset + 9 : 10;
    const uint64_t at = local ? gif.images[0].localTableOffset : gif.globalTableOffset;
    const uint64_t oldEnd = at + 3 * uint64_t(local ? gif.images[0].localTableEntries : gif.globalTableEntries);
    const uint64_t newEnd = at + 3 * uint64_t(again.table.GetCount());
    Require(written.Size() == bytes.size() - oldEnd + newEnd);
    std::string out(size_t(written.Size()), '\0');
    Require(written.ReadAt(0, &out[0], out.size()));
    Require(out.compare(0, field, bytes, 0, field) == 0 && (out[field] & 0xF8) == (bytes[field] & 0xF8));
    Require(out.compare(field + 1, at - field - 1, bytes, field + 1, at - field - 1) == 0);
    Require(out.compare(newEnd, std::string::npos, bytes, oldEnd, std::string::npos) == 0);

    // The same pixels, unless the background index now falls on the other side of the table's end.
    std::vector<uint8_t> repainted;
    Require(Picture(written, again, &repainted));
    const bool backgroundMoved = (gif.backgroundIndex < gif.table.GetCount()) !=
                                 (gif.backgroundIndex < again.table.GetCount());
    Require(backgroundMoved || repainted == picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const ByteSource source(bytes);
    GifStructure gif;
    std::string reason;
    if (!ReadGifStructure(source, &gif, &reason)) {
        Require(!reason.empty() && reason.find('\n') == std::string::npos);
        return 0;
    }
    Require(!gif.images.empty() && gif.table.GetCount() >= 2 && gif.table.GetCount() <= 256);
    for (const GifImage& image : gif.images) Require(image.dataOffset + image.dataLength <= size);
    BuildGifReport(gif, "fuzz.gif", size, 0, 0);
    BuildGifReport(gif, "fuzz.gif", size, 1, 1);

    std::vector<uint8_t> picture;
    const bool decoded = Picture(source, gif, &picture);
    uint32_t largest = 0;
    if (LargestGifIndex(source, gif, &largest, &reason)) Require(largest < 256);
    if (decoded && EveryNth(16)) RewriteAndReread(bytes, gif, picture);
    if (decoded) EncodeAndDecode(picture);
    return 0;
}
