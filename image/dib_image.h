// One device-independent bitmap in memory: its info header and color table in
// one block, its pixel bits in a DIB section, and the header of the file it
// was read from.
#ifndef KORIN_IMAGE_DIB_IMAGE_H
#define KORIN_IMAGE_DIB_IMAGE_H

#include <cstdint>
#include <istream>

#include "image/new_image_spec.h"
#include "platform/platform.h"

class ColorTable;

class DibImage {
public:
    DibImage();
    virtual ~DibImage();
    DibImage(const DibImage&) = delete;
    DibImage& operator=(const DibImage&) = delete;

    // Releases everything; the image is empty afterwards.
    void Discard();
    bool IsEmpty() const { return section == nullptr; }
    uint32_t EntryCount() const { return entryCount; }
    uint32_t ImageSize() const { return imageSize; }
    uint32_t Stride() const { return stride; }

    // Copies the headers asked for (either may be null). False, copying
    // nothing, when a header is asked for that the image does not hold.
    bool CopyHeaders(BITMAPFILEHEADER* fileHeaderOut, BITMAPINFOHEADER* infoHeaderOut) const;
    // Width, then height as stored (negative for a top-down image).
    bool GetDimensions(LONG dimensions[2]) const;
    bool CopyColorTable(ColorTable& table) const;
    // Writes table into the color table; the section shows it after RebuildSection.
    bool SetColorTable(const ColorTable& table);
    // The same, the table taking exactly table's count of entries (a
    // rearranged table may be shorter); false when the bits cannot index it.
    bool ResizeColorTable(const ColorTable& table);
    // Replaces the image with a black one; on false the image is empty.
    bool CreateBlank(HDC dc, const NewImageSpec* spec);
    // The same with table's colors (entries past its end black), for a
    // picture whose pixels are filled in afterwards through Bits().
    bool CreateIndexed(HDC dc, const NewImageSpec& spec, const ColorTable& table);
    // Makes a new section from the info block, carrying the pixel bytes over.
    bool RebuildSection(HDC dc);

#ifdef _WIN32
    void Draw(HDC target, int x, int y, DWORD rop) const;
    void DrawRegion(HDC target, int x, int y, int sourceX, int sourceY, int width, int height,
                    DWORD rop) const;
    void DrawStretched(HDC target, int x, int y, int width, int height, DWORD rop) const;
    void DrawStretchedRegion(HDC target, int x, int y, int width, int height, int sourceX,
                             int sourceY, int sourceWidth, int sourceHeight, DWORD rop) const;
    // The whole picture stretched as DrawStretched does, its first count
    // entries shown as colors for this drawing only: the section's own table
    // is put back before it returns.
    void DrawStretchedWithColors(HDC target, int x, int y, int width, int height, const RGBQUAD* colors,
                                 uint32_t count, DWORD rop) const;
    // A source rectangle (top row first) into a destination rectangle, pixel
    // for pixel or scaled by whole pixels without smoothing; through colors,
    // count of them, when given, as DrawStretchedWithColors does.
    void DrawScaledRegion(HDC target, const RECT& destination, const RECT& source, const RGBQUAD* colors,
                          uint32_t count) const;
    // A source rectangle (top row first) reduced to every step-th pixel of
    // every step-th row from its corner, drawn from (x, y): exactly the
    // pixels a reduced view picks, whatever the platform's stretching
    // samples. Through colors as DrawScaledRegion; false for a pixel form
    // it does not copy (then nothing is drawn).
    bool DrawReducedRegion(HDC target, int x, int y, const RECT& source, int step, const RGBQUAD* colors,
                           uint32_t count) const;
#endif

    // Replaces the image with the BMP file's bitmap; on false the image is empty.
    bool LoadFromFile(HDC dc, const char* path);
    // The same from a stream holding a BMP file's bytes from its start.
    bool ReadFromStream(HDC dc, std::istream& in);
    // True when the whole file was written; on false a file of that name is untouched.
    bool SaveToFile(const char* path) const;

    // The pixel bytes, ImageSize() of them; null for an empty image.
    const unsigned char* Bits() const { return bits; }
    unsigned char* Bits() { return bits; }

    // How a table of tableCount entries goes into a bitmap's table of held
    // entries at bitCount bits: the entry count afterwards (a longer table
    // grows it, a shorter one leaves the remaining entries black), or 0 when
    // the bitmap cannot take it (either side empty, or more entries than the
    // bits can index).
    static uint32_t EntriesAfterSetting(uint32_t held, uint32_t bitCount, uint32_t tableCount);
    // Writes count RGBQUADs from table, reserved bytes 0; those past the
    // table's end are black.
    static void WriteColors(const ColorTable& table, RGBQUAD* colors, uint32_t count);
    // Makes table hold the colors, flags 0; false without memory.
    static bool ReadColors(const RGBQUAD* colors, uint32_t count, ColorTable& table);

private:
    BITMAPINFOHEADER* InfoHeader() const;
    RGBQUAD* Colors() const;
    bool AllocateInfoBlock(uint32_t entries);
    // A new info block of n entries with the same header; false, unchanged, without memory.
    bool SetEntryCount(uint32_t n);
    bool Create(HDC dc, const NewImageSpec* spec, const ColorTable* table);

    BITMAPFILEHEADER* fileHeader;
    unsigned char* infoBlock;  // BITMAPINFOHEADER, then entryCount RGBQUADs
    HBITMAP section;
    unsigned char* bits;       // owned by the section
    uint32_t entryCount;
    uint32_t imageSize;
    uint32_t stride;
};

#endif
