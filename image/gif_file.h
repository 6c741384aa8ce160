// GIF files (87a and 89a) as the editor takes them: the block structure read
// without holding image data, the first image decoded as the picture shown,
// and the file written again with one color table replaced, every other byte
// (LZW data included) copied as it was.
#ifndef KORIN_IMAGE_GIF_FILE_H
#define KORIN_IMAGE_GIF_FILE_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/byte_source.h"
#include "palette/color_table.h"

class SafeFileWriter;

// One image descriptor and what belongs to it.
struct GifImage {
    uint64_t descriptorOffset;  // of the 0x2C byte
    uint16_t left, top, width, height;
    bool interlaced;
    uint32_t localTableEntries;  // 0: none
    uint64_t localTableOffset;
    uint64_t dataOffset;  // of the LZW minimum code size byte
    uint64_t dataLength;  // through the block terminator
    int transparentIndex;  // from the graphic control extension before it; -1 none
    uint16_t delay;
    uint8_t disposal;
    uint8_t minimumCodeSize;
};

// Every block in file order (extensions, images, trailer), for the report.
struct GifBlock {
    uint64_t offset;
    uint64_t length;
    uint8_t introducer;  // 0x21 extension, 0x2C image, 0x3B trailer
    uint8_t label;       // of an extension; 0 otherwise
    std::string applicationId;  // identifier and authentication code of an application extension
};

struct GifStructure {
    char version[7];  // "GIF87a" / "GIF89a"
    uint16_t screenWidth, screenHeight;
    uint8_t packed, backgroundIndex, aspect;
    uint32_t globalTableEntries;  // 0: none
    uint64_t globalTableOffset;
    std::vector<GifImage> images;
    std::vector<GifBlock> blocks;
    // The edited table: the global one, or the first image's local one when
    // there is no global table (or when the picture's table is asked for),
    // or the one SelectGifTable chose.
    ColorTable table;
    bool editsLocalTable;
    int editedImage;  // whose local table is edited; -1 the global one
    // The image the picture shows: the first one drawn with the edited table
    // (the first image when none is). pictureTable is the table its pixels
    // index: its local one when it has one, else the global one.
    size_t shownImage;
    ColorTable pictureTable;
    // A file that ends after a complete block without the trailer is taken
    // as it is (and written back as it is).
    bool hasTrailer;
    uint64_t bytesAfterTrailer;  // kept and copied, never read
};

// Reads the structure; false with a one-line reason naming the block and its
// offset when the file is not a GIF, is truncated or corrupt, or has no
// image or no table to edit. editPictureTable makes the table the picture is
// shown with the edited one also when the first image has a local table
// beside the global one (the editor's palette is the picture's table).
bool ReadGifStructure(const ByteSource& source, GifStructure* gif, std::string* reason,
                      bool editPictureTable = false);

// The tables of gif as they are offered for editing: -1 for the global table
// (when there is one), then the number of each image with a local table.
std::vector<int> GifTables(const GifStructure& gif);

// A table number no file holds, for "none asked for": the table
// ReadGifStructure chose stays the edited one.
const int kDefaultGifTable = -2;

// Makes table (an entry of GifTables) the edited one, and the first image
// drawn with it the one shown; false, with a reason that lists the file's
// tables (images counted from 1), for a table the file does not hold.
bool SelectGifTable(const ByteSource& source, GifStructure* gif, int table, std::string* reason);

// The picture the editor shows: the logical screen, grown to cover the shown
// image where it sticks out. False when that is empty.
bool GifPictureSize(const GifStructure& gif, uint32_t* width, uint32_t* height);

// The shown image on that picture: row(y, indices) with the picture's width
// of indices, y = 0 (top) to height - 1, each once in order; pixels outside
// the image are the background index (0 when it is beyond the table),
// interlaced rows are put in their place, and pixels the data stops short of
// are 0; the indices are those of pictureTable. False, with a reason, for
// data no encoder writes, data far too short for the image (see
// GifPixelReader) or an interlaced image whose memory cannot be had.
bool DecodeGifImage(const ByteSource& source, const GifStructure& gif,
                    const std::function<void(uint32_t y, const uint8_t* indices)>& row, std::string* reason);

// How many pixels of the picture hold each index value (256 counts) of the
// edited table: the screen around the first image as its background index,
// and the first image's pixels when it uses the edited table (those it
// stops short of as 0). The screen is counted, not decoded. (The shown
// image takes the first image's place in all of this.)
bool CountGifPictureUsage(const ByteSource& source, const GifStructure& gif, std::vector<uint64_t>* counts,
                          std::string* reason);

// The largest index any pixel uses among the images that use the edited
// table: those without a local table when the global one is edited, the
// image whose local one is; 0 when no image uses it.
bool LargestGifIndex(const ByteSource& source, const GifStructure& gif, uint32_t* largest, std::string* reason);

// The entries a table of count colors takes in a GIF: the next power of two,
// at least 2; 0 when count is 0 or above 256.
uint32_t GifTableEntries(uint32_t count);

// Writes the file again with table in place of the edited one, padded with
// black entries to GifTableEntries and its size field updated; every other
// byte copied. Refuses an empty table or one above 256 entries (reason says
// so) and makes out fail then; the largest index is the caller's to check.
bool WriteGifWithTable(const ByteSource& source, const GifStructure& gif, const ColorTable& table,
                       SafeFileWriter& out, std::string* reason);

// A table's colors as a GIF holds them, padded with black to
// GifTableEntries: the bytes written into rgb (room for 256 entries), and
// the size field's bits through sizeBits.
size_t GifTableBytes(const ColorTable& table, uint32_t* sizeBits, uint8_t* rgb);

// A table to write in place of one of the file's: image -1 for the global one.
struct GifTableEdit {
    int image;
    ColorTable table;
};

// The same with several tables replaced at once (each at most once).
bool WriteGifWithTables(const ByteSource& source, const GifStructure& gif, const std::vector<GifTableEdit>& edits,
                        SafeFileWriter& out, std::string* reason);

#endif
