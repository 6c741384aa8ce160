#include "image/new_image_spec.h"

namespace {

const int32_t kFullColorBits = 24;

// 2 to the power bits per pixel. The dialog only stores 1, 4, 8 and 24;
// other counts are capped at full color so that the shift stays defined.
int64_t MaxEntries(int32_t bitCount)
{
    if (bitCount >= 0 && bitCount < kFullColorBits)
        return int64_t(1) << bitCount;
    return int64_t(1) << kFullColorBits;
}

}  // namespace

NewImageProblem CheckNewImageSpec(const NewImageSpec& spec)
{
    if (spec.bitCount == kFullColorBits && spec.entryCount > 0)
        return NewImageProblem::FullColorWithEntries;
    if (spec.width == 0 || spec.height == 0)
        return NewImageProblem::InvalidSize;
    if (spec.entryCount > MaxEntries(spec.bitCount))
        return NewImageProblem::TooManyEntries;
    return NewImageProblem::None;
}
