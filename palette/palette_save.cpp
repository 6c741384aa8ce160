// Writing the palette window's table to a file in the format chosen, and
// telling the user what went wrong.
#include "palette/palette_window.h"

#include "app/save_refusal.h"
#include "app/ui_language.h"
#include "resources/resource.h"
#include "platform/safe_file_writer.h"

#include <cctype>

namespace {

const char kCaption[] = "Korin";

// Only a RIFF file keeps the entries' flags.
bool HasFlags(const ColorTable& table)
{
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        if (table.GetEntry(i)->flags) return true;
    }
    return false;
}

// Raw colors hold 5 or 6 bits a channel: a table of finer colors is not
// what such a file holds.
bool LosesColors(const ColorTable& table, PaletteFormat format)
{
    const int bits = format == PaletteFormat::Bgr555 ? 5 : format == PaletteFormat::Vga ? 6 : 0;
    if (bits == 0) return false;
    ColorTable snapped(table);
    if (snapped.GetCount() != table.GetCount() || !snapped.SnapToDepth(bits)) return true;
    for (uint32_t i = 0; i < table.GetCount(); ++i)
        if (snapped.GetPackedColor(i) != table.GetPackedColor(i)) return true;
    return false;
}

}  // namespace

void PaletteWindow::SaveTable(PaletteFormat format, const std::string& path)
{
    std::string reason;
    if (!FormatHolds(format, workingTable.GetCount(), &reason)) {
        reason[0] = char(toupper(static_cast<unsigned char>(reason[0])));
        MessageBoxA(Hwnd(), (reason + ".").c_str(), kCaption, MB_ICONERROR);
        return;
    }
    bool saved = format == PaletteFormat::Riff ? workingTable.SaveRiffPalette(path.c_str())
                                               : ::SavePalette(workingTable, format, path.c_str(), &reason);
    if (!saved) {
        // The edits are not in any file yet: say so and keep them marked.
        if (!TellSaveRefusal(Hwnd(), SafeFileWriter::CheckTarget(path.c_str()), MB_ICONERROR))
            MessageBoxA(Hwnd(), LoadText(IDS_PALETTE_SAVING_ERROR).c_str(), kCaption, MB_ICONERROR);
        return;
    }
    // The file lacks the flags: the table is not what it holds.
    if (format != PaletteFormat::Riff && HasFlags(workingTable)) return;
    if (LosesColors(workingTable, format)) return;
    modified = 0;
    history.MarkUnmodified();
}
