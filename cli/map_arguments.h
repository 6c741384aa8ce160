// The words of map and quantize, and their help, beside the other commands'
// in arguments.cpp.
#ifndef KORIN_CLI_MAP_ARGUMENTS_H
#define KORIN_CLI_MAP_ARGUMENTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "color/palette_mapper.h"

struct MapRequest {
    std::string palette;            // map: --palette
    uint32_t colors = 0;            // quantize: --colors
    std::string keepPalette;        // quantize: --keep P:K
    uint32_t keepCount = 0;
    bool sortByLightness = true;    // quantize: --unsorted clears it
    MapSettings settings;
};

// What the command line gave map or quantize.
struct MapWords {
    std::vector<std::string> operands;
    bool paletteGiven = false, colorsGiven = false, keepGiven = false, ditherGiven = false, thresholdGiven = false,
         transparentGiven = false, unsorted = false;
    std::string palette, colors, keep, dither, threshold, transparent;
};

// Checks words for command ("map" or "quantize") and fills request and the
// input files. False with a one-line reason.
bool ParseMap(const std::string& command, const MapWords& words, MapRequest* request, std::vector<std::string>* inputs,
              std::string* error);

extern const char kMapHelp[];
extern const char kQuantizeHelp[];

#endif
