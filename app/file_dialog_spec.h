// One common open or save dialog: what it shows and what the user last chose.
#ifndef KORIN_APP_FILE_DIALOG_SPEC_H
#define KORIN_APP_FILE_DIALOG_SPEC_H

#include <windows.h>

#include <cstdint>
#include <string>

class FileDialogSpec {
public:
    enum { OpenMode = 1, SaveMode = -1 };

    FileDialogSpec();

    // Runs the open (mode 1) or save (mode -1) dialog. True when the user chose
    // a file; then path, fileTitle, initialDir and filterIndex hold the choice.
    // Any other mode, a cancel or a failure returns false and changes nothing.
    bool Run(int mode, HWND owner);

    std::string filter;      // "name|pattern|...|", every element followed by a bar
    std::string path;
    std::string fileTitle;
    std::string initialDir;
    std::string defaultExt;  // without the dot
    int32_t filterIndex;     // 1-based
    uint32_t flags;          // OPENFILENAMEA Flags
    uint16_t fileOffset;
    uint16_t extensionOffset;
};

#endif
