#include "tests/support/bmp_variants.h"

namespace {

void Put16(std::string* b, uint32_t v)
{
    *b += char(v);
    *b += char(v >> 8);
}

void Put32(std::string* b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) *b += char(v >> (8 * i));
}

uint32_t Get(const std::string& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | uint8_t(b[at + i]);
    return v;
}

}  // namespace

std::string VariantFile::Bytes() const
{
    std::string info;
    if (headerSize == 12) {
        Put32(&info, 12);
        Put16(&info, uint32_t(width));
        Put16(&info, uint32_t(height));
        Put16(&info, 1);
        Put16(&info, bitCount);
    } else {
        Put32(&info, headerSize);
        Put32(&info, uint32_t(width));
        Put32(&info, uint32_t(height));
        Put16(&info, 1);
        Put16(&info, bitCount);
        Put32(&info, compression);
        Put32(&info, uint32_t(pixels.size()));
        Put32(&info, 2835);  // 72 dots per inch
        Put32(&info, 2835);
        Put32(&info, clrUsed);
        Put32(&info, 0);
        // V4 and V5: masks stay 0; the color space is sRGB, as writers set it.
        info.resize(headerSize < 40 ? 40 : headerSize, '\0');
        if (headerSize >= 108) info.replace(56, 4, "BGRs");
    }
    const uint32_t offBits = uint32_t(14 + info.size() + table.size() + gap.size());
    std::string file = "BM";
    Put32(&file, offBits + uint32_t(pixels.size()));
    Put32(&file, 0);
    Put32(&file, offBits);
    return file + info + table + gap + pixels;
}

std::string PackRows(const PixelRows& rows, uint16_t bitCount, bool topDown)
{
    std::string packed;
    for (size_t n = 0; n < rows.size(); ++n) {
        const std::vector<uint32_t>& row = rows[topDown ? n : rows.size() - 1 - n];
        std::string bytes((row.size() * bitCount + 31) / 32 * 4, '\0');
        for (size_t x = 0; x < row.size(); ++x) {
            if (bitCount >= 8) {
                for (int i = 0; i < bitCount / 8; ++i) bytes[x * bitCount / 8 + i] = char(row[x] >> (8 * i));
            } else {
                const size_t bit = x * bitCount;
                const int shift = 8 - bitCount - int(bit % 8);
                bytes[bit / 8] = char(uint8_t(bytes[bit / 8]) | row[x] << shift);
            }
        }
        packed += bytes;
    }
    return packed;
}

std::string MakeTable(uint32_t n, size_t entrySize)
{
    std::string table;
    for (uint32_t i = 0; i < n; ++i) {
        table += char(i * 3 + 1);
        table += char(255 - i);
        table += char(i * 11 + 5);
        if (entrySize == 4) table += '\0';
    }
    return table;
}

bool ReadEditorForm(const std::string& b, EditorFormFile* file)
{
    if (b.size() < 54 || b.compare(0, 2, "BM") != 0 || Get(b, 14, 4) != 40 || Get(b, 30, 4) != 0)
        return false;
    const int32_t width = int32_t(Get(b, 18, 4));
    const int32_t height = int32_t(Get(b, 22, 4));
    file->bitCount = uint16_t(Get(b, 28, 2));
    file->clrUsed = Get(b, 46, 4);
    const uint32_t entries = file->clrUsed ? file->clrUsed : (file->bitCount <= 8 ? 1u << file->bitCount : 0);
    if (width <= 0 || height == 0 || 54 + 4 * uint64_t(entries) > b.size()) return false;
    file->table = b.substr(54, 4 * entries);
    const size_t stride = (size_t(width) * file->bitCount + 31) / 32 * 4;
    const size_t rows = size_t(height < 0 ? -int64_t(height) : height);
    const size_t start = Get(b, 10, 4);
    if (start < 54 + 4 * size_t(entries) || start + stride * rows > b.size()) return false;
    file->rows.assign(rows, std::vector<uint32_t>(size_t(width)));
    for (size_t r = 0; r < rows; ++r) {
        const size_t at = start + stride * (height < 0 ? r : rows - 1 - r);
        for (size_t x = 0; x < size_t(width); ++x) {
            uint32_t v = 0;
            if (file->bitCount >= 8) {
                v = Get(b, at + x * file->bitCount / 8, file->bitCount / 8);
            } else {
                const size_t bit = x * file->bitCount;
                v = uint8_t(b[at + bit / 8]) >> (8 - file->bitCount - bit % 8) & ((1u << file->bitCount) - 1);
            }
            file->rows[r][x] = v;
        }
    }
    return true;
}
