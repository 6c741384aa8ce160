// The language of the program's menus, dialogs and texts. Every resource is
// looked up with an explicit language id, since Wine ignores the thread's UI
// language; the Japanese resources stand in for anything the chosen language
// lacks.
#ifndef KORIN_APP_UI_LANGUAGE_H
#define KORIN_APP_UI_LANGUAGE_H

#include <windows.h>

#include <string>

// The choice kept in the registry value kLanguageValue, one byte.
enum class LanguageChoice : BYTE { System = 0, Japanese = 1, English = 2 };

extern const char kLanguageValue[];
const LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);
const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// Japanese for a Japanese user language, English for every other.
LANGID LanguageFor(LanguageChoice choice, LANGID userLanguage);
// The stored choice (System when missing or unknown).
LanguageChoice StoredLanguageChoice();
// Stores the choice and makes its language the one resources come in.
void ChooseLanguage(LanguageChoice choice);
// Reads the stored choice into uiLanguage; at start-up.
void LoadLanguageChoice();

// A resource's bytes in uiLanguage, or in Japanese; null when neither exists.
const void* FindResourceBytes(LPCSTR type, UINT id, DWORD* size = nullptr);
// String id in code page 932 (the bytes the program's literals have);
// empty when missing.
std::string LoadText(UINT id);
HMENU LoadMenuIn(UINT id);
INT_PTR DialogBoxIn(UINT id, HWND owner, DLGPROC procedure, LPARAM parameter = 0);
// A template's own menu comes in the language FindResource picks: windows
// with one replace it with LoadMenuIn.
HWND CreateDialogIn(UINT id, HWND owner, DLGPROC procedure, LPARAM parameter = 0);

#endif
