#include "palette/palette_formats.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

#include "image/swatch_palette.h"
#include "palette/binary_palettes.h"
#include "palette/color_lists.h"
#include "palette/palette_text.h"
#include "platform/safe_file_writer.h"
#include "platform/stream_size.h"

namespace {

const char kJascMagic[] = "JASC-PAL";
const char kJascVersion[] = "0100";
const char kGimpMagic[] = "GIMP Palette";
const size_t kActColors = 256;
const size_t kActBytes = 3 * kActColors;
const size_t kActLongBytes = kActBytes + 4;
const uint16_t kActNoTransparency = 0xFFFF;
// Paint.NET shows this many; it fills a shorter palette with white.
const uint32_t kPaintNetColors = 96;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal number of at most 9 digits at the front of text, taken off it.
bool TakeNumber(std::string_view* text, uint32_t* value)
{
    size_t digits = 0;
    uint32_t number = 0;
    while (digits < text->size() && IsDigit((*text)[digits])) {
        if (digits == 9) return false;
        number = number * 10 + uint32_t((*text)[digits] - '0');
        ++digits;
    }
    if (digits == 0) return false;
    text->remove_prefix(digits);
    *value = number;
    return true;
}

// Three decimal channels separated by blanks at the front of line; rest gets
// what follows them. False with a reason naming the line.
bool TakeColor(std::string_view line, size_t index, ColorEntry* entry, std::string_view* rest,
               std::string* reason)
{
    uint32_t channels[3];
    std::string_view text = line;
    for (int i = 0; i < 3; ++i) {
        // Each number is followed by a blank or the end, so they stay apart.
        while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
        if (!TakeNumber(&text, &channels[i])) {
            *reason = LineLabel(index) + " is not a color (R G B): " + Quoted(line);
            return false;
        }
        if (channels[i] > 255) {
            *reason = LineLabel(index) + ": " + std::to_string(channels[i]) + " is over 255";
            return false;
        }
        if (!text.empty() && !IsBlank(text.front())) {
            *reason = LineLabel(index) + " is not a color (R G B): " + Quoted(line);
            return false;
        }
    }
    entry->red = uint8_t(channels[0]);
    entry->green = uint8_t(channels[1]);
    entry->blue = uint8_t(channels[2]);
    entry->flags = 0;
    *rest = Trim(text);
    return true;
}

std::string_view FirstLine(const std::string& bytes)
{
    std::string_view text(bytes);
    TextLines lines(text.substr(0, text.find('\n')));
    std::string_view line;
    return lines.Next(&line) ? Trim(line) : std::string_view();
}

bool IsActSize(size_t size)
{
    return size == kActBytes || size == kActLongBytes;
}

void AppendLine(std::string* out, const char* format, unsigned a, unsigned b, unsigned c,
                const char* end)
{
    char line[48];
    std::snprintf(line, sizeof line, format, a, b, c);
    *out += line;
    *out += end;
}

}  // namespace

const char* PaletteFormatWord(PaletteFormat format)
{
    switch (format) {
    case PaletteFormat::Riff: return "riff";
    case PaletteFormat::Jasc: return "jasc";
    case PaletteFormat::Gimp: return "gpl";
    case PaletteFormat::Act: return "act";
    case PaletteFormat::Hex: return "hex";
    case PaletteFormat::PaintNet: return "pdn";
    case PaletteFormat::Bgr555: return "bgr555";
    case PaletteFormat::Vga: return "vga";
    case PaletteFormat::Ase: return "ase";
    }
    return "";
}

bool PaletteFormatFromWord(const std::string& word, PaletteFormat* format)
{
    for (PaletteFormat f : {PaletteFormat::Riff, PaletteFormat::Jasc, PaletteFormat::Gimp,
                            PaletteFormat::Act, PaletteFormat::Hex, PaletteFormat::PaintNet, PaletteFormat::Bgr555,
                            PaletteFormat::Vga, PaletteFormat::Ase}) {
        if (word == PaletteFormatWord(f)) {
            *format = f;
            return true;
        }
    }
    return false;
}

const char* PaletteFormatName(PaletteFormat format)
{
    switch (format) {
    case PaletteFormat::Riff: return "RIFF palette";
    case PaletteFormat::Jasc: return "JASC-PAL palette";
    case PaletteFormat::Gimp: return "GIMP palette";
    case PaletteFormat::Act: return "Adobe Color Table";
    case PaletteFormat::Hex: return "hex list";
    case PaletteFormat::PaintNet: return "Paint.NET palette";
    case PaletteFormat::Bgr555: return "BGR555 palette";
    case PaletteFormat::Vga: return "VGA palette";
    case PaletteFormat::Ase: return "Adobe Swatch Exchange file";
    }
    return "";
}

namespace {

std::string LowerExtension(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t separator = path.find_last_of("/\\");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return "";
    std::string extension;
    for (char c : path.substr(dot + 1)) extension += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension;
}

}  // namespace

bool PaletteFormatNamedBy(const std::string& path, PaletteFormat* format)
{
    const std::string extension = LowerExtension(path);
    if (extension == "gpl") *format = PaletteFormat::Gimp;
    else if (extension == "act") *format = PaletteFormat::Act;
    else if (extension == "hex") *format = PaletteFormat::Hex;
    else if (extension == "ase") *format = PaletteFormat::Ase;
    else return false;
    return true;
}

bool PaletteFormatForName(const std::string& path, PaletteFormat* format)
{
    if (PaletteFormatNamedBy(path, format)) return true;
    const std::string extension = LowerExtension(path);
    if (extension == "pal") *format = PaletteFormat::Riff;
    else if (extension == "txt") *format = PaletteFormat::Hex;
    else return false;
    return true;
}

bool ReadJascPalette(const std::string& bytes, ColorTable* table, std::string* reason)
{
    TextLines lines(bytes);
    std::string_view magic, version, countLine;
    if (!lines.Next(&magic) || Trim(magic) != kJascMagic) {
        *reason = "does not begin with the line JASC-PAL";
        return false;
    }
    if (!lines.Next(&version) || !lines.Next(&countLine)) {
        *reason = "ends before its version and color count lines";
        return false;
    }
    if (Trim(version) != kJascVersion) {
        *reason = "has version " + Quoted(Trim(version)) + "; only 0100 is known";
        return false;
    }
    std::string_view countText = Trim(countLine);
    uint32_t count = 0;
    if (!TakeNumber(&countText, &count) || !countText.empty()) {
        *reason = "line 3 is not a color count: " + Quoted(countLine);
        return false;
    }
    if (count > kMaxPaletteEntries) {
        *reason = "declares " + std::to_string(count) + " colors; at most 65,535 are read";
        return false;
    }
    std::vector<ColorEntry> colors(count);
    std::string_view line;
    for (uint32_t i = 0; i < count; ++i) {
        if (!lines.Next(&line)) {
            *reason = "declares " + std::to_string(count) + " colors but holds only " + std::to_string(i) +
                      " lines after its count";
            return false;
        }
        std::string_view rest;
        if (!TakeColor(line, lines.Index(), &colors[i], &rest, reason)) return false;
        if (!rest.empty()) {
            *reason = LineLabel(lines.Index()) + " has more than R G B: " + Quoted(line);
            return false;
        }
    }
    while (lines.Next(&line)) {
        if (!Trim(line).empty()) {
            *reason = LineLabel(lines.Index()) + " is beyond the " + std::to_string(count) +
                      " colors the file declares";
            return false;
        }
    }
    return Install(colors, table, reason);
}

bool ReadGimpPalette(const std::string& bytes, ColorTable* table, std::string* reason)
{
    TextLines lines(bytes);
    std::string_view line;
    if (!lines.Next(&line) || Trim(line) != kGimpMagic) {
        *reason = "does not begin with the line GIMP Palette";
        return false;
    }
    std::vector<ColorEntry> colors;
    while (lines.Next(&line)) {
        line = Trim(line);
        if (line.empty() || line.front() == '#') continue;
        // The header fields come before the first color.
        if (colors.empty() && (line.substr(0, 5) == "Name:" || line.substr(0, 8) == "Columns:")) continue;
        ColorEntry entry;
        std::string_view name;
        if (!TakeColor(line, lines.Index(), &entry, &name, reason)) return false;
        colors.push_back(entry);
        if (TooMany(colors.size(), reason)) return false;
    }
    return Install(colors, table, reason);
}

bool ReadActPalette(const std::string& bytes, ColorTable* table, std::string* reason)
{
    if (!IsActSize(bytes.size())) {
        *reason = "is " + std::to_string(bytes.size()) +
                  " bytes long; an Adobe Color Table is 768 or 772 bytes";
        return false;
    }
    size_t count = kActColors;
    if (bytes.size() == kActLongBytes) {
        count = size_t(uint8_t(bytes[kActBytes])) << 8 | uint8_t(bytes[kActBytes + 1]);
        if (count == 0 || count > kActColors) {
            *reason = "declares " + std::to_string(count) + " colors; an Adobe Color Table holds 1 to 256";
            return false;
        }
    }
    std::vector<ColorEntry> colors(count);
    for (size_t i = 0; i < count; ++i) {
        colors[i].red = uint8_t(bytes[3 * i]);
        colors[i].green = uint8_t(bytes[3 * i + 1]);
        colors[i].blue = uint8_t(bytes[3 * i + 2]);
        colors[i].flags = 0;
    }
    return Install(colors, table, reason);
}

namespace {

// ReadAnyPalette, with unknown set when no format's marks were found; an
// Adobe Color Table's size alone counts as its mark only when actBySize.
bool ReadDetectedPalette(const std::string& bytes, ColorTable* table, PaletteFormat* format,
                         std::string* reason, bool* unknown, bool actBySize)
{
    *unknown = false;
    PaletteFormat found = PaletteFormat::Riff;
    bool read = false;
    std::string why;
    std::string_view first = FirstLine(bytes);
    if (bytes.compare(0, 4, "RIFF") == 0) {
        found = PaletteFormat::Riff;
        std::istringstream in(bytes);
        read = table->ReadRiffPalette(in);
        if (!read) why = "is a RIFF file but not a valid RIFF palette";
    } else if (first == kJascMagic) {
        found = PaletteFormat::Jasc;
        read = ReadJascPalette(bytes, table, &why);
    } else if (first == kGimpMagic) {
        found = PaletteFormat::Gimp;
        read = ReadGimpPalette(bytes, table, &why);
    } else {
        // A 96-color hex list with CR LF is 768 bytes too: a text that starts
        // like a list (or mostly is one) is read as one, faults and all; the
        // size decides only for the rest.
        const ColorListShape shape = MeasureColorList(bytes);
        const ColorListKind list = shape.startsAs != ColorListKind::None ? shape.startsAs : shape.mostlyOf;
        if (list == ColorListKind::Hex) {
            found = PaletteFormat::Hex;
            read = ReadHexPalette(bytes, table, &why);
        } else if (list == ColorListKind::PaintNet) {
            found = PaletteFormat::PaintNet;
            read = ReadPaintNetPalette(bytes, table, &why);
        } else if (HasAseSignature(bytes) &&
                   (ReadAsePalette(bytes, table, nullptr, &why) || !IsActSize(bytes.size()))) {
            // An Adobe Color Table may begin with these bytes too; it stays one
            // unless it is a whole swatch file.
            found = PaletteFormat::Ase;
            read = why.empty();
        } else if (actBySize && IsActSize(bytes.size())) {
            found = PaletteFormat::Act;
            why.clear();
            read = ReadActPalette(bytes, table, &why);
        } else {
            *reason = "is not a palette file this program reads "
                      "(RIFF, JASC-PAL, GIMP, Adobe Color Table, Paint.NET or hex list)";
            *unknown = true;
            return false;
        }
    }
    if (!read) {
        *reason = found == PaletteFormat::Riff ? why : std::string(PaletteFormatName(found)) + ": " + why;
        return false;
    }
    if (format) *format = found;
    return true;
}

bool IsPlainText(const std::string& bytes)
{
    for (char c : bytes)
        if ((c < ' ' || c > '~') && c != '\t' && c != '\n' && c != '\r') return false;
    return true;
}

bool IsRawKind(PaletteFormat format)
{
    return format == PaletteFormat::Bgr555 || format == PaletteFormat::Vga;
}

bool NamesRawKind(const RawPaletteChoice* raw)
{
    return raw && raw->named && IsRawKind(raw->kind);
}

bool FitsRawKind(PaletteFormat kind, const std::string& bytes)
{
    return kind == PaletteFormat::Bgr555 ? LooksLikeBgr555(bytes) : LooksLikeVga(bytes);
}

// A file none of the marked formats takes: raw colors by its name (or the
// kind the user named) and bytes, or a picture of swatches.
bool ReadUnmarkedPalette(const std::string& path, const std::string& bytes, ColorTable* table,
                         PaletteFormat* format, std::string* reason, RawPaletteChoice* raw)
{
    const ByteSource source(bytes);
    if (IsSwatchPictureFormat(source)) {
        std::string why;
        // No palette format names it: format stays as it was.
        if (ReadSwatchPalette(source, table, nullptr, &why)) return true;
        *reason += ", and as a picture it " + why;
        return false;
    }
    const bool named = NamesRawKind(raw);
    const std::string extension = LowerExtension(path);
    // Text fits BGR555 words as often as not: a broken text palette stays
    // refused unless the user said it is raw colors.
    if (!named && ((extension != "bin" && extension != "pal") || IsPlainText(bytes))) return false;
    const bool bgr = LooksLikeBgr555(bytes), vga = LooksLikeVga(bytes);
    PaletteFormat found;
    if (bgr && vga) {
        if (!named) {
            *reason += "; its bytes fit both BGR555 and VGA colors, so which they are must be named";
            if (raw) raw->undecided = true;
            return false;
        }
        found = raw->kind;
    } else if (bgr || vga) {
        found = bgr ? PaletteFormat::Bgr555 : PaletteFormat::Vga;
    } else if (named) {
        found = raw->kind;  // its reader says what does not fit
    } else {
        return false;
    }
    std::string why;
    const bool read = found == PaletteFormat::Bgr555 ? ReadBgr555Palette(bytes, table, &why)
                                                     : ReadVgaPalette(bytes, table, &why);
    if (!read) {
        *reason = std::string(PaletteFormatName(found)) + ": " + why;
        return false;
    }
    if (format) *format = found;
    return true;
}

}  // namespace

bool ReadAnyPalette(const std::string& bytes, ColorTable* table, PaletteFormat* format,
                    std::string* reason)
{
    bool unknown = false;
    return ReadDetectedPalette(bytes, table, format, reason, &unknown, true);
}

bool LoadAnyPalette(const char* path, ColorTable* table, PaletteFormat* format, std::string* reason,
                    RawPaletteChoice* raw)
{
    if (raw) raw->undecided = false;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        *reason = "cannot be opened";
        return false;
    }
    uint64_t size = BytesRemaining(in);
    if (size > kMaxPaletteFileBytes) {
        *reason = "is " + std::to_string(size) + " bytes, larger than any palette file this program reads";
        return false;
    }
    std::string bytes(size_t(size), '\0');
    if (size && !in.read(&bytes[0], std::streamsize(size))) {
        *reason = "cannot be read";
        return false;
    }
    bool unknown = false;
    // 256 DAC triplets are 768 bytes, an Adobe Color Table's size: the kind
    // the user named comes first when the bytes fit it.
    const bool actBySize = !(NamesRawKind(raw) && FitsRawKind(raw->kind, bytes));
    if (ReadDetectedPalette(bytes, table, format, reason, &unknown, actBySize)) return true;
    return unknown && ReadUnmarkedPalette(path, bytes, table, format, reason, raw);
}

bool FormatHolds(PaletteFormat format, uint32_t count, std::string* reason)
{
    if (format == PaletteFormat::Act && (count == 0 || count > kActColors)) {
        *reason = "an Adobe Color Table holds 1 to 256 colors, not " + std::to_string(count);
        return false;
    }
    if (format == PaletteFormat::PaintNet && (count == 0 || count > kPaintNetColors)) {
        *reason = "a Paint.NET palette holds 1 to 96 colors, not " + std::to_string(count);
        return false;
    }
    if ((format == PaletteFormat::Bgr555 || format == PaletteFormat::Vga) &&
        (count == 0 || count > kMaxRawPaletteColors)) {
        *reason = std::string("a ") + PaletteFormatName(format) + " holds 1 to 256 colors, not " + std::to_string(count);
        return false;
    }
    if (format == PaletteFormat::Hex && count == 0) {
        *reason = "a hex list cannot be empty";
        return false;
    }
    if (count > kMaxPaletteEntries) {
        *reason = std::string("a ") + PaletteFormatName(format) + " is written with at most 65,535 colors";
        return false;
    }
    return true;
}

bool EncodePalette(const ColorTable& table, PaletteFormat format, std::string* bytes,
                   std::string* reason)
{
    const uint32_t count = table.GetCount();
    if (!FormatHolds(format, count, reason)) return false;
    std::string out;
    switch (format) {
    case PaletteFormat::Riff:
        *reason = "a RIFF palette is written by its own writer";
        return false;
    case PaletteFormat::Jasc:
        out = std::string(kJascMagic) + "\r\n" + kJascVersion + "\r\n" + std::to_string(count) + "\r\n";
        for (uint32_t i = 0; i < count; ++i) {
            const ColorEntry* e = table.GetEntry(i);
            AppendLine(&out, "%u %u %u", e->red, e->green, e->blue, "\r\n");
        }
        break;
    case PaletteFormat::Gimp:
        // No Name: or Columns: lines; readers that count every line as a
        // color slot would shift the colors by them.
        out = std::string(kGimpMagic) + "\n";
        for (uint32_t i = 0; i < count; ++i) {
            const ColorEntry* e = table.GetEntry(i);
            AppendLine(&out, "%3u %3u %3u", e->red, e->green, e->blue, "\n");
        }
        break;
    case PaletteFormat::Act:
        out.assign(count == kActColors ? kActBytes : kActLongBytes, '\0');
        for (uint32_t i = 0; i < count; ++i) {
            const ColorEntry* e = table.GetEntry(i);
            out[3 * i] = char(e->red);
            out[3 * i + 1] = char(e->green);
            out[3 * i + 2] = char(e->blue);
        }
        if (count < kActColors) {
            out[kActBytes] = char(count >> 8);
            out[kActBytes + 1] = char(count);
            out[kActBytes + 2] = char(kActNoTransparency >> 8);
            out[kActBytes + 3] = char(kActNoTransparency & 0xFF);
        }
        break;
    case PaletteFormat::Hex:
        for (uint32_t i = 0; i < count; ++i) {
            const ColorEntry* e = table.GetEntry(i);
            AppendLine(&out, "%02x%02x%02x", e->red, e->green, e->blue, "\r\n");
        }
        break;
    case PaletteFormat::PaintNet:
        out = EncodePaintNetPalette(table);
        break;
    case PaletteFormat::Bgr555:
        out = EncodeBgr555Palette(table);
        break;
    case PaletteFormat::Vga:
        out = EncodeVgaPalette(table);
        break;
    case PaletteFormat::Ase:
        out = EncodeAsePalette(table, nullptr);
        break;
    }
    bytes->swap(out);
    return true;
}

bool SavePalette(const ColorTable& table, PaletteFormat format, const char* path, std::string* reason)
{
    if (format == PaletteFormat::Riff) {
        if (!FormatHolds(format, table.GetCount(), reason)) return false;
        if (!table.SaveRiffPalette(path)) {
            *reason = "could not be written";
            return false;
        }
        return true;
    }
    std::string bytes;
    if (!EncodePalette(table, format, &bytes, reason)) return false;
    SafeFileWriter writer(path);
    if (writer.IsOpen()) writer.Write(bytes.data(), bytes.size());
    if (!writer.IsOpen() || !writer.Commit()) {
        *reason = "could not be written";
        return false;
    }
    return true;
}
