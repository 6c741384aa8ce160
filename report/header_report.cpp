#include "report/header_report.h"

#include <locale>
#include <sstream>

namespace {

const char kNotSaved[] = "まだ保存されていません.";
const char kSizeUnknown[] = "取得できません.";

const char* KindText(WORD bitCount)
{
    switch (bitCount) {
    case 1: return "2色 (1bpp)\r\n";
    case 4: return "16色 (4bpp)\r\n";
    case 8: return "256色 (8bpp)\r\n";
    case 24: return "フルカラー (24bpp)\r\n";
    default: return "未対応\r\n";
    }
}

// Numbers go through these so that neither a locale nor a narrow type
// changes how they are written; signed values show their bit pattern in hex.
struct Unsigned {
    uint32_t value;
};
struct Signed {
    int32_t value;
};

std::ostream& operator<<(std::ostream& out, Unsigned number)
{
    return out << static_cast<unsigned long>(number.value);
}

std::ostream& operator<<(std::ostream& out, Signed number)
{
    if (out.flags() & std::ios::hex) return out << static_cast<unsigned long>(uint32_t(number.value));
    return out << static_cast<long>(number.value);
}

void WriteSummary(std::ostream& out, const HeaderReportInput& in, const std::string& fileName)
{
    const BITMAPINFOHEADER& info = in.infoHeader;
    out << "  ==== Bitmap Information ====\r\n\r\n"
        << "    -- FileName --\r\n " << fileName
        << "\r\n\r\n    -- 基本情報 --\r\n"
        << " 高さ   : " << Signed{info.biHeight}
        << "px \r\n 幅     : " << Signed{info.biWidth}
        << "px\r\n 種類   : " << KindText(info.biBitCount)
        << " 使用色 : " << Unsigned{in.entryCount}
        << "色\r\n\r\n    -- 拡張情報 --\r\n"
        << " 1ラインあたりのバイト数        : " << Unsigned{in.stride}
        << "bytes\r\n 計算で求められるファイルサイズ : "
        << Unsigned{in.imageSize + in.entryCount * 4u + 54u}
        << "bytes\r\n 実際のファイルサイズ           : ";
    if (in.modified) {
        out << kNotSaved;
    } else if (!in.fileSizeKnown) {
        out << kSizeUnknown;
    } else {
        out << Unsigned{in.fileSize};
    }
    out << "bytes\r\n\r\n    -- ファイルサイズの内訳 --\r\n"
        << " BITMAPFILEHEADER : 14 bytes\r\n"
        << " BITMAPINFOHEADER : 40 bytes\r\n"
        << " カラーテーブル   : " << Unsigned{in.entryCount * 4u}
        << "bytes\r\n 実際の画像ビット : " << Unsigned{in.imageSize}
        << "bytes\r\n";
}

void WriteMembers(std::ostream& out, const HeaderReportInput& in, const std::string& fileName)
{
    const BITMAPFILEHEADER& file = in.fileHeader;
    const BITMAPINFOHEADER& info = in.infoHeader;
    out << "  ==== Original HeaderInfo ====\r\n\r\n"
        << "    -- FileName --\r\n " << fileName
        << "\r\n\r\n    -- HeaderInformation --\r\n"
        << " BITMAPFILEHEADER\r\n";
    if (in.hexNumbers == 1) out << std::hex;
    if (in.hasFileHeader) {
        out << "  .bfType      = " << Unsigned{file.bfType}
            << "\r\n  .bfSize      = " << Unsigned{file.bfSize}
            << "\r\n  .bfReserved1 = " << Unsigned{file.bfReserved1}
            << "\r\n  .bfReserved2 = " << Unsigned{file.bfReserved2}
            << "\r\n  .bfOffBits   = " << Unsigned{file.bfOffBits};
    } else {
        out << "    存在しません.";
    }
    out << "\r\n\r\n BITMAPINFOHEADER\r\n"
        << "  .biSize          = " << Unsigned{info.biSize}
        << "\r\n  .biWidth         = " << Signed{info.biWidth}
        << "\r\n  .biHeight        = " << Signed{info.biHeight}
        << "\r\n  .biPlanes        = " << Unsigned{info.biPlanes}
        << "\r\n  .biBitCount      = " << Unsigned{info.biBitCount}
        << "\r\n  .biCompression   = " << Unsigned{info.biCompression}
        << "\r\n  .biSizeImage     = " << Unsigned{info.biSizeImage}
        << "\r\n  .biXPelsPerMeter = " << Signed{info.biXPelsPerMeter}
        << "\r\n  .biYPelsPerMeter = " << Signed{info.biYPelsPerMeter}
        << "\r\n  .biClrUsed       = " << Unsigned{info.biClrUsed}
        << "\r\n  .biClrImportant  = " << Unsigned{info.biClrImportant}
        << "\r\n";
}

}  // namespace

std::string BuildHeaderReport(const HeaderReportInput& input)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    const std::string fileName = input.modified ? std::string(kNotSaved) : input.path;
    if (input.headerDetail == 0) {
        WriteSummary(out, input, fileName);
    } else {
        WriteMembers(out, input, fileName);
    }
    return out.str();
}
