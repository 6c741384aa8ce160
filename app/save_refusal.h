// The message that tells the user why a file was not replaced when the file
// itself stops it, and what to do about it.
#ifndef KORIN_APP_SAVE_REFUSAL_H
#define KORIN_APP_SAVE_REFUSAL_H

#include <windows.h>

#include "platform/safe_file_writer.h"

// Shows the reason for a read-only, hard-linked or in-use target, with the
// icon of the failure message it stands in for; false, showing nothing, for
// any other problem, which the caller reports itself.
bool TellSaveRefusal(HWND owner, SaveProblem problem, UINT icon);

#endif
