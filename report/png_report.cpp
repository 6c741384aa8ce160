#include "report/png_report.h"

#include <cstring>
#include <iomanip>
#include <locale>
#include <sstream>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Numbers go through this so that neither a locale nor a narrow type changes
// how they are written.
struct Number {
    uint64_t value;
};

std::ostream& operator<<(std::ostream& out, Number number)
{
    return out << static_cast<unsigned long long>(number.value);
}

// A CRC is a bit pattern: always eight hexadecimal digits.
std::string CrcText(uint32_t crc)
{
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << crc;
    return text.str();
}

const std::string& KindText(const ReportTexts& t, uint8_t bitDepth)
{
    switch (bitDepth) {
    case 1: return t.kind1Bit;
    case 2: return t.kind2Bit;
    case 4: return t.kind4Bit;
    case 8: return t.kind8Bit;
    default: return t.kindUnsupported;
    }
}

void WriteSummary(std::ostream& out, const PngStructure& png, const ReportTexts& t, const std::string& path,
                  uint64_t fileSize)
{
    out << "  ==== PNG Information ====\r\n\r\n"
        << "    -- FileName --\r\n " << path
        << "\r\n\r\n    -- " << t.basicHeading << " --\r\n"
        << " " << t.heightLabel << " " << Number{png.height}
        << "px \r\n " << t.widthLabel << " " << Number{png.width}
        << "px\r\n " << t.kindLabel << " " << KindText(t, png.bitDepth)
        << "\r\n " << t.colorsUsedLabel << " " << Number{png.table.GetCount()} << t.colorsUnit
        << "\r\n " << t.transparentLabel << " " << Number{png.alpha.size()} << t.colorsUnit
        << " (tRNS)\r\n\r\n    -- " << t.extendedHeading << " --\r\n"
        << " " << t.interlaceLabel << " " << (png.interlace ? "Adam7" : t.interlaceNone.c_str())
        << "\r\n " << t.framesLabel << " " << Number{png.frameCount}
        << (png.animated ? " (APNG)" : "")
        << "\r\n " << t.fileSizeLabel << " " << Number{fileSize} << t.bytesUnit
        << "\r\n\r\n    -- " << t.chunksHeading << " --\r\n";
    // Each type once, in the order it first appears, with how many there are;
    // a file may hold as many types as chunks, so each is found by its key.
    std::vector<std::pair<std::string, uint64_t>> counts;
    std::unordered_map<std::string, size_t> place;
    for (const PngChunk& chunk : png.chunks) {
        const auto found = place.emplace(chunk.type, counts.size());
        if (found.second) {
            counts.emplace_back(chunk.type, 1);
        } else {
            ++counts[found.first->second].second;
        }
    }
    for (const auto& count : counts) out << " " << count.first << " : " << Number{count.second} << "\r\n";
}

void WriteMembers(std::ostream& out, const PngStructure& png, const std::string& path, int32_t hexNumbers)
{
    out << "  ==== Original HeaderInfo ====\r\n\r\n"
        << "    -- FileName --\r\n " << path
        << "\r\n\r\n    -- HeaderInformation --\r\n"
        << " IHDR\r\n";
    if (hexNumbers == 1) out << std::hex;
    out << "  .width       = " << Number{png.width}
        << "\r\n  .height      = " << Number{png.height}
        << "\r\n  .bitDepth    = " << Number{png.bitDepth}
        << "\r\n  .colorType   = " << Number{png.colorType}
        << "\r\n  .compression = " << Number{png.compression}
        << "\r\n  .filter      = " << Number{png.filter}
        << "\r\n  .interlace   = " << Number{png.interlace}
        << "\r\n\r\n PLTE\r\n  .entries     = " << Number{png.table.GetCount()}
        << "\r\n\r\n tRNS\r\n  .entries     = " << Number{png.alpha.size()};
    if (png.animated) out << "\r\n\r\n acTL\r\n  .frames      = " << Number{png.frameCount};
    out << "\r\n\r\n Chunks\r\n";
    for (const PngChunk& chunk : png.chunks) {
        out << "  " << chunk.type << "  .offset = " << Number{chunk.offset}
            << "  .length = " << Number{chunk.length}
            << "  .crc = " << CrcText(chunk.crc) << "\r\n";
    }
}

}  // namespace

std::string BuildPngReport(const PngStructure& png, const std::string& path, uint64_t fileSize, int32_t headerDetail,
                           int32_t hexNumbers, const ReportTexts& texts)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    if (headerDetail == 0) {
        WriteSummary(out, png, texts, path, fileSize);
    } else {
        WriteMembers(out, png, path, hexNumbers);
    }
    return out.str();
}
