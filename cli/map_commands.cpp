#include "cli/map_commands.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "cli/commands.h"
#include "image/picture_mapping.h"
#include "image/picture_rows.h"
#include "image/rows_ahead.h"
#include "platform/safe_file_writer.h"

namespace {

bool MapFile(const Arguments& args, const MapPalette& given, const std::string& input, const std::string& output,
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
    // Decoding overlaps the mapping, which has to go row after row on one thread.
    const RowWalk walk = RowsAhead(
        [&](const RgbaRow& row, std::string* why) { return picture.ForEachRow(source, row, why); }, picture.Width());
    const MapRequest& request = args.map;
    MapPalette made;
    const MapPalette* palette = &given;
    if (args.command == Command::Quantize) {
        if (!MakePaletteFromRows(walk, picture.Width(), request.colors, given, request.keepCount,
                                 request.sortByLightness, request.settings, &made, reason))
            return false;
        palette = &made;
    }
    SafeFileWriter writer(output.c_str(), flushes);
    if (!writer.IsOpen()) {
        *failedFile = output;
        *reason = "could not be written";
        return false;
    }
    bool writeFailed = false;
    if (!MapRowsIntoFile(walk, picture.Width(), picture.Height(), *palette, request.settings, format, writer, error,
                         reason, &writeFailed)) {
        if (writeFailed) *failedFile = output;
        return false;
    }
    // Let go of the input before it is replaced: Windows replaces no file that is open.
    file.Close();
    if (!writer.IsOpen() || !writer.Commit()) {
        *failedFile = output;
        *reason = "could not be written";
        return false;
    }
    return true;
}

}  // namespace

int RunMap(const Arguments& args, const std::function<int(const PictureJob& job)>& forEachInput)
{
    MapPalette given;
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
