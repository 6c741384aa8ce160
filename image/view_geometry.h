// Where a picture lies in a scrolled, zoomed view: the zoom steps, the
// picture pixel under a view point, the scroll ranges and the part of the
// picture that a window shows. Portable; the main window draws by it.
#ifndef KORIN_IMAGE_VIEW_GEOMETRY_H
#define KORIN_IMAGE_VIEW_GEOMETRY_H

#include <cstdint>

// A zoom factor: n > 0 shows each picture pixel as n x n screen pixels;
// -k (k >= 2) shows every k-th pixel, the picture at 1/k.
const int32_t kActualSize = 1;
const int32_t kSmallestFactor = -16;
const int32_t kLargestFactor = 32;

bool IsZoomFactor(int32_t factor);
// The next step in (direction > 0) or out; reductions below actual size only
// when allowed (the picture is larger than the screen). The same factor at
// either end.
int32_t NextZoomFactor(int32_t factor, int direction, bool reductions);

// The shown length of extent picture pixels (a partial step rounds up).
int64_t ScaledExtent(int64_t extent, int32_t factor);
// The picture pixel shown at a view coordinate (scroll position plus client
// coordinate), which may lie off the picture.
int64_t PictureCoordinate(int64_t view, int32_t factor);

// The scroll position kept inside 0 .. content - page (0 when it all fits).
int64_t ClampScroll(int64_t scroll, int64_t content, int64_t page);
// The scroll position at factor to that keeps the picture point shown at
// client coordinate anchor (scroll being the position at factor from) where
// it is; clamped to the new content.
int64_t ScrollKeepingPoint(int64_t scroll, int64_t anchor, int32_t from, int32_t to, int64_t pictureExtent,
                           int64_t page);

// Which scroll bars a content needs in an area (the client with no bar), a
// bar taking barWidth from the area's width (vertical) or barHeight from its
// height (horizontal).
struct ScrollBarsNeeded {
    bool horizontal;
    bool vertical;
};
ScrollBarsNeeded BarsFor(int64_t contentWidth, int64_t contentHeight, int64_t areaWidth, int64_t areaHeight,
                         int64_t barWidth, int64_t barHeight);

// The picture pixels a page shows along one axis: count pixels from first,
// the first one drawn from client coordinate start (0 or less) on, each
// taking the factor's screen size.
struct VisibleRun {
    int64_t first;
    int64_t count;
    int64_t start;
};
VisibleRun VisiblePart(int64_t scroll, int64_t page, int64_t pictureExtent, int32_t factor);

#endif
