#include "tools/monkey/actions.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "resources/resource.h"
#include "tools/monkey/korin_app.h"
#include "tools/monkey/scratch.h"

namespace {

struct Command {
    int id;
    const char* name;
    StepRecord::Kind kind = StepRecord::Other;  // what of the document it may change
};

const Command kMainCommands[] = {
    {ID_FILE_NEW, "File>New", StepRecord::New}, {ID_FILE_OPEN, "File>Open", StepRecord::Open},
    {ID_FILE_CLOSE, "File>Close", StepRecord::Close}, {ID_FILE_SAVE, "File>Save", StepRecord::Save},
    {ID_FILE_SAVE_AS, "File>Save As", StepRecord::Save}, {ID_FILE_DELETE_REGISTRY, "File>Delete registry"},
    {ID_PALETTE_DIALOG, "Palette>Dialog"}, {ID_PALETTE_SHOW, "Palette>Show"}, {ID_VIEW_SHOW_HEADER, "View>Header"},
    {ID_VIEW_SHOW_PICTURE, "View>Picture"}, {ID_VIEW_HEADER_SUMMARY, "View>Summary"},
    {ID_VIEW_HEADER_MEMBERS, "View>Members"}, {ID_VIEW_NUMBERS_DECIMAL, "View>Decimal"},
    {ID_VIEW_NUMBERS_HEX, "View>Hex"}, {ID_VIEW_ACTUAL_SIZE, "View>Actual size"},
    {ID_VIEW_FIT_TO_WINDOW, "View>Fit to window"}, {ID_VIEW_BACKGROUND_BLACK, "View>Black"},
    {ID_VIEW_BACKGROUND_WHITE, "View>White"}, {ID_VIEW_REDRAW, "View>Redraw"},
    {ID_VIEW_HIGHLIGHT_ENTRY, "View>Highlight entry"}, {ID_WINDOW_FIT_TO_PICTURE, "Window>Fit to picture"},
    {ID_WINDOW_KEEP_RATIO, "Window>Keep ratio"}, {ID_HELP_ABOUT, "Help>About"},
};

const Command kPaletteCommands[] = {
    {ID_PALETTE_LOAD, "Palette>Load"}, {ID_PALETTE_SAVE, "Palette>Save"}, {ID_PALETTE_RELEASE, "Palette>Release"},
    {ID_PALETTE_APPLY, "Palette>Apply", StepRecord::Apply}, {ID_PALETTE_RESTORE, "Palette>Restore"},
    {ID_PALETTE_CLOSE, "Palette>Close"}, {ID_PALETTE_PANEL, "View>Panel"},
    {ID_PALETTE_INFORMATION, "View>Information"}, {ID_PALETTE_MARK_UNUSED, "View>Mark unused"},
    {ID_PALETTE_INVERT, "Operation>Invert"}, {ID_PALETTE_SWAP_RED_GREEN, "Operation>Swap red green"},
    {ID_PALETTE_SWAP_GREEN_BLUE, "Operation>Swap green blue"},
    {ID_PALETTE_SWAP_BLUE_RED, "Operation>Swap blue red"}, {ID_PALETTE_GRADIENT_RGB, "Operation>Gradient RGB"},
    {ID_PALETTE_GRADIENT_OKLAB, "Operation>Gradient OKLab"}, {ID_PALETTE_UNDO, "Edit>Undo"},
    {ID_PALETTE_REDO, "Edit>Redo"}, {ID_PALETTE_COPY, "Edit>Copy"}, {ID_PALETTE_PASTE, "Edit>Paste"},
    {ID_PALETTE_MOVE_BACK, "Rearrange>Move back"}, {ID_PALETTE_MOVE_FORWARD, "Rearrange>Move forward"},
    {ID_PALETTE_MOVE_TO, "Rearrange>Move to"}, {ID_PALETTE_SWAP_ENTRIES, "Rearrange>Swap ends"},
    {ID_PALETTE_SORT_HUE, "Rearrange>Sort by hue"}, {ID_PALETTE_SORT_LIGHTNESS, "Rearrange>Sort by lightness"},
    {ID_PALETTE_SORT_USAGE, "Rearrange>Sort by usage"}, {ID_PALETTE_COMPACT, "Rearrange>Compact"},
    {ID_PALETTE_MERGE_DUPLICATES, "Rearrange>Merge duplicates"}, {ID_PALETTE_CONFORM, "Rearrange>Conform"},
    {ID_PALETTE_KEEP_PICTURE, "Rearrange>Keep picture"}, {ID_PALETTE_KEEP_INDICES, "Rearrange>Keep indices"},
};

struct KeyPress {
    UINT key;
    bool control;
    bool shift;
    const char* name;
};

// Accelerators and the keys the windows and fields handle themselves. Keys
// that may reach a document command are marked by the kind of their step.
const KeyPress kKeys[] = {
    {'R', false, false, "R"}, {'G', false, false, "G"}, {'B', false, false, "B"}, {'O', false, false, "O"},
    {'N', true, false, "Ctrl+N"}, {'O', true, false, "Ctrl+O"}, {'S', true, false, "Ctrl+S"},
    {VK_F4, false, false, "F4"}, {VK_F5, false, false, "F5"}, {VK_F6, false, false, "F6"},
    {VK_F7, false, false, "F7"}, {VK_TAB, false, false, "Tab"}, {VK_TAB, true, false, "Ctrl+Tab"},
    {VK_TAB, true, true, "Ctrl+Shift+Tab"}, {'Z', true, false, "Ctrl+Z"}, {'Y', true, false, "Ctrl+Y"},
    {'Z', true, true, "Ctrl+Shift+Z"}, {'C', true, false, "Ctrl+C"}, {'V', true, false, "Ctrl+V"},
    {VK_LEFT, true, false, "Ctrl+Left"}, {VK_RIGHT, true, false, "Ctrl+Right"}, {'M', true, false, "Ctrl+M"},
    {VK_UP, false, false, "Up"}, {VK_DOWN, false, false, "Down"}, {VK_LEFT, false, false, "Left"},
    {VK_RIGHT, false, false, "Right"}, {VK_UP, false, true, "Shift+Up"}, {VK_DOWN, false, true, "Shift+Down"},
    {VK_LEFT, false, true, "Shift+Left"}, {VK_RIGHT, false, true, "Shift+Right"}, {VK_PRIOR, false, false, "PgUp"},
    {VK_NEXT, false, false, "PgDn"}, {VK_HOME, false, false, "Home"}, {VK_END, false, false, "End"},
    {VK_F12, false, false, "F12"}, {VK_SPACE, false, false, "Space"}, {VK_RETURN, false, false, "Enter"},
    {VK_ESCAPE, false, false, "Esc"}, {VK_BACK, false, false, "Backspace"}, {VK_DELETE, false, false, "Del"},
};

const int kFileNameCombo = 0x47C;
const int kFileTypeCombo = 0x470;
const int kMessageBoxText = 0xFFFF;
const char kSaveQuestionEnd[] = "への変更を保存しますか?";
const char kOpenTitle[] = "開く";

template <class T, size_t N>
const T& Pick(Random& random, const T (&items)[N])
{
    return items[random.Below(uint32_t(N))];
}

void Click(HWND window, int x, int y, WPARAM keys = 0)
{
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
    PostMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
}

void PressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

bool EndsWith(const std::string& text, const char* end)
{
    const size_t n = std::strlen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// The picture the title names, for a save that overwrites it.
std::string TitleName(HWND main)
{
    std::string title = TextOf(main);
    const size_t open = title.find('['), close = title.rfind(']');
    if (open == std::string::npos || close == std::string::npos || close < open) return "";
    std::string name = title.substr(open + 1, close - open - 1);
    if (EndsWith(name, " *")) name.resize(name.size() - 2);
    return name;
}

}  // namespace

Actor::Actor(KorinApp& app, Scratch& scratch, uint64_t seed, const std::string& exe)
    : app(app), scratch(scratch), random(seed), exe(exe), patience(kAnswerMs)
{
}

bool Actor::Step(StepRecord* record, std::string* why)
{
    const uint32_t roll = random.Below(1000);
    if (roll < 250) {
        MainCommand(record);
    } else if (roll < 500) {
        PaletteCommand(record);
    } else if (roll < 680) {
        Key(record);
    } else if (roll < 780) {
        GridMouse(record);
    } else if (roll < 860) {
        PanelMouse(record);
    } else if (roll < 920) {
        TypeDigits(record);
    } else if (roll < 950) {
        PictureClick(record);
    } else if (roll < 975) {
        Resize(record);
    } else if (roll < 997) {
        Clipboard(record);
    } else {
        return Quit(record, why);
    }
    return AnswerDialogs(record, why);
}

void Actor::MainCommand(StepRecord* record)
{
    const Command& command = Pick(random, kMainCommands);
    record->what = std::string("main menu ") + command.name;
    record->kind = command.kind;
    const bool document = TextOf(app.Main()) != "Korin";
    switch (command.id) {
    case ID_VIEW_ACTUAL_SIZE:
    case ID_VIEW_FIT_TO_WINDOW:
        view.sizeKnown = true;
        view.fitToWindow = command.id == ID_VIEW_FIT_TO_WINDOW;
        break;
    case ID_WINDOW_FIT_TO_PICTURE:
    case ID_WINDOW_KEEP_RATIO:
        if (document) view.fitToWindow = command.id == ID_WINDOW_KEEP_RATIO;
        break;
    case ID_VIEW_HIGHLIGHT_ENTRY:
        view.highlight = !view.highlight;
        break;
    default:
        break;
    }
    PostMessageA(app.Main(), WM_COMMAND, MAKEWPARAM(command.id, 0), 0);
}

void Actor::PaletteCommand(StepRecord* record)
{
    // A hidden window's menu cannot be used: show it first, as a user would.
    if (!IsWindowVisible(app.Palette())) {
        record->what = "main menu Palette>Dialog (to reach the palette menu)";
        PostMessageA(app.Main(), WM_COMMAND, MAKEWPARAM(ID_PALETTE_DIALOG, 0), 0);
        return;
    }
    const Command& command = Pick(random, kPaletteCommands);
    record->what = std::string("palette menu ") + command.name;
    record->kind = command.kind;
    PostMessageA(app.Palette(), WM_COMMAND, MAKEWPARAM(command.id, 0), 0);
}

void Actor::Key(StepRecord* record)
{
    const HWND windows[] = {app.Main(), app.Palette(), app.Panel()};
    std::string where;
    if (random.Chance(50)) {
        const HWND window = Pick(random, windows);
        if (IsWindowVisible(window)) {
            app.Activate(window);
            app.Settle();
            where = window == app.Main() ? " on the main window" : window == app.Palette() ? " on the palette" : " on the panel";
        }
    }
    const KeyPress& key = Pick(random, kKeys);
    record->what = std::string("key ") + key.name + where;
    // F5 applies from the palette, Ctrl+S, Ctrl+N and Ctrl+O reach the document.
    if (key.key == VK_F5 || (key.control && (key.key == 'S' || key.key == 'N' || key.key == 'O')))
        record->kind = StepRecord::Document;
    // Fit to picture and keep ratio change the view when the main window is active.
    if (key.key == VK_F6 || key.key == VK_F7) view.sizeKnown = false;
    app.PressKey(key.key, key.control, key.shift);
}

void Actor::Drag(HWND window, int x, int y, int moves, WPARAM keys)
{
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
    for (int i = 0; i < moves; ++i) {
        x += int(random.Below(61)) - 30;
        y += int(random.Below(21)) - 10;
        PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON | keys, MAKELPARAM(x, y));
    }
    PostMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
}

void Actor::GridMouse(StepRecord* record)
{
    if (!IsWindowVisible(app.Palette())) return PaletteCommand(record);
    const int column = int(random.Below(12)), row = int(random.Below(8));
    const int x = 5 + 22 * column + 3 + int(random.Below(16)), y = 5 + 22 * row + 3 + int(random.Below(16));
    const bool shift = random.Chance(25);
    const WPARAM keys = shift ? MK_SHIFT : 0;
    switch (random.Below(3)) {
    case 0:
        record->what = "click grid cell " + std::to_string(column) + "," + std::to_string(row) + (shift ? " with Shift" : "");
        Click(app.Grid(), x, y, keys);
        break;
    case 1:
        record->what = "drag on grid from cell " + std::to_string(column) + "," + std::to_string(row);
        Drag(app.Grid(), x, y, 1 + int(random.Below(5)), keys);
        break;
    default:
        record->what = "hover grid cell " + std::to_string(column) + "," + std::to_string(row);
        PostMessageA(app.Grid(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        break;
    }
}

void Actor::PanelMouse(StepRecord* record)
{
    if (!IsWindowVisible(app.Panel())) {
        if (!IsWindowVisible(app.Palette())) return PaletteCommand(record);
        record->what = "key O on the palette (to show the panel)";
        app.Activate(app.Palette());
        app.Settle();
        return app.PressKey('O', false, false);
    }
    const int sliders[] = {IDC_RED_SLIDER, IDC_GREEN_SLIDER, IDC_BLUE_SLIDER};
    const int spins[] = {IDC_RED_UPDOWN, IDC_GREEN_UPDOWN, IDC_BLUE_UPDOWN};
    const int channel = int(random.Below(3));
    RECT box;
    switch (random.Below(3)) {
    case 0: {
        const HWND slider = GetDlgItem(app.Panel(), sliders[channel]);
        GetClientRect(slider, &box);
        const int x = int(random.Below(uint32_t(box.right + 10))) - 5;
        record->what = "drag slider " + std::to_string(channel) + " from x " + std::to_string(x);
        Drag(slider, x, box.bottom / 2, int(random.Below(6)), 0);
        break;
    }
    case 1: {
        const HWND spin = GetDlgItem(app.Panel(), spins[channel]);
        GetClientRect(spin, &box);
        const bool up = random.Chance(50);
        record->what = std::string("click spin ") + std::to_string(channel) + (up ? " up" : " down");
        Click(spin, box.right / 2, up ? box.bottom / 4 : box.bottom * 3 / 4);
        break;
    }
    default:
        record->what = "click Enter button";
        GetClientRect(GetDlgItem(app.Panel(), IDC_ENTER_BUTTON), &box);
        Click(GetDlgItem(app.Panel(), IDC_ENTER_BUTTON), box.right / 2, box.bottom / 2);
        break;
    }
}

void Actor::TypeDigits(StepRecord* record)
{
    if (!IsWindowVisible(app.Panel())) return PanelMouse(record);
    const int fields[] = {IDC_RED_FIELD, IDC_GREEN_FIELD, IDC_BLUE_FIELD};
    const HWND field = GetDlgItem(app.Panel(), Pick(random, fields));
    app.Activate(app.Panel());
    Click(field, 4, 4);
    app.Settle();
    std::string typed;
    for (uint32_t n = 1 + random.Below(4); n > 0; --n) {
        const char digit = char('0' + random.Below(10));
        typed += digit;
        app.PressKey(UINT(digit), false, false);
    }
    const bool enter = random.Chance(60);
    record->what = "type " + typed + " into a channel field" + (enter ? " and Enter" : "");
    if (enter) app.PressKey(VK_RETURN, false, false);
}

void Actor::PictureClick(StepRecord* record)
{
    RECT client;
    GetClientRect(app.Main(), &client);
    const int x = int(random.Below(uint32_t(client.right + 1))), y = int(random.Below(uint32_t(client.bottom + 1)));
    record->what = "click picture at " + std::to_string(x) + "," + std::to_string(y);
    Click(app.Main(), x, y);
}

void Actor::Resize(StepRecord* record)
{
    const int width = 330 + int(random.Below(600)), height = 100 + int(random.Below(600));
    record->what = "resize main window to " + std::to_string(width) + "x" + std::to_string(height);
    RECT place;
    GetWindowRect(app.Main(), &place);
    SetWindowPos(app.Main(), nullptr, place.left, place.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Actor::Clipboard(StepRecord* record)
{
    std::string text;
    switch (random.Below(3)) {
    case 0:
        for (uint32_t n = 1 + random.Below(300); n > 0; --n) {
            char line[16];
            wsprintfA(line, "#%06x\r\n", unsigned(random.Next() & 0xFFFFFF));
            text += line;
        }
        break;
    case 1:
        text = std::to_string(random.Below(256)) + " " + std::to_string(random.Below(256)) + " 7\r\nnot a color";
        break;
    default:
        for (uint32_t n = random.Below(5000); n > 0; --n) text += char(1 + random.Below(255));
        break;
    }
    record->what = "put " + std::to_string(text.size()) + " bytes of text on the clipboard";
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (memory) {
        std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

bool Actor::Quit(StepRecord* record, std::string* why)
{
    const bool menu = random.Chance(50);
    record->what = menu ? "main menu File>Exit" : "close the main window";
    record->kind = StepRecord::Exit;
    const HWND main = app.Main();
    PostMessageA(main, menu ? WM_COMMAND : WM_CLOSE, menu ? MAKEWPARAM(ID_FILE_EXIT, 0) : 0, 0);
    if (!AnswerDialogs(record, why)) {
        if (IsWindow(main)) return false;
        why->clear();
    }
    if (IsWindow(main)) return true;
    DWORD code = 0;
    if (!app.WaitExit(&code) || code != 0) {
        *why = "Korin did not end cleanly after quitting (exit code " + std::to_string(code) + ")";
        return false;
    }
    record->restarted = true;
    view = ViewState();
    patience = kAnswerMs;
    return app.Start(exe, why);
}

bool Actor::AnswerDialogs(StepRecord* record, std::string* why)
{
    for (int answered = 0; answered < 16; ++answered) {
        if (!app.Settle(patience)) {
            *why = app.Running() ? "Korin did not handle its messages within " + std::to_string(patience / 1000) + " s"
                                 : "Korin is gone";
            return false;
        }
        const HWND dialog = app.ModalDialog();
        if (!dialog) return true;
        // A user who keeps getting a dialog back gives up on it in the end.
        if (answered >= 8) {
            record->stopped = true;
            record->what += "; gave up on a dialog";
            PressButton(dialog, IDCANCEL);
        } else if (GetDlgItem(dialog, kFileNameCombo)) {
            AnswerFileDialog(dialog, record);
        } else if (GetDlgItem(dialog, IDC_NEW_WIDTH)) {
            // The new-image and About dialogs' labels have the id of a message box's text.
            AnswerNewImage(dialog, record);
        } else if (GetDlgItem(dialog, IDC_MOVE_POSITION)) {
            const bool cancel = random.Chance(20);
            const UINT to = random.Below(300);
            record->what += cancel ? "; move cancelled" : "; move to " + std::to_string(to);
            SetDlgItemInt(dialog, IDC_MOVE_POSITION, to, FALSE);
            PressButton(dialog, cancel ? IDCANCEL : IDOK);
        } else if (TextOf(dialog).compare(0, 5, "About") == 0) {
            record->what += "; About closed";
            PressButton(dialog, IDOK);
        } else {
            AnswerMessageBox(dialog, record);
        }
    }
    *why = "dialogs kept coming after 16 answers";
    return false;
}

void Actor::AnswerFileDialog(HWND dialog, StepRecord* record)
{
    if (random.Chance(15)) {
        record->stopped = true;
        return PressButton(dialog, IDCANCEL);
    }
    const bool open = TextOf(dialog) == kOpenTitle;
    const bool picture = GetWindow(dialog, GW_OWNER) == app.Main();
    const HWND types = GetDlgItem(dialog, kFileTypeCombo);
    const LRESULT count = SendMessageA(types, CB_GETCOUNT, 0, 0);
    if (count > 1) {
        SendMessageA(types, CB_SETCURSEL, WPARAM(random.Below(uint32_t(count))), 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeCombo, CBN_SELCHANGE), LPARAM(types));
    }
    std::string name;
    if (open) {
        const std::vector<std::string>& inputs = scratch.Inputs();
        name = inputs[random.Below(uint32_t(inputs.size()))];
        // Files Korin saved are opened again now and then.
        if (random.Chance(30)) name = std::string(picture ? "pic" : "pal") + char('0' + random.Below(4)) +
                                      Pick(random, {".bmp", ".png", ".gif", ".pal", ".gpl", ".act"});
        if (GetFileAttributesA(scratch.PathOf(name).c_str()) == INVALID_FILE_ATTRIBUTES) name = inputs[0];
        if (picture) record->opened = name;
    } else if (picture) {
        const std::string current = TitleName(app.Main());
        name = random.Chance(20) && IsPictureName(current) ? current
                                                     : "pic" + std::string(1, char('0' + random.Below(4))) +
                                                           Pick(random, {".bmp", ".png", ".gif"});
    } else {
        name = "pal" + std::string(1, char('0' + random.Below(4))) +
               Pick(random, {".pal", ".gpl", ".act", ".hex", ".txt"});
    }
    if (!open) scratch.Expect(name);
    record->what += "; file dialog: " + name;
    SetWindowTextA(GetDlgItem(dialog, kFileNameCombo), scratch.PathOf(name).c_str());
    PressButton(dialog, IDOK);
}

void Actor::AnswerMessageBox(HWND dialog, StepRecord* record)
{
    const std::string text = TextOf(GetDlgItem(dialog, kMessageBoxText));
    record->boxes.push_back(text);
    int buttons[4], offered = 0;
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
        if (GetDlgItem(dialog, id)) buttons[offered++] = id;
    const int answer = offered ? buttons[random.Below(uint32_t(offered))] : IDCANCEL;
    if (answer == IDCANCEL && EndsWith(text, kSaveQuestionEnd)) record->stopped = true;
    record->what += std::string("; message box answered ") +
                    (answer == IDOK ? "OK" : answer == IDCANCEL ? "Cancel" : answer == IDYES ? "Yes" : "No");
    PressButton(dialog, answer);
}

void Actor::AnswerNewImage(HWND dialog, StepRecord* record)
{
    if (random.Chance(20)) {
        record->stopped = true;
        record->what += "; new image cancelled";
        return PressButton(dialog, IDCANCEL);
    }
    const HWND modes = GetDlgItem(dialog, IDC_NEW_COLOR_MODE);
    SendMessageA(modes, CB_SETCURSEL, WPARAM(random.Below(4)), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_NEW_COLOR_MODE, CBN_SELCHANGE), LPARAM(modes));
    const uint32_t width = random.Chance(5) ? random.Below(100000) : random.Below(400);
    const uint32_t height = random.Chance(5) ? random.Below(100000) : random.Below(300);
    SetDlgItemInt(dialog, IDC_NEW_WIDTH, width, FALSE);
    SetDlgItemInt(dialog, IDC_NEW_HEIGHT, height, FALSE);
    if (random.Chance(30)) SetDlgItemInt(dialog, IDC_NEW_ENTRIES, random.Below(300), FALSE);
    record->newAccepted = true;
    record->what += "; new image " + std::to_string(width) + "x" + std::to_string(height);
    PressButton(dialog, IDOK);
    // Making, applying to or counting a picture of gigapixels takes Korin
    // seconds, as the user asked: 10 s more a gigapixel, from now on, since
    // the picture may stay after a later command fails.
    patience = std::max<DWORD>(patience, kAnswerMs + DWORD(uint64_t(width) * height / 100000));
}
