// The text report of an indexed PNG's header and chunks that the header view
// shows, in the same two modes as the bitmap report.
#ifndef KORIN_REPORT_PNG_REPORT_H
#define KORIN_REPORT_PNG_REPORT_H

#include <cstdint>
#include <string>

#include "image/png_file.h"
#include "report/report_texts.h"

// CP932 text with "\r\n" line ends. headerDetail 0: a summary with the chunk
// types counted; anything else: every IHDR field and every chunk. hexNumbers
// 1: values in hexadecimal.
std::string BuildPngReport(const PngStructure& png, const std::string& path, uint64_t fileSize, int32_t headerDetail,
                           int32_t hexNumbers, const ReportTexts& texts = JapaneseReportTexts());

#endif
