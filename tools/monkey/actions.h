// The user actions the monkey takes on a running Korin, one a step, chosen
// by the seed: menu commands of its three windows, keys, clicks and drags,
// typed digits, the clipboard, resizing, and quitting; every dialog that
// comes up on the way answered as a user might.
#ifndef KORIN_TOOLS_MONKEY_ACTIONS_H
#define KORIN_TOOLS_MONKEY_ACTIONS_H

#include <windows.h>

#include <string>
#include <vector>

#include "tools/monkey/random.h"

class KorinApp;
class Scratch;

// What a step did, as far as the checks need to know.
struct StepRecord {
    enum Kind { Other, Document, Open, New, Close, Save, Apply, Exit };
    Kind kind = Other;
    std::string what;                // for the report
    std::vector<std::string> boxes;  // message boxes seen
    std::string opened;              // picture named in an open dialog
    bool newAccepted = false;        // the new-image dialog's OK pressed
    bool stopped = false;            // a question or dialog answered Cancel
    bool restarted = false;          // Korin quit and was started again
};

// What the monkey knows of the main window's view, from the commands it gave.
struct ViewState {
    bool sizeKnown = false;
    bool fitToWindow = false;
    bool highlight = false;
};

class Actor {
public:
    Actor(KorinApp& app, Scratch& scratch, uint64_t seed, const std::string& exe);
    // Takes one action and answers the dialogs it brings up; false with why
    // when Korin stopped answering on the way.
    bool Step(StepRecord* record, std::string* why);
    const ViewState& View() const { return view; }

private:
    void MainCommand(StepRecord* record);
    void PaletteCommand(StepRecord* record);
    void Key(StepRecord* record);
    void GridMouse(StepRecord* record);
    void PanelMouse(StepRecord* record);
    void TypeDigits(StepRecord* record);
    void PictureClick(StepRecord* record);
    void Resize(StepRecord* record);
    void Clipboard(StepRecord* record);
    bool Quit(StepRecord* record, std::string* why);

    bool AnswerDialogs(StepRecord* record, std::string* why);
    void AnswerFileDialog(HWND dialog, StepRecord* record);
    void AnswerMessageBox(HWND dialog, StepRecord* record);
    void AnswerNewImage(HWND dialog, StepRecord* record);
    void Drag(HWND window, int x, int y, int moves, WPARAM keys);

    KorinApp& app;
    Scratch& scratch;
    Random random;
    std::string exe;
    ViewState view;
    // How long Korin may take to settle after an action.
    DWORD patience;
};

#endif
