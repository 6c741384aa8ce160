// A picture's rows decoded on a thread of their own while the caller works
// on the rows before them (inflating and unfiltering a PNG costs about as
// much as mapping its colors). A few blocks of rows are held at once,
// whatever the picture's height.
#ifndef KORIN_IMAGE_ROWS_AHEAD_H
#define KORIN_IMAGE_ROWS_AHEAD_H

#include <cstdint>
#include <string>

#include "image/picture_mapping.h"

// walk's rows handed to row in walk's order, walk running on a second
// thread; rows are width pixels of 4 bytes. The first failure stops both
// sides and gives its reason. Without a thread to be had, walk runs here.
bool WalkRowsAhead(const RowWalk& walk, uint32_t width, const RgbaRow& row, std::string* reason);

// The same as a walk of its own.
RowWalk RowsAhead(const RowWalk& walk, uint32_t width);

#endif
