// Plain text on the clipboard, for the windows that copy and paste it.
#ifndef KORIN_APP_CLIPBOARD_TEXT_H
#define KORIN_APP_CLIPBOARD_TEXT_H

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

// Replaces what the clipboard holds with text (CF_TEXT). False when the
// clipboard could not be had or the text not stored.
bool PutClipboardText(HWND owner, const std::string& text);

// Gives each line of the clipboard's text to line, without its line break
// and with every character beyond ASCII turned into blanks, one a byte, so
// that no byte of a double-byte character reads as a letter or digit. Reads
// no more than limit bytes: a line the limit cuts is not given. Stops early
// when line returns false. False when the clipboard holds no text, could not
// be had, or memory for a line could not be had.
bool ForEachClipboardLine(HWND owner, size_t limit, const std::function<bool(const char* line, size_t length)>& line);

#endif
