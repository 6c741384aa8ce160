// Answers the modal dialogs and message boxes that the code under test opens,
// the way a user would: a thread timer runs inside their modal loops, finds
// the newest dialog, records what it shows and performs the next queued
// action. A dialog that nothing was queued for is cancelled and recorded, so
// a test never hangs on an unexpected box.
#ifndef KORIN_TESTS_WIN32_MODAL_ANSWERER_H
#define KORIN_TESTS_WIN32_MODAL_ANSWERER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Control ids of the common file dialog.
const int kFileNameCombo = 0x47C;
const int kFileNameEdit = 0x480;
const int kFileTypeCombo = 0x470;
// The text of a message box.
const int kMessageBoxText = 0xFFFF;

struct SeenDialog {
    HWND window;
    std::string caption;
    std::string text;     // a message box's text; empty for other dialogs
    bool expected;        // false: nothing was queued for it, it was cancelled
};

class ModalAnswerer {
public:
    // An action gets the dialog; it returns false to be called again on the
    // next tick (for example while the dialog is still filling itself).
    typedef std::function<bool(HWND dialog)> Action;

    // Windows that exist now are never taken for modal dialogs.
    ModalAnswerer();
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

    // Queues an action for the next modal dialog that appears.
    void Then(Action action);
    // Common actions.
    static Action Press(int buttonId);
    static Action TypeFileName(const std::string& path);
    static Action SetText(int controlId, const std::string& text, Action next);

    const std::vector<SeenDialog>& Seen() const { return seen; }
    size_t Pending() const { return actions.size() - next; }
    // Captions and texts of the dialogs seen, in order, one per line: handy in
    // failure messages.
    std::string Describe() const;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Answer();
    HWND FindNewDialog() const;

    UINT_PTR timer;
    std::vector<HWND> before;  // dialogs that existed when the answerer started
    std::vector<HWND> alive;   // dialogs seen that still exist
    std::vector<Action> actions;
    size_t next;
    int unexpectedTries;
    std::vector<SeenDialog> seen;
    bool busy;
};

// The text of a control as ANSI bytes.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);

#endif
