#include <gtest/gtest.h>

#include <cstring>

#include "report/header_report.h"
#include "tests/support/grouping_locale.h"

namespace {

// An 8-bit 100 × 50 picture with 256 entries, as read from its file.
HeaderReportInput Loaded()
{
    HeaderReportInput in;
    std::memset(&in.fileHeader, 0, sizeof in.fileHeader);
    std::memset(&in.infoHeader, 0, sizeof in.infoHeader);
    in.hasFileHeader = true;
    in.fileHeader.bfType = 0x4D42;
    in.fileHeader.bfSize = 6078;
    in.fileHeader.bfOffBits = 1078;
    in.infoHeader.biSize = 40;
    in.infoHeader.biWidth = 100;
    in.infoHeader.biHeight = 50;
    in.infoHeader.biPlanes = 1;
    in.infoHeader.biBitCount = 8;
    in.infoHeader.biSizeImage = 5000;
    in.infoHeader.biXPelsPerMeter = 2835;
    in.infoHeader.biClrUsed = 256;
    in.entryCount = 256;
    in.stride = 100;
    in.imageSize = 5000;
    in.path = "C:\\pics\\photo.bmp";
    in.modified = false;
    in.fileSizeKnown = true;
    in.fileSize = 6078;
    in.headerDetail = 0;
    in.hexNumbers = 0;
    return in;
}

TEST(HeaderReport, SummaryOfALoadedPicture)
{
    const char* expected =
        "  ==== Bitmap Information ====\r\n\r\n"
        "    -- FileName --\r\n C:\\pics\\photo.bmp\r\n\r\n"
        "    -- 基本情報 --\r\n"
        " 高さ   : 50px \r\n"
        " 幅     : 100px\r\n"
        " 種類   : 256色 (8bpp)\r\n"
        " 使用色 : 256色\r\n\r\n"
        "    -- 拡張情報 --\r\n"
        " 1ラインあたりのバイト数        : 100bytes\r\n"
        " 計算で求められるファイルサイズ : 6078bytes\r\n"
        " 実際のファイルサイズ           : 6078bytes\r\n\r\n"
        "    -- ファイルサイズの内訳 --\r\n"
        " BITMAPFILEHEADER : 14 bytes\r\n"
        " BITMAPINFOHEADER : 40 bytes\r\n"
        " カラーテーブル   : 1024bytes\r\n"
        " 実際の画像ビット : 5000bytes\r\n";
    EXPECT_EQ(expected, BuildHeaderReport(Loaded()));
}

TEST(HeaderReport, MemberListingInDecimalAndHexadecimal)
{
    HeaderReportInput in = Loaded();
    in.headerDetail = 1;
    in.infoHeader.biHeight = -50;
    in.fileHeader.bfReserved2 = 0xBEEF;
    const char* decimal =
        "  ==== Original HeaderInfo ====\r\n\r\n"
        "    -- FileName --\r\n C:\\pics\\photo.bmp\r\n\r\n"
        "    -- HeaderInformation --\r\n"
        " BITMAPFILEHEADER\r\n"
        "  .bfType      = 19778\r\n"
        "  .bfSize      = 6078\r\n"
        "  .bfReserved1 = 0\r\n"
        "  .bfReserved2 = 48879\r\n"
        "  .bfOffBits   = 1078\r\n\r\n"
        " BITMAPINFOHEADER\r\n"
        "  .biSize          = 40\r\n"
        "  .biWidth         = 100\r\n"
        "  .biHeight        = -50\r\n"
        "  .biPlanes        = 1\r\n"
        "  .biBitCount      = 8\r\n"
        "  .biCompression   = 0\r\n"
        "  .biSizeImage     = 5000\r\n"
        "  .biXPelsPerMeter = 2835\r\n"
        "  .biYPelsPerMeter = 0\r\n"
        "  .biClrUsed       = 256\r\n"
        "  .biClrImportant  = 0\r\n";
    EXPECT_EQ(decimal, BuildHeaderReport(in));

    in.hexNumbers = 1;
    const char* hex =
        "  ==== Original HeaderInfo ====\r\n\r\n"
        "    -- FileName --\r\n C:\\pics\\photo.bmp\r\n\r\n"
        "    -- HeaderInformation --\r\n"
        " BITMAPFILEHEADER\r\n"
        "  .bfType      = 4d42\r\n"
        "  .bfSize      = 17be\r\n"
        "  .bfReserved1 = 0\r\n"
        "  .bfReserved2 = beef\r\n"
        "  .bfOffBits   = 436\r\n\r\n"
        " BITMAPINFOHEADER\r\n"
        "  .biSize          = 28\r\n"
        "  .biWidth         = 64\r\n"
        "  .biHeight        = ffffffce\r\n"
        "  .biPlanes        = 1\r\n"
        "  .biBitCount      = 8\r\n"
        "  .biCompression   = 0\r\n"
        "  .biSizeImage     = 1388\r\n"
        "  .biXPelsPerMeter = b13\r\n"
        "  .biYPelsPerMeter = 0\r\n"
        "  .biClrUsed       = 100\r\n"
        "  .biClrImportant  = 0\r\n";
    EXPECT_EQ(hex, BuildHeaderReport(in));
}

// Numbers stay plain whatever the program's global locale groups.
TEST(HeaderReport, NumbersIgnoreTheGlobalLocale)
{
    const std::string grouped = BuiltUnderGroupingLocale([] { return BuildHeaderReport(Loaded()); });
    EXPECT_EQ(BuildHeaderReport(Loaded()), grouped);
    EXPECT_NE(std::string::npos, grouped.find("6078")) << grouped;
}

TEST(HeaderReport, SummaryStaysDecimalWhenHexadecimalIsChosen)
{
    HeaderReportInput in = Loaded();
    in.hexNumbers = 1;
    in.infoHeader.biHeight = -50;
    std::string report = BuildHeaderReport(in);
    EXPECT_NE(std::string::npos, report.find(" 高さ   : -50px \r\n"));
    EXPECT_NE(std::string::npos, report.find(": 6078bytes"));
    EXPECT_EQ(std::string::npos, report.find("17be"));
}

// The texts must reach the window as CP932 bytes, whatever the compiler's
// execution charset would otherwise be.
TEST(HeaderReport, NewImageShowsNotSavedTextsInCp932)
{
    HeaderReportInput in = Loaded();
    in.hasFileHeader = false;
    in.modified = true;
    in.path.clear();
    const std::string notSaved =
        "\x82\xdc\x82\xbe\x95\xdb\x91\xb6\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1.";
    std::string summary = BuildHeaderReport(in);
    EXPECT_NE(std::string::npos, summary.find("    -- FileName --\r\n " + notSaved + "\r\n\r\n"));
    EXPECT_NE(std::string::npos, summary.find(" : " + notSaved + "bytes\r\n\r\n"));

    in.headerDetail = 1;
    std::string members = BuildHeaderReport(in);
    const std::string doesNotExist = "    \x91\xb6\x8d\xdd\x82\xb5\x82\xdc\x82\xb9\x82\xf1.";
    EXPECT_NE(std::string::npos,
              members.find(" BITMAPFILEHEADER\r\n" + doesNotExist + "\r\n\r\n BITMAPINFOHEADER\r\n"));
    EXPECT_EQ(std::string::npos, members.find(".bfType"));
}

TEST(HeaderReport, AppliedButUnsavedPictureHidesItsPath)
{
    HeaderReportInput in = Loaded();
    in.modified = true;
    std::string summary = BuildHeaderReport(in);
    EXPECT_EQ(std::string::npos, summary.find("photo.bmp"));
    EXPECT_NE(std::string::npos, summary.find(" 実際のファイルサイズ           : まだ保存されていません.bytes"));
}

TEST(HeaderReport, KindTextFollowsTheBitCount)
{
    struct Case { WORD bits; const char* kind; } cases[] = {
        {1, "2色 (1bpp)"}, {4, "16色 (4bpp)"}, {8, "256色 (8bpp)"}, {24, "フルカラー (24bpp)"},
        {16, "未対応"}, {32, "未対応"}, {0, "未対応"},
    };
    for (const Case& c : cases) {
        HeaderReportInput in = Loaded();
        in.infoHeader.biBitCount = c.bits;
        std::string expected = std::string(" 種類   : ") + c.kind + "\r\n 使用色 : ";
        EXPECT_NE(std::string::npos, BuildHeaderReport(in).find(expected)) << c.bits;
    }
}

TEST(HeaderReport, TrueColorPictureHasNoTable)
{
    HeaderReportInput in = Loaded();
    in.infoHeader.biBitCount = 24;
    in.entryCount = 0;
    in.stride = 300;
    in.imageSize = 15000;
    std::string report = BuildHeaderReport(in);
    EXPECT_NE(std::string::npos, report.find(" 使用色 : 0色\r\n"));
    EXPECT_NE(std::string::npos, report.find(" : 15054bytes\r\n"));
    EXPECT_NE(std::string::npos, report.find(" カラーテーブル   : 0bytes\r\n"));
}

// A file moved or deleted since it was loaded: its size is unknown, and the
// report must say so rather than show the failed query's 4294967295.
TEST(HeaderReport, UnknownFileSizeIsSaidInWords)
{
    HeaderReportInput in = Loaded();
    in.fileSizeKnown = false;
    in.fileSize = 0xFFFFFFFF;
    std::string report = BuildHeaderReport(in);
    EXPECT_EQ(std::string::npos, report.find("4294967295"));
    EXPECT_NE(std::string::npos, report.find(" 実際のファイルサイズ           : 取得できません.bytes\r\n"));
}

}  // namespace
