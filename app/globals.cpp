// The global objects, in the order they must be constructed: the document
// reads its view options through the settings store, and the palette window
// holds the color panel that the last pointer names.
#include "app/globals.h"

#include "app/settings_store.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"

SettingsStore settingsStore("Korin");
BitmapDocument bitmapDocument;
PaletteWindow paletteWindow;
ColorPanel* colorPanel = &paletteWindow.Panel();

NewImageSpec newImageSpec;
HINSTANCE instanceHandle;
LANGID uiLanguage = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);
