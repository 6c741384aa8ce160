#include "image/png_row_encoder.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "image/png_bytes.h"

namespace {

uint64_t Magnitude(uint8_t value)
{
    return uint64_t(std::abs(int(int8_t(value))));
}

// Bytes of a row filtered and summed at a time, between looks at the best sum.
const size_t kFilterStretch = 4096;

// Bytes [from, to) of row filtered by type into out (which starts at the
// filter byte's successor); returns the sum of their absolute values. One
// loop per type, so that the compiler sees no choice inside it.
uint64_t FilterStretch(const uint8_t* row, const uint8_t* previous, size_t from, size_t to, uint8_t type,
                       uint8_t* out)
{
    size_t i = from;
    switch (type) {
    case 0:
        std::memcpy(out + from, row + from, to - from);
        break;
    case 1:
        if (i == 0) out[i++] = row[0];
        for (; i < to; ++i) out[i] = uint8_t(row[i] - row[i - 1]);
        break;
    case 2:
        for (; i < to; ++i) out[i] = uint8_t(row[i] - previous[i]);
        break;
    case 3:
        if (i == 0) out[i++] = uint8_t(row[0] - previous[0] / 2);
        for (; i < to; ++i) out[i] = uint8_t(row[i] - (row[i - 1] + previous[i]) / 2);
        break;
    default:
        // With nothing to the left, Paeth predicts the byte above.
        if (i == 0) out[i++] = uint8_t(row[0] - previous[0]);
        for (; i < to; ++i) out[i] = uint8_t(row[i] - PaethPredictor(row[i - 1], previous[i], previous[i - 1]));
        break;
    }
    uint64_t sum = 0;
    for (i = from; i < to; ++i) sum += Magnitude(out[i]);
    return sum;
}

// Row filtered by type into out (out[0] is the filter byte) while its sum of
// absolute values stays below best; returns that sum, or best or more once it
// is clear the type loses (out is then unfinished).
uint64_t Filter(const uint8_t* row, const uint8_t* previous, size_t count, uint8_t type, uint8_t* out, uint64_t best)
{
    out[0] = type;
    uint64_t sum = 0;
    for (size_t from = 0; from < count && sum < best; from += kFilterStretch) {
        const size_t to = count - from < kFilterStretch ? count : from + kFilterStretch;
        sum += FilterStretch(row, previous, from, to, type, out + 1);
    }
    return sum;
}

}  // namespace

PngRowEncoder::PngRowEncoder(const Output& output, const PngEncoding& encoding)
    : filter(encoding.filter), deflater(encoding.deflate, output), largest(0)
{
}

PngRowEncoder::~PngRowEncoder() {}

bool PngRowEncoder::Start(uint64_t largestRow, std::string* reason)
{
    const uint64_t need = filter == PngFilterChoice::None ? 0 : largestRow + 5 * (largestRow + 1);
    if (largestRow > SIZE_MAX / 8) {
        *reason = "rows too large for this machine";
        return false;
    }
    largest = size_t(largestRow);
    if (need == 0) return true;
    buffer.reset(new (std::nothrow) uint8_t[size_t(need)]());
    if (!buffer) {
        *reason = "no memory for a row of " + std::to_string(largestRow) + " bytes";
        return false;
    }
    return true;
}

void PngRowEncoder::StartPass()
{
    if (buffer) std::memset(buffer.get(), 0, largest);
}

bool PngRowEncoder::AddRow(const uint8_t* row, size_t count, std::string* reason)
{
    if (filter == PngFilterChoice::None) {
        const uint8_t none = 0;
        return deflater.Add(&none, 1, reason) && deflater.Add(row, count, reason);
    }
    uint8_t* previous = buffer.get();
    uint8_t* filtered = previous + largest;
    int best = 0;
    uint64_t bestSum = UINT64_MAX;
    for (int type = 0; type < 5; ++type) {
        uint8_t* candidate = filtered + type * (count + 1);
        const uint64_t sum = Filter(row, previous, count, uint8_t(type), candidate, bestSum);
        if (sum < bestSum) {
            bestSum = sum;
            best = type;
        }
    }
    std::memcpy(previous, row, count);
    return deflater.Add(filtered + best * (count + 1), count + 1, reason);
}

bool PngRowEncoder::Finish(std::string* reason)
{
    return deflater.Finish(reason);
}
