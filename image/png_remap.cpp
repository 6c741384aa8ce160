#include "image/png_remap.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

#include "image/png_bytes.h"
#include "image/png_row_encoder.h"
#include "image/remap.h"
#include "platform/safe_file_writer.h"

namespace {

// Compressed data is written out in chunks of this size as it comes.
const size_t kIdatChunk = size_t(1) << 20;

bool IsType(const PngChunk& chunk, const char* type)
{
    return std::memcmp(chunk.type, type, 4) == 0;
}

// The new table's chunks that say something of each entry.
struct EntryChunks {
    std::vector<uint8_t> alpha;     // tRNS; empty drops it
    std::vector<uint8_t> histogram; // hIST, 2 bytes an entry
    uint8_t background = 0;         // bKGD
};

// Where each new entry came from: the lowest old entry mapped to it.
std::vector<uint32_t> Sources(const std::vector<uint32_t>& map, uint32_t count)
{
    std::vector<uint32_t> sources(count, kDroppedEntry);
    for (uint32_t i = uint32_t(map.size()); i-- > 0;)
        if (map[i] < count) sources[map[i]] = i;
    return sources;
}

bool FollowEntries(const ByteSource& source, const PngStructure& png, const std::vector<uint32_t>& map,
                   uint32_t count, EntryChunks* chunks, std::string* reason)
{
    const std::vector<uint32_t> sources = Sources(map, count);
    std::vector<uint8_t> alpha(count, 255);
    size_t kept = 0;
    for (uint32_t n = 0; n < count; ++n) {
        if (sources[n] < png.alpha.size()) alpha[n] = png.alpha[sources[n]];
        if (alpha[n] != 255) kept = n + 1;
    }
    chunks->alpha.assign(alpha.begin(), alpha.begin() + kept);
    for (const PngChunk& chunk : png.chunks) {
        if (IsType(chunk, "hIST")) {
            std::vector<uint8_t> old(chunk.length);
            if (!source.ReadAt(chunk.offset + 8, old.data(), old.size())) {
                *reason = "cannot be read at its hIST chunk";
                return false;
            }
            // Each new entry counts the pixels of every old entry it took.
            std::vector<uint32_t> sums(count, 0);
            for (uint32_t i = 0; i < map.size() && 2 * i + 1 < old.size(); ++i)
                if (map[i] < count) sums[map[i]] += uint32_t(old[2 * i] << 8 | old[2 * i + 1]);
            chunks->histogram.resize(2 * size_t(count));
            for (uint32_t n = 0; n < count; ++n) {
                const uint32_t value = sums[n] < 65535 ? sums[n] : 65535;
                chunks->histogram[2 * n] = uint8_t(value >> 8);
                chunks->histogram[2 * n + 1] = uint8_t(value);
            }
        }
    }
    const int background = PngBackgroundIndex(source, png);
    chunks->background = uint8_t(background);
    if (background >= 0 && uint32_t(background) < map.size() && map[background] < count)
        chunks->background = uint8_t(map[background]);
    return true;
}

// Walks an image's rows (the default image's or a frame's) into row.
typedef std::function<bool(const PngPackedRow& row, std::string* reason)> RowWalk;

// The rows walk gives, remapped and re-encoded into chunks of type as they
// come; with a sequence (fdAT), each chunk starts with the next number.
bool WriteImage(const RowWalk& walk, uint64_t rowBytes, const IndexRemap& remap, const char* type,
                uint32_t* sequence, const PngEncoding& encoding, SafeFileWriter& out, std::string* reason)
{
    std::unique_ptr<uint8_t[]> row(rowBytes <= SIZE_MAX ? new (std::nothrow) uint8_t[size_t(rowBytes)] : nullptr);
    if (!row) {
        *reason = "no memory for a row of " + std::to_string(rowBytes) + " bytes";
        return false;
    }
    const size_t head = sequence ? 4 : 0;
    std::string pending(head, '\0');
    const auto flush = [&] {
        if (sequence) {
            uint8_t number[4];
            PutBigEndian32(number, (*sequence)++);
            pending.replace(0, 4, reinterpret_cast<const char*>(number), 4);
        }
        WritePngChunk(out, type, reinterpret_cast<const uint8_t*>(pending.data()), uint32_t(pending.size()));
        pending.resize(head);
    };
    PngRowEncoder encoder([&](const uint8_t* bytes, size_t count) {
        pending.append(reinterpret_cast<const char*>(bytes), count);
        if (pending.size() - head >= kIdatChunk) flush();
    }, encoding);
    if (!encoder.Start(rowBytes, reason)) return false;
    const PngPackedRow remapped = [&](int, uint32_t y, uint32_t width, const uint8_t* packed, size_t bytes,
                                      std::string* why) {
        if (y == 0) encoder.StartPass();
        std::memcpy(row.get(), packed, bytes);
        remap.RemapPackedRow(row.get(), width);
        return encoder.AddRow(row.get(), bytes, why);
    };
    const bool walked = walk(remapped, reason);
    if (!walked || !encoder.Finish(reason)) return false;
    if (pending.size() > head) flush();
    return true;
}

// An fcTL as it was but for its sequence number.
bool WriteFrameControl(const ByteSource& source, const PngChunk& chunk, uint32_t sequence, SafeFileWriter& out,
                       std::string* reason)
{
    uint8_t data[26];
    if (chunk.length != sizeof data || !source.ReadAt(chunk.offset + 8, data, sizeof data)) {
        *reason = "cannot be read at its fcTL chunk at offset " + std::to_string(chunk.offset);
        return false;
    }
    PutBigEndian32(data, sequence);
    WritePngChunk(out, "fcTL", data, sizeof data);
    return true;
}

bool Failed(SafeFileWriter& out)
{
    out.Fail();
    return false;
}

}  // namespace

int PngBackgroundIndex(const ByteSource& source, const PngStructure& png)
{
    for (const PngChunk& chunk : png.chunks) {
        uint8_t index = 0;
        if (IsType(chunk, "bKGD") && chunk.length == 1 && source.ReadAt(chunk.offset + 8, &index, 1)) return index;
    }
    return -1;
}

size_t PngImagesCounted(const PngStructure& png)
{
    size_t images = 1;
    bool afterData = false;
    for (const PngChunk& chunk : png.chunks) {
        if (IsType(chunk, "IDAT")) afterData = true;
        if (afterData && IsType(chunk, "fcTL")) ++images;
    }
    return images;
}

bool WriteRemappedPng(const ByteSource& source, const PngStructure& png, const ColorTable& table,
                      const std::vector<uint32_t>& map, bool remapPixels, SafeFileWriter& out, std::string* reason,
                      const PngEncoding& encoding, const PngKeptRows* kept)
{
    const uint32_t count = table.GetCount();
    IndexRemap remap;
    EntryChunks entries;
    bool ready = false;
    if (count == 0 || count > (1u << png.bitDepth)) {
        *reason = "cannot take a table of " + std::to_string(count) + " entries (a " + std::to_string(png.bitDepth) +
                  "-bit PNG holds 1 to " + std::to_string(1u << png.bitDepth) + ")";
    } else if (png.chunks.empty() || !IsType(png.chunks.back(), "IEND")) {
        *reason = "was not read";
    } else {
        ready = (!remapPixels || remap.Build(map, png.bitDepth, reason)) &&
                FollowEntries(source, png, map, count, &entries, reason);
    }
    if (!ready) return Failed(out);
    uint8_t palette[3 * 256];
    for (uint32_t i = 0; i < count; ++i) {
        palette[3 * i] = table.GetEntry(i)->red;
        palette[3 * i + 1] = table.GetEntry(i)->green;
        palette[3 * i + 2] = table.GetEntry(i)->blue;
    }
    source.CopyTo(out, 0, sizeof kPngSignature);
    const uint64_t rowBytes = PackedRowBytes(png.width, png.bitDepth);  // no frame is wider
    // A frame's new data fills as many fdAT chunks as it needs, which may not
    // be as many as it had: every fcTL and fdAT is numbered again, from 0 in
    // file order, as the sequence must run.
    const bool frames = remapPixels && png.animated;
    uint32_t sequence = 0;
    bool pixelsWritten = false;
    size_t frameControl = SIZE_MAX;  // the fcTL after IDAT whose fdAT data comes next
    for (size_t i = 0; i < png.chunks.size(); ++i) {
        const PngChunk& chunk = png.chunks[i];
        if (IsType(chunk, "PLTE")) {
            WritePngChunk(out, "PLTE", palette, 3 * count);
        } else if (IsType(chunk, "tRNS")) {
            if (!entries.alpha.empty()) WritePngChunk(out, "tRNS", entries.alpha.data(), uint32_t(entries.alpha.size()));
        } else if (IsType(chunk, "hIST")) {
            WritePngChunk(out, "hIST", entries.histogram.data(), uint32_t(entries.histogram.size()));
        } else if (IsType(chunk, "bKGD") && chunk.length == 1) {
            WritePngChunk(out, "bKGD", &entries.background, 1);
        } else if (IsType(chunk, "IDAT") && remapPixels) {
            const RowWalk image = [&](const PngPackedRow& row, std::string* why) {
                if (kept && kept->Complete()) return kept->ForEach(row, why);
                return ForEachPackedPngRow(source, png, row, why);
            };
            if (!pixelsWritten && !WriteImage(image, rowBytes, remap, "IDAT", nullptr, encoding, out, reason)) return Failed(out);
            pixelsWritten = true;
        } else if (frames && IsType(chunk, "fcTL")) {
            if (!WriteFrameControl(source, chunk, sequence++, out, reason)) return Failed(out);
            // Before IDAT, the default image is the frame.
            frameControl = pixelsWritten ? i : SIZE_MAX;
        } else if (frames && IsType(chunk, "fdAT")) {
            const RowWalk frame = [&](const PngPackedRow& row, std::string* why) {
                return ForEachPackedPngFrameRow(source, png, frameControl, row, why);
            };
            if (frameControl != SIZE_MAX && !WriteImage(frame, rowBytes, remap, "fdAT", &sequence, encoding, out, reason))
                return Failed(out);
            frameControl = SIZE_MAX;
        } else {
            source.CopyTo(out, chunk.offset, 12 + uint64_t(chunk.length));
        }
    }
    const uint64_t afterEnd = png.chunks.back().offset + 12;
    if (afterEnd < source.Size()) source.CopyTo(out, afterEnd, source.Size() - afterEnd);
    return true;
}
