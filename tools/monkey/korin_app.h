// A korin.exe run by the monkey in its own process: started, found by its
// windows, waited for, counted, and steered by messages a user's input makes.
#ifndef KORIN_TOOLS_MONKEY_KORIN_APP_H
#define KORIN_TOOLS_MONKEY_KORIN_APP_H

#include <windows.h>

#include <string>

// The longest Korin may take to answer before it counts as hung.
const DWORD kAnswerMs = 10000;

// Calls check until it returns true or the time is up.
template <class Check>
bool WaitFor(Check check, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!check()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(5);
    }
    return true;
}

std::string TextOf(HWND window);

class KorinApp {
public:
    KorinApp();
    ~KorinApp();
    KorinApp(const KorinApp&) = delete;
    KorinApp& operator=(const KorinApp&) = delete;

    bool Start(const std::string& exe, std::string* why);
    // After the main window went: waits for the process to end; its exit code.
    bool WaitExit(DWORD* exitCode);
    void Kill();
    bool Running() const;

    HWND Main() const { return main; }
    HWND Palette() const { return palette; }
    HWND Panel() const { return panel; }
    HWND Grid() const;
    // The window that has the keyboard focus in Korin's thread, else its active one.
    HWND Focus() const;

    // Waits until Korin has handled every message posted to it so far; false
    // when it does not get there in time (hung, or gone).
    bool Settle(DWORD timeoutMs = kAnswerMs);
    // True when all three windows answer a sent message in time.
    bool Answers() const;
    // The modal dialog or message box that takes input now, waiting a little
    // for one whose owner is already disabled; null when none is up.
    HWND ModalDialog() const;

    // Posts a key press to the focused window with Ctrl and Shift as given,
    // through Korin's own message loop (and so its accelerators).
    void PressKey(UINT key, bool control, bool shift);
    // Activates one of Korin's top-level windows, as a click on it would.
    void Activate(HWND window);

    // Objects of the process: GDI, and USER (windows where the system does not count them).
    DWORD GdiObjects() const;
    DWORD UserObjects() const;
    // How the counts are taken here, said once at start.
    std::string CountSource() const;

private:
    bool FindWindows();
    DWORD CountGdiTable() const;

    PROCESS_INFORMATION process;
    HWND main, palette, panel, header;
    DWORD thread;
    LPARAM marker;
    bool attached;
};

#endif
