#include "app/ui_language.h"

#include "app/globals.h"
#include "app/settings_store.h"

const char kLanguageValue[] = "UiLanguage";

LANGID LanguageFor(LanguageChoice choice, LANGID userLanguage)
{
    switch (choice) {
    case LanguageChoice::Japanese: return kJapanese;
    case LanguageChoice::English: return kEnglish;
    case LanguageChoice::System: break;
    }
    return PRIMARYLANGID(userLanguage) == LANG_JAPANESE ? kJapanese : kEnglish;
}

LanguageChoice StoredLanguageChoice()
{
    BYTE stored = 0;
    DWORD sizeRead = 0;
    if (settingsStore.ReadValue(kLanguageValue, &stored, sizeof stored, &sizeRead) != ERROR_SUCCESS ||
        sizeRead != sizeof stored || stored > BYTE(LanguageChoice::English))
        return LanguageChoice::System;
    return LanguageChoice(stored);
}

void ChooseLanguage(LanguageChoice choice)
{
    const BYTE stored = BYTE(choice);
    settingsStore.WriteValue(kLanguageValue, &stored, sizeof stored);
    uiLanguage = LanguageFor(choice, GetUserDefaultUILanguage());
}

void LoadLanguageChoice()
{
    uiLanguage = LanguageFor(StoredLanguageChoice(), GetUserDefaultUILanguage());
}

const void* FindResourceBytes(LPCSTR type, UINT id, DWORD* size)
{
    HRSRC found = FindResourceExA(instanceHandle, type, MAKEINTRESOURCEA(id), uiLanguage);
    if (!found) found = FindResourceExA(instanceHandle, type, MAKEINTRESOURCEA(id), kJapanese);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(instanceHandle, found);
    if (!loaded) return nullptr;
    if (size) *size = SizeofResource(instanceHandle, found);
    return LockResource(loaded);
}

std::string LoadText(UINT id)
{
    // A string block holds 16 counted UTF-16 strings: block id / 16 + 1.
    DWORD size = 0;
    const WCHAR* block = static_cast<const WCHAR*>(FindResourceBytes(RT_STRING, id / 16 + 1, &size));
    if (!block) return std::string();
    const WCHAR* end = block + size / sizeof(WCHAR);
    const WCHAR* text = block;
    for (UINT i = 0; i < id % 16 && text < end; ++i) text += 1 + *text;
    if (text >= end || *text == 0 || text + 1 + *text > end) return std::string();
    const int length = int(*text);
    // Code page 932 whatever the system's: the program's texts are those bytes.
    const int bytes = WideCharToMultiByte(932, 0, text + 1, length, nullptr, 0, nullptr, nullptr);
    std::string converted(size_t(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(932, 0, text + 1, length, &converted[0], bytes, nullptr, nullptr);
    return converted;
}

HMENU LoadMenuIn(UINT id)
{
    const void* bytes = FindResourceBytes(RT_MENU, id);
    return bytes ? LoadMenuIndirectA(bytes) : nullptr;
}

INT_PTR DialogBoxIn(UINT id, HWND owner, DLGPROC procedure, LPARAM parameter)
{
    const void* bytes = FindResourceBytes(RT_DIALOG, id);
    if (!bytes) return -1;
    return DialogBoxIndirectParamA(instanceHandle, static_cast<LPCDLGTEMPLATEA>(bytes), owner, procedure,
                                   parameter);
}

HWND CreateDialogIn(UINT id, HWND owner, DLGPROC procedure, LPARAM parameter)
{
    const void* bytes = FindResourceBytes(RT_DIALOG, id);
    if (!bytes) return nullptr;
    return CreateDialogIndirectParamA(instanceHandle, static_cast<LPCDLGTEMPLATEA>(bytes), owner, procedure,
                                      parameter);
}
