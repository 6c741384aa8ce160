// Loads arbitrary bytes as a BMP and builds the header report of what loaded
// in every mode the header view can be in.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "image/dib_image.h"
#include "report/header_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    DibImage image;
    if (!image.ReadFromStream(nullptr, in)) return 0;

    HeaderReportInput input;
    input.hasFileHeader = image.CopyHeaders(&input.fileHeader, nullptr);
    if (!image.CopyHeaders(nullptr, &input.infoHeader)) std::abort();
    input.entryCount = image.EntryCount();
    input.stride = image.Stride();
    input.imageSize = image.ImageSize();
    input.path = "C:\\fuzz\\input.bmp";
    input.fileSizeKnown = size % 2 == 0;
    input.fileSize = uint32_t(size);
    for (int modified = 0; modified < 2; ++modified) {
        for (int32_t detail = 0; detail < 2; ++detail) {
            for (int32_t hex = 0; hex < 2; ++hex) {
                input.modified = modified != 0;
                input.headerDetail = detail;
                input.hexNumbers = hex;
                std::string report = BuildHeaderReport(input);
                if (report.empty() || report.find("\r\n") == std::string::npos) std::abort();
            }
        }
    }
    return 0;
}
