#include "cli/rearrange_commands.h"

#include <cstdio>

#include "cli/commands.h"
#include "cli/palette_input.h"
#include "image/picture_remap.h"
#include "palette/palette_formats.h"
#include "platform/safe_file_writer.h"

namespace {

bool NeedsCounts(const Arguments& args)
{
    // Conform keeps the pixels' visibility only through entries no other pixel takes.
    return args.command == Command::Compact || args.command == Command::Conform ||
           (args.command == Command::Sort && args.rearrange.sortKey == SortKey::Usage);
}

// The rearrangement args ask for, of picture's table.
bool Plan(const Arguments& args, const RemappablePicture& picture, const ColorTable& palette, Rearrangement* plan,
          std::string* reason)
{
    const RearrangeRequest& request = args.rearrange;
    const ColorTable& table = picture.Table();
    switch (args.command) {
    case Command::Move:
        return MoveEntries(table, request.first, request.last, request.position, request.keepIndices, plan, reason);
    case Command::SwapEntries:
        return SwapEntries(table, request.first, request.last, request.keepIndices, plan, reason);
    case Command::Sort: {
        const uint32_t last = request.rangeGiven ? request.last : table.GetCount() - 1;
        return SortEntries(table, request.rangeGiven ? request.first : 0, last, request.sortKey, picture.Counts(),
                           request.keepIndices, plan, reason);
    }
    case Command::Compact:
        return CompactEntries(table, picture.UsedEntries(), picture.MinimumEntries(), plan, reason);
    case Command::MergeDuplicates: return MergeDuplicateEntries(table, picture.Visibility(), plan, reason);
    case Command::Conform:
        if (palette.GetCount() > picture.MaximumEntries()) {
            *reason = "cannot take the palette's " + std::to_string(palette.GetCount()) + " entries (it holds at most " +
                      std::to_string(picture.MaximumEntries()) + ")";
            return false;
        }
        return ConformToPalette(table, palette, picture.Visibility(), picture.UsedEntries(), plan, reason);
    default: break;
    }
    *reason = "is not rearranged by this command";
    return false;
}

std::string Entries(uint32_t count)
{
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

// What moved, for the line on standard output.
std::string Summary(const Arguments& args, const Rearrangement& plan)
{
    std::string text;
    if (args.command == Command::Compact) text = "removed " + Entries(plan.removed) + "; ";
    if (args.command == Command::MergeDuplicates)
        return "moved the pixels of " + Entries(plan.moved) + " to earlier entries of the same color; " +
               std::to_string(plan.removed) + " now unused";
    text += "moved " + Entries(plan.moved);
    if (!plan.remapPixels) text += " (pixels kept their indices)";
    if (args.command == Command::Conform) {
        char error[64];
        std::snprintf(error, sizeof error, "; %u changed color; largest color error %.3f", plan.recolored,
                      plan.largestError);
        text += error;
    }
    return text;
}

bool RearrangeFile(const Arguments& args, const ColorTable& palette, const std::string& input,
                   const std::string& output, FolderFlushes* flushes, std::string* failedFile, std::string* reason,
                   std::string* summary)
{
    *failedFile = input;
    SourceFile file;
    if (!file.Open(input.c_str())) {
        *reason = "cannot be opened";
        return false;
    }
    RemappablePicture picture;
    Rearrangement plan;
    if (!picture.Read(file, NeedsCounts(args), reason, args.gifTable) || !Plan(args, picture, palette, &plan, reason))
        return false;
    SafeFileWriter writer(output.c_str(), flushes);
    PngEncoding encoding;
    encoding.deflate.level = args.pngLevel;
    if (writer.IsOpen() && !picture.Write(file, plan.table, plan.map, plan.remapPixels, writer, reason, encoding))
        return false;
    // Let go of the input before it is replaced: Windows replaces no file that is open.
    file.Close();
    if (!writer.IsOpen() || !writer.Commit()) {
        *failedFile = output;
        *reason = "could not be written";
        return false;
    }
    *summary = Summary(args, plan);
    return true;
}

}  // namespace

int RunRearrange(const Arguments& args, const std::function<int(const PictureJob& job)>& forEachInput)
{
    ColorTable palette;
    if (args.command == Command::Conform) {
        std::string reason;
        if (!LoadPaletteInput(args.rawInput, args.rearrange.palette, &palette, nullptr, &reason)) {
            std::fprintf(stderr, "korin-cli: %s: %s\n", args.rearrange.palette.c_str(), reason.c_str());
            return kExitFailure;
        }
    }
    const bool named = args.inputs.size() > 1;
    return forEachInput([&](const std::string& input, const std::string& output, FolderFlushes* flushes,
                            std::string* failedFile, std::string* reason) {
        std::string summary;
        if (!RearrangeFile(args, palette, input, output, flushes, failedFile, reason, &summary)) return false;
        std::printf("%s%s\n", named ? (input + ": ").c_str() : "", summary.c_str());
        return std::fflush(stdout) == 0;
    });
}
