#include "app/file_dialog_spec.h"

#include <commdlg.h>

#include "app/ui_language.h"
#include "resources/resource.h"

#include <cstddef>
#include <cstring>

namespace {

// The size the dialogs accept on every Windows version: without the members
// added after Windows 2000 (76 bytes in a 32-bit program; pointers make it
// larger in a 64-bit one).
// This is OPENFILENAME_SIZE_VERSION_400A, spelled so that it is a constant.
constexpr DWORD kStructSize =
    offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(OPENFILENAMEA::lpTemplateName);
static_assert(sizeof(void*) != 4 || kStructSize == 76, "the 32-bit version 4 size");

const DWORD kFileBufferSize = 260;
const DWORD kFileTitleBufferSize = 256;
const size_t kTitleBufferSize = 32;

} // namespace

FileDialogSpec::FileDialogSpec()
    : filterIndex(0), flags(0), fileOffset(0), extensionOffset(0)
{
}

bool FileDialogSpec::Run(int mode, HWND owner)
{
    if (mode != OpenMode && mode != SaveMode) {
        return false;
    }

    // Bars become NULs byte by byte; the final bar and the string's own NUL
    // end the list with the empty string the dialog requires.
    std::string filterList = filter;
    for (char& c : filterList) {
        if (c == '|') {
            c = '\0';
        }
    }

    char title[kTitleBufferSize];
    lstrcpynA(title, LoadText(mode == OpenMode ? IDS_OPEN_TITLE : IDS_SAVE_AS_TITLE).c_str(), sizeof title);

    // The file-name box always opens empty, whatever was chosen before.
    char file[kFileBufferSize] = "";
    char fileTitleBuffer[kFileTitleBufferSize] = "";

    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    static_assert(sizeof ofn >= kStructSize, "OPENFILENAMEA shorter than its version 4 size");
    ofn.lStructSize = kStructSize;
    ofn.hwndOwner = owner;
    ofn.hInstance = nullptr;
    ofn.lpstrFilter = filterList.c_str();
    ofn.lpstrCustomFilter = nullptr;
    ofn.nMaxCustFilter = 0;
    ofn.nFilterIndex = static_cast<DWORD>(filterIndex);
    ofn.lpstrFile = file;
    ofn.nMaxFile = kFileBufferSize;
    ofn.lpstrFileTitle = fileTitleBuffer;
    ofn.nMaxFileTitle = kFileTitleBufferSize;
    ofn.lpstrInitialDir = initialDir.c_str();
    ofn.lpstrTitle = title;
    ofn.Flags = flags;
    ofn.nFileOffset = fileOffset;
    ofn.nFileExtension = extensionOffset;
    ofn.lpstrDefExt = defaultExt.c_str();

    BOOL chosen = mode == OpenMode ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
    if (!chosen) {
        return false;
    }

    path = file;
    fileTitle = fileTitleBuffer;
    // The next dialog starts at the file just chosen, not only its folder.
    initialDir = file;
    filterIndex = static_cast<int32_t>(ofn.nFilterIndex);
    fileOffset = ofn.nFileOffset;
    extensionOffset = ofn.nFileExtension;
    return true;
}
