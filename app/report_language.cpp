#include "app/report_language.h"

#include "app/ui_language.h"
#include "resources/resource.h"

const ReportTextResource kReportTextResources[] = {
    {IDS_REPORT_BASIC_HEADING, &ReportTexts::basicHeading},
    {IDS_REPORT_EXTENDED_HEADING, &ReportTexts::extendedHeading},
    {IDS_REPORT_HEIGHT_LABEL, &ReportTexts::heightLabel},
    {IDS_REPORT_WIDTH_LABEL, &ReportTexts::widthLabel},
    {IDS_REPORT_KIND_LABEL, &ReportTexts::kindLabel},
    {IDS_REPORT_COLORS_USED_LABEL, &ReportTexts::colorsUsedLabel},
    {IDS_REPORT_COLORS_UNIT, &ReportTexts::colorsUnit},
    {IDS_REPORT_BYTES_UNIT, &ReportTexts::bytesUnit},
    {IDS_REPORT_KIND_1BIT, &ReportTexts::kind1Bit},
    {IDS_REPORT_KIND_2BIT, &ReportTexts::kind2Bit},
    {IDS_REPORT_KIND_4BIT, &ReportTexts::kind4Bit},
    {IDS_REPORT_KIND_8BIT, &ReportTexts::kind8Bit},
    {IDS_REPORT_KIND_24BIT, &ReportTexts::kind24Bit},
    {IDS_REPORT_KIND_UNSUPPORTED, &ReportTexts::kindUnsupported},
    {IDS_REPORT_NOT_PRESENT, &ReportTexts::notPresent},
    {IDS_REPORT_NOT_SAVED, &ReportTexts::notSaved},
    {IDS_REPORT_BYTES_PER_LINE_LABEL, &ReportTexts::bytesPerLineLabel},
    {IDS_REPORT_CALCULATED_SIZE_LABEL, &ReportTexts::calculatedSizeLabel},
    {IDS_REPORT_ACTUAL_SIZE_LABEL, &ReportTexts::actualSizeLabel},
    {IDS_REPORT_SIZE_NOT_SAVED, &ReportTexts::sizeNotSaved},
    {IDS_REPORT_SIZE_UNKNOWN, &ReportTexts::sizeUnknown},
    {IDS_REPORT_BREAKDOWN_HEADING, &ReportTexts::breakdownHeading},
    {IDS_REPORT_COLOR_TABLE_LABEL, &ReportTexts::colorTableLabel},
    {IDS_REPORT_IMAGE_BITS_LABEL, &ReportTexts::imageBitsLabel},
    {IDS_REPORT_FILE_SIZE_LABEL, &ReportTexts::fileSizeLabel},
    {IDS_REPORT_TRANSPARENT_LABEL, &ReportTexts::transparentLabel},
    {IDS_REPORT_INTERLACE_LABEL, &ReportTexts::interlaceLabel},
    {IDS_REPORT_INTERLACE_NONE, &ReportTexts::interlaceNone},
    {IDS_REPORT_FRAMES_LABEL, &ReportTexts::framesLabel},
    {IDS_REPORT_CHUNKS_HEADING, &ReportTexts::chunksHeading},
    {IDS_REPORT_FORMAT_LABEL, &ReportTexts::formatLabel},
    {IDS_REPORT_IMAGES_LABEL, &ReportTexts::imagesLabel},
    {IDS_REPORT_COLOR_TABLES_HEADING, &ReportTexts::colorTablesHeading},
    {IDS_REPORT_EDITED_TABLE_LABEL, &ReportTexts::editedTableLabel},
    {IDS_REPORT_OTHER_LOCAL_TABLES_LABEL, &ReportTexts::otherLocalTablesLabel},
    {IDS_REPORT_NO_OTHER_TABLES, &ReportTexts::noOtherTables},
    {IDS_REPORT_IMAGE_TABLE, &ReportTexts::imageTable},
    {IDS_REPORT_KEPT_AS_IS, &ReportTexts::keptAsIs},
    {IDS_REPORT_EDITED, &ReportTexts::edited},
    {IDS_REPORT_BLOCKS_LABEL, &ReportTexts::blocksLabel},
    {IDS_REPORT_TRAILER_LABEL, &ReportTexts::trailerLabel},
    {IDS_REPORT_TRAILER_PRESENT, &ReportTexts::trailerPresent},
    {IDS_REPORT_TRAILER_MISSING, &ReportTexts::trailerMissing},
    {IDS_REPORT_FIRST_LOCAL_TABLE, &ReportTexts::firstLocalTable},
    {IDS_REPORT_GLOBAL_TABLE, &ReportTexts::globalTable},
    {IDS_REPORT_GLOBAL_TABLE_EDITED, &ReportTexts::globalTableEdited},
    {IDS_REPORT_EDITS_INSTEAD, &ReportTexts::editsInstead},
    {IDS_REPORT_TRAILER_MISSING_NOTE, &ReportTexts::trailerMissingNote},
};
const size_t kReportTextResourceCount = sizeof kReportTextResources / sizeof kReportTextResources[0];

// A member added to ReportTexts without a string here would stay empty.
static_assert(sizeof kReportTextResources / sizeof kReportTextResources[0] * sizeof(std::string) ==
                  sizeof(ReportTexts),
              "every report text has a string id");

ReportTexts LoadReportTexts()
{
    ReportTexts texts;
    for (const ReportTextResource& resource : kReportTextResources) texts.*resource.text = LoadText(resource.id);
    return texts;
}
