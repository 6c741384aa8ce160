#include "document/bitmap_document.h"

#include <cstring>

#include "app/gdi_scope.h"
#include "app/globals.h"
#include "app/save_refusal.h"
#include "app/main_view_scroll.h"
#include "app/report_language.h"
#include "app/settings_store.h"
#include "image/view_geometry.h"
#include "app/ui_language.h"
#include "palette/color_table.h"
#include "palette/palette_window.h"
#include "report/header_report.h"
#include "resources/resource.h"

namespace {

const char kCaption[] = "Korin";
const char kNewName[] = "NewBitmap";
const char kBitmapFilter[] = "Bitmap Files(*.bmp)|*.bmp|";
const char kOpenFilter[] = "Bitmap Files(*.bmp)|*.bmp|PNG/GIF Files(*.png;*.gif)|*.png;*.gif|";
const char kDesktopFolder[] = "c:\\windows\\ﾃﾞｽｸﾄｯﾌﾟ";
const DWORD kOpenFlags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
const DWORD kSaveFlags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

void InitBitmapDialog(FileDialogSpec& spec, DWORD flags)
{
    spec.filter = kBitmapFilter;
    spec.initialDir = kDesktopFolder;
    spec.defaultExt = "bmp";
    spec.filterIndex = 1;
    spec.flags = flags;
}

// Stored values the program never writes are brought back to the ones it knows.
void Sanitize(ViewOptions& view)
{
    view.fitToWindow = view.fitToWindow ? 1 : 0;
    view.showHeader = view.showHeader ? 1 : 0;
    if (view.headerDetail != 1) view.headerDetail = 0;
    if (view.hexNumbers != 1) view.hexNumbers = 0;
    if (view.whiteBackground != 1) view.whiteBackground = 0;
}

void Sanitize(ZoomOptions& zoom)
{
    if (!IsZoomFactor(zoom.factor)) zoom.factor = kActualSize;
    zoom.pixelGrid = zoom.pixelGrid ? 1 : 0;
    zoom.statusBar = zoom.statusBar ? 1 : 0;
    zoom.reserved[0] = zoom.reserved[1] = 0;
}

// Copies at most size - 1 bytes of text, never splitting a double-byte character.
void CopyShortened(char* destination, const char* text, int size)
{
    int length = lstrlenA(text);
    if (length < size) {
        lstrcpyA(destination, text);
        return;
    }
    const char ellipsis[] = "...";
    int keep = size - int(sizeof ellipsis);
    int end = 0;
    while (end < keep) {
        int step = IsDBCSLeadByteEx(932, BYTE(text[end])) ? 2 : 1;
        if (end + step > keep) break;
        end += step;
    }
    std::memcpy(destination, text, size_t(end));
    lstrcpyA(destination + end, ellipsis);
}

}  // namespace

BitmapDocument::BitmapDocument()
    : ownerWindow(nullptr), modified(false), saveRefusal(SaveProblem::None), fileFormat(ImageFileFormat::Bmp),
      alphaChannel(false), highlightHeld(false), highlightToggled(false)
{
    InitBitmapDialog(openDialog, kOpenFlags);
    openDialog.filter = kOpenFilter;
    InitBitmapDialog(saveDialog, kSaveFlags);
    displayName[0] = '\0';
    path[0] = '\0';
    std::memset(&viewOptions, 0, sizeof viewOptions);
    if (settingsStore.ReadValue("ViewOpt", &viewOptions, sizeof viewOptions) != ERROR_SUCCESS)
        std::memset(&viewOptions, 0, sizeof viewOptions);
    Sanitize(viewOptions);
    std::memset(&zoomOptions, 0, sizeof zoomOptions);
    DWORD sizeRead = 0;
    if (settingsStore.ReadValue("ViewZoom", &zoomOptions, sizeof zoomOptions, &sizeRead) != ERROR_SUCCESS ||
        sizeRead != sizeof zoomOptions)
        std::memset(&zoomOptions, 0, sizeof zoomOptions);
    Sanitize(zoomOptions);
    scrollPosition.x = scrollPosition.y = 0;
}

BitmapDocument::~BitmapDocument() {}

HWND BitmapDocument::SetOwnerWindow(HWND window)
{
    HWND previous = ownerWindow;
    ownerWindow = window;
    return previous;
}

int BitmapDocument::AskToSaveChanges()
{
    if (!modified) return IDNO;
    char question[256 + 64];
    wsprintfA(question, LoadText(IDS_DOC_SAVE_CHANGES).c_str(), displayName);
    int answer = MessageBoxA(ownerWindow, question, kCaption, MB_ICONQUESTION | MB_YESNOCANCEL);
    if (answer == IDNO) return IDNO;
    if (answer != IDYES) return IDCANCEL;
    switch (SaveDocument(false)) {
    case 1:
        return IDNO;
    case 0:
        // The changes are still only here: say so and keep them.
        TellNotSaved(ownerWindow);
        return IDCANCEL;
    default:
        return IDCANCEL;
    }
}

bool BitmapDocument::NewDocument(const NewImageSpec& spec)
{
    if (AskToSaveChanges() == IDCANCEL) return false;
    bool created;
    {
        MemoryDC dc(nullptr);  // every section is made through a screen memory DC
        created = CreateBlank(dc, &spec);
    }
    CountEntryUsage();
    if (!created) return false;
    ForgetFileForm();
    modified = true;
    lstrcpyA(displayName, kNewName);
    path[0] = '\0';
    UpdateTitle();
    RefreshPaletteWindow();
    ResetViewScroll(ownerWindow);
    Redraw(true);
    return true;
}

bool BitmapDocument::OpenDocument()
{
    if (!ownerWindow) return false;
    if (!openDialog.Run(FileDialogSpec::OpenMode, ownerWindow)) return true;
    if (AskToSaveChanges() == IDCANCEL) return true;
    bool loaded;
    {
        MemoryDC dc(nullptr);  // every section is made through a screen memory DC
        loaded = LoadPicture(dc, openDialog.path.c_str());
    }
    CountEntryUsage();
    if (!loaded) return false;
    SetPathAndName(openDialog.path.c_str());
    modified = false;
    RefreshPaletteWindow();
    UpdateTitle();
    UpdateHeaderReport();
    ResetViewScroll(ownerWindow);
    Redraw(true);
    return true;
}

bool BitmapDocument::CloseDocument()
{
    if (AskToSaveChanges() == IDCANCEL) return false;
    ClearDocument();
    modified = false;
    UpdateTitle();
    SetDlgItemTextA(ownerWindow, IDC_HEADER_VIEW, "");
    ResetViewScroll(ownerWindow);
    Redraw(true);
    return true;
}

int BitmapDocument::SaveDocument(bool askForName)
{
    saveRefusal = SaveProblem::None;
    problem.clear();
    if (IsEmpty()) return 0;
    ImageFileFormat format = fileFormat;
    if (askForName || path[0] == '\0') {
        PrepareSaveDialog();
        if (!saveDialog.Run(FileDialogSpec::SaveMode, ownerWindow)) return -1;
        format = SaveFormatChosen();
        SetPathAndName(saveDialog.path.c_str());
    }
    if (!WritePicture(path, format)) {
        saveRefusal = SafeFileWriter::CheckTarget(path);
        return 0;
    }
    modified = false;
    UpdateTitle();
    return 1;
}

void BitmapDocument::TellNotSaved(HWND owner) const
{
    if (TellSaveRefusal(owner, saveRefusal, MB_ICONWARNING)) return;
    // A PNG or GIF the file's format refuses says why after the usual words.
    const std::string notSaved = LoadText(IDS_DOC_NOT_SAVED);
    const std::string message = problem.empty() ? notSaved : notSaved + "\r\n" + problem;
    MessageBoxA(owner, message.c_str(), kCaption, MB_ICONWARNING);
}

void BitmapDocument::ClearDocument()
{
    displayName[0] = '\0';
    path[0] = '\0';
    Discard();
    ForgetFileForm();
    CountEntryUsage();
}

bool BitmapDocument::RefreshPaletteWindow()
{
    if (IsEmpty()) return false;
    ColorTable table;
    CopyColorTable(table);
    paletteWindow.SetTable(table);
    return true;
}

bool BitmapDocument::ApplyColorTable(const ColorTable& table)
{
    problem.clear();
    if (IsEmpty() || !FileTakesTable(table)) return false;
    if (!SetColorTable(table)) return false;
    TableApplied();
    return true;
}

bool BitmapDocument::FileTakesTable(const ColorTable& table)
{
    // A PNG or GIF keeps the table size its format allows, whatever the bitmap
    // shows it at (a 2-bit PNG as a 4-bit bitmap).
    if (!indexedFile || table.GetCount() <= indexedFile->MaxEntries()) return true;
    const uint32_t allowed = indexedFile->MaxEntries();
    char form[32] = "GIF";
    if (indexedFile->Format() == ImageFileFormat::Png) {
        unsigned bits = 0;
        while ((1u << bits) < allowed) ++bits;
        wsprintfA(form, LoadText(IDS_DOC_PNG_FORM).c_str(), bits);
    }
    char text[320];
    wsprintfA(text, LoadText(IDS_DOC_TABLE_TOO_LARGE).c_str(), form, allowed, table.GetCount());
    problem = text;
    return false;
}

void BitmapDocument::TableApplied()
{
    {
        MemoryDC dc(nullptr);  // every section is made through a screen memory DC
        RebuildSection(dc);
    }
    CountEntryUsage();
    modified = true;
    UpdateTitle();
    Redraw(false);
}

void BitmapDocument::UpdateTitle()
{
    char title[MAX_PATH];
    if (displayName[0] == '\0') {
        lstrcpyA(title, kCaption);
    } else {
        // "Korin [" + name + " *]" and the NUL must fit.
        char name[MAX_PATH - 10];
        CopyShortened(name, displayName, int(sizeof name));
        wsprintfA(title, modified ? "Korin [%s *]" : "Korin [%s]", name);
    }
    SetWindowTextA(ownerWindow, title);
}

void BitmapDocument::SetPathAndName(const char* newPath)
{
    lstrcpynA(path, newPath, sizeof path);
    const char* name = path;
    for (const char* p = path; *p; p = CharNextExA(932, p, 0)) {
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    }
    lstrcpynA(displayName, name, sizeof displayName);
}

void BitmapDocument::Redraw(bool erase)
{
    InvalidateRect(ownerWindow, nullptr, erase);
    UpdateWindow(ownerWindow);
}

void BitmapDocument::SetBackground(int stockBrush)
{
    viewOptions.whiteBackground = stockBrush == BLACK_BRUSH ? 0 : 1;
    SetClassLongPtrA(ownerWindow, GCLP_HBRBACKGROUND, LONG_PTR(GetStockObject(stockBrush)));
    Redraw(true);
}

void BitmapDocument::UpdateHeaderReport()
{
    if (IsEmpty()) return;
    const ReportTexts texts = LoadReportTexts();
    if (indexedFile) {
        SetDlgItemTextA(ownerWindow, IDC_HEADER_VIEW,
                        indexedFile
                            ->Report(path, fileBytes.size(), viewOptions.headerDetail, viewOptions.hexNumbers, texts)
                            .c_str());
        return;
    }
    HeaderReportInput input;
    input.hasFileHeader = CopyHeaders(&input.fileHeader, nullptr);
    CopyHeaders(nullptr, &input.infoHeader);
    input.entryCount = EntryCount();
    input.stride = Stride();
    input.imageSize = ImageSize();
    input.path = path;
    input.modified = modified;
    input.fileSizeKnown = false;
    input.fileSize = 0;
    if (!modified) {
        // A query-only handle: no access rights are needed for the size.
        HANDLE file = CreateFileA(path, 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            SetLastError(NO_ERROR);
            input.fileSize = GetFileSize(file, nullptr);
            input.fileSizeKnown = input.fileSize != INVALID_FILE_SIZE || GetLastError() == NO_ERROR;
            CloseHandle(file);
        }
    }
    input.headerDetail = viewOptions.headerDetail;
    input.hexNumbers = viewOptions.hexNumbers;
    SetDlgItemTextA(ownerWindow, IDC_HEADER_VIEW, BuildHeaderReport(input, texts).c_str());
}
