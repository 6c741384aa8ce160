// The text report of a bitmap's headers that the header view shows.
#ifndef KORIN_REPORT_HEADER_REPORT_H
#define KORIN_REPORT_HEADER_REPORT_H

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "report/report_texts.h"

struct HeaderReportInput {
    bool hasFileHeader;  // only an image read from a file has one
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER infoHeader;
    uint32_t entryCount;
    uint32_t stride;
    uint32_t imageSize;
    std::string path;
    bool modified;
    bool fileSizeKnown;  // false when the file could not be opened for its size
    uint32_t fileSize;
    int32_t headerDetail;  // 0: summary; anything else: every header member
    int32_t hexNumbers;    // 1: member values in hexadecimal
};

// The whole report, CP932 text with "\r\n" line ends, in the words of texts.
std::string BuildHeaderReport(const HeaderReportInput& input, const ReportTexts& texts = JapaneseReportTexts());

#endif
