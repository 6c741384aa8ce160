#include "image/picture_mapping.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "color/palette_maker.h"
#include "image/dib_image.h"

namespace {

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

void PutLittle(std::string& bytes, uint32_t value, int count)
{
    for (int i = 0; i < count; ++i) bytes.push_back(char(uint8_t(value >> (8 * i))));
}

}  // namespace

bool MakePaletteFromRows(const RowWalk& walk, uint32_t width, uint32_t colors, const MapPalette& kept, uint32_t keep,
                         bool sortByLightness, const MapSettings& settings, MapPalette* made, std::string* reason)
{
    ColorHistogram histogram;
    if (!walk([&](uint32_t, const uint8_t* rgba, std::string*) {
            histogram.AddRow(rgba, width, settings.alphaThreshold);
            return true;
        }, reason))
        return false;
    PaletteRequest wanted;
    wanted.colors = colors;
    wanted.sortByLightness = sortByLightness;
    keep = std::min(keep, kept.table.GetCount());
    wanted.fixed.Reset(keep);
    wanted.fixedAlpha.assign(keep, 255);
    bool hasTransparent = settings.transparentEntry >= 0 && uint32_t(settings.transparentEntry) < keep;
    for (uint32_t i = 0; i < keep; ++i) {
        const ColorEntry& e = *kept.table.GetEntry(i);
        wanted.fixed.SetColor(i, e.red, e.green, e.blue);
        if (i < kept.alpha.size()) wanted.fixedAlpha[i] = kept.alpha[i];
        if (wanted.fixedAlpha[i] == 0) hasTransparent = true;
    }
    if (histogram.HasTransparent() && !hasTransparent) {
        wanted.fixed.Resize(keep + 1);
        wanted.fixed.SetColor(keep, 0, 0, 0);
        wanted.fixedAlpha.push_back(0);
    }
    return MakePalette(histogram, wanted, &made->table, &made->alpha, reason);
}

bool MapRowsOntoPalette(const RowWalk& walk, uint32_t width, uint32_t height, const MapPalette& palette,
                        const MapSettings& settings, IndexedPicture* picture, MapError* error, std::string* reason,
                        const RowsMapped& mapped)
{
    PaletteMapper mapper;
    if (!mapper.Start(palette.table, palette.alpha, settings, width, reason)) return false;
    picture->width = width;
    picture->height = height;
    const uint64_t pixels = uint64_t(width) * height;
    if (pixels > SIZE_MAX) return Refuse(reason, "is too large for this machine");
    try {
        picture->indices.assign(size_t(pixels), 0);
    } catch (const std::bad_alloc&) {
        return Refuse(reason, "needs more memory than is free for its " + std::to_string(pixels) + " pixels");
    }
    // The transparent entry shows so in the file even when the palette's source did not say it.
    picture->transparentEntry = mapper.TransparentEntry();
    picture->alpha = palette.alpha;
    if (picture->transparentEntry >= 0) {
        picture->alpha.resize(palette.table.GetCount(), 255);
        picture->alpha[size_t(picture->transparentEntry)] = 0;
    }
    if (mapped) mapped(0);
    if (!walk([&](uint32_t y, const uint8_t* rgba, std::string* why) {
            if (y >= height || !mapper.MapRow(rgba, picture->indices.data() + size_t(y) * width, why)) return false;
            if (mapped) mapped(y + 1);
            return true;
        }, reason))
        return false;
    *error = mapper.Error();
    return true;
}

namespace {

// How far the mapping has come, for the thread that writes behind it.
class MappingProgress {
public:
    MappingProgress() : rows(0), prepared(false), ended(false) {}
    void Mapped(uint32_t count)
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            rows = count;
            prepared = true;
        }
        changed.notify_all();
    }
    void End()
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            ended = true;
        }
        changed.notify_all();
    }
    // False when the mapping ended before the picture was laid out.
    bool WaitPrepared()
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return prepared || ended; });
        return prepared;
    }
    void WaitFor(uint32_t y)
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return rows > y || ended; });
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    uint32_t rows;
    bool prepared, ended;
};

}  // namespace

bool MapRowsIntoFile(const RowWalk& walk, uint32_t width, uint32_t height, const MapPalette& palette,
                     const MapSettings& settings, ImageFileFormat format, SafeFileWriter& out, MapError* error,
                     std::string* reason, bool* writeFailed)
{
    *writeFailed = false;
    IndexedPicture picture;
    MappingProgress progress;
    bool written = false;
    std::string writeReason;
    std::thread writer;
    try {
        writer = std::thread([&] {
            if (!progress.WaitPrepared()) return;
            written = WriteIndexedPicture(format, picture, palette.table, out, &writeReason,
                                          [&](uint32_t y) { progress.WaitFor(y); });
        });
    } catch (const std::system_error&) {
        // No thread to be had: map, then write.
        if (!MapRowsOntoPalette(walk, width, height, palette, settings, &picture, error, reason)) return false;
        *writeFailed = !WriteIndexedPicture(format, picture, palette.table, out, reason);
        return !*writeFailed;
    }
    const bool sound = MapRowsOntoPalette(walk, width, height, palette, settings, &picture, error, reason,
                                          [&](uint32_t rows) { progress.Mapped(rows); });
    progress.End();
    writer.join();
    if (!sound) return false;
    if (!written) {
        *writeFailed = true;
        *reason = writeReason;
        return false;
    }
    return true;
}

bool ForEachBitmapRow(const DibImage& image, bool alphaChannel, const RgbaRow& row, std::string* reason)
{
    BITMAPINFOHEADER info;
    if (image.IsEmpty() || !image.CopyHeaders(nullptr, &info)) return Refuse(reason, "there is no picture");
    const uint32_t bitCount = info.biBitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        return Refuse(reason, "a " + std::to_string(bitCount) + "-bit picture is not read");
    const uint32_t width = uint32_t(info.biWidth);
    const bool topDown = info.biHeight < 0;
    const uint32_t height = topDown ? uint32_t(-int64_t(info.biHeight)) : uint32_t(info.biHeight);
    ColorTable table;
    if (bitCount <= 8 && !image.CopyColorTable(table)) return Refuse(reason, "its table cannot be read");
    std::vector<uint8_t> rgba;
    try {
        rgba.resize(size_t(width) * 4);
    } catch (const std::bad_alloc&) {
        return Refuse(reason, "needs more memory than is free");
    }
    for (uint32_t y = 0; y < height; ++y) {
        const unsigned char* stored = image.Bits() + size_t(topDown ? y : height - 1 - y) * image.Stride();
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* out = &rgba[4 * size_t(x)];
            if (bitCount >= 24) {
                const unsigned char* p = stored + size_t(x) * (bitCount / 8);
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
                out[3] = bitCount == 32 && alphaChannel ? p[3] : 255;
                continue;
            }
            const uint64_t bit = uint64_t(x) * bitCount;
            const uint32_t index = stored[bit / 8] >> (8 - bitCount - bit % 8) & ((1u << bitCount) - 1);
            const ColorEntry black = {0, 0, 0, 0};
            const ColorEntry& e = index < table.GetCount() ? *table.GetEntry(index) : black;
            out[0] = e.red;
            out[1] = e.green;
            out[2] = e.blue;
            out[3] = 255;
        }
        if (!row(y, rgba.data(), reason)) return false;
    }
    return true;
}

bool RowsAsBmpFile(const RowWalk& walk, uint32_t width, uint32_t height, bool withAlpha, std::string* bytes,
                   std::string* reason)
{
    const uint32_t bitCount = withAlpha ? 32 : 24;
    const uint64_t stride = (uint64_t(width) * bitCount + 31) / 32 * 4;
    const uint64_t size = 54 + stride * height;
    if (size > 0xFFFFFFFFu) return Refuse(reason, "is too large for a bitmap (4 GiB at most)");
    try {
        bytes->clear();
        bytes->reserve(size_t(size));
        bytes->append("BM");
        PutLittle(*bytes, uint32_t(size), 4);
        PutLittle(*bytes, 0, 4);
        PutLittle(*bytes, 54, 4);
        for (uint32_t v : {40u, width, height}) PutLittle(*bytes, v, 4);
        PutLittle(*bytes, 1, 2);
        PutLittle(*bytes, bitCount, 2);
        for (uint32_t v : {0u, uint32_t(stride * height), 0u, 0u, 0u, 0u}) PutLittle(*bytes, v, 4);
        bytes->resize(size_t(size), '\0');
    } catch (const std::bad_alloc&) {
        return Refuse(reason, "needs more memory than is free");
    }
    return walk([&](uint32_t y, const uint8_t* rgba, std::string* why) {
        if (y >= height) return Refuse(why, "has more rows than its height");
        char* out = &(*bytes)[54 + size_t(height - 1 - y) * size_t(stride)];
        for (uint32_t x = 0; x < width; ++x, rgba += 4) {
            *out++ = char(rgba[2]);
            *out++ = char(rgba[1]);
            *out++ = char(rgba[0]);
            if (withAlpha) *out++ = char(rgba[3]);
        }
        return true;
    }, reason);
}

bool IndexedPictureAsBitmap(HDC dc, const IndexedPicture& picture, const ColorTable& table, DibImage* image)
{
    const uint32_t bits = IndexedBitsFor(ImageFileFormat::Bmp, table.GetCount());
    if (picture.width > 0x7FFFFFFF || picture.height > 0x7FFFFFFF) return false;
    const NewImageSpec spec = {int32_t(picture.width), int32_t(picture.height), int32_t(bits),
                               int32_t(table.GetCount())};
    if (!image->CreateIndexed(dc, spec, table)) return false;
    for (uint32_t y = 0; y < picture.height; ++y) {
        unsigned char* out = image->Bits() + size_t(picture.height - 1 - y) * image->Stride();
        const uint8_t* row = picture.indices.data() + size_t(y) * picture.width;
        for (uint32_t x = 0; x < picture.width; ++x) {
            const uint64_t bit = uint64_t(x) * bits;
            out[bit / 8] = uint8_t(out[bit / 8] | row[x] << (8 - bits - bit % 8));
        }
    }
    return true;
}
