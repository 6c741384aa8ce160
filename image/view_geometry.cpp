#include "image/view_geometry.h"

namespace {

// In order, smallest first; 1 is actual size.
const int32_t kSteps[] = {-16, -8, -4, -2, 1, 2, 3, 4, 6, 8, 12, 16, 24, 32};
const int kStepCount = int(sizeof kSteps / sizeof kSteps[0]);

int StepOf(int32_t factor)
{
    for (int i = 0; i < kStepCount; ++i) {
        if (kSteps[i] == factor) return i;
    }
    return -1;
}

// Rounds toward negative infinity, for positions left of the picture too.
int64_t FloorDivide(int64_t value, int64_t divisor)
{
    int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

// The factor as a fraction numerator / denominator.
int64_t Numerator(int32_t factor)
{
    return factor > 0 ? factor : 1;
}

int64_t Denominator(int32_t factor)
{
    return factor > 0 ? 1 : -int64_t(factor);
}

}  // namespace

bool IsZoomFactor(int32_t factor)
{
    return StepOf(factor) >= 0;
}

int32_t NextZoomFactor(int32_t factor, int direction, bool reductions)
{
    int step = StepOf(factor);
    if (step < 0) step = StepOf(kActualSize);
    const int lowest = reductions ? 0 : StepOf(kActualSize);
    if (direction > 0 && step + 1 < kStepCount) ++step;
    if (direction < 0 && step > lowest) --step;
    // A reduction no longer allowed goes back to actual size.
    if (step < lowest) step = lowest;
    return kSteps[step];
}

int64_t ScaledExtent(int64_t extent, int32_t factor)
{
    return FloorDivide(extent * Numerator(factor) + Denominator(factor) - 1, Denominator(factor));
}

int64_t PictureCoordinate(int64_t view, int32_t factor)
{
    return FloorDivide(view * Denominator(factor), Numerator(factor));
}

int64_t ClampScroll(int64_t scroll, int64_t content, int64_t page)
{
    const int64_t most = content > page ? content - page : 0;
    return scroll < 0 ? 0 : scroll > most ? most : scroll;
}

int64_t ScrollKeepingPoint(int64_t scroll, int64_t anchor, int32_t from, int32_t to, int64_t pictureExtent,
                           int64_t page)
{
    // The view point in picture units is (scroll + anchor) * den / num at
    // from; the same point at to lies at that times num' / den'.
    const int64_t view = FloorDivide((scroll + anchor) * Denominator(from) * Numerator(to),
                                     Numerator(from) * Denominator(to));
    return ClampScroll(view - anchor, ScaledExtent(pictureExtent, to), page);
}

ScrollBarsNeeded BarsFor(int64_t contentWidth, int64_t contentHeight, int64_t areaWidth, int64_t areaHeight,
                         int64_t barWidth, int64_t barHeight)
{
    ScrollBarsNeeded bars = {contentWidth > areaWidth, contentHeight > areaHeight};
    // One bar can make room short for the other.
    if (bars.horizontal && !bars.vertical) bars.vertical = contentHeight > areaHeight - barHeight;
    if (bars.vertical && !bars.horizontal) bars.horizontal = contentWidth > areaWidth - barWidth;
    return bars;
}

VisibleRun VisiblePart(int64_t scroll, int64_t page, int64_t pictureExtent, int32_t factor)
{
    VisibleRun run = {0, 0, 0};
    if (page <= 0 || pictureExtent <= 0) return run;
    int64_t first = PictureCoordinate(scroll, factor);
    // The last pixel whose screen run starts before the page ends: with a
    // reduction, the whole group drawn into the last column.
    int64_t last = FloorDivide((scroll + page) * Denominator(factor) + Numerator(factor) - 1, Numerator(factor)) - 1;
    if (first < 0) first = 0;
    if (last >= pictureExtent) last = pictureExtent - 1;
    if (last < first) return run;
    run.first = first;
    run.count = last - first + 1;
    // Where the first pixel's screen run begins: its left edge at this zoom.
    run.start = FloorDivide(first * Numerator(factor), Denominator(factor)) - scroll;
    return run;
}
