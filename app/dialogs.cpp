// The new-image and About dialogs. They keep no state of their own: the
// new-image dialog works on the global NewImageSpec.
#include "app/dialogs.h"

#include "app/globals.h"
#include "app/ui_language.h"
#include "image/new_image_spec.h"
#include "resources/resource.h"

namespace {

const char kCaption[] = "Korin";

// The color modes in the combo box's list order.
struct ColorMode {
    UINT text;
    int32_t bitCount;
    UINT entryCount;  // put into the entry field when the mode is chosen
};

const ColorMode kColorModes[] = {
    {IDS_NEW_MODE_2, 1, 2},
    {IDS_NEW_MODE_16, 4, 16},
    {IDS_NEW_MODE_256, 8, 256},
    {IDS_NEW_MODE_FULL_COLOR, 24, 0},
};
const int kColorModeCount = sizeof(kColorModes) / sizeof(kColorModes[0]);
const int kFullColorIndex = kColorModeCount - 1;

// Out-of-range indexes (CB_ERR included) count as full color.
const ColorMode& ModeAt(LRESULT index)
{
    if (index >= 0 && index < kColorModeCount)
        return kColorModes[index];
    return kColorModes[kFullColorIndex];
}

// Unknown bit counts select the first mode.
int ModeIndexFor(int32_t bitCount)
{
    for (int i = 0; i < kColorModeCount; ++i) {
        if (kColorModes[i].bitCount == bitCount)
            return i;
    }
    return 0;
}

UINT ProblemText(NewImageProblem problem)
{
    switch (problem) {
    case NewImageProblem::FullColorWithEntries:
        return IDS_NEW_FULL_COLOR_ENTRIES;
    case NewImageProblem::InvalidSize:
        return IDS_NEW_INVALID_SIZE;
    case NewImageProblem::TooManyEntries:
        return IDS_NEW_TOO_MANY_ENTRIES;
    case NewImageProblem::None:
        break;
    }
    return 0;
}

void OnNewImageInit(HWND dialog)
{
    SetDlgItemInt(dialog, IDC_NEW_WIDTH, UINT(newImageSpec.width), FALSE);
    SetDlgItemInt(dialog, IDC_NEW_HEIGHT, UINT(newImageSpec.height), FALSE);
    SetDlgItemInt(dialog, IDC_NEW_ENTRIES, UINT(newImageSpec.entryCount), FALSE);
    HWND combo = GetDlgItem(dialog, IDC_NEW_COLOR_MODE);
    for (const ColorMode& mode : kColorModes)
        SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(LoadText(mode.text).c_str()));
    SendMessageA(combo, CB_SETCURSEL, WPARAM(ModeIndexFor(newImageSpec.bitCount)), 0);
}

void OnColorModeChanged(HWND dialog, HWND combo)
{
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    // No selection leaves no entries to suggest, as full color does.
    SetDlgItemInt(dialog, IDC_NEW_ENTRIES, ModeAt(index).entryCount, FALSE);
}

// Stores what the fields hold before checking it, so refused values come
// back the next time the dialog opens.
void OnNewImageOk(HWND dialog)
{
    newImageSpec.width = int32_t(GetDlgItemInt(dialog, IDC_NEW_WIDTH, nullptr, FALSE));
    newImageSpec.height = int32_t(GetDlgItemInt(dialog, IDC_NEW_HEIGHT, nullptr, FALSE));
    newImageSpec.entryCount = int32_t(GetDlgItemInt(dialog, IDC_NEW_ENTRIES, nullptr, FALSE));
    LRESULT index = SendDlgItemMessageA(dialog, IDC_NEW_COLOR_MODE, CB_GETCURSEL, 0, 0);
    newImageSpec.bitCount = ModeAt(index).bitCount;

    const UINT problem = ProblemText(CheckNewImageSpec(newImageSpec));
    if (problem) {
        MessageBoxA(dialog, LoadText(problem).c_str(), kCaption, MB_ICONERROR);
        return;
    }
    EndDialog(dialog, IDOK);
}

}  // namespace

INT_PTR CALLBACK NewImageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnNewImageInit(dialog);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == CBN_SELCHANGE)
            OnColorModeChanged(dialog, HWND(lParam));
        switch (LOWORD(wParam)) {
        case IDOK:
            OnNewImageOk(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
