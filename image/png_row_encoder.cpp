#include "image/png_row_encoder.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "image/png_bytes.h"

namespace {

const size_t kOutputBlock = 64 * 1024;

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

}  // namespace

PngRowEncoder::PngRowEncoder(const Output& output) : output(output), ready(false), largest(0)
{
    std::memset(&stream, 0, sizeof stream);
}

PngRowEncoder::~PngRowEncoder()
{
    if (ready) deflateEnd(&stream);
}

bool PngRowEncoder::Start(uint64_t largestRow, std::string* reason)
{
    const uint64_t need = largestRow + 5 * (largestRow + 1);
    if (need > SIZE_MAX / 2) {
        *reason = "rows too large for this machine";
        return false;
    }
    largest = size_t(largestRow);
    buffer.reset(new (std::nothrow) uint8_t[size_t(need)]());
    block.reset(new (std::nothrow) uint8_t[kOutputBlock]);
    if (!buffer || !block) {
        *reason = "no memory for a row of " + std::to_string(largestRow) + " bytes";
        return false;
    }
    if (deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK) {
        *reason = "the compressor cannot start";
        return false;
    }
    ready = true;
    return true;
}

void PngRowEncoder::StartPass()
{
    std::memset(buffer.get(), 0, largest);
}

bool PngRowEncoder::AddRow(const uint8_t* row, size_t count, std::string* reason)
{
    uint8_t* previous = buffer.get();
    uint8_t* filtered = previous + largest;
    int best = 0;
    uint64_t bestSum = UINT64_MAX;
    for (int type = 0; type < 5; ++type) {
        uint8_t* candidate = filtered + type * (count + 1);
        Filter(row, previous, count, uint8_t(type), candidate);
        const uint64_t sum = SumOfAbsoluteValues(candidate + 1, count);
        if (sum < bestSum) {
            bestSum = sum;
            best = type;
        }
    }
    std::memcpy(previous, row, count);
    return Deflate(filtered + best * (count + 1), count + 1, Z_NO_FLUSH, reason);
}

bool PngRowEncoder::Finish(std::string* reason)
{
    return Deflate(nullptr, 0, Z_FINISH, reason);
}

bool PngRowEncoder::Deflate(const uint8_t* bytes, size_t count, int flush, std::string* reason)
{
    stream.next_in = const_cast<Bytef*>(bytes);
    stream.avail_in = uInt(count);
    int result;
    do {
        stream.next_out = block.get();
        stream.avail_out = uInt(kOutputBlock);
        result = deflate(&stream, flush);
        if (result == Z_STREAM_ERROR) {
            *reason = "compression failed";
            return false;
        }
        if (kOutputBlock - stream.avail_out) output(block.get(), kOutputBlock - stream.avail_out);
    } while (stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    return true;
}
