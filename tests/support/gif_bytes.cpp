#include "tests/support/gif_bytes.h"

#include "image/byte_source.h"
#include "image/gif_file.h"
#include "image/gif_lzw.h"
#include "image/gif_sub_blocks.h"

#include <map>
#include <utility>

std::string EncodeGifLzw(const std::vector<uint8_t>& indices, uint8_t minimumCodeSize, bool clearWhenFull)
{
    const uint32_t clear = 1u << minimumCodeSize, end = clear + 1;
    std::map<std::pair<uint32_t, uint8_t>, uint32_t> dictionary;
    uint32_t next = end + 1, size = minimumCodeSize + 1, bits = 0, count = 0;
    std::string out;
    auto put = [&](uint32_t code) {
        bits |= code << count;
        for (count += size; count >= 8; count -= 8, bits >>= 8) out += char(bits & 255);
    };
    put(clear);
    int32_t prefix = -1;
    for (uint8_t index : indices) {
        if (prefix < 0) {
            prefix = index;
            continue;
        }
        auto found = dictionary.find({uint32_t(prefix), index});
        if (found != dictionary.end()) {
            prefix = int32_t(found->second);
            continue;
        }
        put(uint32_t(prefix));
        if (next < 4096) {
            dictionary[{uint32_t(prefix), index}] = next++;
            // The decoder learns each code one step later, hence "beyond".
            if (next > (1u << size) && size < 12) ++size;
        } else if (clearWhenFull) {
            put(clear);
            dictionary.clear();
            next = end + 1;
            size = minimumCodeSize + 1;
        }
        prefix = index;
    }
    if (prefix >= 0) put(uint32_t(prefix));
    put(end);
    if (count) out += char(bits);
    return out;
}

std::string GifSubBlockChain(const std::string& data)
{
    std::string out;
    for (size_t at = 0; at < data.size(); at += 255) {
        const std::string part = data.substr(at, 255);
        out += char(part.size()) + part;
    }
    return out + '\0';
}

namespace {

std::string U16(uint16_t v)
{
    return std::string{char(v & 255), char(v >> 8)};
}

uint8_t SizeBits(const std::string& table)
{
    uint8_t bits = 0;
    while ((6u << bits) < table.size()) ++bits;
    return bits;
}

}  // namespace

std::string MakeGif(uint16_t screenWidth, uint16_t screenHeight, const std::string& globalTable, uint8_t background,
                    const std::vector<GifFrameBytes>& frames, bool trailer)
{
    std::string gif = "GIF89a" + U16(screenWidth) + U16(screenHeight);
    gif += char(globalTable.empty() ? 0 : 0x80 | 0x70 | SizeBits(globalTable));
    gif += char(background);
    gif += '\0';
    gif += globalTable;
    for (const GifFrameBytes& f : frames) {
        gif += ',' + U16(f.left) + U16(f.top) + U16(f.width) + U16(f.height);
        gif += char(f.localTable.empty() ? 0 : 0x80 | SizeBits(f.localTable));
        gif += f.localTable;
        gif += char(f.minimumCodeSize);
        gif += GifSubBlockChain(EncodeGifLzw(f.indices, f.minimumCodeSize, true));
    }
    return trailer ? gif + ';' : gif;
}

void DecodeGifFrame(const ByteSource& source, const GifImage& frame,
                    const std::function<void(const uint8_t* indices, size_t count)>& sink)
{
    GifLzwDecoder decoder(frame.minimumCodeSize, uint64_t(frame.width) * frame.height, sink);
    GifSubBlocks blocks(source, frame.dataOffset + 1);
    const uint8_t* data = nullptr;
    size_t count = 0;
    while (blocks.Next(&data, &count) == GifSubBlocks::Step::Block)
        if (decoder.Feed(data, count) != GifLzwDecoder::Status::NeedMore) break;
    decoder.Finish(true);
}
