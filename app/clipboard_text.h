// Plain text on the clipboard, for the windows that copy and paste it.
#ifndef KORIN_APP_CLIPBOARD_TEXT_H
#define KORIN_APP_CLIPBOARD_TEXT_H

#include <windows.h>

#include <string>

// Replaces what the clipboard holds with text (CF_TEXT). False when the
// clipboard could not be had or the text not stored.
bool PutClipboardText(HWND owner, const std::string& text);

// The clipboard's text with every character beyond ASCII turned into
// blanks, one a byte, so that no byte of a double-byte character reads as a
// letter or digit. False when the clipboard holds no text or could not be had.
bool GetClipboardAsciiText(HWND owner, std::string* text);

#endif
