// A new indexed PNG from a picture's indices: each row packed, filtered by the
// filter whose output has the smallest sum of absolute values (the usual
// heuristic: small signed differences compress well), deflated into IDAT.
#include "image/png_file.h"

#include <cstring>
#include <memory>
#include <new>

#include <zlib.h>

#include "image/png_bytes.h"
#include "platform/safe_file_writer.h"

namespace {

const uint32_t kLargestDimension = 0x7FFFFFFFu;
const size_t kLargestIdat = 0x7FFFFFFFu;
const size_t kOutputBlock = 64 * 1024;

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

void Pack(const uint8_t* indices, uint32_t width, uint32_t bitDepth, uint8_t* packed, size_t rowBytes)
{
    if (bitDepth == 8) {
        std::memcpy(packed, indices, width);
        return;
    }
    std::memset(packed, 0, rowBytes);
    const uint32_t mask = (1u << bitDepth) - 1;
    for (uint32_t x = 0; x < width; ++x) {
        const uint64_t bit = uint64_t(x) * bitDepth;
        packed[bit / 8] = uint8_t(packed[bit / 8] | (indices[x] & mask) << (8 - bitDepth - bit % 8));
    }
}

// Row filtered by type into out; out[0] is the filter byte.
void Filter(const uint8_t* row, const uint8_t* previous, size_t count, uint8_t type, uint8_t* out)
{
    out[0] = type;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t left = i ? row[i - 1] : 0;
        const uint8_t aboveLeft = i ? previous[i - 1] : 0;
        uint8_t predicted = 0;
        switch (type) {
        case 1: predicted = left; break;
        case 2: predicted = previous[i]; break;
        case 3: predicted = uint8_t((left + previous[i]) / 2); break;
        case 4: predicted = PaethPredictor(left, previous[i], aboveLeft); break;
        default: break;
        }
        out[i + 1] = uint8_t(row[i] - predicted);
    }
}

uint64_t SumOfAbsoluteValues(const uint8_t* filtered, size_t count)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum += uint64_t(std::abs(int(int8_t(filtered[i]))));
    return sum;
}

// Deflates what it is given onto the end of compressed.
class Deflater {
public:
    Deflater() : ready(false) { std::memset(&stream, 0, sizeof stream); }
    ~Deflater()
    {
        if (ready) deflateEnd(&stream);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool Start() { return ready = deflateInit(&stream, Z_DEFAULT_COMPRESSION) == Z_OK; }

    bool Add(const uint8_t* bytes, size_t count, bool last, std::string* compressed)
    {
        stream.next_in = const_cast<Bytef*>(bytes);
        stream.avail_in = uInt(count);
        uint8_t block[kOutputBlock];
        int result;
        do {
            stream.next_out = block;
            stream.avail_out = sizeof block;
            result = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR) return false;
            compressed->append(reinterpret_cast<const char*>(block), sizeof block - stream.avail_out);
        } while (stream.avail_out == 0 || (last && result != Z_STREAM_END));
        return true;
    }

private:
    z_stream stream;
    bool ready;
};

}  // namespace

bool WriteIndexedPng(uint32_t width, uint32_t height, uint32_t bitDepth, const ColorTable& table,
                     const std::function<void(uint32_t y, uint8_t* indices)>& row, SafeFileWriter& out,
                     std::string* reason)
{
    if (bitDepth != 1 && bitDepth != 2 && bitDepth != 4 && bitDepth != 8)
        return Refuse(reason, "bit depth " + std::to_string(bitDepth) + " is not 1, 2, 4 or 8");
    if (width == 0 || height == 0 || width > kLargestDimension || height > kLargestDimension)
        return Refuse(reason, "width and height must be 1 to 2^31-1");
    const uint32_t allowed = 1u << bitDepth;
    if (table.GetCount() == 0) return Refuse(reason, "the table is empty");
    if (table.GetCount() > allowed)
        return Refuse(reason, "a " + std::to_string(bitDepth) + "-bit PNG holds at most " + std::to_string(allowed) +
                                  " colors; the table has " + std::to_string(table.GetCount()));

    // The indices of a row, the packed row and the one above it, and the
    // five filtered forms of the row (each with its filter byte).
    const uint64_t rowBytes = PackedRowBytes(width, bitDepth);
    const uint64_t need = uint64_t(width) + 2 * rowBytes + 5 * (rowBytes + 1);
    if (need > SIZE_MAX) return Refuse(reason, "rows too large for this machine");
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size_t(need)]());
    if (!buffer) return Refuse(reason, "no memory for a row of " + std::to_string(width) + " pixels");
    uint8_t* indices = buffer.get();
    uint8_t* current = indices + width;
    uint8_t* previous = current + rowBytes;
    uint8_t* filtered = previous + rowBytes;

    Deflater deflater;
    if (!deflater.Start()) return Refuse(reason, "the compressor cannot start");
    std::string compressed;
    for (uint32_t y = 0; y < height; ++y) {
        row(y, indices);
        Pack(indices, width, bitDepth, current, size_t(rowBytes));
        int best = 0;
        uint64_t bestSum = UINT64_MAX;
        for (int type = 0; type < 5; ++type) {
            uint8_t* candidate = filtered + type * (rowBytes + 1);
            Filter(current, previous, size_t(rowBytes), uint8_t(type), candidate);
            const uint64_t sum = SumOfAbsoluteValues(candidate + 1, size_t(rowBytes));
            if (sum < bestSum) {
                bestSum = sum;
                best = type;
            }
        }
        if (!deflater.Add(filtered + best * (rowBytes + 1), size_t(rowBytes + 1), y + 1 == height, &compressed))
            return Refuse(reason, "compression failed");
        std::swap(current, previous);
    }

    out.Write(kPngSignature, sizeof kPngSignature);
    uint8_t header[13];
    PutBigEndian32(header, width);
    PutBigEndian32(header + 4, height);
    header[8] = uint8_t(bitDepth);
    header[9] = 3;
    header[10] = header[11] = header[12] = 0;
    WritePngChunk(out, "IHDR", header, sizeof header);
    uint8_t palette[3 * 256];
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        palette[3 * i] = table.GetEntry(i)->red;
        palette[3 * i + 1] = table.GetEntry(i)->green;
        palette[3 * i + 2] = table.GetEntry(i)->blue;
    }
    WritePngChunk(out, "PLTE", palette, 3 * table.GetCount());
    // One IDAT, unless the data outgrows the largest chunk there is.
    const uint8_t* data = reinterpret_cast<const uint8_t*>(compressed.data());
    for (size_t at = 0; at < compressed.size(); at += kLargestIdat) {
        const size_t left = compressed.size() - at;
        WritePngChunk(out, "IDAT", data + at, uint32_t(left < kLargestIdat ? left : kLargestIdat));
    }
    WritePngChunk(out, "IEND", nullptr, 0);
    return true;
}
