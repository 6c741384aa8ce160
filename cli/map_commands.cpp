#include "cli/map_commands.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "cli/commands.h"
#include "color/palette_maker.h"
#include "color/palette_mapper.h"
#include "image/indexed_output.h"
#include "image/picture_rows.h"
#include "platform/safe_file_writer.h"

namespace {

struct Palette {
    ColorTable table;
    std::vector<uint8_t> alpha;
};

// The palette quantize makes from picture: the kept entries, a transparent
// one after them when the picture needs one, the rest chosen.
bool MakeFrom(const MapRequest& request, const Palette& kept, const PictureRows& picture, const ByteSource& source,
              Palette* made, std::string* reason)
{
    ColorHistogram histogram;
    const uint32_t threshold = request.settings.alphaThreshold;
    if (!picture.ForEachRow(source, [&](uint32_t, const uint8_t* rgba, std::string*) {
            histogram.AddRow(rgba, picture.Width(), threshold);
            return true;
        }, reason))
        return false;
    PaletteRequest wanted;
    wanted.colors = request.colors;
    wanted.sortByLightness = request.sortByLightness;
    const uint32_t keep = std::min(request.keepCount, kept.table.GetCount());
    wanted.fixed.Reset(keep);
    wanted.fixedAlpha.assign(keep, 255);
    bool hasTransparent = request.settings.transparentEntry >= 0 && uint32_t(request.settings.transparentEntry) < keep;
    for (uint32_t i = 0; i < keep; ++i) {
        const ColorEntry& e = *kept.table.GetEntry(i);
        wanted.fixed.SetColor(i, e.red, e.green, e.blue);
        if (i < kept.alpha.size()) wanted.fixedAlpha[i] = kept.alpha[i];
        if (wanted.fixedAlpha[i] == 0) hasTransparent = true;
    }
    if (histogram.HasTransparent() && !hasTransparent) {
        wanted.fixed.Resize(keep + 1);
        wanted.fixed.SetColor(keep, 0, 0, 0);
        wanted.fixedAlpha.push_back(0);
    }
    return MakePalette(histogram, wanted, &made->table, &made->alpha, reason);
}

bool MapFile(const Arguments& args, const Palette& given, const std::string& input, const std::string& output,
             FolderFlushes* flushes, std::string* failedFile, std::string* reason, MapError* error)
{
    *failedFile = input;
    const ImageFileFormat format = ImageFormatForName(output);
    if (format == ImageFileFormat::Unknown) {
        *failedFile = output;
        *reason = "is not named .bmp, .png or .gif: its name says which format to write";
        return false;
    }
    SourceFile file;
    if (!file.Open(input.c_str())) {
        *reason = "cannot be opened";
        return false;
    }
    const ByteSource source(file);
    PictureRows picture;
    if (!picture.Open(source, reason)) return false;
    Palette made;
    const Palette* palette = &given;
    if (args.command == Command::Quantize) {
        if (!MakeFrom(args.map, given, picture, source, &made, reason)) return false;
        palette = &made;
    }
    if (format != ImageFileFormat::Png && palette->table.GetCount() > 256) {
        *reason = "the palette's " + std::to_string(palette->table.GetCount()) + " entries are more than 256";
        return false;
    }
    PaletteMapper mapper;
    if (!mapper.Start(palette->table, palette->alpha, args.map.settings, picture.Width(), reason)) return false;
    IndexedPicture result;
    result.width = picture.Width();
    result.height = picture.Height();
    const uint64_t pixels = uint64_t(result.width) * result.height;
    if (pixels > SIZE_MAX) {
        *reason = "is too large for this machine";
        return false;
    }
    try {
        result.indices.resize(size_t(pixels));
    } catch (const std::bad_alloc&) {
        *reason = "needs more memory than is free for its " + std::to_string(pixels) + " pixels";
        return false;
    }
    if (!picture.ForEachRow(source, [&](uint32_t y, const uint8_t* rgba, std::string* why) {
            return mapper.MapRow(rgba, result.indices.data() + size_t(y) * result.width, why);
        }, reason))
        return false;
    result.alpha = palette->alpha;
    result.transparentEntry = mapper.TransparentEntry();
    SafeFileWriter writer(output.c_str(), flushes);
    if (writer.IsOpen() && !WriteIndexedPicture(format, result, palette->table, writer, reason)) {
        *failedFile = output;
        return false;
    }
    // Let go of the input before it is replaced: Windows replaces no file that is open.
    file.Close();
    if (!writer.IsOpen() || !writer.Commit()) {
        *failedFile = output;
        *reason = "could not be written";
        return false;
    }
    *error = mapper.Error();
    return true;
}

}  // namespace

int RunMap(const Arguments& args, const std::function<int(const PictureJob& job)>& forEachInput)
{
    Palette given;
    const std::string& source = args.command == Command::Map ? args.map.palette : args.map.keepPalette;
    if (!source.empty()) {
        std::string reason;
        if (!LoadPaletteWithAlpha(source.c_str(), &given.table, &given.alpha, &reason)) {
            std::fprintf(stderr, "korin-cli: %s: %s\n", source.c_str(), reason.c_str());
            return kExitFailure;
        }
        if (args.command == Command::Map && (given.table.GetCount() == 0 || given.table.GetCount() > 256)) {
            std::fprintf(stderr, "korin-cli: %s: holds %u colors; a picture's table holds 1 to 256\n", source.c_str(),
                         given.table.GetCount());
            return kExitFailure;
        }
        if (args.command == Command::Quantize && given.table.GetCount() < args.map.keepCount) {
            std::fprintf(stderr, "korin-cli: %s: holds %u colors, fewer than the %u to keep\n", source.c_str(),
                         given.table.GetCount(), args.map.keepCount);
            return kExitFailure;
        }
    }
    const bool named = args.inputs.size() > 1;
    return forEachInput([&](const std::string& input, const std::string& output, FolderFlushes* flushes,
                            std::string* failedFile, std::string* reason) {
        MapError error;
        if (!MapFile(args, given, input, output, flushes, failedFile, reason, &error)) return false;
        std::printf("%smean color error %.4f; largest %.4f (OKLab distance)\n", named ? (input + ": ").c_str() : "",
                    error.Mean(), error.largest);
        return std::fflush(stdout) == 0;
    });
}
