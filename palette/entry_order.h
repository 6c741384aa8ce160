// Where the entries of the picture's table stand in the working table while
// rearrangements that keep the picture wait for Apply: entry b of the table
// as the picture last gave it now lives at order[b]. The order is shared and
// never changed in place, so each undo step keeps the one of its state for
// the price of a pointer.
#ifndef KORIN_PALETTE_ENTRY_ORDER_H
#define KORIN_PALETTE_ENTRY_ORDER_H

#include <cstdint>
#include <memory>
#include <vector>

// 256 entries, one for each index a pixel may hold; kDroppedEntry
// (image/remap.h) for an entry a compact removed. Null: nothing moved.
using EntryOrder = std::shared_ptr<const std::vector<uint32_t>>;

// order followed by a rearrangement's map (old entry -> new entry; entries at
// or past its end stay where they are). Null when nothing moved.
EntryOrder OrderAfter(const EntryOrder& order, const std::vector<uint32_t>& map);

// The map for the pixels of a picture laid out as applied, so that they
// follow order: the pixel index that holds entry b becomes order[b]. Empty
// when every pixel would keep its index.
std::vector<uint32_t> PixelMapBetween(const EntryOrder& applied, const EntryOrder& order);

// The map a followed by the map b, over the 256 indices (empty: identity).
std::vector<uint32_t> ComposeMaps(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b);

// Per-entry figures carried through map into count slots: counts added,
// flags or-ed. Indices past map's end keep their place.
std::vector<uint64_t> CountsThrough(const std::vector<uint64_t>& counts, const std::vector<uint32_t>& map,
                                    size_t count);

#endif
