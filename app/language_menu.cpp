#include "app/language_menu.h"

#include "app/globals.h"
#include "app/ui_language.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"
#include "resources/resource.h"

namespace {

// The top-level popup that holds command, if any.
HMENU PopupHolding(HMENU menu, UINT command)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU popup = GetSubMenu(menu, i);
        if (popup && GetMenuState(popup, command, MF_BYCOMMAND) != UINT(-1)) return popup;
    }
    return nullptr;
}

}  // namespace

HMENU LoadMainMenu()
{
    HMENU menu = LoadMenuIn(IDR_MAIN_MENU);
    HMENU help = menu ? PopupHolding(menu, ID_HELP_ABOUT) : nullptr;
    if (!help) return menu;
    HMENU languages = CreatePopupMenu();
    if (!languages) return menu;
    AppendMenuA(languages, MF_STRING, ID_HELP_LANGUAGE_SYSTEM, LoadText(IDS_MAIN_LANGUAGE_SYSTEM).c_str());
    AppendMenuA(languages, MF_STRING, ID_HELP_LANGUAGE_JAPANESE, LoadText(IDS_MAIN_LANGUAGE_JAPANESE).c_str());
    AppendMenuA(languages, MF_STRING, ID_HELP_LANGUAGE_ENGLISH, LoadText(IDS_MAIN_LANGUAGE_ENGLISH).c_str());
    AppendMenuA(help, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(help, MF_POPUP, UINT_PTR(languages), LoadText(IDS_MAIN_LANGUAGE).c_str());
    return menu;
}

void CheckLanguageMenu(HMENU popup)
{
    CheckMenuRadioItem(popup, ID_HELP_LANGUAGE_SYSTEM, ID_HELP_LANGUAGE_ENGLISH,
                       ID_HELP_LANGUAGE_SYSTEM + UINT(StoredLanguageChoice()), MF_BYCOMMAND);
}

void ChooseLanguageCommand(HWND window, int id)
{
    ChooseLanguage(LanguageChoice(id - ID_HELP_LANGUAGE_SYSTEM));
    HMENU menu = LoadMainMenu();
    if (!menu) return;
    HMENU old = GetMenu(window);
    SetMenu(window, menu);
    if (old) DestroyMenu(old);
    DrawMenuBar(window);
    if (paletteWindow.Hwnd()) paletteWindow.ShowLanguage();
    bitmapDocument.UpdateHeaderReport();
}
