// PNG and GIF files behind one face, for the document and korin-cli alike:
// told apart by content, never by name; their table, geometry and pixel
// indices read; the file written again with a new table, every byte the edit
// does not change copied as it was.
#ifndef KORIN_IMAGE_INDEXED_FILE_H
#define KORIN_IMAGE_INDEXED_FILE_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/byte_source.h"
#include "image/gif_file.h"
#include "image/png_file.h"
#include "palette/color_table.h"
#include "platform/platform.h"
#include "report/report_texts.h"

class DibImage;
class FolderFlushes;
class SafeFileWriter;

enum class ImageFileFormat { Unknown, Bmp, Png, Gif };

// What the file's first bytes say it is.
ImageFileFormat DetectImageFormat(const ByteSource& source);
// The picture format a file name's extension names when saving: .bmp, .png
// or .gif; Unknown for every other name.
ImageFileFormat ImageFormatForName(const std::string& path);

class IndexedFile {
public:
    IndexedFile();

    // Reads a PNG or GIF file's structure; false with a one-line reason. The
    // same source is handed to every later call. editPictureTable: see
    // ReadGifStructure; table, unless kDefaultGifTable, is then selected
    // (see SelectTable), and refused for a PNG.
    bool Read(const ByteSource& source, std::string* reason, bool editPictureTable = false,
              int table = kDefaultGifTable);
    // The same, leaving the check of a PNG's pixel chunks to CheckPixelCrcs,
    // for a stream that copies them meanwhile.
    bool ReadBesidePixels(const ByteSource& source, std::string* reason, int table = kDefaultGifTable);
    bool CheckPixelCrcs(const ByteSource& source, std::string* reason) const;

    ImageFileFormat Format() const { return format; }
    uint32_t Width() const { return width; }
    uint32_t Height() const { return height; }
    // Bits per pixel of the bitmap that shows it: 1, 4 or 8 (a 2-bit PNG as 4).
    uint32_t BitmapBitCount() const;
    // The most entries the file's table may hold.
    uint32_t MaxEntries() const;
    // The table the user edits.
    const ColorTable& Table() const;
    // The table the picture's pixels index: Table(), except for a GIF whose
    // first image has its own table beside the edited global one.
    const ColorTable& PictureTable() const;
    // A GIF's tables as they are offered for editing (see GifTables); empty
    // for a PNG, which holds one.
    std::vector<int> Tables() const;
    // Which of them Table() is: -1 the global one, else the image's number.
    int EditedTable() const;
    // Whether a GIF's table is the one some image's pixels index.
    bool TableDrawn(int table) const;
    // Makes another of a GIF's tables the edited one, and the picture the
    // first image drawn with it (see SelectGifTable).
    bool SelectTable(const ByteSource& source, int table, std::string* reason);
    // False, with a reason, when the picture's data is far too short for its
    // size: refused before memory is taken for the picture.
    bool PictureDataCanFill(std::string* reason) const;
    // The picture's rows, top first, one index per pixel of PictureTable().
    bool DecodeRows(const ByteSource& source, const std::function<void(uint32_t y, const uint8_t* indices)>& row,
                    std::string* reason) const;
    // How many of the picture's pixels index each value (256 counts) in
    // Table(): pixels drawn with another table are left out.
    bool CountTableUsage(const ByteSource& source, std::vector<uint64_t>* counts, std::string* reason) const;
    // The same over a GIF's other frames drawn with Table() (256 counts,
    // their pixels only); all 0 for a PNG.
    bool CountOtherFramesUsage(const ByteSource& source, std::vector<uint64_t>* counts, std::string* reason) const;
    // Each entry's alpha as a PNG's tRNS holds it: a PNG's own; for a GIF,
    // opaque entries up to its first image's transparent index, which is 0.
    // Empty when every entry is opaque.
    std::vector<uint8_t> Alpha() const;
    // A PNG's rows packed at BitmapBitCount() bits into rows the caller holds,
    // zeroed: rowAt(y) is row y from the top (see DecodePngPacked).
    bool DecodePackedRows(const ByteSource& source, const std::function<uint8_t*(uint32_t y)>& rowAt,
                          std::string* reason) const;
    // Writes the file again with table in place of its own. Refuses a table
    // the format cannot hold or one too short for the pixels, naming the count.
    // A GIF's other tables in others are written in place of theirs too.
    bool WriteWithTable(const ByteSource& source, const ColorTable& table, SafeFileWriter& out,
                        std::string* reason, const std::vector<GifTableEdit>& others = {}) const;
    // The header view's report of the file's structure, in the words of texts.
    std::string Report(const std::string& path, uint64_t fileSize, int32_t headerDetail, int32_t hexNumbers,
                       const ReportTexts& texts = JapaneseReportTexts()) const;

private:
    bool ReadStructure(const ByteSource& source, bool checkPixelCrcs, bool editPictureTable, int table,
                       std::string* reason);

    ImageFileFormat format;
    uint32_t width;
    uint32_t height;
    PngStructure png;
    GifStructure gif;
};

// The table a file holds once table is put into its held entries, as a bitmap
// takes one: a longer table grows it, a shorter one leaves the entries past
// its end black. False, naming the limit, when the format cannot hold it.
bool TableAfterSetting(const IndexedFile& file, const ColorTable& table, ColorTable* result, std::string* reason);

// The picture of file as a bitmap (bottom-up, the table's entries) through dc.
bool LoadIndexedPicture(HDC dc, const IndexedFile& file, const ByteSource& source, DibImage* image,
                        std::string* reason);
// Opens a PNG or GIF file as the editor does: readAll (run on a second
// thread) fills bytes with the whole file, which onDisk also reads; file and
// image then hold its structure and picture as Read (editing the picture's
// table) and LoadIndexedPicture make them, refused with the same reason. A
// PNG's bitmap is made while the bytes are read and its pixel chunks' CRCs
// are checked while its rows are inflated. readFailed: readAll said false.
bool OpenIndexedPicture(HDC dc, const ByteSource& onDisk, const std::function<bool(std::string* bytes)>& readAll,
                        std::string* bytes, IndexedFile* file, DibImage* image, std::string* reason, bool* readFailed);
// Writes an indexed bitmap as a new PNG file of the same bit depth; alpha,
// when not empty, goes to tRNS (cut to the bitmap's table).
bool WriteBitmapAsPng(const DibImage& image, SafeFileWriter& out, std::string* reason,
                      const std::vector<uint8_t>& alpha = std::vector<uint8_t>(),
                      const PngEncoding& encoding = PngEncoding());

// korin-cli's apply, invert and swap on a PNG or GIF file: the table taken
// out (gifTable, unless kDefaultGifTable, picks a GIF's), edited, and written to
// output (which may be the input) with every other byte copied file to file.
// False with the file to blame and why.
bool RecolorIndexedFile(const char* input, const char* output, const std::function<void(ColorTable&)>& edit,
                        FolderFlushes* flushes, std::string* failedFile, std::string* reason,
                        int gifTable = kDefaultGifTable);

#endif
