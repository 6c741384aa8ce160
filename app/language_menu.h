// The main window's menu in the program's language, and the language choice
// the program appends to its Help menu after the items of the template.
#ifndef KORIN_APP_LANGUAGE_MENU_H
#define KORIN_APP_LANGUAGE_MENU_H

#include <windows.h>

HMENU LoadMainMenu();
// Marks the stored choice in the language submenu.
void CheckLanguageMenu(HMENU popup);
// Stores the choice of an ID_HELP_LANGUAGE_* command and shows the main and
// palette windows' menus and titles in it at once; dialogs and messages
// opened afterwards follow.
void ChooseLanguageCommand(HWND window, int id);

#endif
