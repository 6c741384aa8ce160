// The palette window in the program's language. The dialog manager loads the
// template's menu in whatever language FindResource picks (Wine ignores the
// thread's UI language), so the window takes its menu from LoadMenuIn.
#include "palette/palette_window.h"

#include "app/ui_language.h"
#include "resources/resource.h"

void PaletteWindow::ShowLanguage()
{
    HMENU menu = LoadMenuIn(IDR_PALETTE_MENU);
    if (!menu) return;
    HMENU old = GetMenu(Hwnd());
    SetMenu(Hwnd(), menu);
    if (old) DestroyMenu(old);
    // The table menu went with the old bar.
    tableMenu = nullptr;
    tableChoices.clear();
    UpdateTableMenu();
    // The checks the window keeps itself; the others follow each popup's opening.
    SetMenuCheck(GetSubMenu(menu, 1), ID_PALETTE_MARK_UNUSED, markUnused);
    SetMenuCheck(GetSubMenu(menu, 1), ID_PALETTE_PANEL, panelShown);
    SetWindowTextA(Hwnd(), LoadText(IDS_PALETTE_TITLE).c_str());
}
