#include "palette/binary_palettes.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "color/channel_depth.h"
#include "palette/palette_text.h"

namespace {

const int kBgrBits = 5;
const int kVgaBits = 6;
const uint8_t kVgaTop = 63;
const char kAseSignature[] = "ASEF";
const uint16_t kAseColorBlock = 0x0001;
const uint16_t kAseGroupStart = 0xC001;
const uint16_t kAseGroupEnd = 0xC002;
const uint16_t kAseNormalColor = 2;
// Type and length: the least a block takes.
const uint64_t kAseBlockHeader = 6;

bool Refuse(std::string* reason, const std::string& why)
{
    *reason = why;
    return false;
}

bool RawSizeFits(size_t size, size_t unit)
{
    return size > 0 && size % unit == 0 && size / unit <= kMaxRawPaletteColors;
}

// A cursor over big-endian fields that never reads past the end.
class BigEndianReader {
public:
    explicit BigEndianReader(const std::string& bytes) : bytes(bytes), at(0) {}
    uint64_t Left() const { return bytes.size() - at; }
    size_t At() const { return at; }
    bool Skip(uint64_t count)
    {
        if (count > Left()) return false;
        at += size_t(count);
        return true;
    }
    bool U16(uint16_t* value)
    {
        if (Left() < 2) return false;
        *value = uint16_t(Byte(0) << 8 | Byte(1));
        at += 2;
        return true;
    }
    bool U32(uint32_t* value)
    {
        if (Left() < 4) return false;
        *value = uint32_t(Byte(0)) << 24 | uint32_t(Byte(1)) << 16 | uint32_t(Byte(2)) << 8 | Byte(3);
        at += 4;
        return true;
    }
    bool F32(float* value)
    {
        uint32_t word = 0;
        if (!U32(&word)) return false;
        std::memcpy(value, &word, sizeof word);
        return true;
    }
    bool Text(size_t count, std::string* text)
    {
        if (count > Left()) return false;
        text->assign(bytes, at, count);
        at += count;
        return true;
    }

private:
    unsigned Byte(size_t offset) const { return uint8_t(bytes[at + offset]); }
    const std::string& bytes;
    size_t at;
};

void PutU16(std::string* out, uint32_t value)
{
    *out += char(value >> 8 & 0xFF);
    *out += char(value & 0xFF);
}

void PutU32(std::string* out, uint32_t value)
{
    PutU16(out, value >> 16);
    PutU16(out, value & 0xFFFF);
}

void PutF32(std::string* out, float value)
{
    uint32_t word = 0;
    std::memcpy(&word, &value, sizeof word);
    PutU32(out, word);
}

void AppendUtf8(std::string* out, uint32_t code)
{
    if (code < 0x80) {
        *out += char(code);
    } else if (code < 0x800) {
        *out += char(0xC0 | code >> 6);
        *out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out += char(0xE0 | code >> 12);
        *out += char(0x80 | (code >> 6 & 0x3F));
        *out += char(0x80 | (code & 0x3F));
    } else {
        *out += char(0xF0 | code >> 18);
        *out += char(0x80 | (code >> 12 & 0x3F));
        *out += char(0x80 | (code >> 6 & 0x3F));
        *out += char(0x80 | (code & 0x3F));
    }
}

const uint32_t kReplacement = 0xFFFD;

// UTF-16 code units (big-endian pairs of bytes) as UTF-8; a lone surrogate
// becomes U+FFFD, so every name reads.
std::string Utf16ToUtf8(const std::string& units)
{
    std::string out;
    for (size_t i = 0; i + 1 < units.size(); i += 2) {
        uint32_t unit = uint32_t(uint8_t(units[i])) << 8 | uint8_t(units[i + 1]);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < units.size()) {
            const uint32_t low = uint32_t(uint8_t(units[i + 2])) << 8 | uint8_t(units[i + 3]);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(&out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(&out, unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit);
    }
    return out;
}

// UTF-8 as big-endian UTF-16 units; a byte that starts no sequence is U+FFFD.
std::string Utf8ToUtf16(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const uint8_t lead = uint8_t(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const uint8_t next = uint8_t(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        if (!valid || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            code = kReplacement;
            length = 1;
        }
        if (code >= 0x10000) {
            PutU16(&out, 0xD800 + ((code - 0x10000) >> 10));
            PutU16(&out, 0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            PutU16(&out, code);
        }
        i += length;
    }
    return out;
}

uint8_t UnitToChannel(double value)
{
    if (!(value > 0)) return 0;  // NaN too
    if (value >= 1) return 255;
    return uint8_t(std::lround(value * 255));
}

// One color block's data; false with a reason naming the block.
bool ReadAseColor(BigEndianReader* block, size_t index, ColorEntry* entry, std::string* name,
                  std::string* reason)
{
    const std::string label = "color block " + std::to_string(index + 1);
    uint16_t nameUnits = 0;
    std::string units, model;
    if (!block->U16(&nameUnits) || !block->Text(size_t(nameUnits) * 2, &units) || !block->Text(4, &model))
        return Refuse(reason, label + " ends inside its name or color model");
    // The name's count includes its closing zero.
    while (units.size() >= 2 && units[units.size() - 1] == 0 && units[units.size() - 2] == 0) units.resize(units.size() - 2);
    *name = Utf16ToUtf8(units);
    size_t channels = model == "RGB " ? 3 : model == "CMYK" ? 4 : model == "Gray" ? 1 : 0;
    if (model == "LAB ") return Refuse(reason, label + " is a Lab color, which this program does not convert");
    if (channels == 0) return Refuse(reason, label + " has the unknown color model " + Quoted(model));
    float values[4] = {};
    uint16_t type = 0;
    for (size_t c = 0; c < channels; ++c)
        if (!block->F32(&values[c])) return Refuse(reason, label + " ends inside its color values");
    if (!block->U16(&type)) return Refuse(reason, label + " ends before its color type");
    entry->flags = 0;
    if (channels == 3) {
        entry->red = UnitToChannel(values[0]);
        entry->green = UnitToChannel(values[1]);
        entry->blue = UnitToChannel(values[2]);
    } else if (channels == 1) {
        entry->red = entry->green = entry->blue = UnitToChannel(values[0]);
    } else {
        // Plain arithmetic, no color profile: what screen previews do.
        const double white = 1.0 - values[3];
        entry->red = UnitToChannel((1.0 - values[0]) * white);
        entry->green = UnitToChannel((1.0 - values[1]) * white);
        entry->blue = UnitToChannel((1.0 - values[2]) * white);
    }
    return true;
}

}  // namespace

bool LooksLikeBgr555(const std::string& bytes)
{
    if (!RawSizeFits(bytes.size(), 2)) return false;
    for (size_t i = 1; i < bytes.size(); i += 2)
        if (uint8_t(bytes[i]) & 0x80) return false;
    return true;
}

bool LooksLikeVga(const std::string& bytes)
{
    if (!RawSizeFits(bytes.size(), 3)) return false;
    for (char c : bytes)
        if (uint8_t(c) > kVgaTop) return false;
    return true;
}

bool ReadBgr555Palette(const std::string& bytes, ColorTable* table, std::string* reason)
{
    if (!RawSizeFits(bytes.size(), 2))
        return Refuse(reason, "is " + std::to_string(bytes.size()) +
                                  " bytes long; BGR555 colors are 2 bytes each, 1 to 256 of them");
    std::vector<ColorEntry> colors(bytes.size() / 2);
    for (size_t i = 0; i < colors.size(); ++i) {
        const uint32_t word = uint32_t(uint8_t(bytes[2 * i])) | uint32_t(uint8_t(bytes[2 * i + 1])) << 8;
        if (word & 0x8000) return Refuse(reason, "color " + std::to_string(i) + " has its top bit set");
        colors[i].red = ExpandChannelLevel(word & 0x1F, kBgrBits);
        colors[i].green = ExpandChannelLevel(word >> 5 & 0x1F, kBgrBits);
        colors[i].blue = ExpandChannelLevel(word >> 10 & 0x1F, kBgrBits);
        colors[i].flags = 0;
    }
    return Install(colors, table, reason);
}

bool ReadVgaPalette(const std::string& bytes, ColorTable* table, std::string* reason)
{
    if (!RawSizeFits(bytes.size(), 3))
        return Refuse(reason, "is " + std::to_string(bytes.size()) +
                                  " bytes long; VGA colors are 3 bytes each, 1 to 256 of them");
    std::vector<ColorEntry> colors(bytes.size() / 3);
    uint8_t* channels[3];
    for (size_t i = 0; i < colors.size(); ++i) {
        channels[0] = &colors[i].red;
        channels[1] = &colors[i].green;
        channels[2] = &colors[i].blue;
        for (size_t c = 0; c < 3; ++c) {
            const uint8_t value = uint8_t(bytes[3 * i + c]);
            if (value > kVgaTop)
                return Refuse(reason, "color " + std::to_string(i) + " has the value " + std::to_string(value) +
                                          "; a VGA DAC takes 0 to 63");
            *channels[c] = ExpandChannelLevel(value, kVgaBits);
        }
        colors[i].flags = 0;
    }
    return Install(colors, table, reason);
}

std::string EncodeBgr555Palette(const ColorTable& table)
{
    std::string out;
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* e = table.GetEntry(i);
        const uint32_t word = NearestChannelLevel(e->red, kBgrBits) | NearestChannelLevel(e->green, kBgrBits) << 5 |
                              NearestChannelLevel(e->blue, kBgrBits) << 10;
        out += char(word & 0xFF);
        out += char(word >> 8);
    }
    return out;
}

std::string EncodeVgaPalette(const ColorTable& table)
{
    std::string out;
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* e = table.GetEntry(i);
        out += char(NearestChannelLevel(e->red, kVgaBits));
        out += char(NearestChannelLevel(e->green, kVgaBits));
        out += char(NearestChannelLevel(e->blue, kVgaBits));
    }
    return out;
}

bool HasAseSignature(const std::string& bytes)
{
    return bytes.compare(0, 4, kAseSignature) == 0;
}

bool ReadAsePalette(const std::string& bytes, ColorTable* table, std::vector<std::string>* names,
                    std::string* reason)
{
    BigEndianReader file(bytes);
    std::string signature;
    uint16_t major = 0, minor = 0;
    uint32_t blocks = 0;
    if (!file.Text(4, &signature) || signature != kAseSignature)
        return Refuse(reason, "does not begin with ASEF");
    if (!file.U16(&major) || !file.U16(&minor) || !file.U32(&blocks))
        return Refuse(reason, "ends inside its header");
    if (major != 1 || minor != 0)
        return Refuse(reason, "has version " + std::to_string(major) + "." + std::to_string(minor) + "; only 1.0 is known");
    if (uint64_t(blocks) * kAseBlockHeader > file.Left())
        return Refuse(reason, "declares " + std::to_string(blocks) + " blocks, more than its " +
                                  std::to_string(bytes.size()) + " bytes can hold");
    std::vector<ColorEntry> colors;
    std::vector<std::string> found;
    for (uint32_t b = 0; b < blocks; ++b) {
        uint16_t type = 0;
        uint32_t length = 0;
        if (!file.U16(&type) || !file.U32(&length) || length > file.Left())
            return Refuse(reason, "block " + std::to_string(b + 1) + " runs past the end of the file");
        std::string data;
        file.Text(length, &data);
        if (type == kAseGroupStart || type == kAseGroupEnd) continue;
        if (type != kAseColorBlock) continue;  // a kind of block later versions may add
        BigEndianReader block(data);
        ColorEntry entry;
        std::string name;
        if (!ReadAseColor(&block, colors.size(), &entry, &name, reason)) return false;
        colors.push_back(entry);
        found.push_back(name);
        if (TooMany(colors.size(), reason)) return false;
    }
    if (file.Left() != 0)
        return Refuse(reason, "has " + std::to_string(file.Left()) + " bytes after its last block");
    if (!Install(colors, table, reason)) return false;
    if (names) names->swap(found);
    return true;
}

std::string EncodeAsePalette(const ColorTable& table, const std::vector<std::string>* names)
{
    std::string out(kAseSignature);
    PutU16(&out, 1);
    PutU16(&out, 0);
    PutU32(&out, table.GetCount());
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* e = table.GetEntry(i);
        std::string name;
        if (names && i < names->size() && !(*names)[i].empty()) {
            name = (*names)[i];
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "#%02X%02X%02X", e->red, e->green, e->blue);
            name = hex;
        }
        std::string units = Utf8ToUtf16(name);
        // A name's count is 16 bits, its closing zero included.
        if (units.size() / 2 > 0xFFFE) units.resize(0xFFFE * 2);
        std::string data;
        PutU16(&data, uint32_t(units.size() / 2 + 1));
        data += units;
        PutU16(&data, 0);
        data += "RGB ";
        PutF32(&data, float(e->red / 255.0));
        PutF32(&data, float(e->green / 255.0));
        PutF32(&data, float(e->blue / 255.0));
        PutU16(&data, kAseNormalColor);
        PutU16(&out, kAseColorBlock);
        PutU32(&out, uint32_t(data.size()));
        out += data;
    }
    return out;
}
