// The pixels of a GIF file's images: the first one as the picture the editor
// shows, and the largest index the images of the edited table use.
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "image/gif_file.h"
#include "image/gif_pixels.h"
#include "image/usage_counts.h"

namespace {

// Where row r of an interlaced image of height rows comes in its data: all
// rows of the earlier passes, then its place in its own pass.
uint64_t InterlacedPosition(uint32_t r, uint32_t height)
{
    static const uint32_t kStart[4] = {0, 4, 2, 1};
    static const uint32_t kStep[4] = {8, 8, 4, 2};
    uint64_t before = 0;
    for (int pass = 0; pass < 4; ++pass) {
        if (r % kStep[pass] == kStart[pass]) return before + (r - kStart[pass]) / kStep[pass];
        if (kStart[pass] < height) before += (height - kStart[pass] + kStep[pass] - 1) / kStep[pass];
    }
    return before;  // not reached: the four passes hold every row
}

}  // namespace

bool GifPictureSize(const GifStructure& gif, uint32_t* width, uint32_t* height)
{
    if (gif.images.empty()) return false;
    const GifImage& image = gif.images[gif.shownImage];
    *width = std::max<uint32_t>(gif.screenWidth, uint32_t(image.left) + image.width);
    *height = std::max<uint32_t>(gif.screenHeight, uint32_t(image.top) + image.height);
    return *width != 0 && *height != 0;
}

bool DecodeGifImage(const ByteSource& source, const GifStructure& gif,
                    const std::function<void(uint32_t y, const uint8_t* indices)>& row, std::string* reason)
{
    uint32_t width = 0, height = 0;
    if (!GifPictureSize(gif, &width, &height)) {
        *reason = "has an empty picture (0 pixels wide or high)";
        return false;
    }
    const GifImage& image = gif.images[gif.shownImage];
    if (!GifPixelReader::CanFill(image, gif.shownImage, reason)) return false;
    const uint8_t background = gif.backgroundIndex < gif.pictureTable.GetCount() ? gif.backgroundIndex : 0;
    std::vector<uint8_t> line(width, background);
    const uint32_t top = image.top;
    const uint32_t bottom = image.width ? top + image.height : top;

    uint32_t y = 0;
    for (; y < top; ++y) row(y, line.data());
    if (image.interlaced && bottom > top) {
        // Rows come in four passes: the image is held whole to put them in place.
        const uint64_t bytes = uint64_t(image.width) * image.height;
        std::unique_ptr<uint8_t[]> pixels(bytes <= SIZE_MAX ? new (std::nothrow) uint8_t[size_t(bytes)] : nullptr);
        if (!pixels) {
            *reason = "needs more memory than is free for its interlaced image of " + std::to_string(image.width) +
                      " x " + std::to_string(image.height) + " pixels";
            return false;
        }
        size_t filled = 0;
        auto store = [&](const uint8_t* indices, size_t count) {
            std::copy(indices, indices + count, pixels.get() + filled);
            filled += count;
        };
        if (!GifPixelReader(source).Decode(image, gif.shownImage, store, true, reason)) return false;
        for (; y < bottom; ++y) {
            const uint8_t* stored = pixels.get() + InterlacedPosition(y - top, image.height) * image.width;
            std::copy(stored, stored + image.width, line.begin() + image.left);
            row(y, line.data());
        }
    } else if (bottom > top) {
        uint32_t x = 0;
        auto place = [&](const uint8_t* indices, size_t count) {
            while (count) {
                const size_t run = std::min<size_t>(count, image.width - x);
                std::copy(indices, indices + run, line.begin() + image.left + x);
                indices += run;
                count -= run;
                x += uint32_t(run);
                if (x == image.width) {
                    row(y++, line.data());
                    x = 0;
                }
            }
        };
        if (!GifPixelReader(source).Decode(image, gif.shownImage, place, true, reason)) return false;
    }
    std::fill(line.begin(), line.end(), background);
    for (; y < height; ++y) row(y, line.data());
    return true;
}

bool CountGifPictureUsage(const ByteSource& source, const GifStructure& gif, std::vector<uint64_t>* counts,
                          std::string* reason)
{
    uint32_t width = 0, height = 0;
    if (!GifPictureSize(gif, &width, &height)) {
        *reason = "has an empty picture (0 pixels wide or high)";
        return false;
    }
    const GifImage& image = gif.images[gif.shownImage];
    const uint64_t imagePixels = uint64_t(image.width) * image.height;
    std::vector<uint64_t> found(256, 0);
    if (gif.editsLocalTable ? gif.shownImage == size_t(gif.editedImage) : image.localTableEntries == 0) {
        ByteHistogram histogram;
        auto note = [&](const uint8_t* indices, size_t count) { histogram.Add(indices, count); };
        if (!GifPixelReader(source).Decode(image, gif.shownImage, note, true, reason)) return false;
        found = histogram.Totals();
    }
    // The same background as DecodeGifImage fills the screen with.
    const uint8_t background = gif.backgroundIndex < gif.pictureTable.GetCount() ? gif.backgroundIndex : 0;
    found[background] += uint64_t(width) * height - imagePixels;
    *counts = found;
    return true;
}

bool LargestGifIndex(const ByteSource& source, const GifStructure& gif, uint32_t* largest, std::string* reason)
{
    uint8_t found = 0;
    auto note = [&](const uint8_t* indices, size_t count) {
        for (size_t i = 0; i < count; ++i) found = std::max(found, indices[i]);
    };
    GifPixelReader reader(source);
    for (size_t i = 0; i < gif.images.size(); ++i) {
        const bool usesTable = gif.editsLocalTable ? i == size_t(gif.editedImage) : gif.images[i].localTableEntries == 0;
        // Missing pixels would be 0: no need to count them out.
        if (usesTable && !reader.Decode(gif.images[i], i, note, false, reason)) return false;
    }
    *largest = found;
    return true;
}
