#include "tests/win32/support/modal_answerer.h"

#include <algorithm>

namespace {

ModalAnswerer* activeAnswerer = nullptr;

struct ThreadWindows {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam)
{
    reinterpret_cast<ThreadWindows*>(lParam)->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> DialogsOfThisThread()
{
    ThreadWindows found;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&found));
    std::vector<HWND> dialogs;
    for (HWND window : found.windows) {
        char className[32] = "";
        GetClassNameA(window, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0) dialogs.push_back(window);
    }
    return dialogs;
}

}  // namespace

std::string WindowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::string text(size_t(length) + 1, '\0');
    GetWindowTextA(window, &text[0], length + 1);
    text.resize(lstrlenA(text.c_str()));
    return text;
}

std::string ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? WindowText(item) : std::string();
}

ModalAnswerer::ModalAnswerer()
    : timer(0), before(DialogsOfThisThread()), next(0), unexpectedTries(0), busy(false)
{
    activeAnswerer = this;
    timer = SetTimer(nullptr, 0, 40, Tick);
}

ModalAnswerer::~ModalAnswerer()
{
    KillTimer(nullptr, timer);
    activeAnswerer = nullptr;
}

void ModalAnswerer::Then(Action action)
{
    actions.push_back(action);
}

ModalAnswerer::Action ModalAnswerer::Press(int buttonId)
{
    return [buttonId](HWND dialog) {
        HWND button = GetDlgItem(dialog, buttonId);
        if (button && IsWindowEnabled(button)) {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), LPARAM(button));
        } else {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
        }
        return true;
    };
}

ModalAnswerer::Action ModalAnswerer::TypeFileName(const std::string& path)
{
    return [path](HWND dialog) {
        HWND box = GetDlgItem(dialog, kFileNameCombo);
        if (!box) box = GetDlgItem(dialog, kFileNameEdit);
        if (!box) return false;  // not filled in yet
        SetWindowTextA(box, path.c_str());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
        return true;
    };
}

ModalAnswerer::Action ModalAnswerer::SetText(int controlId, const std::string& text, Action then)
{
    return [controlId, text, then](HWND dialog) {
        SetDlgItemTextA(dialog, controlId, text.c_str());
        return then(dialog);
    };
}

std::string ModalAnswerer::Describe() const
{
    std::string lines;
    for (const SeenDialog& dialog : seen) {
        lines += "[" + dialog.caption + "] " + dialog.text + (dialog.expected ? "" : " (unexpected)") + "\n";
    }
    return lines;
}

void CALLBACK ModalAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeAnswerer && !activeAnswerer->busy) activeAnswerer->Answer();
}

HWND ModalAnswerer::FindNewDialog() const
{
    // The modal dialog on top: it disables its owner, and a box opened over a
    // dialog disables that dialog. Modeless tool windows leave their owner enabled.
    for (HWND dialog : DialogsOfThisThread()) {
        if (std::find(before.begin(), before.end(), dialog) != before.end()) continue;
        HWND owner = GetWindow(dialog, GW_OWNER);
        if (owner && IsWindowEnabled(owner)) continue;
        if (IsWindowVisible(dialog) && IsWindowEnabled(dialog)) return dialog;
    }
    return nullptr;
}

void ModalAnswerer::Answer()
{
    busy = true;
    alive.erase(std::remove_if(alive.begin(), alive.end(), [](HWND w) { return !IsWindow(w); }),
                alive.end());
    HWND dialog = FindNewDialog();
    if (dialog) {
        if (std::find(alive.begin(), alive.end(), dialog) == alive.end()) {
            alive.push_back(dialog);
            SeenDialog record = {dialog, WindowText(dialog), ItemText(dialog, kMessageBoxText),
                                 next < actions.size()};
            seen.push_back(record);
            unexpectedTries = 0;
        }
        if (next < actions.size()) {
            if (actions[next](dialog)) ++next;
        } else {
            // Nothing was queued: get rid of it whatever buttons it has.
            static const int buttons[] = {IDCANCEL, IDNO, IDOK};
            int button = buttons[unexpectedTries++ % 3];
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(dialog, button)));
        }
    }
    busy = false;
}
