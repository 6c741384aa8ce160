#include "report/report_texts.h"

namespace {

ReportTexts MakeJapanese()
{
    ReportTexts t;
    t.basicHeading = "基本情報";
    t.extendedHeading = "拡張情報";
    t.heightLabel = "高さ   :";
    t.widthLabel = "幅     :";
    t.kindLabel = "種類   :";
    t.colorsUsedLabel = "使用色 :";
    t.colorsUnit = "色";
    t.bytesUnit = "bytes";
    t.kind1Bit = "2色 (1bpp)";
    t.kind2Bit = "4色 (2bpp)";
    t.kind4Bit = "16色 (4bpp)";
    t.kind8Bit = "256色 (8bpp)";
    t.kind24Bit = "フルカラー (24bpp)";
    t.kindUnsupported = "未対応";
    t.notPresent = "存在しません.";

    t.notSaved = "まだ保存されていません.";
    t.bytesPerLineLabel = "1ラインあたりのバイト数        :";
    t.calculatedSizeLabel = "計算で求められるファイルサイズ :";
    t.actualSizeLabel = "実際のファイルサイズ           :";
    // The unit has always followed these as well.
    t.sizeNotSaved = "まだ保存されていません.bytes";
    t.sizeUnknown = "取得できません.bytes";
    t.breakdownHeading = "ファイルサイズの内訳";
    t.colorTableLabel = "カラーテーブル   :";
    t.imageBitsLabel = "実際の画像ビット :";

    t.fileSizeLabel = "実際のファイルサイズ :";

    t.transparentLabel = "透過   :";
    t.interlaceLabel = "インターレース       :";
    t.interlaceNone = "なし";
    t.framesLabel = "フレーム数           :";
    t.chunksHeading = "チャンク";

    t.formatLabel = "形式   :";
    t.imagesLabel = "画像数 :";
    t.colorTablesHeading = "カラーテーブル";
    t.editedTableLabel = "編集する表 :";
    t.otherLocalTablesLabel = "その他のローカルカラーテーブル :";
    t.noOtherTables = "ありません";
    t.imageTable = "画像%s (%s色)";
    t.keptAsIs = "そのまま残します";
    t.edited = "編集する表";
    t.blocksLabel = "ブロック数           :";
    t.trailerLabel = "トレーラー           :";
    t.trailerPresent = "あり";
    t.trailerMissing = "ありません (最後のブロックの後でファイルが終わっています)";
    t.firstLocalTable = "1番目の画像のローカルカラーテーブル";
    t.globalTable = "グローバルカラーテーブル";
    t.globalTableEdited = "編集する表です.";
    t.editsInstead = "存在しません. %sを編集します.";
    t.trailerMissingNote = "存在しません (最後のブロックの後でファイルが終わっています).";
    return t;
}

// Names are padded to the longest of their group, then " :".
ReportTexts MakeEnglish()
{
    ReportTexts t;
    t.basicHeading = "Basic Information";
    t.extendedHeading = "Extended Information";
    t.heightLabel = "Height      :";
    t.widthLabel = "Width       :";
    t.kindLabel = "Type        :";
    t.colorsUsedLabel = "Colors used :";
    t.colorsUnit = " colors";
    t.bytesUnit = " bytes";
    t.kind1Bit = "2 colors (1bpp)";
    t.kind2Bit = "4 colors (2bpp)";
    t.kind4Bit = "16 colors (4bpp)";
    t.kind8Bit = "256 colors (8bpp)";
    t.kind24Bit = "Full color (24bpp)";
    t.kindUnsupported = "Not supported";
    t.notPresent = "Not present.";

    t.notSaved = "Not saved yet.";
    t.bytesPerLineLabel = "Bytes per line         :";
    t.calculatedSizeLabel = "File size (calculated) :";
    t.actualSizeLabel = "File size (actual)     :";
    t.sizeNotSaved = "Not saved yet.";
    t.sizeUnknown = "Not available.";
    t.breakdownHeading = "File Size Breakdown";
    t.colorTableLabel = "Color table      :";
    t.imageBitsLabel = "Pixel data       :";

    t.fileSizeLabel = "File size :";

    t.transparentLabel = "Transparent :";
    t.interlaceLabel = "Interlace :";
    t.interlaceNone = "None";
    t.framesLabel = "Frames    :";
    t.chunksHeading = "Chunks";

    t.formatLabel = "Format      :";
    t.imagesLabel = "Images      :";
    t.colorTablesHeading = "Color Tables";
    t.editedTableLabel = "Edited table       :";
    t.otherLocalTablesLabel = "Other local tables :";
    t.noOtherTables = "None";
    t.imageTable = "Image %s (%s colors)";
    t.keptAsIs = "kept as is";
    t.edited = "edited";
    t.blocksLabel = "Blocks    :";
    t.trailerLabel = "Trailer   :";
    t.trailerPresent = "Present";
    t.trailerMissing = "Missing (the file ends after the last block)";
    t.firstLocalTable = "Local color table of the first image";
    t.globalTable = "Global color table";
    t.globalTableEdited = "This is the table edited.";
    t.editsInstead = "Not present. %s is edited.";
    t.trailerMissingNote = "Not present (the file ends after the last block).";
    return t;
}

}  // namespace

const ReportTexts& JapaneseReportTexts()
{
    static const ReportTexts texts = MakeJapanese();
    return texts;
}

const ReportTexts& EnglishReportTexts()
{
    static const ReportTexts texts = MakeEnglish();
    return texts;
}

std::string FillIn(const std::string& pattern, const std::string& first, const std::string& second)
{
    std::string text;
    const std::string* next[] = {&first, &second};
    size_t used = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && used < 2) {
            text += *next[used++];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}
