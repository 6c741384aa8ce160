// The reports in another language's words: every text that is not the
// formats' own comes from the texts given, so an English report of any of the
// three formats, in either mode, is plain ASCII and says what the numbers are.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/byte_source.h"
#include "image/gif_file.h"
#include "image/png_file.h"
#include "report/gif_report.h"
#include "report/header_report.h"
#include "report/png_report.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/png_bytes.h"

namespace {

HeaderReportInput Bitmap(WORD bitCount, bool modified, bool sizeKnown, int32_t detail)
{
    HeaderReportInput in;
    std::memset(&in.fileHeader, 0, sizeof in.fileHeader);
    std::memset(&in.infoHeader, 0, sizeof in.infoHeader);
    in.hasFileHeader = sizeKnown;
    in.infoHeader.biWidth = 37;
    in.infoHeader.biHeight = 23;
    in.infoHeader.biBitCount = bitCount;
    in.entryCount = 16;
    in.stride = 40;
    in.imageSize = 920;
    in.path = "C:\\a.bmp";
    in.modified = modified;
    in.fileSizeKnown = sizeKnown;
    in.fileSize = 1038;
    in.headerDetail = detail;
    in.hexNumbers = 0;
    return in;
}

std::string Png(uint8_t bitDepth, uint8_t interlace, int32_t detail)
{
    const std::string file = AssemblePng({{"IHDR", IhdrData(37, 23, bitDepth, 3, interlace)},
                                          {"PLTE", PaletteData(3)},
                                          {"tRNS", std::string(2, '\x80')},
                                          {"IDAT", Deflate(std::string(23 * 11, '\0'))},
                                          {"IEND", ""}});
    PngStructure png;
    std::string reason;
    EXPECT_TRUE(ReadPngStructure(ByteSource(file), &png, &reason)) << reason;
    return BuildPngReport(png, "a.png", file.size(), detail, 0, EnglishReportTexts());
}

std::string Rgb(uint32_t entries)
{
    return std::string(entries * 3, '\x90');
}

std::string Gif(bool globalTable, bool trailer, int32_t detail)
{
    std::string file = MakeGif(37, 23, globalTable ? Rgb(4) : "", 0,
                               {{0, 0, 1, 1, Rgb(2), {1}, 2}, {0, 0, 1, 1, Rgb(8), {1}, 2}}, trailer);
    GifStructure gif;
    std::string reason;
    EXPECT_TRUE(ReadGifStructure(ByteSource(file), &gif, &reason)) << reason;
    return BuildGifReport(gif, "a.gif", file.size(), detail, 0, EnglishReportTexts());
}

}  // namespace

TEST(ReportTexts, EnglishReportsOfEveryFormatAreAsciiAndNameTheirNumbers)
{
    const struct {
        const char* name;
        std::string report;
        std::vector<std::string> lines;
    } kCases[] = {
        {"bitmap", BuildHeaderReport(Bitmap(4, false, true, 0), EnglishReportTexts()),
         {" Height      : 23px \r\n", " Width       : 37px\r\n", " Type        : 16 colors (4bpp)\r\n",
          " Colors used : 16 colors\r\n", " Bytes per line         : 40 bytes\r\n",
          " File size (calculated) : 1038 bytes\r\n", " File size (actual)     : 1038 bytes\r\n",
          " Color table      : 64 bytes\r\n", " Pixel data       : 920 bytes\r\n"}},
        {"modified bitmap", BuildHeaderReport(Bitmap(24, true, true, 0), EnglishReportTexts()),
         {" Not saved yet.\r\n", " Type        : Full color (24bpp)\r\n",
          " File size (actual)     : Not saved yet.\r\n"}},
        {"bitmap of unknown size", BuildHeaderReport(Bitmap(16, false, false, 0), EnglishReportTexts()),
         {" Type        : Not supported\r\n", " File size (actual)     : Not available.\r\n"}},
        {"bitmap's members", BuildHeaderReport(Bitmap(8, false, false, 1), EnglishReportTexts()),
         {" BITMAPFILEHEADER\r\n    Not present.\r\n", "  .biWidth         = 37\r\n"}},
        {"PNG", Png(2, 0, 0),
         {" Height      : 23px \r\n", " Width       : 37px\r\n", " Type        : 4 colors (2bpp)\r\n",
          " Colors used : 3 colors\r\n", " Transparent : 2 colors (tRNS)\r\n", " Interlace : None\r\n",
          " Frames    : 1\r\n", "\r\n    -- Chunks --\r\n IHDR : 1\r\n"}},
        {"interlaced PNG", Png(8, 1, 0), {" Type        : 256 colors (8bpp)\r\n", " Interlace : Adam7\r\n"}},
        {"PNG's members", Png(2, 0, 1), {"  .width       = 37\r\n", "  .entries     = 3\r\n"}},
        {"GIF", Gif(true, true, 0),
         {" Height      : 23px \r\n", " Width       : 37px\r\n", " Images      : 2\r\n",
          " Colors used : 4 colors\r\n", " Edited table       : Global color table\r\n",
          " Other local tables : Image 1 (2 colors), Image 2 (8 colors) (kept as is)\r\n", " Trailer   : Present\r\n"}},
        {"GIF without a global table", Gif(false, false, 0),
         {" Edited table       : Local color table of the first image\r\n",
          " Other local tables : Image 2 (8 colors) (kept as is)\r\n",
          " Trailer   : Missing (the file ends after the last block)\r\n"}},
        {"GIF's members", Gif(true, true, 1), {"\r\n    This is the table edited.\r\n", ", kept as is)\r\n"}},
        {"members of a GIF without a global table", Gif(false, false, 1),
         {"    Not present. Local color table of the first image is edited.\r\n", ", edited)\r\n",
          "\r\n Trailer\r\n    Not present (the file ends after the last block).\r\n"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        for (size_t i = 0; i < c.report.size(); ++i)
            ASSERT_LT(static_cast<unsigned char>(c.report[i]), 0x80) << "at " << i << ":\n" << c.report;
        for (const std::string& line : c.lines) EXPECT_NE(std::string::npos, c.report.find(line)) << line << c.report;
    }
}

TEST(ReportTexts, FillInTakesItsValuesInOrder)
{
    EXPECT_EQ("Image 2 (8 colors)", FillIn("Image %s (%s colors)", "2", "8"));
    EXPECT_EQ("画像2 (8色)", FillIn(JapaneseReportTexts().imageTable, "2", "8"));
    EXPECT_EQ("x% and %d", FillIn("x% and %d", "unused"));
    EXPECT_EQ("a%s%s", FillIn("%s%s%s", "a", "%s")) << "a value is not filled in again";
}
