// Which of a GIF's tables the palette window edits: a menu of its own after
// the window's others, there only while the file holds more than one.
#include "palette/palette_window.h"

#include "app/globals.h"
#include "app/ui_language.h"
#include "document/bitmap_document.h"
#include "resources/resource.h"

namespace {

const char kCaption[] = "Korin";

}  // namespace

void PaletteWindow::UpdateTableMenu()
{
    HMENU bar = Hwnd() ? GetMenu(Hwnd()) : nullptr;
    if (!bar) return;
    std::vector<int> tables = bitmapDocument.FileTables();
    const size_t most = ID_PALETTE_TABLE_LAST - ID_PALETTE_TABLE_FIRST + 1;
    if (tables.size() > most) tables.resize(most);
    if (tables != tableChoices || !tableMenu) {
        if (tableMenu) {
            for (int i = GetMenuItemCount(bar); i-- > 0;)
                if (GetSubMenu(bar, i) == tableMenu) DeleteMenu(bar, UINT(i), MF_BYPOSITION);
            tableMenu = nullptr;
        }
        tableChoices = tables;
        if (!tables.empty()) {
            tableMenu = CreatePopupMenu();
            const std::string frame = LoadText(IDS_PALETTE_TABLE_FRAME);
            for (size_t k = 0; k < tables.size(); ++k) {
                char text[64];
                if (tables[k] < 0) {
                    lstrcpynA(text, LoadText(IDS_PALETTE_TABLE_GLOBAL).c_str(), sizeof text);
                } else {
                    char number[16];
                    wsprintfA(number, "%d", tables[k] + 1);
                    wsprintfA(text, frame.c_str(), number);
                }
                AppendMenuA(tableMenu, MF_STRING, ID_PALETTE_TABLE_FIRST + k, text);
            }
            AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tableMenu),
                        LoadText(IDS_PALETTE_TABLE_MENU).c_str());
        }
        DrawMenuBar(Hwnd());
    }
    const int edited = bitmapDocument.EditedFileTable();
    for (size_t k = 0; k < tableChoices.size(); ++k) {
        if (tableChoices[k] != edited) continue;
        CheckMenuRadioItem(tableMenu, ID_PALETTE_TABLE_FIRST, UINT(ID_PALETTE_TABLE_FIRST + tableChoices.size() - 1),
                           UINT(ID_PALETTE_TABLE_FIRST + k), MF_BYCOMMAND);
    }
}

bool PaletteWindow::OnTableCommand(int id)
{
    if (id < ID_PALETTE_TABLE_FIRST || id > ID_PALETTE_TABLE_LAST) return false;
    const size_t k = size_t(id - ID_PALETTE_TABLE_FIRST);
    if (k >= tableChoices.size() || tableChoices[k] == bitmapDocument.EditedFileTable()) return true;
    // The working table is the one left: its edits not applied go with it.
    if (ConfirmDiscard() == IDCANCEL) return true;
    if (!bitmapDocument.SwitchFileTable(tableChoices[k]) && !bitmapDocument.Problem().empty())
        MessageBoxA(Hwnd(), bitmapDocument.Problem().c_str(), kCaption, MB_ICONWARNING);
    return true;
}
