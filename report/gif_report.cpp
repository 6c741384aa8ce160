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

std::string EditedTableName(const GifStructure& gif)
{
    return gif.editsLocalTable ? "1番目の画像のローカルカラーテーブル" : "グローバルカラーテーブル";
}

// The local tables the edit leaves as they are, as "image 2 (16色), ...".
std::string OtherLocalTables(const GifStructure& gif)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    for (size_t i = 0; i < gif.images.size(); ++i) {
        if (gif.images[i].localTableEntries == 0 || (i == 0 && gif.editsLocalTable)) continue;
        out << (out.tellp() > 0 ? ", " : "") << "画像" << Number{i + 1} << " (" << Number{gif.images[i].localTableEntries}
            << "色)";
    }
    return out.str();
}

void WriteSummary(std::ostream& out, const GifStructure& gif, const std::string& path, uint64_t fileSize)
{
    const std::string others = OtherLocalTables(gif);
    out << "  ==== GIF Information ====\r\n\r\n"
        << "    -- FileName --\r\n " << path
        << "\r\n\r\n    -- 基本情報 --\r\n"
        << " 形式   : " << gif.version
        << "\r\n 高さ   : " << Number{gif.screenHeight}
        << "px \r\n 幅     : " << Number{gif.screenWidth}
        << "px\r\n 画像数 : " << Number{gif.images.size()}
        << "\r\n 使用色 : " << Number{gif.table.GetCount()}
        << "色\r\n\r\n    -- カラーテーブル --\r\n"
        << " 編集する表 : " << EditedTableName(gif)
        << "\r\n その他のローカルカラーテーブル : " << (others.empty() ? "ありません" : others + " (そのまま残します)")
        << "\r\n\r\n    -- 拡張情報 --\r\n"
        << " ブロック数           : " << Number{gif.blocks.size()}
        << "\r\n 実際のファイルサイズ : " << Number{fileSize}
        << "bytes\r\n トレーラー           : "
        << (gif.hasTrailer ? "あり" : "ありません (最後のブロックの後でファイルが終わっています)") << "\r\n";
}

void WriteImage(std::ostream& out, const GifStructure& gif, size_t index)
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
        const bool edited = index == 0 && gif.editsLocalTable;
        out << " (offset " << Number{image.localTableOffset} << (edited ? ", 編集する表)" : ", そのまま残します)");
    }
    out << "\r\n  .LzwMinimumCodeSize   = " << Number{image.minimumCodeSize}
        << "\r\n  .DataOffset           = " << Number{image.dataOffset}
        << "\r\n  .DataLength           = " << Number{image.dataLength};
    if (image.transparentIndex >= 0) out << "\r\n  .TransparentIndex     = " << Number{uint64_t(image.transparentIndex)};
    out << "\r\n  .Delay                = " << Number{image.delay}
        << "\r\n  .Disposal             = " << Number{image.disposal} << "\r\n";
}

void WriteMembers(std::ostream& out, const GifStructure& gif, const std::string& path, int32_t hexNumbers)
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
            << (gif.editsLocalTable ? "" : "\r\n    編集する表です.") << "\r\n";
    } else {
        out << "    存在しません. " << EditedTableName(gif) << "を編集します.\r\n";
    }
    size_t image = 0;
    for (const GifBlock& block : gif.blocks) {
        if (block.introducer == 0x2C && image < gif.images.size()) {
            WriteImage(out, gif, image++);
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
        out << "\r\n Trailer\r\n    存在しません (最後のブロックの後でファイルが終わっています).\r\n";
    } else if (gif.bytesAfterTrailer) {
        out << "  .BytesAfterTrailer    = " << Number{gif.bytesAfterTrailer} << "\r\n";
    }
}

}  // namespace

std::string BuildGifReport(const GifStructure& gif, const std::string& path, uint64_t fileSize,
                           int32_t headerDetail, int32_t hexNumbers)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    if (headerDetail == 0) {
        WriteSummary(out, gif, path, fileSize);
    } else {
        WriteMembers(out, gif, path, hexNumbers);
    }
    return out.str();
}
