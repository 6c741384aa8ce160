#include "tools/monkey/scratch.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "app/gdi_scope.h"
#include "image/byte_source.h"
#include "image/dib_image.h"
#include "image/indexed_file.h"
#include "palette/color_table.h"
#include "palette/palette_formats.h"
#include "platform/safe_file_writer.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/picture_files.h"
#include "tests/support/png_bytes.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Lower(std::string text)
{
    for (char& c : text) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return text;
}

bool EndsWith(const std::string& text, const char* end)
{
    const std::string tail = end;
    return text.size() >= tail.size() && Lower(text.substr(text.size() - tail.size())) == tail;
}

std::string IndexedPng(uint32_t width, uint32_t height, uint8_t bitDepth)
{
    Rows rows(height, std::vector<uint8_t>(width));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) rows[y][x] = uint8_t((x / 3 + y * 5) % (1u << bitDepth));
    return AssemblePng({{"IHDR", IhdrData(width, height, bitDepth, 3)},
                        {"PLTE", PaletteData(1u << bitDepth)},
                        {"IDAT", CompressedRows(rows, bitDepth)},
                        {"IEND", ""}});
}

std::string TwoFrameGif()
{
    std::string table;
    for (int i = 0; i < 16; ++i) table += std::string{char(i * 16), char(255 - i * 9), char(i * 5)};
    GifFrameBytes frame = {0, 0, 30, 20, "", std::vector<uint8_t>(600), 4};
    for (size_t i = 0; i < frame.indices.size(); ++i) frame.indices[i] = uint8_t((i % 30 / 2 + i / 30) % 16);
    return MakeGif(30, 20, table, 0, {frame});
}

void Flip(std::string& bytes, size_t at)
{
    if (at < bytes.size()) bytes[at] = char(bytes[at] ^ 0x5A);
}

}  // namespace

bool Scratch::Prepare(const std::string& path, std::string* why)
{
    folder = path;
    Remove();
    if (!CreateDirectoryA(folder.c_str(), nullptr)) {
        *why = "could not make the scratch folder " + folder;
        return false;
    }
    inputs.clear();
    expected.clear();
    const std::string bmp1 = MakeBmp(37, 23, 1).Serialize(), bmp4 = MakeBmp(50, 41, 4).Serialize();
    const std::string bmp8 = MakeBmp(64, 48, 8).Serialize(), bmp24 = MakeBmp(40, 30, 24).Serialize();
    const std::string png8 = IndexedPng(45, 33, 8), gif = TwoFrameGif();
    BmpBytes wide = MakeBmp(16, 16, 8), odd = MakeBmp(16, 16, 8), lying = MakeBmp(16, 16, 8);
    wide.info.biWidth = 0x7FFFFFFF;
    odd.info.biBitCount = 3;
    lying.info.biClrUsed = 100000;
    std::string badCrc = png8, badGif = gif;
    Flip(badCrc, badCrc.size() - 30);
    Flip(badGif, 10);
    ColorTable table;
    table.Reset(40);
    for (uint32_t i = 0; i < 40; ++i) table.SetColor(i, uint8_t(i * 6), uint8_t(250 - i * 3), uint8_t(i * i));
    std::string reason;
    const struct { const char* name; PaletteFormat format; } palettes[] = {
        {"riff.pal", PaletteFormat::Riff}, {"jasc.pal", PaletteFormat::Jasc}, {"gimp.gpl", PaletteFormat::Gimp},
        {"adobe.act", PaletteFormat::Act}, {"list.hex", PaletteFormat::Hex}, {"paintnet.txt", PaletteFormat::PaintNet}};
    for (const auto& palette : palettes) {
        if (!SavePalette(table, palette.format, PathOf(palette.name).c_str(), &reason)) {
            *why = "could not write " + PathOf(palette.name) + ": " + reason;
            return false;
        }
        inputs.push_back(palette.name);
    }
    const std::string riff = ReadAll(PathOf("riff.pal"));
    const std::pair<const char*, std::string> files[] = {
        {"one.bmp", bmp1}, {"four.bmp", bmp4}, {"eight.bmp", bmp8}, {"true.bmp", bmp24},
        {"topdown.bmp", MakeBmp(21, -17, 8).Serialize()}, {"small.png", SmallPngBytes()}, {"eight.png", png8},
        {"two.png", IndexedPng(19, 11, 2)}, {"small.gif", SmallGifBytes()}, {"frame.gif", gif},
        {"cut.bmp", bmp8.substr(0, bmp8.size() / 2)}, {"header.bmp", bmp4.substr(0, 20)}, {"empty.bmp", ""},
        {"wide.bmp", wide.Serialize()}, {"bits3.bmp", odd.Serialize()}, {"clrused.bmp", lying.Serialize()},
        {"cut.png", png8.substr(0, 100)}, {"crc.png", badCrc}, {"cut.gif", gif.substr(0, gif.size() - 20)},
        {"bad.gif", badGif}, {"cut.pal", riff.substr(0, riff.size() - 7)},
        {"huge.pal", "JASC-PAL\r\n0100\r\n99999999\r\n1 2 3\r\n"}, {"noise.act", std::string(1000, '\xA5')}};
    for (const auto& file : files) {
        if (!Write(file.first, file.second)) {
            *why = "could not write " + PathOf(file.first);
            return false;
        }
        inputs.push_back(file.first);
    }
    return true;
}

bool Scratch::Write(const std::string& name, const std::string& bytes)
{
    std::ofstream out(PathOf(name), std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out.flush());
}

void Scratch::Remove() const
{
    for (const auto& file : State()) DeleteFileA(PathOf(file.first).c_str());
    RemoveDirectoryA(folder.c_str());
}

FolderState Scratch::State() const
{
    FolderState state;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(PathOf("*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return state;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        state[found.cFileName] = {uint64_t(found.nFileSizeHigh) << 32 | found.nFileSizeLow,
                                  uint64_t(found.ftLastWriteTime.dwHighDateTime) << 32 |
                                      found.ftLastWriteTime.dwLowDateTime};
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return state;
}

bool IsPictureName(const std::string& name)
{
    return EndsWith(name, ".bmp") || EndsWith(name, ".png") || EndsWith(name, ".gif");
}

bool DecodePicture(const std::string& path, Picture* picture)
{
    // Only what a screen can show at actual size is kept: a saved picture may
    // be gigapixels.
    const uint32_t kShown = 2048;
    SourceFile file;
    if (!file.Open(path.c_str())) return false;
    const ByteSource source(file);
    const ImageFileFormat format = DetectImageFormat(source);
    if (format == ImageFileFormat::Png || format == ImageFileFormat::Gif) {
        IndexedFile indexed;
        std::string reason;
        if (!indexed.Read(source, &reason)) return false;
        const ColorTable& table = indexed.Table();
        const uint32_t width = std::min(indexed.Width(), kShown);
        picture->width = int32_t(width);
        picture->height = int32_t(std::min(indexed.Height(), kShown));
        picture->pixels.assign(size_t(width) * size_t(picture->height), 0);
        // Indices past the table's end show black, as in the bitmap Korin makes.
        return indexed.DecodeRows(source, [&](uint32_t y, const uint8_t* indices) {
            for (uint32_t x = 0; x < width && y < kShown; ++x) {
                const ColorEntry* e = indices[x] < table.GetCount() ? table.GetEntry(indices[x]) : nullptr;
                picture->pixels[size_t(y) * width + x] = e ? RGB(e->red, e->green, e->blue) : 0;
            }
        }, &reason);
    }
    file.Close();
    DibImage image;
    MemoryDC dc(nullptr);
    BITMAPINFOHEADER info;
    ColorTable table;
    if (!image.LoadFromFile(dc, path.c_str()) || !image.CopyHeaders(nullptr, &info)) return false;
    const uint32_t bits = info.biBitCount;
    if ((bits != 1 && bits != 4 && bits != 8 && bits != 24) || (bits <= 8 && !image.CopyColorTable(table)))
        return false;
    const int32_t height = info.biHeight < 0 ? -info.biHeight : info.biHeight;
    picture->width = std::min(info.biWidth, LONG(kShown));
    picture->height = std::min(height, int32_t(kShown));
    picture->pixels.assign(size_t(picture->width) * size_t(picture->height), 0);
    for (int32_t y = 0; y < picture->height; ++y) {
        const int32_t stored = info.biHeight < 0 ? y : height - 1 - y;
        const unsigned char* row = image.Bits() + size_t(stored) * image.Stride();
        for (int32_t x = 0; x < picture->width; ++x) {
            COLORREF& out = picture->pixels[size_t(y) * size_t(picture->width) + size_t(x)];
            if (bits == 24) {
                out = RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                continue;
            }
            const uint32_t bit = uint32_t(x) * bits;
            const uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            const ColorEntry* e = index < table.GetCount() ? table.GetEntry(index) : nullptr;
            out = e ? RGB(e->red, e->green, e->blue) : 0;
        }
    }
    return true;
}

bool ReadPaletteFile(const std::string& path, ColorTable* table)
{
    std::string reason;
    return LoadAnyPalette(path.c_str(), table, nullptr, &reason);
}
