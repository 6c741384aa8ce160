// Feeds arbitrary bytes to the converter of BMP variants. What it writes must
// open in the editor's own reader and be left as it is by a second run.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "image/bmp_normalize.h"
#include "image/dib_image.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

// Kept small so that a run-length header declaring a vast picture costs a
// moment, not the fuzzer's memory limit.
const uint64_t kPixelLimit = 1u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string normalized, reason;
    if (!NormalizeBmp(bytes, &normalized, &reason, kPixelLimit)) {
        Require(!reason.empty() && normalized.empty());
        return 0;
    }
    std::istringstream in(normalized);
    DibImage image;
    Require(image.ReadFromStream(nullptr, in));
    std::string again;
    Require(NormalizeBmp(normalized, &again, &reason, kPixelLimit));
    Require(again == normalized);
    return 0;
}
