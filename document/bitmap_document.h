// The one open document: the picture with its file, its name, whether it holds
// unsaved changes, the dialogs that open and save it, and the main window's
// view options.
#ifndef KORIN_DOCUMENT_BITMAP_DOCUMENT_H
#define KORIN_DOCUMENT_BITMAP_DOCUMENT_H

#include <windows.h>

#include "app/file_dialog_spec.h"
#include "app/view_options.h"
#include "image/dib_image.h"
#include "platform/safe_file_writer.h"

class ColorTable;

class BitmapDocument : public DibImage {
public:
    // Reads the view options through the settings store, which must exist.
    BitmapDocument();
    ~BitmapDocument();

    HWND SetOwnerWindow(HWND window);
    // IDNO to go on, IDCANCEL to stop; asks only while modified.
    int AskToSaveChanges();
    bool NewDocument(const NewImageSpec& spec);
    // False only when the chosen file failed to load or there is no owner.
    bool OpenDocument();
    // False when the user stopped it.
    bool CloseDocument();
    // 1 saved, 0 nothing saved, -1 the user cancelled the save dialog.
    int SaveDocument(bool askForName);
    // After a save that stored nothing: why, when the file refused to be
    // replaced, else that nothing was saved.
    void TellNotSaved(HWND owner) const;
    void ClearDocument();
    bool RefreshPaletteWindow();
    bool ApplyColorTable(const ColorTable& table);
    void UpdateTitle();
    // Replaces the header view's text with the report of the open picture.
    void UpdateHeaderReport();

    // Main window drawing.
    void Paint();
    void SetBackground(int stockBrush);

    const char* DisplayName() const { return displayName; }
    const char* Path() const { return path; }
    bool IsModified() const { return modified; }
    DibImage& Image() { return *this; }
    ViewOptions& View() { return viewOptions; }
    FileDialogSpec& OpenDialog() { return openDialog; }
    FileDialogSpec& SaveDialog() { return saveDialog; }

private:
    void SetPathAndName(const char* newPath);
    void Redraw(bool erase);

    char displayName[256];
    char path[MAX_PATH];
    FileDialogSpec openDialog;
    FileDialogSpec saveDialog;
    HWND ownerWindow;
    bool modified;
    ViewOptions viewOptions;
    SaveProblem saveRefusal;  // what stopped the last save, if the file did
};

#endif
