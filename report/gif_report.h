// The text report of a GIF file's structure that the header view shows.
#ifndef KORIN_REPORT_GIF_REPORT_H
#define KORIN_REPORT_GIF_REPORT_H

#include <cstdint>
#include <string>

#include "image/gif_file.h"
#include "report/report_texts.h"

// The whole report, CP932 text with "\r\n" line ends. headerDetail 0: a
// summary; anything else: every member of every block. hexNumbers 1: member
// values in hexadecimal.
std::string BuildGifReport(const GifStructure& gif, const std::string& path, uint64_t fileSize,
                           int32_t headerDetail, int32_t hexNumbers, const ReportTexts& texts = JapaneseReportTexts());

#endif
