// The main window: the picture or the header view, the menu and its commands.
#ifndef KORIN_APP_MAIN_WINDOW_H
#define KORIN_APP_MAIN_WINDOW_H

#include <windows.h>

extern const char kMainWindowClass[];

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class and creates the main window where it was last left.
HWND StartUp(HINSTANCE instance, int showCommand);
// One turn of the message loop: accelerators first, for the active window.
void DispatchProgramMessage(MSG& message, HACCEL accelerators);
// Runs until the main window is gone; returns the exit code.
int RunMessageLoop();

#endif
