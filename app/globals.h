// The program's global objects, defined together in globals.cpp so that they
// are constructed in this order and destroyed in reverse.
#ifndef KORIN_APP_GLOBALS_H
#define KORIN_APP_GLOBALS_H

#include <windows.h>

#include "image/new_image_spec.h"

class SettingsStore;
class BitmapDocument;
class PaletteWindow;
class ColorPanel;

extern SettingsStore settingsStore;
extern BitmapDocument bitmapDocument;
extern PaletteWindow paletteWindow;
extern ColorPanel* colorPanel;

// Set at start-up, filled by the new-image dialog, kept for the whole run.
extern NewImageSpec newImageSpec;
// The module every resource, window and dialog comes from.
extern HINSTANCE instanceHandle;
// The language every resource is loaded in (app/ui_language.h).
extern LANGID uiLanguage;

#endif
