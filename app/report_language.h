// The reports' words as the string tables hold them in the chosen language.
#ifndef KORIN_APP_REPORT_LANGUAGE_H
#define KORIN_APP_REPORT_LANGUAGE_H

#include <windows.h>

#include <cstddef>
#include <string>

#include "report/report_texts.h"

struct ReportTextResource {
    UINT id;
    std::string ReportTexts::*text;
};

// One string id for every member of ReportTexts.
extern const ReportTextResource kReportTextResources[];
extern const size_t kReportTextResourceCount;

ReportTexts LoadReportTexts();

#endif
