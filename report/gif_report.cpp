#include "report/gif_report.h"

#include <locale>
#include <sstream>

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

// What a block is, by its introducer and label.
const char* BlockName(const GifBlock& block)
{
    if (block.introducer == 0x2C) return "Image Descriptor";
    if (block.introducer == 0x3B) return "Trailer";
    switch (block.label) {
    case 0xF9: return "Graphic Control Extension";
    case 0xFE: return "Comment Extension";
    case 0xFF: return "Application Extension";
    case 0x01: return "Plain Text Extension";
    default: return "Unknown Extension";
    }
}

// Printable ASCII only: the identifier is file bytes, the report CP932 text.
std::string Printable(const std::string& bytes)
{
    std::string text;
    for (unsigned char c : bytes) text += (c >= 0x20 && c < 0x7F) ? char(c) : '.';
    return text;
}

std::string EditedTableName(const GifStructure& gif, const ReportTexts& t)
{
    if (!gif.editsLocalTable) return t.globalTable;
    if (gif.editedImage <= 0) return t.firstLocalTable;
    return FillIn(t.imageTable, std::to_string(gif.editedImage + 1),
                  std::to_string(gif.images[size_t(gif.editedImage)].localTableEntries));
}

// The local tables the edit leaves as they are, as "image 2 (16 colors), ...".
std::string OtherLocalTables(const GifStructure& gif, const ReportTexts& t)
{
    std::string text;
    for (size_t i = 0; i < gif.images.size(); ++i) {
        if (gif.images[i].localTableEntries == 0 || (gif.editsLocalTable && i == size_t(gif.editedImage))) continue;
        text += (text.empty() ? "" : ", ") + FillIn(t.imageTable, std::to_string(i + 1),
                                                    std::to_string(gif.images[i].localTableEntries));
    }
    return text;
}

void WriteSummary(std::ostream& out, const GifStructure& gif, const ReportTexts& t, const std::string& path,
                  uint64_t fileSize)
{
    const std::string others = OtherLocalTables(gif, t);
    out << "  ==== GIF Information ====\r\n\r\n"
        << "    -- FileName --\r\n " << path
        << "\r\n\r\n    -- " << t.basicHeading << " --\r\n"
        << " " << t.formatLabel << " " << gif.version
        << "\r\n " << t.heightLabel << " " << Number{gif.screenHeight}
        << "px \r\n " << t.widthLabel << " " << Number{gif.screenWidth}
        << "px\r\n " << t.imagesLabel << " " << Number{gif.images.size()}
        << "\r\n " << t.colorsUsedLabel << " " << Number{gif.table.GetCount()} << t.colorsUnit
        << "\r\n\r\n    -- " << t.colorTablesHeading << " --\r\n"
        << " " << t.editedTableLabel << " " << EditedTableName(gif, t)
        << "\r\n " << t.otherLocalTablesLabel << " "
        << (others.empty() ? t.noOtherTables : others + " (" + t.keptAsIs + ")")
        << "\r\n\r\n    -- " << t.extendedHeading << " --\r\n"
        << " " << t.blocksLabel << " " << Number{gif.blocks.size()}
        << "\r\n " << t.fileSizeLabel << " " << Number{fileSize} << t.bytesUnit
        << "\r\n " << t.trailerLabel << " " << (gif.hasTrailer ? t.trailerPresent : t.trailerMissing) << "\r\n";
}

void WriteImage(std::ostream& out, const GifStructure& gif, const ReportTexts& t, size_t index)
{
    const GifImage& image = gif.images[index];
    out << "\r\n Image Descriptor " << std::to_string(index + 1) << "\r\n"
        << "  .Offset               = " << Number{image.descriptorOffset}
        << "\r\n  .Left                 = " << Number{image.left}
        << "\r\n  .Top                  = " << Number{image.top}
        << "\r\n  .Width                = " << Number{image.width}
        << "\r\n  .Height               = " << Number{image.height}
        << "\r\n  .Interlaced           = " << Number{image.interlaced}
        << "\r\n  .LocalColorTable      = " << Number{image.localTableEntries};
    if (image.localTableEntries) {
        const bool edited = gif.editsLocalTable && index == size_t(gif.editedImage);
        out << " (offset " << Number{image.localTableOffset} << ", " << (edited ? t.edited : t.keptAsIs) << ")";
    }
    out << "\r\n  .LzwMinimumCodeSize   = " << Number{image.minimumCodeSize}
        << "\r\n  .DataOffset           = " << Number{image.dataOffset}
        << "\r\n  .DataLength           = " << Number{image.dataLength};
    if (image.transparentIndex >= 0) out << "\r\n  .TransparentIndex     = " << Number{uint64_t(image.transparentIndex)};
    out << "\r\n  .Delay                = " << Number{image.delay}
        << "\r\n  .Disposal             = " << Number{image.disposal} << "\r\n";
}

void WriteMembers(std::ostream& out, const GifStructure& gif, const ReportTexts& t, const std::string& path,
                  int32_t hexNumbers)
{
    out << "  ==== Original HeaderInfo ====\r\n\r\n"
        << "    -- FileName --\r\n " << path
        << "\r\n\r\n    -- HeaderInformation --\r\n"
        << " Header\r\n  .Signature            = " << gif.version
        << "\r\n\r\n Logical Screen Descriptor\r\n";
    if (hexNumbers == 1) out << std::hex;
    out << "  .Width                = " << Number{gif.screenWidth}
        << "\r\n  .Height               = " << Number{gif.screenHeight}
        << "\r\n  .Packed               = " << Number{gif.packed}
        << "\r\n  .BackgroundIndex      = " << Number{gif.backgroundIndex}
        << "\r\n  .PixelAspectRatio     = " << Number{gif.aspect}
        << "\r\n\r\n Global Color Table\r\n";
    if (gif.globalTableEntries) {
        out << "  .Entries              = " << Number{gif.globalTableEntries}
            << "\r\n  .Offset               = " << Number{gif.globalTableOffset}
            << (gif.editsLocalTable ? "" : "\r\n    " + t.globalTableEdited) << "\r\n";
    } else {
        out << "    " << FillIn(t.editsInstead, EditedTableName(gif, t)) << "\r\n";
    }
    size_t image = 0;
    for (const GifBlock& block : gif.blocks) {
        if (block.introducer == 0x2C && image < gif.images.size()) {
            WriteImage(out, gif, t, image++);
            continue;
        }
        out << "\r\n " << BlockName(block) << "\r\n";
        if (block.introducer == 0x21) out << "  .Label                = " << Number{block.label} << "\r\n";
        out << "  .Offset               = " << Number{block.offset}
            << "\r\n  .Length               = " << Number{block.length} << "\r\n";
        if (block.label == 0xFF && block.introducer == 0x21)
            out << "  .Identifier           = " << Printable(block.applicationId) << "\r\n";
    }
    if (!gif.hasTrailer) {
        out << "\r\n Trailer\r\n    " << t.trailerMissingNote << "\r\n";
    } else if (gif.bytesAfterTrailer) {
        out << "  .BytesAfterTrailer    = " << Number{gif.bytesAfterTrailer} << "\r\n";
    }
}

}  // namespace

std::string BuildGifReport(const GifStructure& gif, const std::string& path, uint64_t fileSize,
                           int32_t headerDetail, int32_t hexNumbers, const ReportTexts& texts)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    if (headerDetail == 0) {
        WriteSummary(out, gif, texts, path, fileSize);
    } else {
        WriteMembers(out, gif, texts, path, hexNumbers);
    }
    return out.str();
}
