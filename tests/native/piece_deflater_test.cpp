// The pieces deflated apart join into one zlib stream that inflates to
// exactly the rows given, wherever a piece boundary falls in them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "image/png_row_encoder.h"

namespace {

// Rows of width bytes whose content repeats every 97 bytes of the stream:
// most matches reach back across a piece boundary, so a piece deflated
// without the stream before it as its dictionary inflates to other bytes.
std::vector<std::string> Rows(size_t width, size_t count)
{
    std::vector<std::string> rows(count, std::string(width, '\0'));
    size_t at = 0;
    for (std::string& row : rows)
        for (char& c : row) c = char((at++ % 97) * 37 % 251);
    return rows;
}

// The rows deflated by the encoder with settings; false with what failed.
bool Encode(const std::vector<std::string>& rows, const DeflateSettings& settings, std::string* compressed,
            std::string* reason)
{
    PngEncoding encoding;
    encoding.deflate = settings;
    PngRowEncoder encoder([compressed](const uint8_t* bytes, size_t count) {
        compressed->append(reinterpret_cast<const char*>(bytes), count);
    }, encoding);
    if (!encoder.Start(rows[0].size(), reason)) return false;
    encoder.StartPass();
    for (const std::string& row : rows)
        if (!encoder.AddRow(reinterpret_cast<const uint8_t*>(row.data()), row.size(), reason)) return false;
    return encoder.Finish(reason);
}

// The whole stream inflated (its header and Adler-32 checked by zlib); "" when it is not one stream.
std::string Inflate(const std::string& compressed, size_t expected)
{
    std::string raw(expected + 1, '\0');
    uLongf size = uLongf(raw.size());
    if (uncompress(reinterpret_cast<Bytef*>(&raw[0]), &size, reinterpret_cast<const Bytef*>(compressed.data()),
                   uLong(compressed.size())) != Z_OK)
        return "";
    raw.resize(size);
    return raw;
}

}  // namespace

TEST(PieceDeflater, PiecesInflateToTheSequentialRowsWhereverTheyAreCut)
{
    const size_t width = 40, rowBytes = width + 1;  // the filter byte leads each row
    const std::vector<std::string> rows = Rows(width, 30);
    std::string sequential;
    for (const std::string& row : rows) sequential += '\0' + row;
    std::vector<size_t> pieces = {sequential.size() + 1, sequential.size(), sequential.size() / 2 + 1, 1};
    // A boundary at every position of a row, and pieces smaller than a row.
    for (size_t offset = 0; offset <= rowBytes; ++offset) pieces.push_back(3 * rowBytes + offset);
    pieces.push_back(7);
    std::string whole, reason;
    ASSERT_TRUE(Encode(rows, {6, 1 << 20, 1}, &whole, &reason)) << reason;
    for (size_t pieceBytes : pieces) {
        for (unsigned workers : {1u, 3u}) {
            for (int level : {1, 6, 9}) {
                const DeflateSettings settings = {level, pieceBytes, workers};
                std::string compressed, reason;
                ASSERT_TRUE(Encode(rows, settings, &compressed, &reason)) << reason;
                EXPECT_TRUE(Inflate(compressed, sequential.size()) == sequential)
                    << pieceBytes << "-byte pieces, " << workers << " workers, level " << level;
                // Each piece reaches back into the one before: a cut costs its flush, not
                // the 97 bytes of the pattern again.
                const size_t cuts = sequential.size() / pieceBytes;
                if (level == 6 && pieceBytes >= rowBytes) {
                    EXPECT_LE(compressed.size(), whole.size() + 12 * cuts) << pieceBytes << "-byte pieces";
                }
            }
        }
    }
}

TEST(PieceDeflater, TheHeaderNamesTheLevelAndAStreamOfOnePieceIsZlibsOwn)
{
    const std::vector<std::string> rows = Rows(64, 8);
    std::string sequential;
    for (const std::string& row : rows) sequential += '\0' + row;
    for (int level = 1; level <= 9; ++level) {
        std::string compressed, reason;
        ASSERT_TRUE(Encode(rows, {level, 1 << 20, 2}, &compressed, &reason)) << reason;
        // zlib's own one-call deflate at the same level writes the same bytes.
        std::string own(compressBound(uLong(sequential.size())), '\0');
        uLongf size = uLongf(own.size());
        ASSERT_EQ(Z_OK, compress2(reinterpret_cast<Bytef*>(&own[0]), &size,
                                  reinterpret_cast<const Bytef*>(sequential.data()), uLong(sequential.size()), level));
        own.resize(size);
        EXPECT_EQ(own.substr(0, 2), compressed.substr(0, 2)) << "level " << level;
        EXPECT_EQ(own.substr(own.size() - 4), compressed.substr(compressed.size() - 4)) << "level " << level;
    }
}
