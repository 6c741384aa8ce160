#include "app/save_refusal.h"

#include "app/ui_language.h"
#include "resources/resource.h"

bool TellSaveRefusal(HWND owner, SaveProblem problem, UINT icon)
{
    UINT text;
    switch (problem) {
    case SaveProblem::ReadOnly:
        text = IDS_SAVE_READ_ONLY;
        break;
    case SaveProblem::HardLinked:
        text = IDS_SAVE_HARD_LINKED;
        break;
    case SaveProblem::InUse:
        text = IDS_SAVE_IN_USE;
        break;
    default:
        return false;
    }
    MessageBoxA(owner, LoadText(text).c_str(), "Korin", icon);
    return true;
}
