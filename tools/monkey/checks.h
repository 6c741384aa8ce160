// What must hold after every step: Korin alive and answering, its GDI and
// USER objects bounded, its title's modified mark true to the actions, the
// screen showing the file the title names, every file it saved readable with
// the table it showed, and nothing else left in the scratch folder.
#ifndef KORIN_TOOLS_MONKEY_CHECKS_H
#define KORIN_TOOLS_MONKEY_CHECKS_H

#include <windows.h>

#include <map>
#include <string>

#include "tools/monkey/actions.h"
#include "tools/monkey/scratch.h"

class KorinApp;

struct Limits {
    int warmUpSteps = 150;  // the highest counts seen in these set the baseline
    DWORD gdiMargin = 100;
    DWORD userMargin = 20;
};

class Checker {
public:
    Checker(KorinApp& app, Scratch& scratch, const Limits& limits);
    // Takes the state before the first step.
    void Begin();
    // False with what went wrong.
    bool After(int step, const StepRecord& record, const ViewState& view, std::string* failure);
    std::string Summary() const;

private:
    bool Alive(std::string* failure);
    bool Resources(int step, std::string* failure);
    bool Title(const StepRecord& record, const std::string& title, const std::string& savedPicture,
               std::string* failure);
    bool Folder(std::string* savedPicture, std::string* failure);
    bool SavedPalette(const std::string& name, std::string* failure);
    bool Screen(const std::string& title, const ViewState& view, std::string* failure);
    const Picture* Decoded(const std::string& name);

    KorinApp& app;
    Scratch& scratch;
    Limits limits;
    FolderState folder;
    std::string title;
    bool maybeEmpty;  // a failed open or new may have emptied the picture behind the title
    DWORD gdiBase, userBase, gdiHigh, userHigh;
    std::map<std::string, std::pair<FileStamp, Picture>> decoded;
};

// Writes the whole screen as a BMP file.
bool SaveScreen(const std::string& path);

#endif
