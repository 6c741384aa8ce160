#include "color/palette_mapper.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "palette/color_table.h"

namespace {

const uint32_t kExactSlots = 1024;   // over four times the most entries
const uint32_t kCacheSlots = 1 << 14;

uint32_t Hash(uint32_t rgb, uint32_t slots)
{
    return (rgb * 2654435761u) >> 8 & (slots - 1);
}

bool Refuse(std::string* reason, const std::string& why)
{
    if (reason) *reason = why;
    return false;
}

// The n x n Bayer matrix's thresholds, centred on 0 (-0.5 to 0.5).
std::vector<float> BayerPattern(uint32_t n)
{
    std::vector<uint32_t> matrix(1, 0);
    for (uint32_t size = 1; size < n; size *= 2) {
        std::vector<uint32_t> bigger(4 * size * size);
        for (uint32_t y = 0; y < size; ++y) {
            for (uint32_t x = 0; x < size; ++x) {
                const uint32_t v = 4 * matrix[y * size + x];
                bigger[y * 2 * size + x] = v;
                bigger[y * 2 * size + x + size] = v + 2;
                bigger[(y + size) * 2 * size + x] = v + 3;
                bigger[(y + size) * 2 * size + x + size] = v + 1;
            }
        }
        matrix.swap(bigger);
    }
    std::vector<float> pattern(matrix.size());
    for (size_t i = 0; i < matrix.size(); ++i) pattern[i] = (float(matrix[i]) + 0.5f) / float(n * n) - 0.5f;
    return pattern;
}

// The cube root to about 1e-5: a guess from the exponent bits, then two
// Newton steps; for the colors error diffusion asks about, where the
// exact double root would cost more than the search.
float FastCbrt(float x)
{
    if (!(x > 0.0f)) return 0.0f;
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    bits = bits / 3 + 709921077u;
    float y;
    std::memcpy(&y, &bits, 4);
    y = (2.0f * y + x / (y * y)) * (1.0f / 3.0f);
    y = (2.0f * y + x / (y * y)) * (1.0f / 3.0f);
    return y;
}

OklabColor FastLinearToOklab(float r, float g, float b)
{
    const float l = FastCbrt(0.4122214708f * r + 0.5363325363f * g + 0.0514459929f * b);
    const float m = FastCbrt(0.2119034982f * r + 0.6806995451f * g + 0.1073969566f * b);
    const float s = FastCbrt(0.0883024619f * r + 0.2817188376f * g + 0.6299787005f * b);
    return {0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s,
            1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
            0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

}  // namespace

bool DitheringFromWord(const std::string& word, Dithering* dithering)
{
    static const struct {
        const char* word;
        Dithering value;
    } kWords[] = {{"none", Dithering::None},     {"fs", Dithering::FloydSteinberg},
                  {"fs-light", Dithering::FloydSteinbergLight}, {"bayer2", Dithering::Bayer2},
                  {"bayer4", Dithering::Bayer4}, {"bayer8", Dithering::Bayer8}};
    for (const auto& w : kWords) {
        if (word == w.word) {
            *dithering = w.value;
            return true;
        }
    }
    return false;
}

PaletteMapper::PaletteMapper()
    : width(0), row(0), transparent(-1), linearOf(), patternSize(0), spread(0.0f)
{
}

bool PaletteMapper::Start(const ColorTable& palette, const std::vector<uint8_t>& alpha, const MapSettings& given,
                          uint32_t rowWidth, std::string* reason)
{
    settings = given;
    width = rowWidth;
    row = 0;
    error = MapError();
    const uint32_t count = palette.GetCount();
    if (count == 0 || count > 256) return Refuse(reason, "the palette holds " + std::to_string(count) + " entries, not 1 to 256");
    auto alphaOf = [&](uint32_t i) { return i < alpha.size() ? alpha[i] : uint8_t(255); };
    transparent = -1;
    if (settings.transparentEntry >= 0) {
        if (uint32_t(settings.transparentEntry) >= count)
            return Refuse(reason, "the palette has no entry " + std::to_string(settings.transparentEntry));
        transparent = settings.transparentEntry;
    } else {
        for (uint32_t i = 0; i < count && transparent < 0; ++i)
            if (alphaOf(i) == 0) transparent = int32_t(i);
    }
    for (uint32_t v = 0; v < 256; ++v) linearOf[v] = float(SrgbToLinear(uint8_t(v)));
    labs.assign(count, OklabColor{0, 0, 0});
    linears.assign(count, Linear{0, 0, 0});
    std::vector<bool> usable(count, false);
    exactKeys.assign(kExactSlots, 0);
    exactEntries.assign(kExactSlots, 0);
    bool any = false;
    for (uint32_t i = 0; i < count; ++i) {
        const ColorEntry& e = *palette.GetEntry(i);
        labs[i] = ColorToOklab(e.red, e.green, e.blue);
        linears[i] = {float(SrgbToLinear(e.red)), float(SrgbToLinear(e.green)), float(SrgbToLinear(e.blue))};
        // Only opaque entries show an opaque pixel as it is.
        if (alphaOf(i) != 255 || int32_t(i) == transparent) continue;
        usable[i] = any = true;
        const uint32_t rgb = uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue;
        for (uint32_t slot = Hash(rgb, kExactSlots);; slot = (slot + 1) & (kExactSlots - 1)) {
            if (exactKeys[slot] == rgb + 1) break;  // a lower entry has it
            if (exactKeys[slot] == 0) {
                exactKeys[slot] = rgb + 1;
                exactEntries[slot] = uint8_t(i);
                break;
            }
        }
    }
    if (!any) return Refuse(reason, "the palette has no opaque entry to show a pixel with");
    nearest.Reset(labs, usable);
    if (settings.dithering == Dithering::FloydSteinberg || settings.dithering == Dithering::FloydSteinbergLight) {
        std::vector<OklabColor> roots(count);
        for (uint32_t i = 0; i < count; ++i)
            roots[i] = {std::sqrt(double(linears[i].r)), std::sqrt(double(linears[i].g)), std::sqrt(double(linears[i].b))};
        rootNearest.Reset(roots, usable);
    }
    seen.assign(kCacheSlots, Seen{0, -1, {0, 0, 0}});
    errorRows.assign(2 * (size_t(width) + 2), Linear{0, 0, 0});

    patternSize = settings.dithering == Dithering::Bayer2 ? 2
                  : settings.dithering == Dithering::Bayer4 ? 4
                  : settings.dithering == Dithering::Bayer8 ? 8 : 0;
    pattern = patternSize ? BayerPattern(patternSize) : std::vector<float>();
    // The pattern spans the usual gap between an entry and its nearest
    // neighbour (in linear light), the median over the usable entries.
    std::vector<float> gaps;
    for (uint32_t i = 0; i < count; ++i) {
        if (!usable[i]) continue;
        float gap = -1.0f;
        for (uint32_t j = 0; j < count; ++j) {
            if (j == i || !usable[j]) continue;
            const float dr = linears[i].r - linears[j].r, dg = linears[i].g - linears[j].g, db = linears[i].b - linears[j].b;
            const float d = std::sqrt(dr * dr + dg * dg + db * db);
            if (d > 0 && (gap < 0 || d < gap)) gap = d;
        }
        if (gap > 0) gaps.push_back(gap);
    }
    spread = 0.0f;
    if (!gaps.empty()) {
        std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
        spread = gaps[gaps.size() / 2];
    }
    return true;
}

int32_t PaletteMapper::ExactEntry(uint32_t rgb) const
{
    for (uint32_t slot = Hash(rgb, kExactSlots);; slot = (slot + 1) & (kExactSlots - 1)) {
        if (exactKeys[slot] == 0) return -1;
        if (exactKeys[slot] == rgb + 1) return exactEntries[slot];
    }
}

uint32_t PaletteMapper::NearestOfLinear(const Linear& color, int32_t hint) const
{
    return nearest.Find(FastLinearToOklab(color.r, color.g, color.b), nullptr, hint);
}

uint32_t PaletteMapper::NearestOfCarried(const Linear& color, int32_t hint) const
{
    return rootNearest.Find(OklabColor{std::sqrt(color.r), std::sqrt(color.g), std::sqrt(color.b)}, nullptr, hint);
}

PaletteMapper::Seen& PaletteMapper::Look(uint32_t rgb)
{
    Seen& slot = seen[Hash(rgb, kCacheSlots)];
    if (slot.key != rgb + 1) {
        slot.key = rgb + 1;
        slot.entry = -1;
        slot.lab = ColorToOklab(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
    }
    return slot;
}

uint32_t PaletteMapper::NearestOfColor(uint32_t rgb)
{
    Seen& slot = Look(rgb);
    if (slot.entry < 0) slot.entry = int32_t(nearest.Find(slot.lab));
    return uint32_t(slot.entry);
}

void PaletteMapper::Measure(uint32_t rgb, uint32_t entry)
{
    const double d = OklabDistance(Look(rgb).lab, labs[entry]);
    ++error.pixels;
    error.sum += d;
    if (d > error.largest) error.largest = d;
}

bool PaletteMapper::MapRow(const uint8_t* rgba, uint8_t* indices, std::string* reason)
{
    if (transparent < 0) {
        for (uint32_t x = 0; x < width; ++x) {
            if (rgba[4 * x + 3] < settings.alphaThreshold)
                return Refuse(reason, "has pixels with alpha below " + std::to_string(settings.alphaThreshold) +
                                          ", and the palette has no transparent entry (none has alpha 0; name one)");
        }
    }
    if (settings.dithering == Dithering::FloydSteinberg || settings.dithering == Dithering::FloydSteinbergLight) {
        MapDiffused(rgba, indices);
    } else if (patternSize) {
        MapOrdered(rgba, indices);
    } else {
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = rgba + 4 * x;
            if (p[3] < settings.alphaThreshold) {
                indices[x] = uint8_t(transparent);
                continue;
            }
            const uint32_t rgb = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            const int32_t exact = ExactEntry(rgb);
            indices[x] = uint8_t(exact >= 0 ? uint32_t(exact) : NearestOfColor(rgb));
            Measure(rgb, indices[x]);
        }
    }
    ++row;
    return true;
}

void PaletteMapper::MapDiffused(const uint8_t* rgba, uint8_t* indices)
{
    // Reduced bleeding: a quarter of each error is let go, so that it
    // spreads less far into flat areas.
    const float share = settings.dithering == Dithering::FloydSteinbergLight ? 0.75f / 16.0f : 1.0f / 16.0f;
    const size_t stride = size_t(width) + 2;
    Linear* current = &errorRows[(row % 2) * stride];
    Linear* next = &errorRows[((row + 1) % 2) * stride];
    std::fill(next, next + stride, Linear{0, 0, 0});
    const bool forward = row % 2 == 0;
    const int step = forward ? 1 : -1;
    int32_t previous = -1;
    for (uint32_t n = 0; n < width; ++n) {
        const uint32_t x = forward ? n : width - 1 - n;
        const size_t at = size_t(x) + 1;
        const uint8_t* p = rgba + 4 * x;
        if (p[3] < settings.alphaThreshold) {
            indices[x] = uint8_t(transparent);
            continue;
        }
        const uint32_t rgb = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        const int32_t exact = ExactEntry(rgb);
        if (exact >= 0) {
            // An exact color takes its entry and passes no error on.
            indices[x] = uint8_t(exact);
            Measure(rgb, indices[x]);
            continue;
        }
        const Linear want = {Clamp01(linearOf[p[0]] + current[at].r), Clamp01(linearOf[p[1]] + current[at].g),
                             Clamp01(linearOf[p[2]] + current[at].b)};
        const uint32_t entry = NearestOfCarried(want, previous);
        previous = int32_t(entry);
        indices[x] = uint8_t(entry);
        Measure(rgb, entry);
        const Linear e = {(want.r - linears[entry].r) * share, (want.g - linears[entry].g) * share,
                          (want.b - linears[entry].b) * share};
        auto add = [](Linear& target, const Linear& err, float weight) {
            target.r += err.r * weight;
            target.g += err.g * weight;
            target.b += err.b * weight;
        };
        add(current[at + step], e, 7.0f);
        add(next[at - step], e, 3.0f);
        add(next[at], e, 5.0f);
        add(next[at + step], e, 1.0f);
    }
}

void PaletteMapper::MapOrdered(const uint8_t* rgba, uint8_t* indices)
{
    const float* patternRow = &pattern[(row % patternSize) * patternSize];
    for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* p = rgba + 4 * x;
        if (p[3] < settings.alphaThreshold) {
            indices[x] = uint8_t(transparent);
            continue;
        }
        const uint32_t rgb = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        const int32_t exact = ExactEntry(rgb);
        if (exact >= 0) {
            indices[x] = uint8_t(exact);
        } else {
            const float offset = patternRow[x % patternSize] * spread;
            const Linear want = {Clamp01(linearOf[p[0]] + offset), Clamp01(linearOf[p[1]] + offset),
                                 Clamp01(linearOf[p[2]] + offset)};
            indices[x] = uint8_t(NearestOfLinear(want, x > 0 ? int32_t(indices[x - 1]) : -1));
        }
        Measure(rgb, indices[x]);
    }
}
