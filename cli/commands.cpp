#include "cli/commands.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/host.h"
#include "cli/map_commands.h"
#include "cli/palette_input.h"
#include "cli/picture_commands.h"
#include "cli/progress_line.h"
#include "cli/rearrange_commands.h"
#include "cli/table_option.h"
#include "cli/text_encoding.h"
#include "cli/usage_commands.h"
#include "image/bmp_normalize.h"
#include "image/bmp_recolor.h"
#include "image/dib_image.h"
#include "image/picture_rows.h"
#include "image/swatch_palette.h"
#include "palette/binary_palettes.h"
#include "palette/color_table.h"
#include "palette/palette_formats.h"
#include "platform/safe_file_writer.h"
#include "report/header_report.h"

namespace {

void ReportError(const std::string& file, const std::string& reason)
{
    std::fprintf(stderr, "korin-cli: %s: %s\n", file.c_str(), reason.c_str());
}

const char kNotReadable[] = "is not a BMP file this program reads (uncompressed, 40-byte header, complete)";

// Reads on until bytes holds limit bytes or the file ends; false when it
// cannot be read.
bool ReadUpTo(std::istream& in, uint64_t limit, std::string* bytes)
{
    char buffer[65536];
    while (bytes->size() < limit) {
        in.read(buffer, std::streamsize(std::min<uint64_t>(sizeof buffer, limit - bytes->size())));
        if (in.gcount() <= 0) break;
        bytes->append(buffer, size_t(in.gcount()));
    }
    return !in.bad();
}

// The whole file, at most limit bytes of it; false when it cannot be read.
bool ReadFileBytes(const std::string& path, uint64_t limit, std::string* bytes)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in.is_open() || IsFolder(path)) return false;
    bytes->clear();
    return ReadUpTo(in, limit, bytes);
}

// Why a file did not load, for its error line: a BMP file of a kind the
// editor does not open is named, with the way to convert it where there is one.
std::string WhyNotLoaded(const std::string& path)
{
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return "cannot be opened";
    if (IsFolder(path)) return "is a folder";
    std::string headers, why;
    BmpVariant variant;
    if (!ReadFileBytes(path, 256, &headers) || !ReadBmpVariant(headers, &variant, &why) ||
        IsEditorForm(variant))
        return kNotReadable;
    const std::string kind = "is a BMP file with " + DescribeBmpVariant(variant);
    if (!CanNormalize(variant, &why)) return kind + ", which this program does not read: it " + why;
    return kind + ", which the editor does not open; 'korin-cli normalize' converts it";
}

bool LoadBitmap(const MemoryDeviceContext& dc, const std::string& path, DibImage* image)
{
    if (image->LoadFromFile(dc.Get(), path.c_str())) return true;
    ReportError(path, WhyNotLoaded(path));
    return false;
}

const char kNoTable[] = "has no color table (a full-color bitmap has none)";

// A table from a palette file of any format or from a BMP file, told apart
// by content. An Adobe Color Table may begin with the bytes BM too: what does
// not read as a bitmap is tried as a palette before it is refused.
bool ReadTableSource(const MemoryDeviceContext& dc, const std::string& path, const RawPaletteChoice& raw,
                     ColorTable* table, int gifTable = kDefaultGifTable)
{
    const ImageFileFormat picture = PictureFormatOf(path);
    if (picture == ImageFileFormat::Png || picture == ImageFileFormat::Gif) {
        std::string why, swatchWhy;
        if (ReadPictureTable(path, table, &why, gifTable)) return true;
        // A truecolor PNG has no table; a picture of swatches stands for one.
        SourceFile file;
        PictureRows rows;
        std::string openWhy;
        if (file.Open(path.c_str()) && rows.Open(ByteSource(file), &openWhy) && !rows.IsIndexed()) {
            if (ReadSwatchPalette(ByteSource(file), table, nullptr, &swatchWhy)) return true;
            why += ", and it " + swatchWhy;
        }
        ReportError(path, why);
        return false;
    }
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in.is_open() || IsFolder(path)) {
        ReportError(path, "cannot be opened");
        return false;
    }
    char magic[2] = {};
    in.read(magic, sizeof magic);
    in.clear();
    in.seekg(0);
    std::string reason;
    if (magic[0] == 'B' && magic[1] == 'M') {
        DibImage image;
        if (image.ReadFromStream(dc.Get(), in)) {
            if (image.CopyColorTable(*table)) return true;
            ReportError(path, kNoTable);
            return false;
        }
        if (LoadPaletteInput(raw, path, table, nullptr, &reason)) return true;
        ReportError(path, WhyNotLoaded(path));
        return false;
    }
    if (!LoadPaletteInput(raw, path, table, nullptr, &reason)) {
        ReportError(path, reason);
        return false;
    }
    return true;
}

// SOURCE of apply: a table with entries to write.
bool ReadSourceTable(const MemoryDeviceContext& dc, const std::string& path, const RawPaletteChoice& raw,
                     ColorTable* table)
{
    if (!ReadTableSource(dc, path, raw, table)) return false;
    if (table->GetCount() == 0) {
        ReportError(path, "is a palette file without entries");
        return false;
    }
    return true;
}

// --format when given, else what the output's name stands for, else RIFF.
PaletteFormat OutputFormat(const Arguments& args)
{
    PaletteFormat format = PaletteFormat::Riff;
    if (args.formatGiven) return args.format;
    PaletteFormatForName(args.output, &format);
    return format;
}

std::string OutputPath(const Arguments& args, const std::string& input)
{
    switch (args.outputMode) {
    case OutputMode::File: return args.output;
    case OutputMode::Folder: return JoinPath(args.output, BaseName(input));
    default: return input;
    }
}

typedef std::function<void(ColorTable&)> TableEdit;

struct Failure {
    std::string file;
    std::string reason;
};

// Why a file was not written, for its error line.
std::string WhyNotWritten(const std::string& path)
{
    switch (SafeFileWriter::CheckTarget(path.c_str())) {
    case SaveProblem::ReadOnly: return "is read-only; it was left as it is";
    case SaveProblem::HardLinked:
        return "has other hard links, which would keep the old content; it was left as it is "
               "(write to another name, or remove the other links first)";
    case SaveProblem::NotAFile: return "is not a regular file; nothing was written";
    case SaveProblem::InUse: return "is open in another program; it was left as it is (close it there first)";
    case SaveProblem::None: break;
    }
    return "could not be written";
}

int SaveTable(const ColorTable& table, const Arguments& args)
{
    const PaletteFormat format = OutputFormat(args);
    std::string reason;
    if (!SavePalette(table, format, args.output.c_str(), &reason)) {
        // A target that may not be replaced says so; else the format's reason.
        if (SafeFileWriter::CheckTarget(args.output.c_str()) != SaveProblem::None) reason = WhyNotWritten(args.output);
        ReportError(args.output, reason);
        return kExitFailure;
    }
    return kExitSuccess;
}

// The editor's road from palette window to saved file (load, take the table
// out, edit it, write it back, save), with the pixel rows copied file to file
// instead of loaded.
bool RecolorFile(const MemoryDeviceContext& dc, const std::string& input, const std::string& output,
                 const TableEdit& edit, int gifTable, FolderFlushes* flushes, Failure* failure)
{
    const ImageFileFormat picture = PictureFormatOf(input);
    if (picture == ImageFileFormat::Png || picture == ImageFileFormat::Gif) {
        std::string file, reason;
        if (RecolorIndexedFile(input.c_str(), output.c_str(), edit, flushes, &file, &reason, gifTable)) return true;
        *failure = {file, file == output && reason == "could not be written" ? WhyNotWritten(output) : reason};
        return false;
    }
    RecolorResult result = RecolorBmpFile(dc.Get(), input.c_str(), output.c_str(), edit, flushes);
    switch (result.outcome) {
    case RecolorResult::Done: return true;
    case RecolorResult::NotLoaded: *failure = {input, WhyNotLoaded(input)}; break;
    case RecolorResult::NoTable: *failure = {input, kNoTable}; break;
    case RecolorResult::TableRefused: {
        const std::string bits = std::to_string(result.bitCount);
        *failure = {input, "cannot take a table of " + std::to_string(result.tableCount) + " entries (a " + bits +
                               "-bit bitmap holds at most 2^" + bits + ")"};
        break;
    }
    case RecolorResult::NotWritten: *failure = {output, WhyNotWritten(output)}; break;
    }
    return false;
}

typedef std::function<bool(const std::string& input, FolderFlushes* flushes, Failure* failure)> FileJob;

// The inputs of a batch. In place, each file is done once however often it is
// named (a second turn would undo or redo the first); into a folder, each name
// is written under its own name, a second name of one file as well. False,
// naming them, when two names would be written to one output: the batch is
// refused before it writes.
bool BatchInputs(const Arguments& args, std::vector<std::string>* inputs)
{
    if (args.outputMode == OutputMode::Folder) {
        bool clash = false;
        for (const std::string& input : args.inputs) {
            for (const std::string& earlier : *inputs) {
                if (!SameFileName(BaseName(earlier), BaseName(input))) continue;
                ReportError(OutputPath(args, input), (earlier == input ? "would be written twice from " + input
                                                                       : "would be written from both " + earlier +
                                                                             " and " + input) +
                                                         "; nothing was written");
                clash = true;
            }
            inputs->push_back(input);
        }
        return !clash;
    }
    // Each file asked about once: a long batch would otherwise ask for every pair.
    std::set<std::string> paths, files;
    for (const std::string& input : args.inputs) {
        const std::string identity = FileIdentity(input);
        if (!paths.insert(input).second || (!identity.empty() && !files.insert(identity).second)) continue;
        inputs->push_back(input);
    }
    return true;
}

// One job for each input, a bad file named and passed over (one that
// cannot take the --table given before it is read). The files
// written reach the disk together, each before it replaces its target (a
// file that then fails is named at the end); the folders that hold the new
// names are flushed once, at the end.
int ForEachInput(const Arguments& args, const FileJob& job)
{
    if (args.outputMode == OutputMode::Folder && !IsFolder(args.output)) {
        ReportError(args.output, "is not a folder");
        return kExitFailure;
    }
    std::vector<std::string> inputs;
    if (!BatchInputs(args, &inputs)) return kExitFailure;
    int status = kExitSuccess;
    FolderFlushes flushes;
    ProgressLine progress(inputs.size());
    for (size_t i = 0; i < inputs.size(); ++i) {
        const std::string& input = inputs[i];
        progress.Show(i, input);
        Failure failure = {input, TableOptionRefusal(args.gifTable, input)};
        bool done = false;
        try {
            done = failure.reason.empty() && job(input, &flushes, &failure);
        } catch (const std::bad_alloc&) {
            // One file too large for the memory left; the others still go on.
            failure = {input, "needs more memory than is free"};
        }
        if (!done) {
            progress.Clear();
            ReportError(failure.file, failure.reason);
            status = kExitFailure;
        }
    }
    progress.Clear();
    std::string folder;
    const bool flushed = flushes.FlushAll(&folder);
    for (const std::string& target : flushes.TakeFailed()) {
        ReportError(target, WhyNotWritten(target));
        status = kExitFailure;
    }
    if (!flushed) {
        ReportError(folder, "could not be flushed to disk; the files written there may not survive a power loss");
        status = kExitFailure;
    }
    return status;
}

int RecolorAll(const Arguments& args, const MemoryDeviceContext& dc, const TableEdit& edit)
{
    return ForEachInput(args, [&](const std::string& input, FolderFlushes* flushes, Failure* failure) {
        return RecolorFile(dc, input, OutputPath(args, input), edit, args.gifTable, flushes, failure);
    });
}

void Invert(ColorTable& table)
{
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* e = table.GetEntry(i);
        table.SetColor(i, uint8_t(255 - e->red), uint8_t(255 - e->green), uint8_t(255 - e->blue));
    }
}

void Swap(SwapKind kind, ColorTable& table)
{
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry e = *table.GetEntry(i);
        switch (kind) {
        case SwapKind::RedGreen: table.SetColor(i, e.green, e.red, e.blue); break;
        case SwapKind::GreenBlue: table.SetColor(i, e.red, e.blue, e.green); break;
        case SwapKind::BlueRed: table.SetColor(i, e.blue, e.green, e.red); break;
        }
    }
}

// A palette file written back in the format it was read in; a swatch
// file's names are kept.
bool SnapPaletteFile(const std::string& input, const std::string& output, int depth, const RawPaletteChoice& raw,
                     Failure* failure)
{
    ColorTable table;
    PaletteFormat format = PaletteFormat::Riff;
    std::string reason, bytes;
    if (!LoadPaletteInput(raw, input, &table, &format, &reason)) {
        *failure = {input, reason};
        return false;
    }
    table.SnapToDepth(depth);
    std::vector<std::string> names;
    bool encoded = false;
    if (format == PaletteFormat::Ase && ReadFileBytes(input, kMaxPaletteFileBytes, &bytes)) {
        ColorTable unused;
        encoded = ReadAsePalette(bytes, &unused, &names, &reason);
        if (encoded) bytes = EncodeAsePalette(table, &names);
    }
    bool saved = false;
    if (encoded) {
        SafeFileWriter writer(output.c_str());
        if (writer.IsOpen()) writer.Write(bytes.data(), bytes.size());
        saved = writer.IsOpen() && writer.Commit();
        reason = "could not be written";
    } else {
        saved = SavePalette(table, format, output.c_str(), &reason);
    }
    if (saved) return true;
    *failure = {output, SafeFileWriter::CheckTarget(output.c_str()) != SaveProblem::None ? WhyNotWritten(output)
                                                                                        : reason};
    return false;
}

// A picture as invert does it; any other file, or a bitmap's name on an
// Adobe Color Table, as a palette file.
int RunSnap(const Arguments& args, const MemoryDeviceContext& dc)
{
    const int depth = args.snapDepth;
    const TableEdit edit = [depth](ColorTable& table) { table.SnapToDepth(depth); };
    return ForEachInput(args, [&](const std::string& input, FolderFlushes* flushes, Failure* failure) {
        const std::string output = OutputPath(args, input);
        const ImageFileFormat picture = PictureFormatOf(input);
        if (picture == ImageFileFormat::Unknown && !IsFolder(input))
            return SnapPaletteFile(input, output, depth, args.rawInput, failure);
        if (RecolorFile(dc, input, output, edit, args.gifTable, flushes, failure)) return true;
        if (picture != ImageFileFormat::Bmp || failure->file != input) return false;
        ColorTable probe;
        std::string reason;
        if (!LoadPaletteInput(args.rawInput, input, &probe, nullptr, &reason)) return false;
        return SnapPaletteFile(input, output, depth, args.rawInput, failure);
    });
}

int PrintReport(const Arguments& args, const std::string& path, std::string report);

int RunInfo(const Arguments& args, const MemoryDeviceContext& dc)
{
    const std::string& path = args.inputs[0];
    std::string report;
    const ImageFileFormat picture = PictureFormatOf(path);
    if (picture == ImageFileFormat::Png || picture == ImageFileFormat::Gif) {
        const std::string fullPath = FullPath(path);
        std::string shownPath, reason;
        if (!PathToCp932(fullPath, &shownPath)) shownPath = fullPath;
        if (!BuildPictureReport(path, shownPath, args.members ? 1 : 0, args.hex ? 1 : 0, &report, &reason)) {
            ReportError(path, reason);
            return kExitFailure;
        }
        return PrintReport(args, path, std::move(report));
    }
    DibImage image;
    if (!LoadBitmap(dc, path, &image)) return kExitFailure;

    HeaderReportInput input;
    input.hasFileHeader = image.CopyHeaders(&input.fileHeader, nullptr);
    if (!input.hasFileHeader) std::memset(&input.fileHeader, 0, sizeof input.fileHeader);
    image.CopyHeaders(nullptr, &input.infoHeader);
    input.entryCount = image.EntryCount();
    input.stride = image.Stride();
    input.imageSize = image.ImageSize();
    const std::string fullPath = FullPath(path);
    // The report is CP932 text; a name CP932 cannot spell stays as the system gave it.
    if (!PathToCp932(fullPath, &input.path)) input.path = fullPath;
    input.modified = false;
    input.fileSize = 0;
    input.fileSizeKnown = FileSizeOnDisk(path, &input.fileSize);
    input.headerDetail = args.members ? 1 : 0;
    input.hexNumbers = args.hex ? 1 : 0;

    return PrintReport(args, path, BuildHeaderReport(input));
}

// The report on standard output, in UTF-8 unless --raw asks for its CP932 bytes.
int PrintReport(const Arguments& args, const std::string& path, std::string report)
{
    if (!args.raw) {
        std::string utf8;
        if (!Cp932ToUtf8(report, &utf8)) {
            ReportError(path, "its report could not be converted to UTF-8; try --raw");
            return kExitFailure;
        }
        report.swap(utf8);
    }
    UseBinaryStandardOutput();
    std::fwrite(report.data(), 1, report.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
}

// False, naming why, when path cannot take the --table given.
bool TakesTable(const Arguments& args, const std::string& path)
{
    const std::string refusal = TableOptionRefusal(args.gifTable, path);
    if (refusal.empty()) return true;
    ReportError(path, refusal);
    return false;
}

int RunPalette(const Arguments& args, const MemoryDeviceContext& dc)
{
    const std::string& path = args.inputs[0];
    ColorTable table;
    const ImageFileFormat picture = PictureFormatOf(path);
    if (!TakesTable(args, path)) return kExitFailure;
    if (picture == ImageFileFormat::Png || picture == ImageFileFormat::Gif) {
        std::string reason;
        if (!ReadPictureTable(path, &table, &reason, args.gifTable)) {
            ReportError(path, reason);
            return kExitFailure;
        }
        return SaveTable(table, args);
    }
    DibImage image;
    if (!LoadBitmap(dc, path, &image)) return kExitFailure;
    if (!image.CopyColorTable(table)) {
        ReportError(path, kNoTable);
        return kExitFailure;
    }
    return SaveTable(table, args);
}

int RunConvert(const Arguments& args, const MemoryDeviceContext& dc)
{
    // A picture name for OUT converts the picture itself, indices and table exactly.
    const ImageFileFormat picture = args.formatGiven ? ImageFileFormat::Unknown : ImageFormatForName(args.output);
    if (picture == ImageFileFormat::Gif) {
        ReportError(args.output, "cannot be made: GIF files are only rewritten with a new table (apply, invert, swap)");
        return kExitFailure;
    }
    if (!TakesTable(args, args.inputs[0])) return kExitFailure;
    if (picture != ImageFileFormat::Unknown) {
        std::string file, reason;
        if (ConvertPicture(dc.Get(), args.inputs[0], args.output, picture, &file, &reason, args.pngLevel, args.gifTable))
            return kExitSuccess;
        ReportError(file, file == args.output && reason == "could not be written" ? WhyNotWritten(file) : reason);
        return kExitFailure;
    }
    ColorTable table;
    if (!ReadTableSource(dc, args.inputs[0], args.rawInput, &table, args.gifTable)) return kExitFailure;
    return SaveTable(table, args);
}

// One file into the editor's form; the output is replaced only once complete.
bool NormalizeFile(const std::string& input, const std::string& output, FolderFlushes* flushes,
                   Failure* failure)
{
    // The headers first: a file that is no BMP, or one the program would
    // refuse, is not read further; the rest no further than they declare.
    std::string bytes, normalized, reason;
    std::ifstream in(input.c_str(), std::ios::binary);
    if (!in.is_open() || IsFolder(input)) {
        *failure = {input, IsFolder(input) ? "is a folder" : "cannot be opened"};
        return false;
    }
    uint64_t limit = 0;
    if (!ReadUpTo(in, kBmpHeadersBytes, &bytes) || !NormalizeInputLimit(bytes, &limit, &reason) ||
        !ReadUpTo(in, limit, &bytes)) {
        *failure = {input, reason.empty() ? "cannot be read" : reason};
        return false;
    }
    in.close();
    if (!NormalizeBmp(bytes, &normalized, &reason)) {
        *failure = {input, reason};
        return false;
    }
    bytes.clear();
    bytes.shrink_to_fit();
    SafeFileWriter writer(output.c_str(), flushes);
    if (writer.IsOpen()) writer.Write(normalized.data(), normalized.size());
    if (!writer.IsOpen() || !writer.Commit()) {
        *failure = {output, WhyNotWritten(output)};
        return false;
    }
    return true;
}

int RunNormalize(const Arguments& args)
{
    return ForEachInput(args, [&args](const std::string& input, FolderFlushes* flushes, Failure* failure) {
        return NormalizeFile(input, OutputPath(args, input), flushes, failure);
    });
}

int RunApply(const Arguments& args, const MemoryDeviceContext& dc)
{
    ColorTable source;
    if (!ReadSourceTable(dc, args.source, args.rawInput, &source)) return kExitFailure;
    return RecolorAll(args, dc, [&source](ColorTable& table) { table.Assign(source); });
}

// The new-image dialog's messages, in its order of checks.
const char* NewImageMessage(NewImageProblem problem)
{
    switch (problem) {
    case NewImageProblem::FullColorWithEntries: return "ﾌﾙｶﾗｰﾋﾞｯﾄﾏｯﾌﾟのｴﾝﾄﾘ数は0にしてください.";
    case NewImageProblem::InvalidSize: return "不正な画像ｻｲｽﾞです.";
    case NewImageProblem::TooManyEntries: return "ｴﾝﾄﾘ数が多すぎます.";
    case NewImageProblem::None: break;
    }
    return "";
}

int RunNew(const Arguments& args, const MemoryDeviceContext& dc)
{
    NewImageProblem problem = CheckNewImageSpec(args.newImage);
    if (problem != NewImageProblem::None) {
        std::string message;
        if (!Cp932ToUtf8(NewImageMessage(problem), &message)) message = NewImageMessage(problem);
        std::fprintf(stderr, "korin-cli: new: %s\n", message.c_str());
        return kExitUsage;
    }
    DibImage image;
    if (!image.CreateBlank(dc.Get(), &args.newImage)) {
        ReportError(args.output, "a bitmap of this size, bit count and entry count cannot be made");
        return kExitFailure;
    }
    if (!image.SaveToFile(args.output.c_str())) {
        ReportError(args.output, WhyNotWritten(args.output));
        return kExitFailure;
    }
    return kExitSuccess;
}

// One picture job over every input, as the batch runs it.
int RunPictureJob(const Arguments& args, const PictureJob& job)
{
    return ForEachInput(args, [&](const std::string& input, FolderFlushes* flushes, Failure* failure) {
        const std::string output = OutputPath(args, input);
        if (job(input, output, flushes, &failure->file, &failure->reason)) return true;
        if (failure->file == output && failure->reason == "could not be written")
            failure->reason = WhyNotWritten(output);
        return false;
    });
}

}  // namespace

int RunCommand(const Arguments& args)
{
    MemoryDeviceContext dc;
    switch (args.command) {
    case Command::Info: return RunInfo(args, dc);
    case Command::Palette: return RunPalette(args, dc);
    case Command::Apply: return RunApply(args, dc);
    case Command::Invert: return RecolorAll(args, dc, Invert);
    case Command::Swap: {
        SwapKind kind = args.swapKind;
        return RecolorAll(args, dc, [kind](ColorTable& table) { Swap(kind, table); });
    }
    case Command::New: return RunNew(args, dc);
    case Command::Snap: return RunSnap(args, dc);
    case Command::Convert: return RunConvert(args, dc);
    case Command::Normalize: return RunNormalize(args);
    case Command::Usage: return RunUsage(args, dc.Get(), WhyNotLoaded);
    case Command::Gradient:
        return RunGradient(args, [&](const TableEdit& edit) { return RecolorAll(args, dc, edit); });
    case Command::Move:
    case Command::SwapEntries:
    case Command::Sort:
    case Command::Compact:
    case Command::MergeDuplicates:
    case Command::Conform:
        return RunRearrange(args, [&](const PictureJob& job) { return RunPictureJob(args, job); });
    case Command::Map:
    case Command::Quantize:
        return RunMap(args, [&](const PictureJob& job) { return RunPictureJob(args, job); });
    case Command::None: break;
    }
    return kExitUsage;
}
