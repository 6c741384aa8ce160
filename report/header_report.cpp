#include "report/header_report.h"

#include <locale>
#include <sstream>

namespace {

const std::string& KindText(const ReportTexts& t, WORD bitCount)
{
    switch (bitCount) {
    case 1: return t.kind1Bit;
    case 4: return t.kind4Bit;
    case 8: return t.kind8Bit;
    case 24: return t.kind24Bit;
    default: return t.kindUnsupported;
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

void WriteSummary(std::ostream& out, const HeaderReportInput& in, const ReportTexts& t, const std::string& fileName)
{
    const BITMAPINFOHEADER& info = in.infoHeader;
    out << "  ==== Bitmap Information ====\r\n\r\n"
        << "    -- FileName --\r\n " << fileName
        << "\r\n\r\n    -- " << t.basicHeading << " --\r\n"
        << " " << t.heightLabel << " " << Signed{info.biHeight}
        << "px \r\n " << t.widthLabel << " " << Signed{info.biWidth}
        << "px\r\n " << t.kindLabel << " " << KindText(t, info.biBitCount)
        << "\r\n " << t.colorsUsedLabel << " " << Unsigned{in.entryCount} << t.colorsUnit
        << "\r\n\r\n    -- " << t.extendedHeading << " --\r\n"
        << " " << t.bytesPerLineLabel << " " << Unsigned{in.stride} << t.bytesUnit
        << "\r\n " << t.calculatedSizeLabel << " " << Unsigned{in.imageSize + in.entryCount * 4u + 54u}
        << t.bytesUnit << "\r\n " << t.actualSizeLabel << " ";
    if (in.modified) {
        out << t.sizeNotSaved;
    } else if (!in.fileSizeKnown) {
        out << t.sizeUnknown;
    } else {
        out << Unsigned{in.fileSize} << t.bytesUnit;
    }
    out << "\r\n\r\n    -- " << t.breakdownHeading << " --\r\n"
        << " BITMAPFILEHEADER : 14 bytes\r\n"
        << " BITMAPINFOHEADER : 40 bytes\r\n"
        << " " << t.colorTableLabel << " " << Unsigned{in.entryCount * 4u} << t.bytesUnit
        << "\r\n " << t.imageBitsLabel << " " << Unsigned{in.imageSize} << t.bytesUnit << "\r\n";
}

void WriteMembers(std::ostream& out, const HeaderReportInput& in, const ReportTexts& t, const std::string& fileName)
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
        out << "    " << t.notPresent;
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

std::string BuildHeaderReport(const HeaderReportInput& input, const ReportTexts& texts)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    const std::string fileName = input.modified ? texts.notSaved : input.path;
    if (input.headerDetail == 0) {
        WriteSummary(out, input, texts, fileName);
    } else {
        WriteMembers(out, input, texts, fileName);
    }
    return out.str();
}
