#include <windows.h>

#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    StartUp(instance, showCommand);
    return RunMessageLoop();
}
