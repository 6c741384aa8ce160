// Feeds arbitrary bytes to the PNG reader: the chunk walk, the decoder, the
// largest-index scan and the report. A file that reads is now and then
// rewritten with a changed table and read back: the result must read, hold
// the new table and show the same pixels. Each input is also tried with its
// CRCs made right, or the fuzzer would hardly get past the first chunk.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/scratch_folder.h"
#include "image/png_file.h"
#include "platform/safe_file_writer.h"
#include "report/png_report.h"

#include <zlib.h>

namespace {

// A broken promise is a finding, not a crash the sanitizers would see.
void Require(bool condition)
{
    if (!condition) std::abort();
}

// The decoded rows folded into one number, with the largest index seen; false
// when the decoder refused.
bool DecodeSummary(const ByteSource& source, const PngStructure& png, uint64_t* digest, uint32_t* largest)
{
    uint32_t nextRow = 0;
    uint64_t hash = 1469598103934665603ull;
    uint32_t top = 0;
    std::string reason;
    const bool decoded = DecodePngImage(source, png, [&](uint32_t y, const uint8_t* indices) {
        Require(y == nextRow++);
        for (uint32_t x = 0; x < png.width; ++x) {
            Require(indices[x] < (1u << png.bitDepth));
            if (indices[x] > top) top = indices[x];
            hash = (hash ^ indices[x]) * 1099511628211ull;
        }
    }, &reason);
    Require(decoded ? nextRow == png.height : !reason.empty() && reason.find('\n') == std::string::npos);
    *digest = hash;
    *largest = top;
    return decoded;
}

void RewriteAndReread(const ByteSource& source, const PngStructure& png, bool decoded, uint64_t digest)
{
    // One entry fewer or more, colors changed, as the palette window edits.
    ColorTable table(png.table);
    const uint32_t allowed = 1u << png.bitDepth;
    const uint32_t count = table.GetCount() > 1 && digest % 2 ? table.GetCount() - 1
                           : table.GetCount() < allowed     ? table.GetCount() + 1
                                                            : table.GetCount();
    Require(table.Resize(count));
    for (uint32_t i = 0; i < count; ++i) table.SetColor(i, uint8_t(~table.GetEntry(i)->red), uint8_t(i), 7);

    const std::string path = ScratchFile("rewritten.png");
    {
        SafeFileWriter out(path.c_str());
        std::string reason;
        Require(WritePngWithTable(source, png, table, out, &reason));
        Require(out.Commit());
    }
    SourceFile file;
    Require(file.Open(path.c_str()));
    ByteSource again(file);
    PngStructure back;
    std::string reason;
    Require(ReadPngStructure(again, &back, &reason));
    Require(back.table.GetCount() == count && back.width == png.width && back.height == png.height);
    Require(back.alpha.size() == (png.alpha.size() < count ? png.alpha.size() : count));
    for (uint32_t i = 0; i < count; ++i) Require(back.table.GetEntry(i)->red == table.GetEntry(i)->red);
    uint64_t backDigest = 0;
    uint32_t backLargest = 0;
    Require(DecodeSummary(again, back, &backDigest, &backLargest) == decoded);
    if (decoded) Require(backDigest == digest);
}

// Sets every whole chunk's CRC to the one its type and data have.
std::string WithRightCrcs(std::string bytes)
{
    size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data()) + at;
        const uint64_t length = uint64_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        if (length > bytes.size() - at - 12) break;
        const uLong crc = crc32(0L, p + 4, uInt(length + 4));
        for (int i = 0; i < 4; ++i) bytes[at + 8 + length + i] = char(crc >> (24 - 8 * i));
        at += 12 + length;
    }
    return bytes;
}

void Check(const std::string& bytes)
{
    const size_t size = bytes.size();
    ByteSource source(bytes);
    PngStructure png;
    std::string reason;
    if (!ReadPngStructure(source, &png, &reason)) {
        Require(!reason.empty() && reason.find('\n') == std::string::npos);
        return;
    }
    Require(png.colorType == 3 && png.width > 0 && png.height > 0);
    Require(png.table.GetCount() >= 1 && png.table.GetCount() <= (1u << png.bitDepth));
    Require(png.alpha.size() <= png.table.GetCount());
    Require(png.chunks.size() >= 4 && std::string(png.chunks.back().type) == "IEND");

    uint64_t digest = 0;
    uint32_t decodedLargest = 0;
    const bool decoded = DecodeSummary(source, png, &digest, &decodedLargest);
    uint32_t largest = 0;
    if (LargestPngIndex(source, png, &largest, &reason)) {
        Require(largest < (1u << png.bitDepth));
        if (decoded) Require(largest >= decodedLargest);
        if (decoded && !png.animated) Require(largest == decodedLargest);
    }
    for (int32_t detail = 0; detail < 2; ++detail)
        for (int32_t hex = 0; hex < 2; ++hex) Require(!BuildPngReport(png, "C:\\fuzz\\input.png", size, detail, hex).empty());

    if (EveryNth(16)) RewriteAndReread(source, png, decoded, digest);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);
    Check(WithRightCrcs(bytes));
    return 0;
}
