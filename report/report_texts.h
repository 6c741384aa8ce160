// The words of the header, PNG and GIF reports, so that each language can
// bring its own. A label holds its own padding up to its colon: alignment
// differs between languages. The member dumps (".biWidth =" and the like)
// and the block names are the formats' own and stay as they are.
#ifndef KORIN_REPORT_REPORT_TEXTS_H
#define KORIN_REPORT_REPORT_TEXTS_H

#include <string>

// Every member is a std::string: the Win32 side counts them by size.
struct ReportTexts {
    // Shared by the three summaries.
    std::string basicHeading;
    std::string extendedHeading;
    std::string heightLabel;
    std::string widthLabel;
    std::string kindLabel;
    std::string colorsUsedLabel;
    std::string colorsUnit;  // after a count of colors
    std::string bytesUnit;   // after a count of bytes
    std::string kind1Bit;
    std::string kind2Bit;
    std::string kind4Bit;
    std::string kind8Bit;
    std::string kind24Bit;
    std::string kindUnsupported;
    std::string notPresent;  // a header the file lacks

    // The bitmap report.
    std::string notSaved;  // in place of the file name
    std::string bytesPerLineLabel;
    std::string calculatedSizeLabel;
    std::string actualSizeLabel;
    std::string sizeNotSaved;  // in place of the actual size, unit and all
    std::string sizeUnknown;
    std::string breakdownHeading;
    std::string colorTableLabel;  // as wide as "BITMAPFILEHEADER"
    std::string imageBitsLabel;

    // The PNG and GIF summaries.
    std::string fileSizeLabel;

    // The PNG report.
    std::string transparentLabel;
    std::string interlaceLabel;
    std::string interlaceNone;
    std::string framesLabel;
    std::string chunksHeading;

    // The GIF report. A template's "%s" stands for what it names.
    std::string formatLabel;
    std::string imagesLabel;
    std::string colorTablesHeading;
    std::string editedTableLabel;
    std::string otherLocalTablesLabel;
    std::string noOtherTables;
    std::string imageTable;  // "%s" the image's number, then its colors
    std::string keptAsIs;
    std::string edited;
    std::string blocksLabel;
    std::string trailerLabel;
    std::string trailerPresent;
    std::string trailerMissing;
    std::string firstLocalTable;
    std::string globalTable;
    std::string globalTableEdited;
    std::string editsInstead;  // "%s" the table edited instead
    std::string trailerMissingNote;
};

// The texts the reports have always had; korin-cli prints these.
const ReportTexts& JapaneseReportTexts();
const ReportTexts& EnglishReportTexts();

// pattern with each "%s" replaced by the next of values, in order.
std::string FillIn(const std::string& pattern, const std::string& first, const std::string& second = std::string());

#endif
