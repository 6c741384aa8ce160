#include "cli/usage_commands.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "cli/commands.h"
#include "cli/host.h"
#include "cli/picture_commands.h"
#include "cli/table_option.h"
#include "image/bmp_layout.h"
#include "image/dib_image.h"
#include "image/gif_remap.h"
#include "image/png_remap.h"
#include "image/usage_counts.h"
#include "palette/color_table.h"
#include "palette/gradient.h"
#include "platform/safe_file_writer.h"

namespace {

void ReportError(const std::string& file, const std::string& reason)
{
    std::fprintf(stderr, "korin-cli: %s: %s\n", file.c_str(), reason.c_str());
}

struct UsageFigures {
    uint32_t width = 0;
    uint32_t height = 0;
    ColorTable table;
    std::vector<uint64_t> counts;  // one for each index value, the table's entries at least
    size_t frames = 1;             // the images counted
    int gifTable = kDefaultGifTable;  // --table
    std::vector<uint32_t> tableImages;  // with --table, the images drawn with it, from 1
};

// An animation's later frames count too, as compact counts them: an APNG's
// frames after its default image, a GIF's images after the first that draw
// with its table.
bool AddLaterFrames(const ByteSource& source, UsageFigures* figures, std::string* reason)
{
    std::vector<uint64_t> later;
    if (DetectImageFormat(source) == ImageFileFormat::Png) {
        PngStructure png;
        if (!ReadPngStructure(source, &png, reason)) return false;
        figures->frames = PngImagesCounted(png);
        if (figures->frames < 2) return true;
        // These counts take the default image too: they replace the picture's.
        if (!CountPngIndices(source, png, &later, reason)) return false;
        figures->counts.assign(256, 0);
    } else {
        GifStructure gif;
        size_t images = 0;
        const int table = figures->gifTable;
        if (!ReadGifStructure(source, &gif, reason) ||
            (table != kDefaultGifTable && !SelectGifTable(source, &gif, table, reason)) ||
            !CountGifIndices(source, gif, &later, reason, gif.shownImage + 1, &images))
            return false;
        figures->frames = 1 + images;
        for (size_t i = 0; i < gif.images.size() && table != kDefaultGifTable; ++i)
            if (GifImageUsesTable(gif, i)) figures->tableImages.push_back(uint32_t(i + 1));
    }
    if (figures->counts.size() < later.size()) figures->counts.resize(later.size(), 0);
    for (size_t i = 0; i < later.size(); ++i) figures->counts[i] += later[i];
    return true;
}

bool BitmapFigures(HDC dc, const std::string& path, UsageFigures* figures, std::string* reason,
                   const std::function<std::string(const std::string&)>& whyNotLoaded)
{
    DibImage image;
    if (!image.LoadFromFile(dc, path.c_str())) {
        *reason = whyNotLoaded(path);
        return false;
    }
    LONG dimensions[2];
    image.GetDimensions(dimensions);
    figures->width = uint32_t(dimensions[0]);
    figures->height = uint32_t(dimensions[1] < 0 ? -int64_t(dimensions[1]) : dimensions[1]);
    if (!image.CopyColorTable(figures->table) || !CountEntryUsage(image, &figures->counts)) {
        *reason = "has no color table (a full-color bitmap has none)";
        return false;
    }
    return true;
}

bool IndexedFigures(const std::string& path, UsageFigures* figures, std::string* reason)
{
    SourceFile file;
    IndexedFile indexed;
    if (!file.Open(path.c_str())) {
        *reason = "cannot be opened";
        return false;
    }
    const ByteSource source(file);
    if (!indexed.Read(source, reason, false, figures->gifTable)) return false;
    figures->width = indexed.Width();
    figures->height = indexed.Height();
    if (!figures->table.Assign(indexed.Table())) {
        *reason = "has a table too large for the memory at hand";
        return false;
    }
    return indexed.CountTableUsage(source, &figures->counts, reason) && AddLaterFrames(source, figures, reason);
}

std::string ColorText(const ColorEntry& entry)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", entry.red, entry.green, entry.blue);
    return text;
}

// The unused entries as "3, 5-9, 12".
std::string RangesText(const std::vector<uint32_t>& indices)
{
    std::string text;
    for (size_t i = 0; i < indices.size();) {
        size_t j = i;
        while (j + 1 < indices.size() && indices[j + 1] == indices[j] + 1) ++j;
        text += (text.empty() ? "" : ", ") + std::to_string(indices[i]);
        if (j > i) text += "-" + std::to_string(indices[j]);
        i = j + 1;
    }
    return text;
}

std::string ListText(const std::vector<uint32_t>& indices, const char* separator)
{
    std::string text;
    for (uint32_t index : indices) text += (text.empty() ? "" : separator) + std::to_string(index);
    return text;
}

// The line that names the table --table chose, and the images drawn with it.
std::string TableLine(const UsageFigures& figures, UsageFormat format)
{
    const int table = figures.gifTable;
    const std::string number = std::to_string(table + 1);
    const std::vector<uint32_t>& images = figures.tableImages;
    if (format == UsageFormat::Tsv)
        return "# table\t" + (table < 0 ? "global" : number) + "\t" + ListText(images, ",") + "\n";
    if (format == UsageFormat::Json)
        return ",\n \"table\": " + (table < 0 ? std::string("\"global\"") : number) + ", \"tableImages\": [" +
               ListText(images, ", ") + "]";
    const std::string drawn = images.empty() ? "no image"
                              : (images.size() == 1 ? "image " : "images ") + ListText(images, ", ");
    return "table: " + (table < 0 ? std::string("global") : "image " + number + "'s local table") + ", drawn in " +
           drawn + "\n";
}

std::string FormatUsage(const std::string& path, const UsageFigures& figures, UsageFormat format)
{
    const uint32_t entries = figures.table.GetCount();
    std::vector<uint32_t> unused;
    uint64_t pastTable = 0, most = 0;
    for (size_t i = 0; i < figures.counts.size(); ++i) {
        if (i < entries && figures.counts[i] == 0) unused.push_back(uint32_t(i));
        if (i >= entries) pastTable += figures.counts[i];
        if (figures.counts[i] > most) most = figures.counts[i];
    }
    const int countWidth = std::max<int>(6, int(std::to_string(most).size()));
    std::string out;
    char line[96];
    if (format == UsageFormat::Text) {
        out = path + ": " + std::to_string(figures.width) + " x " + std::to_string(figures.height) + " pixels, " +
              std::to_string(entries) + " entries\n";
        std::snprintf(line, sizeof line, "index  color    %*s\n", countWidth, "pixels");
        out += line;
    } else if (format == UsageFormat::Tsv) {
        out = "index\tcolor\tpixels\n";
    } else {
        out = "{\"width\": " + std::to_string(figures.width) + ", \"height\": " + std::to_string(figures.height) +
              ", \"entryCount\": " + std::to_string(entries) + ",\n \"entries\": [\n";
    }
    for (uint32_t i = 0; i < entries; ++i) {
        const std::string color = ColorText(*figures.table.GetEntry(i));
        const unsigned long long pixels = figures.counts[i];
        if (format == UsageFormat::Text)
            std::snprintf(line, sizeof line, "%5u  %s  %*llu\n", i, color.c_str(), countWidth, pixels);
        else if (format == UsageFormat::Tsv)
            std::snprintf(line, sizeof line, "%u\t%s\t%llu\n", i, color.c_str(), pixels);
        else
            std::snprintf(line, sizeof line, "  {\"index\": %u, \"color\": \"%s\", \"pixels\": %llu}%s\n", i,
                          color.c_str(), pixels, i + 1 < entries ? "," : "");
        out += line;
    }
    const std::string unusedCount = std::to_string(unused.size());
    const std::string frames = std::to_string(figures.frames);
    if (format == UsageFormat::Text) {
        out += "unused: " + unusedCount + " of " + std::to_string(entries) + " entries" +
               (unused.empty() ? "" : " (" + RangesText(unused) + ")") + "\n";
        if (pastTable) out += "pixels with an index past the table: " + std::to_string(pastTable) + "\n";
        if (figures.frames > 1) out += "counted: every frame (" + frames + " frames)\n";
    } else if (format == UsageFormat::Tsv) {
        out += "# unused\t" + unusedCount + "\t" + ListText(unused, ",") + "\n";
        if (pastTable) out += "# past the table\t" + std::to_string(pastTable) + "\n";
        if (figures.frames > 1) out += "# frames counted\t" + frames + "\n";
    } else {
        out += " ],\n \"unusedCount\": " + unusedCount + ", \"unused\": [" + ListText(unused, ", ") +
               "],\n \"pixelsPastTable\": " + std::to_string(pastTable) +
               (figures.frames > 1 ? ", \"framesCounted\": " + frames : std::string());
    }
    if (figures.gifTable != kDefaultGifTable) out += TableLine(figures, format);
    if (format == UsageFormat::Json) out += "}\n";
    return out;
}

// The entries of a file's table, read without its pixels; false when it
// does not read, which the recolor path then reports.
bool TableEntryCount(const std::string& path, int gifTable, uint32_t* entries)
{
    const ImageFileFormat picture = PictureFormatOf(path);
    if (picture == ImageFileFormat::Png || picture == ImageFileFormat::Gif) {
        ColorTable table;
        std::string reason;
        if (!ReadPictureTable(path, &table, &reason, gifTable)) return false;
        *entries = table.GetCount();
        return true;
    }
    SourceFile file;
    unsigned char headers[kBmpHeadersBytes];
    BmpLayout layout;
    if (!file.Open(path.c_str()) || !file.ReadAt(0, headers, sizeof headers) ||
        !ReadBmpLayout(headers, file.Size(), &layout))
        return false;
    *entries = layout.entryCount;
    return true;
}

}  // namespace

int RunUsage(const Arguments& args, HDC dc, const std::function<std::string(const std::string&)>& whyNotLoaded)
{
    const std::string& path = args.inputs[0];
    UsageFigures figures;
    figures.gifTable = args.gifTable;
    std::string reason = TableOptionRefusal(args.gifTable, path);
    const ImageFileFormat picture = PictureFormatOf(path);
    const bool read = reason.empty() && (picture == ImageFileFormat::Png || picture == ImageFileFormat::Gif
                                             ? IndexedFigures(path, &figures, &reason)
                                             : BitmapFigures(dc, path, &figures, &reason, whyNotLoaded));
    if (!read) {
        ReportError(path, reason);
        return kExitFailure;
    }
    if (figures.counts.size() < figures.table.GetCount()) figures.counts.resize(figures.table.GetCount(), 0);
    const std::string text = FormatUsage(path, figures, args.usageFormat);
    UseBinaryStandardOutput();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
}

int RunGradient(const Arguments& args,
                const std::function<int(const std::function<void(ColorTable&)>& edit)>& recolorAll)
{
    const std::string& path = args.inputs[0];
    uint32_t entries = 0;
    // A file that cannot take --table is refused by the batch, before its range is looked at.
    if (TableOptionRefusal(args.gifTable, path).empty() && TableEntryCount(path, args.gifTable, &entries) &&
        entries > 0 && args.gradientLast >= entries) {
        ReportError(path, "has a table of " + std::to_string(entries) + " entries (0 to " +
                              std::to_string(entries - 1) + "): the range " + std::to_string(args.gradientFirst) +
                              ".." + std::to_string(args.gradientLast) + " is not within it; nothing was written");
        return kExitFailure;
    }
    const uint32_t first = args.gradientFirst, last = args.gradientLast;
    const GradientSpace space = args.gradientSpace;
    return recolorAll([first, last, space](ColorTable& table) { FillGradient(table, first, last, space); });
}
