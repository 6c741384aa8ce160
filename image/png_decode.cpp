// The pixels of an indexed PNG: its compressed data inflated block by block,
// each row unfiltered against the one before it and unpacked to one index per
// pixel; interlaced images pass by pass. Only two rows are held at a time,
// except where an interlaced picture must be assembled for its reader (at
// its own depth, packed).
#include "image/png_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include <zlib.h>

#include "image/png_bytes.h"
#include "image/usage_counts.h"
#include "image/walk_handover.h"

namespace {

const size_t kInputBlock = 64 * 1024;
// Deflate makes at most 1032 bytes of each byte it reads; data that promises
// more than that is refused before anything is allocated for it.
const uint64_t kLargestInflateRatio = 1032;
const uint64_t kInflateSlack = 1024;
// Images that inflate to this much or more are inflated on a thread of their
// own, at most a ring of this many bytes of rows ahead.
const uint64_t kAheadBytes = uint64_t(256) << 10;
const uint64_t kRingBytes = uint64_t(1) << 20;

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

bool IsType(const PngChunk& chunk, const char* type)
{
    return std::memcmp(chunk.type, type, 4) == 0;
}

struct PassGeometry {
    uint32_t x0, y0, dx, dy;
};
const PassGeometry kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
const PassGeometry kWholeImage = {0, 0, 1, 1};

uint32_t PassSpan(uint32_t size, uint32_t start, uint32_t step)
{
    return size > start ? (size - start + step - 1) / step : 0;
}

// One image's compressed data: the default image's IDAT chunks, or a frame's
// fdAT chunks after their sequence numbers.
struct CompressedImage {
    std::string name;  // for reasons: "IDAT", "fdAT of frame 2"
    uint32_t width, height;
    std::vector<const PngChunk*> chunks;
    uint32_t skip;     // bytes at each chunk's start that are not data

    uint64_t DataBytes() const
    {
        uint64_t total = 0;
        for (const PngChunk* chunk : chunks) total += chunk->length - skip;
        return total;
    }
};

// Inflates an image's data into exactly the bytes asked for, reading the
// chunks a block at a time.
class ImageInflater {
public:
    ImageInflater(const ByteSource& source, const CompressedImage& image)
        : source(source), image(image), chunkIndex(0), chunkUsed(0), ready(false), ended(false)
    {
        std::memset(&stream, 0, sizeof stream);
    }
    ~ImageInflater()
    {
        if (ready) inflateEnd(&stream);
    }
    ImageInflater(const ImageInflater&) = delete;
    ImageInflater& operator=(const ImageInflater&) = delete;

    // With checkedBeside, zlib leaves the Adler-32 to the caller, who hands
    // it to Finish.
    bool Start(std::string* reason, bool checkedBeside = false)
    {
        if (inflateInit(&stream) != Z_OK) return Refuse(reason, image.name + ": the inflater cannot start");
        ready = true;
        if (checkedBeside && inflateValidate(&stream, 0) != Z_OK)
            return Refuse(reason, image.name + ": the inflater cannot start");
        return true;
    }

    bool Read(uint8_t* out, size_t count, std::string* reason)
    {
        stream.next_out = out;
        stream.avail_out = uInt(count);
        while (stream.avail_out > 0) {
            if (stream.avail_in == 0) {
                size_t got = 0;
                if (!Refill(&got)) return Refuse(reason, image.name + ": cannot be read");
                if (got == 0) return Refuse(reason, image.name + ": the data ends before the image does");
            }
            const int result = inflate(&stream, Z_NO_FLUSH);
            ended = result == Z_STREAM_END;
            if (ended && stream.avail_out > 0)
                return Refuse(reason, image.name + ": the data ends before the image does");
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return Corrupt(reason);
        }
        return true;
    }

    // After the image's bytes, the stream is taken to its end, so that its
    // Adler-32 is checked wherever the data holds one: by zlib, or against
    // adler. Data cut short before it, or going on past the image, is taken
    // as it always was.
    bool Finish(const uint32_t* adler, std::string* reason)
    {
        uint8_t none = 0;
        while (!ended) {
            if (stream.avail_in == 0) {
                size_t got = 0;
                if (!Refill(&got)) return Refuse(reason, image.name + ": cannot be read");
                if (got == 0) return true;
            }
            const uInt before = stream.avail_in;
            stream.next_out = &none;
            stream.avail_out = 0;
            const int result = inflate(&stream, Z_NO_FLUSH);
            ended = result == Z_STREAM_END;
            if (!ended && result != Z_OK && result != Z_BUF_ERROR) return Corrupt(reason);
            if (stream.avail_in == before) return true;  // more pixels than the image has
        }
        if (!adler) return true;
        // The check value is the four bytes the stream ended on.
        uint64_t at = chunkUsed - uint64_t(stream.avail_in);
        for (size_t i = 0; i < chunkIndex; ++i) at += image.chunks[i]->length - image.skip;
        uint8_t trailer[4];
        if (at < 4 || !ReadData(at - 4, trailer, sizeof trailer)) return Refuse(reason, image.name + ": cannot be read");
        if (ReadBigEndian32(trailer) != *adler) return Refuse(reason, image.name + ": corrupt compressed data (incorrect data check)");
        return true;
    }

private:
    bool Corrupt(std::string* reason) const
    {
        return Refuse(reason, image.name + ": corrupt compressed data" +
                                  (stream.msg ? std::string(" (") + stream.msg + ")" : std::string()));
    }

    // count bytes of the image's data from offset on, across its chunks.
    bool ReadData(uint64_t offset, uint8_t* out, size_t count) const
    {
        for (const PngChunk* chunk : image.chunks) {
            const uint64_t data = chunk->length - image.skip;
            if (offset >= data) {
                offset -= data;
                continue;
            }
            const size_t take = size_t(count < data - offset ? count : data - offset);
            if (!source.ReadAt(chunk->offset + 8 + image.skip + offset, out, take)) return false;
            out += take;
            count -= take;
            offset = 0;
            if (count == 0) return true;
        }
        return false;
    }

    bool Refill(size_t* got)
    {
        while (chunkIndex < image.chunks.size()) {
            const PngChunk& chunk = *image.chunks[chunkIndex];
            const uint32_t data = chunk.length - image.skip;
            if (chunkUsed == data) {
                ++chunkIndex;
                chunkUsed = 0;
                continue;
            }
            const uint32_t left = data - chunkUsed;
            const uint64_t at = chunk.offset + 8 + image.skip + chunkUsed;
            // Bytes held in memory are inflated where they are, a chunk at a time.
            const uint8_t* held = source.Data();
            const size_t take = held ? left : left < kInputBlock ? left : kInputBlock;
            if (held) {
                if (at > source.Size() || take > source.Size() - at) return false;
                stream.next_in = const_cast<uint8_t*>(held + at);
            } else {
                if (!source.ReadAt(at, input, take)) return false;
                stream.next_in = input;
            }
            chunkUsed += uint32_t(take);
            stream.avail_in = uInt(take);
            *got = take;
            return true;
        }
        *got = 0;
        return true;
    }

    const ByteSource& source;
    const CompressedImage& image;
    size_t chunkIndex;
    uint32_t chunkUsed;
    z_stream stream;
    bool ready;
    bool ended;
    uint8_t input[kInputBlock];
};

// The bytes the image's rows take once inflated, filter bytes included.
uint64_t InflatedSize(uint32_t width, uint32_t height, uint32_t bitDepth, bool interlaced)
{
    if (!interlaced) return uint64_t(height) * (PackedRowBytes(width, bitDepth) + 1);
    uint64_t total = 0;
    for (const PassGeometry& pass : kAdam7) {
        const uint32_t passWidth = PassSpan(width, pass.x0, pass.dx);
        const uint32_t passHeight = PassSpan(height, pass.y0, pass.dy);
        if (passWidth && passHeight) total += uint64_t(passHeight) * (PackedRowBytes(passWidth, bitDepth) + 1);
    }
    return total;
}

// Refuses an image whose data cannot inflate to what its header promises:
// what the decoder allocates then stays within a fixed multiple of the file.
bool CheckPromisedSize(const CompressedImage& image, uint32_t bitDepth, bool interlaced, std::string* reason)
{
    const uint64_t promised = InflatedSize(image.width, image.height, bitDepth, interlaced);
    if (promised > image.DataBytes() * kLargestInflateRatio + kInflateSlack)
        return Refuse(reason, image.name + ": " + std::to_string(image.DataBytes()) +
                                  " compressed bytes cannot hold the " + std::to_string(promised) +
                                  " bytes of a " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                                  " image");
    return true;
}

void Unfilter(uint8_t* row, const uint8_t* previous, size_t count, uint8_t type)
{
    switch (type) {
    case 1:
        for (size_t i = 1; i < count; ++i) row[i] = uint8_t(row[i] + row[i - 1]);
        break;
    case 2:
        for (size_t i = 0; i < count; ++i) row[i] = uint8_t(row[i] + previous[i]);
        break;
    case 3:
        if (count) row[0] = uint8_t(row[0] + previous[0] / 2);
        for (size_t i = 1; i < count; ++i) row[i] = uint8_t(row[i] + (row[i - 1] + previous[i]) / 2);
        break;
    case 4:
        if (count) row[0] = uint8_t(row[0] + previous[0]);
        for (size_t i = 1; i < count; ++i)
            row[i] = uint8_t(row[i] + PaethPredictor(row[i - 1], previous[i], previous[i - 1]));
        break;
    default:
        break;
    }
}

void Unpack(const uint8_t* packed, uint32_t width, uint32_t bitDepth, uint8_t* indices)
{
    const uint32_t mask = (1u << bitDepth) - 1;
    for (uint32_t x = 0; x < width; ++x) {
        const uint64_t bit = uint64_t(x) * bitDepth;
        indices[x] = uint8_t(packed[bit / 8] >> (8 - bitDepth - bit % 8) & mask);
    }
}

// Rows made on one thread and taken in order on another, in a ring of slots:
// the making side may run as many rows ahead as the ring holds, less the one
// the taker still reads as the row above. Each side shows its progress a
// batch of rows at a time.
class RowRing {
public:
    RowRing(uint64_t slots, uint64_t batch) : slots(slots), batch(batch), made(0), taken(0), madeKnown(0), takenKnown(0) {}

    WalkHandover walk;

    // The making side: whether row i may go into its slot (false once stopped).
    bool Room(uint64_t i)
    {
        if (i + 2 <= takenKnown + slots) return true;
        std::unique_lock<std::mutex> guard = walk.Lock();
        made = i;
        walk.Wait(guard, [&] { return walk.Stopped() || i + 2 <= taken + slots; });
        takenKnown = taken;
        return !walk.Stopped();
    }
    void Made(uint64_t rows)
    {
        if (rows % batch == 0) walk.Change([&] { made = rows; });
    }
    void Finish(uint64_t rows, bool sound, const std::string& reason)
    {
        walk.Change([&] { made = rows; });
        walk.Finish(sound, reason);
    }

    // The taking side: whether row i is there (false when the making ended before it).
    bool Row(uint64_t i)
    {
        if (i < madeKnown) return true;
        std::unique_lock<std::mutex> guard = walk.Lock();
        taken = i;
        walk.Wait(guard, [&] { return walk.Stopped() || walk.Finished() || made > i; });
        madeKnown = made;
        return !walk.Stopped() && i < made;
    }
    void Taken(uint64_t rows)
    {
        if (rows % batch == 0) walk.Change([&] { taken = rows; });
    }

private:
    const uint64_t slots, batch;
    uint64_t made, taken;            // under the handover's lock
    uint64_t madeKnown, takenKnown;  // each side's own last look
};

// A thread of a walk's other side, stopped and joined however the walk ends.
class RingThread {
public:
    RingThread(RowRing& ring) : ring(ring) {}
    ~RingThread()
    {
        if (!thread.joinable()) return;
        ring.walk.Stop();
        thread.join();
    }
    RingThread(const RingThread&) = delete;
    RingThread& operator=(const RingThread&) = delete;

    template <class Work>
    bool Start(const Work& work)
    {
        try {
            thread = std::thread(work);
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }
    // After the walk's own end on this side.
    void Join()
    {
        if (thread.joinable()) thread.join();
    }

private:
    RowRing& ring;
    std::thread thread;
};

// Each row of an image's passes in order: visit(i, pass index, y in the
// pass, pixels in the row, packed bytes), i counting over all passes.
template <class Visit>
bool ForEachPassRow(const CompressedImage& image, uint32_t bitDepth, bool interlaced, const Visit& visit)
{
    const PassGeometry* passes = interlaced ? kAdam7 : &kWholeImage;
    const int passCount = interlaced ? 7 : 1;
    uint64_t i = 0;
    for (int p = 0; p < passCount; ++p) {
        const uint32_t passWidth = PassSpan(image.width, passes[p].x0, passes[p].dx);
        const uint32_t passHeight = PassSpan(image.height, passes[p].y0, passes[p].dy);
        if (passWidth == 0 || passHeight == 0) continue;
        const size_t passRowBytes = size_t(PackedRowBytes(passWidth, bitDepth));
        for (uint32_t y = 0; y < passHeight; ++y)
            if (!visit(i++, p, y, passWidth, passRowBytes)) return false;
    }
    return true;
}

typedef std::function<void(const PassGeometry& pass, uint32_t passY, uint32_t passWidth, const uint8_t* indices)>
    PassRow;

// Every row of one image, pass by pass, as indices; with packedRow, each row
// goes there as stored (unfiltered, still packed) instead. An image of some
// size is inflated on a second thread, a ring of rows ahead of the one that
// unfilters them and hands them on (counting the pixels costs about what
// inflating them does).
bool WalkRows(const ByteSource& source, const CompressedImage& image, uint32_t bitDepth, bool interlaced,
              const PassRow& row, std::string* reason, const PngPackedRow* packedRow = nullptr)
{
    if (!CheckPromisedSize(image, bitDepth, interlaced, reason)) return false;
    const uint64_t slotBytes = PackedRowBytes(image.width, bitDepth) + 1;  // the filter byte leads each row
    const bool ahead = InflatedSize(image.width, image.height, bitDepth, interlaced) >= kAheadBytes;
    const uint64_t slots = ahead ? std::max<uint64_t>(8, kRingBytes / slotBytes) : 2;
    // The slots, a row of zeros (the row above a pass's first) and the indices of a row.
    const uint64_t need = (slots + 1) * slotBytes + image.width;
    if (need > SIZE_MAX) return Refuse(reason, image.name + ": rows too large for this machine");
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size_t(need)]);
    if (!buffer) return Refuse(reason, image.name + ": no memory for a row of " + std::to_string(image.width) + " pixels");
    uint8_t* zeros = buffer.get() + slots * slotBytes;
    std::memset(zeros, 0, size_t(slotBytes));
    uint8_t* indices = zeros + slotBytes;
    const auto slot = [&](uint64_t i) { return buffer.get() + (i % slots) * slotBytes; };

    ImageInflater inflater(source, image);
    if (!inflater.Start(reason)) return false;
    const auto inflateRow = [&](uint64_t i, uint32_t y, size_t passRowBytes, std::string* why) {
        uint8_t* current = slot(i);
        if (!inflater.Read(current, passRowBytes + 1, why)) return false;
        if (current[0] > 4)
            return Refuse(why, image.name + ": row " + std::to_string(y) + " has unknown filter type " +
                                   std::to_string(current[0]));
        return true;
    };
    const auto takeRow = [&](uint64_t i, int p, uint32_t y, uint32_t passWidth, size_t passRowBytes) {
        uint8_t* current = slot(i);
        Unfilter(current + 1, y == 0 ? zeros : slot(i - 1) + 1, passRowBytes, current[0]);
        if (packedRow) return (*packedRow)(p, y, passWidth, current + 1, passRowBytes, reason);
        const PassGeometry& pass = interlaced ? kAdam7[p] : kWholeImage;
        if (bitDepth == 8) {
            row(pass, y, passWidth, current + 1);
        } else {
            Unpack(current + 1, passWidth, bitDepth, indices);
            row(pass, y, passWidth, indices);
        }
        return true;
    };
    const auto inTurn = [&] {
        return ForEachPassRow(image, bitDepth, interlaced, [&](uint64_t i, int p, uint32_t y, uint32_t w, size_t b) {
            return inflateRow(i, y, b, reason) && takeRow(i, p, y, w, b);
        }) && inflater.Finish(nullptr, reason);
    };
    if (!ahead) return inTurn();

    RowRing ring(slots, std::max<uint64_t>(1, slots / 4));
    RingThread inflating(ring);
    const auto inflateAll = [&] {
        std::string why;
        uint64_t rows = 0;
        bool sound = false;
        try {
            sound = ForEachPassRow(image, bitDepth, interlaced, [&](uint64_t i, int, uint32_t y, uint32_t, size_t b) {
                if (!ring.Room(i) || !inflateRow(i, y, b, &why)) return false;
                ring.Made(rows = i + 1);
                return true;
            }) && inflater.Finish(nullptr, &why);
        } catch (const std::bad_alloc&) {
            why = "needs more memory than is free";
        }
        ring.Finish(rows, sound, why);
    };
    if (!inflating.Start(inflateAll)) return inTurn();
    bool walkEnded = false;
    const bool taken = ForEachPassRow(image, bitDepth, interlaced, [&](uint64_t i, int p, uint32_t y, uint32_t w, size_t b) {
        if (!ring.Row(i)) return !(walkEnded = true);
        if (!takeRow(i, p, y, w, b)) return false;
        ring.Taken(i + 1);
        return true;
    });
    // A row handed on that fails stops the inflating; its reason stands.
    if (!taken && !walkEnded) return false;
    inflating.Join();
    return ring.walk.WalkSound(reason);
}

// A picture that is not interlaced, inflated straight into the caller's rows.
// A second thread follows: it takes each row's Adler-32 as inflated, then
// unfilters it against the row above, since zlib's own check would cost this
// thread about as much as the inflate. The bits past the width are cleared in
// each row once the row below no longer needs them.
bool InflateRowsInPlace(const ByteSource& source, const CompressedImage& image, uint32_t bitDepth,
                        const std::function<uint8_t*(uint32_t y)>& rowAt, std::string* reason)
{
    if (!CheckPromisedSize(image, bitDepth, false, reason)) return false;
    const uint64_t rowBytes = PackedRowBytes(image.width, bitDepth);
    if (rowBytes > SIZE_MAX) return Refuse(reason, image.name + ": rows too large for this machine");
    const size_t count = size_t(rowBytes);
    // The row above the first one is all zeros; each row's filter type is kept
    // for the follower.
    std::unique_ptr<uint8_t[]> zeros(new (std::nothrow) uint8_t[count]());
    std::unique_ptr<uint8_t[]> filters(new (std::nothrow) uint8_t[image.height]);
    if (!zeros || !filters)
        return Refuse(reason, image.name + ": no memory for a row of " + std::to_string(image.width) + " pixels");
    const uint32_t usedBits = uint32_t(uint64_t(image.width) * bitDepth % 8);
    const uint8_t lastMask = usedBits ? uint8_t(0xFF00u >> usedBits) : uint8_t(0xFF);

    ImageInflater inflater(source, image);
    if (!inflater.Start(reason, true)) return false;
    uint32_t adler = uint32_t(adler32(0, nullptr, 0));
    uint8_t* previous = zeros.get();
    uint8_t previousLast = 0;  // the last byte of the row above as the file has it
    const auto follow = [&](uint32_t y) {
        uint8_t* row = rowAt(y);
        adler = uint32_t(adler32(adler, &filters[y], 1));
        adler = uint32_t(adler32(adler, row, uInt(count)));
        const uint8_t previousShown = previous[count - 1];
        previous[count - 1] = previousLast;
        Unfilter(row, previous, count, filters[y]);
        previous[count - 1] = previousShown;
        previousLast = row[count - 1];
        row[count - 1] &= lastMask;
        previous = row;
    };
    // Rows go to the follower a few hundred KiB at a time; they stay where
    // they are, so the ring has no end.
    RowRing ring(UINT64_MAX / 4, std::max<uint64_t>(1, (256 * 1024) / (rowBytes + 1)));
    RingThread following(ring);
    const bool beside = following.Start([&] {
        for (uint32_t y = 0; y < image.height && ring.Row(y); ++y) follow(y);
    });
    for (uint32_t y = 0; y < image.height; ++y) {
        if (!inflater.Read(&filters[y], 1, reason) || !inflater.Read(rowAt(y), count, reason)) return false;
        if (filters[y] > 4)
            return Refuse(reason, image.name + ": row " + std::to_string(y) + " has unknown filter type " +
                                      std::to_string(filters[y]));
        if (beside) ring.Made(y + 1);
        else follow(y);
    }
    if (beside) {
        ring.Finish(image.height, true, "");
        following.Join();
    }
    return inflater.Finish(&adler, reason);
}

CompressedImage DefaultImage(const PngStructure& png)
{
    CompressedImage image;
    image.name = "IDAT";
    image.width = png.width;
    image.height = png.height;
    image.skip = 0;
    for (const PngChunk& chunk : png.chunks) {
        if (IsType(chunk, "IDAT")) image.chunks.push_back(&chunk);
    }
    return image;
}

// The frame whose fcTL is png.chunks[control]: its size, and the fdAT chunks
// up to the next fcTL.
bool FrameImage(const ByteSource& source, const PngStructure& png, size_t control, const std::string& name,
                CompressedImage* frame, std::string* reason)
{
    const PngChunk& chunk = png.chunks[control];
    uint8_t data[26];
    if (!IsType(chunk, "fcTL") || chunk.length != sizeof data || !source.ReadAt(chunk.offset + 8, data, sizeof data))
        return Refuse(reason, "fcTL chunk at offset " + std::to_string(chunk.offset) + ": cannot be read");
    frame->name = name;
    frame->width = ReadBigEndian32(data + 4);
    frame->height = ReadBigEndian32(data + 8);
    frame->skip = 4;
    frame->chunks.clear();
    if (frame->width == 0 || frame->height == 0 || frame->width > png.width || frame->height > png.height)
        return Refuse(reason, "fcTL chunk at offset " + std::to_string(chunk.offset) + ": frame size is wrong");
    for (size_t i = control + 1; i < png.chunks.size() && !IsType(png.chunks[i], "fcTL"); ++i)
        if (IsType(png.chunks[i], "fdAT") && png.chunks[i].length >= 4) frame->chunks.push_back(&png.chunks[i]);
    return true;
}

// The frames whose data is in fdAT chunks.
bool FrameImages(const ByteSource& source, const PngStructure& png, std::vector<CompressedImage>* frames,
                 std::string* reason)
{
    if (!png.animated) return true;
    bool afterImage = false;
    size_t frameControls = 0;
    for (size_t i = 0; i < png.chunks.size(); ++i) {
        const PngChunk& chunk = png.chunks[i];
        if (IsType(chunk, "IDAT")) afterImage = true;
        if (!IsType(chunk, "fcTL")) continue;
        ++frameControls;
        if (!afterImage) continue;
        frames->emplace_back();
        if (!FrameImage(source, png, i, "fdAT of frame " + std::to_string(frameControls), &frames->back(), reason))
            return false;
    }
    return true;
}

}  // namespace

bool CheckPngImageData(const PngStructure& png, std::string* reason)
{
    return CheckPromisedSize(DefaultImage(png), png.bitDepth, png.interlace != 0, reason);
}

bool DecodePngPacked(const ByteSource& source, const PngStructure& png, uint32_t bitCount,
                     const std::function<uint8_t*(uint32_t y)>& rowAt, std::string* reason)
{
    const uint32_t depth = png.bitDepth;
    if (bitCount != depth && !(depth == 2 && bitCount == 4))
        return Refuse(reason, "IDAT: a " + std::to_string(depth) + "-bit picture is not held at " +
                                  std::to_string(bitCount) + " bits per pixel");
    if (!png.interlace && bitCount == depth) return InflateRowsInPlace(source, DefaultImage(png), depth, rowAt, reason);
    const uint32_t width = png.width;
    const size_t rowBytes = size_t(PackedRowBytes(width, depth));
    // Bits past the width may hold anything in the file; the picture's are 0.
    const uint32_t usedBits = uint32_t(uint64_t(width) * depth % 8);
    const uint8_t lastMask = usedBits ? uint8_t(0xFF00u >> usedBits) : uint8_t(0xFF);
    const PngPackedRow place = [&](int pass, uint32_t y, uint32_t passWidth, const uint8_t* packed, size_t bytes,
                                   std::string*) {
        const PassGeometry& geometry = png.interlace ? kAdam7[pass] : kWholeImage;
        uint8_t* target = rowAt(geometry.y0 + y * geometry.dy);
        if (geometry.dx == 1) {
            std::memcpy(target, packed, bytes);
            target[rowBytes - 1] &= lastMask;
        } else if (depth == 8) {
            for (uint32_t i = 0; i < passWidth; ++i) target[geometry.x0 + i * geometry.dx] = packed[i];
        } else {
            const uint32_t mask = (1u << depth) - 1;
            uint64_t to = uint64_t(geometry.x0) * depth;
            const uint64_t step = uint64_t(geometry.dx) * depth;
            for (uint64_t from = 0; from < uint64_t(passWidth) * depth; from += depth, to += step) {
                const uint32_t value = packed[from / 8] >> (8 - depth - from % 8) & mask;
                target[to / 8] = uint8_t(target[to / 8] | value << (8 - depth - to % 8));
            }
        }
        return true;
    };
    if (!ForEachPackedPngRow(source, png, place, reason)) return false;
    if (bitCount == depth) return true;
    // A 2-bit picture widens to 4 bits in its own row, from the end back, so
    // that no byte is written before it has been read.
    for (uint32_t y = 0; y < png.height; ++y) {
        uint8_t* row = rowAt(y);
        for (size_t i = rowBytes; i-- > 0;) {
            const uint8_t four = row[i];
            row[2 * i + 1] = uint8_t((four >> 2 & 3) << 4 | (four & 3));
            row[2 * i] = uint8_t((four >> 6) << 4 | (four >> 4 & 3));
        }
    }
    return true;
}

bool DecodePngImage(const ByteSource& source, const PngStructure& png,
                    const std::function<void(uint32_t y, const uint8_t* indices)>& row, std::string* reason)
{
    const CompressedImage image = DefaultImage(png);
    if (!png.interlace) {
        return WalkRows(source, image, png.bitDepth, false,
                        [&](const PassGeometry&, uint32_t y, uint32_t, const uint8_t* indices) { row(y, indices); },
                        reason);
    }
    // Passes fill the picture in a scattered order; its reader wants rows.
    // The picture is assembled packed, as the file holds it.
    if (!CheckPromisedSize(image, png.bitDepth, true, reason)) return false;
    const uint64_t rowBytes = PackedRowBytes(png.width, png.bitDepth);
    const uint64_t bytes = rowBytes * png.height + png.width;
    if (bytes > SIZE_MAX) return Refuse(reason, "IDAT: the picture is too large for this machine");
    std::unique_ptr<uint8_t[]> picture(new (std::nothrow) uint8_t[size_t(bytes)]());
    if (!picture) return Refuse(reason, "IDAT: no memory to assemble the interlaced picture");
    uint8_t* indices = picture.get() + rowBytes * png.height;
    const auto rowAt = [&](uint32_t y) { return picture.get() + uint64_t(y) * rowBytes; };
    if (!DecodePngPacked(source, png, png.bitDepth, rowAt, reason)) return false;
    for (uint32_t y = 0; y < png.height; ++y) {
        if (png.bitDepth == 8) {
            row(y, rowAt(y));
        } else {
            Unpack(rowAt(y), png.width, png.bitDepth, indices);
            row(y, indices);
        }
    }
    return true;
}

bool LargestPngIndex(const ByteSource& source, const PngStructure& png, uint32_t* largest, std::string* reason)
{
    std::vector<CompressedImage> images;
    images.push_back(DefaultImage(png));
    if (!FrameImages(source, png, &images, reason)) return false;
    uint8_t found = 0;
    const PassRow scan = [&](const PassGeometry&, uint32_t, uint32_t passWidth, const uint8_t* indices) {
        for (uint32_t i = 0; i < passWidth; ++i) {
            if (indices[i] > found) found = indices[i];
        }
    };
    for (const CompressedImage& image : images) {
        if (!WalkRows(source, image, png.bitDepth, png.interlace != 0, scan, reason)) return false;
    }
    *largest = found;
    return true;
}

bool ForEachPackedPngRow(const ByteSource& source, const PngStructure& png, const PngPackedRow& row,
                         std::string* reason)
{
    const PassRow none = [](const PassGeometry&, uint32_t, uint32_t, const uint8_t*) {};
    return WalkRows(source, DefaultImage(png), png.bitDepth, png.interlace != 0, none, reason, &row);
}

bool ForEachPackedPngFrameRow(const ByteSource& source, const PngStructure& png, size_t control,
                              const PngPackedRow& row, std::string* reason)
{
    if (control >= png.chunks.size()) return Refuse(reason, "there is no such frame");
    CompressedImage frame;
    const std::string name = "fdAT of the frame at offset " + std::to_string(png.chunks[control].offset);
    if (!FrameImage(source, png, control, name, &frame, reason)) return false;
    const PassRow none = [](const PassGeometry&, uint32_t, uint32_t, const uint8_t*) {};
    return WalkRows(source, frame, png.bitDepth, png.interlace != 0, none, reason, &row);
}

PngKeptRows::PngKeptRows(size_t bound) : bound(bound), held(true), complete(false) {}

void PngKeptRows::Clear()
{
    held = true;
    complete = false;
    rows.clear();
    bytes.clear();
}

void PngKeptRows::Add(int pass, uint32_t y, uint32_t width, const uint8_t* packed, size_t count)
{
    if (!held) return;
    if (count > bound || bytes.size() + count + (rows.size() + 1) * sizeof(Row) > bound) {
        held = false;
        std::vector<Row>().swap(rows);
        std::vector<uint8_t>().swap(bytes);
        return;
    }
    rows.push_back(Row{pass, y, width, count});
    bytes.insert(bytes.end(), packed, packed + count);
}

bool PngKeptRows::ForEach(const PngPackedRow& row, std::string* reason) const
{
    const uint8_t* at = bytes.data();
    for (const Row& kept : rows) {
        if (!row(kept.pass, kept.y, kept.width, at, kept.count, reason)) return false;
        at += kept.count;
    }
    return true;
}

bool CountPngIndices(const ByteSource& source, const PngStructure& png, std::vector<uint64_t>* counts,
                     std::string* reason, PngKeptRows* kept)
{
    std::vector<CompressedImage> images;
    images.push_back(DefaultImage(png));
    if (!FrameImages(source, png, &images, reason)) return false;
    if (kept) kept->Clear();
    ByteHistogram histogram;
    // Below 8 bits the packed bytes are counted as they are, and each byte
    // value's pixels added up once at the end; only the pixels of a row's
    // last, partly used byte are taken one by one.
    const uint32_t depth = png.bitDepth, perByte = 8 / depth, mask = (1u << depth) - 1;
    std::vector<uint64_t> tails(256, 0);
    PngKeptRows* keeping = kept;
    const PngPackedRow packed = [&](int pass, uint32_t y, uint32_t passWidth, const uint8_t* bytes, size_t count,
                                    std::string*) {
        if (keeping) keeping->Add(pass, y, passWidth, bytes, count);
        const size_t whole = passWidth / perByte;
        histogram.Add(bytes, whole);
        for (uint32_t x = uint32_t(whole) * perByte; x < passWidth; ++x)
            ++tails[bytes[whole] >> (8 - depth * (x % perByte + 1)) & mask];
        return true;
    };
    const PassRow none = [](const PassGeometry&, uint32_t, uint32_t, const uint8_t*) {};
    for (const CompressedImage& image : images) {
        if (!WalkRows(source, image, png.bitDepth, png.interlace != 0, none, reason, &packed)) return false;
        // Only the default image is kept: frames are rewritten from the file.
        if (keeping) keeping->Finish();
        keeping = nullptr;
    }
    const std::vector<uint64_t> byteCounts = histogram.Totals();
    if (depth == 8) {
        *counts = byteCounts;
        return true;
    }
    counts->assign(tails.begin(), tails.end());
    for (uint32_t b = 0; b < 256; ++b) {
        for (uint32_t k = 0; k < perByte; ++k) (*counts)[b >> (8 - depth * (k + 1)) & mask] += byteCounts[b];
    }
    return true;
}
