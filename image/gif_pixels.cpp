#include "image/gif_pixels.h"

#include <memory>

namespace {

std::string ImageName(const GifImage& image, size_t index)
{
    return "image " + std::to_string(index + 1) + " (offset " + std::to_string(image.descriptorOffset) + ")";
}

std::string ShortfallRule()
{
    return "data may stop short by no more than it gives and " + std::to_string(GifPixelReader::kShortfallSlack) +
           " pixels besides";
}

}  // namespace

bool GifPixelReader::CanFill(const GifImage& image, size_t index, std::string* reason)
{
    // Each code takes at least minimum code size + 1 bits and gives at most
    // one string of the 4096-code dictionary.
    const uint64_t codes = image.dataLength * 8 / (uint64_t(image.minimumCodeSize) + 1);
    const uint64_t most = codes * 4096;
    const uint64_t pixels = uint64_t(image.width) * image.height;
    if (pixels <= 2 * most + kShortfallSlack) return true;
    *reason = "has too little LZW data in " + ImageName(image, index) + " for its " + std::to_string(image.width) +
              " x " + std::to_string(image.height) + " pixels: its " + std::to_string(image.dataLength) +
              " bytes give at most " + std::to_string(most) + "; " + ShortfallRule();
    return false;
}

GifPixelReader::GifPixelReader(const ByteSource& source) : blocks(source, 0) {}

bool GifPixelReader::Decode(const GifImage& image, size_t index, const GifLzwDecoder::PixelSink& sink, bool pad,
                            std::string* reason)
{
    if (!CanFill(image, index, reason)) return false;
    const uint64_t pixels = uint64_t(image.width) * image.height;
    std::unique_ptr<GifLzwDecoder> decoder(new GifLzwDecoder(image.minimumCodeSize, pixels, sink));
    blocks.Seek(image.dataOffset + 1);
    GifLzwDecoder::Status status = pixels ? GifLzwDecoder::Status::NeedMore : GifLzwDecoder::Status::Finished;
    uint64_t blockOffset = blocks.Offset();
    const uint8_t* data = nullptr;
    size_t count = 0;
    while (status == GifLzwDecoder::Status::NeedMore) {
        blockOffset = blocks.Offset();
        if (blocks.Next(&data, &count) != GifSubBlocks::Step::Block) break;
        status = decoder->Feed(data, count);
    }
    if (status == GifLzwDecoder::Status::Corrupt) {
        *reason = "has corrupt LZW data in " + ImageName(image, index) + ": " + decoder->Problem() +
                  ", in the sub-block at offset " + std::to_string(blockOffset);
        return false;
    }
    const uint64_t given = decoder->PixelsOut();
    const uint64_t missing = pixels - given;
    if (missing > given + kShortfallSlack) {
        *reason = "has LZW data in " + ImageName(image, index) + " that ends " + std::to_string(missing) +
                  " pixels before the last of its " + std::to_string(image.width) + " x " +
                  std::to_string(image.height) + " (it gives " + std::to_string(given) +
                  "); " + ShortfallRule();
        return false;
    }
    decoder->Finish(pad);
    return true;
}
