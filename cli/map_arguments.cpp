#include "cli/map_arguments.h"

namespace {

bool Fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

bool ParseNumber(const std::string& text, uint32_t most, uint32_t* value)
{
    if (text.empty() || text.size() > 3) return false;
    uint32_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + uint32_t(c - '0');
    }
    if (number > most) return false;
    *value = number;
    return true;
}

}  // namespace

#define KORIN_MAP_COMMON_HELP                                                                  \
    "IN is a 24- or 32-bit BMP, a truecolor or greyscale PNG (8 or 16 bits, with or\n"         \
    "without alpha) or an indexed BMP, PNG or GIF. Each pixel takes the palette entry\n"        \
    "nearest its color in OKLab (ties to the lower entry); a pixel whose color is an\n"        \
    "entry's takes that entry (the first such), whatever the dithering.\n"                     \
    "  --dither none      no dithering (the default)\n"                                       \
    "  --dither fs        Floyd-Steinberg error diffusion, in linear light, serpentine\n"     \
    "  --dither fs-light  the same with a quarter of each error let go (less bleeding)\n"     \
    "  --dither bayer2|bayer4|bayer8  an ordered pattern, the same for the same picture\n"    \
    "  --alpha-threshold N  pixels with alpha below N (0 to 256, default 128) take the\n"     \
    "                  transparent entry; the rest are shown opaque\n"                        \
    "  --transparent K the transparent entry (default: the first entry whose alpha is 0)\n"   \
    "OUT is named .bmp (1, 4 or 8 bits), .png (the smallest depth that holds the table;\n"    \
    "alpha in tRNS) or .gif (the transparent entry named). The table is the palette\n"         \
    "exactly, its order and count. A line on standard output gives the mean and the\n"        \
    "largest color error (OKLab distance) of the visible pixels.\n"

const char kMapHelp[] =
    "Usage: korin-cli map IN... --palette P [--dither none|fs|fs-light|bayer2|bayer4|bayer8]\n"
    "                     [--alpha-threshold N] [--transparent K] (-o OUT | --out-dir DIR | --in-place)\n"
    "\n"
    "Maps a picture onto the palette P: a palette file in any format 'convert' reads,\n"
    "or a BMP, PNG or GIF file whose table is taken (with a PNG's alpha).\n" KORIN_MAP_COMMON_HELP;

const char kQuantizeHelp[] =
    "Usage: korin-cli quantize IN... --colors N [--keep P:K] [--unsorted]\n"
    "                          [--dither none|fs|fs-light|bayer2|bayer4|bayer8] [--alpha-threshold N]\n"
    "                          [--transparent K] (-o OUT | --out-dir DIR | --in-place)\n"
    "\n"
    "Makes a palette of N colors (2 to 256) from the picture, chosen in OKLab, and maps\n"
    "the picture onto it.\n"
    "  --keep P:K      entries 0 to K-1 are the first K entries of the palette P, kept\n"
    "                  in place; the others are chosen around them\n"
    "  --unsorted      the chosen entries in the order they were made, not dark to light\n"
    "A picture with pixels below the alpha threshold gets a transparent entry after\n"
    "the kept ones, unless a kept entry has alpha 0 or --transparent names one.\n" KORIN_MAP_COMMON_HELP;

bool ParseMap(const std::string& command, const MapWords& words, MapRequest* request, std::vector<std::string>* inputs,
              std::string* error)
{
    if (words.operands.empty()) return Fail(error, command + " needs a picture IN");
    *inputs = words.operands;
    if (command == "map") {
        if (!words.paletteGiven) return Fail(error, "map needs --palette P");
        request->palette = words.palette;
    } else {
        if (!words.colorsGiven) return Fail(error, "quantize needs --colors N");
        if (!ParseNumber(words.colors, 256, &request->colors) || request->colors < 2)
            return Fail(error, "--colors takes 2 to 256, not '" + words.colors + "'");
        if (words.keepGiven) {
            const std::string::size_type colon = words.keep.rfind(':');
            if (colon == std::string::npos || colon == 0 ||
                !ParseNumber(words.keep.substr(colon + 1), 256, &request->keepCount) || request->keepCount == 0)
                return Fail(error, "--keep takes P:K, a palette and a count of its entries, not '" + words.keep + "'");
            if (request->keepCount >= request->colors)
                return Fail(error, "--keep leaves no entry to choose: keep fewer than --colors");
            request->keepPalette = words.keep.substr(0, colon);
        }
        request->sortByLightness = !words.unsorted;
    }
    if (words.ditherGiven && !DitheringFromWord(words.dither, &request->settings.dithering))
        return Fail(error, "--dither takes none, fs, fs-light, bayer2, bayer4 or bayer8, not '" + words.dither + "'");
    if (words.thresholdGiven && !ParseNumber(words.threshold, 256, &request->settings.alphaThreshold))
        return Fail(error, "--alpha-threshold takes 0 to 256, not '" + words.threshold + "'");
    if (words.transparentGiven) {
        uint32_t entry = 0;
        if (!ParseNumber(words.transparent, 255, &entry))
            return Fail(error, "--transparent takes an entry number (0 to 255), not '" + words.transparent + "'");
        request->settings.transparentEntry = int32_t(entry);
    }
    return true;
}
