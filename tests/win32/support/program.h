// The program started in the test process exactly as its entry point starts
// it, with its global objects made afresh, and driven by the messages a
// user's actions produce.
#ifndef KORIN_TESTS_WIN32_PROGRAM_H
#define KORIN_TESTS_WIN32_PROGRAM_H

#include <windows.h>

#include <functional>
#include <string>

namespace program {

// Ends a running program (no questions asked), rebuilds the global objects as
// static initialisation does, and runs start-up. With a clean registry the
// program's key is deleted first, as on a machine that never ran it.
HWND Restart(bool cleanRegistry);
// Destroys the main window the way closing it would once the document agreed.
void Stop();
HWND MainWindow();

// Dispatches what is queued, through the program's own message loop step.
void Pump();
// Pumps until done() holds or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 5000);

// A menu command, as choosing the item sends it.
void Command(int id);
// A key pressed and released on the window that has the focus, with the
// modifier keys held as given; accelerators translate it for the active window.
void PressKey(UINT virtualKey, bool control = false, bool shift = false);

// The color of a client-area pixel of window as it is on the screen.
COLORREF ClientPixel(HWND window, int x, int y);

std::string Title();

}  // namespace program

#endif
