#include "app/window_base.h"

#include "app/ui_language.h"

WindowBase::WindowBase() : hwnd(nullptr), owner(nullptr), visible(0)
{
}

WindowBase::~WindowBase()
{
    // The owner's destruction may have taken the window already; then this
    // fails without effect.
    if (hwnd != nullptr) {
        DestroyWindow(hwnd);
    }
}

// The template comes from instanceHandle, in the program's language.
bool WindowBase::Create(HINSTANCE, WORD templateId, HWND ownerWindow, DLGPROC procedure)
{
    if (hwnd != nullptr) {
        Destroy();
    }
    // No creation parameter: the dialog procedures reach their objects
    // through the program's globals.
    hwnd = CreateDialogIn(templateId, ownerWindow, procedure);
    owner = ownerWindow;
    return hwnd != nullptr;
}

void WindowBase::Destroy()
{
    if (hwnd != nullptr) {
        DestroyWindow(hwnd);
    }
    visible = 0;
    hwnd = nullptr;
    owner = nullptr;
}

bool WindowBase::Move(int x, int y, int width, int height, bool move, bool size)
{
    if (move && size) {
        return MoveWindow(hwnd, x, y, width, height, TRUE) != FALSE;
    }
    if (move) {
        return SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER) != FALSE;
    }
    if (size) {
        return SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER) != FALSE;
    }
    return false;
}

void WindowBase::Show()
{
    visible = 1;
    if (hwnd != nullptr) {
        ShowWindow(hwnd, SW_SHOW);
    }
}

void WindowBase::Hide()
{
    visible = 0;
    if (hwnd != nullptr) {
        ShowWindow(hwnd, SW_HIDE);
    }
}
