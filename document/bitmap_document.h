// The one open document: the picture with its file, its name, whether it holds
// unsaved changes, the dialogs that open and save it, and the main window's
// view options.
#ifndef KORIN_DOCUMENT_BITMAP_DOCUMENT_H
#define KORIN_DOCUMENT_BITMAP_DOCUMENT_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/file_dialog_spec.h"
#include "app/view_options.h"
#include "image/dib_image.h"
#include "image/indexed_file.h"
#include "image/indexed_output.h"
#include "platform/safe_file_writer.h"

class ColorTable;

// What a rearrangement of the picture's table must keep, entry by entry in
// the picture's own indices.
struct PictureEntries {
    std::vector<bool> used;      // some pixel holds it, or the file names it
    std::vector<uint32_t> visibility;  // how its pixels show (see kFullySeen, palette/rearrange.h)
    uint32_t minimum;            // the fewest entries the file's table holds
    uint32_t maximum;            // and the most
};

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
    // The same, every pixel index i becoming pixelMap[i] (see IndexRemap), the
    // table taking exactly its count unless pixels past it need more. An
    // empty map applies as above.
    bool ApplyRearrangedTable(const ColorTable& table, const std::vector<uint32_t>& pixelMap);
    // False without a picture that has indices (picture_rearrange.cpp).
    bool DescribeEntries(PictureEntries* entries) const;
    void UpdateTitle();
    // Replaces the header view's text with the report of the open picture.
    void UpdateHeaderReport();

    // Main window drawing.
    void Paint();
    void SetBackground(int stockBrush);
    // Where the picture lies in the client area as Paint draws it; false
    // when it is not drawn (picture_place.cpp).
    bool PictureRect(RECT* place) const;
    // The picture pixel (column, line from the top) under a client point,
    // as the picture is drawn there; false off the picture.
    bool PixelAt(int x, int y, int64_t* column, int64_t* line) const;
    // The shown color of a pixel as 0xRRGGBB: its entry's (the live one
    // while the picture shows the working table, never faded by the
    // highlight), or its own without a table; false for a form it cannot
    // tell (picture_paint.cpp).
    bool PixelColor(int64_t column, int64_t line, uint32_t* color) const;
    // The palette window's working colors changed (or, with optionChanged,
    // whether the picture shows them): redraws a picture showing them.
    void LiveColorsChanged(bool optionChanged);

    // How many pixels use each entry of the picture's table; empty without a
    // picture or a table. Counted whenever the picture or its table is set.
    const std::vector<uint64_t>& EntryUsage() const;

    // The picture's entry under a point of the main window's client area, as
    // the picture is drawn there; false off the picture, for a picture
    // without indices, or while the header view is shown.
    bool EntryAt(int x, int y, uint32_t* entry) const;

    // Showing where the palette window's selected entries are used: while
    // held or toggled on, every other pixel is drawn faded. Only the drawing
    // changes: the table and the modified flag stay as they are.
    void HoldHighlight(bool held);
    void ToggleHighlight();
    bool HighlightToggled() const { return highlightToggled; }
    // The palette window's selection changed: redraws a highlight showing it.
    void HighlightSelectionChanged();

    const char* DisplayName() const { return displayName; }
    const char* Path() const { return path; }
    bool IsModified() const { return modified; }
    DibImage& Image() { return *this; }
    ViewOptions& View() { return viewOptions; }
    ZoomOptions& Zoom() { return zoomOptions; }
    // The zoomed or actual-size view's scroll position, in screen pixels.
    POINT& ScrollPosition() { return scrollPosition; }
    // The zoom factor shown now: 0 while the picture is fitted to the window.
    int32_t ShownFactor() const { return viewOptions.fitToWindow ? 0 : zoomOptions.factor; }
    FileDialogSpec& OpenDialog() { return openDialog; }
    FileDialogSpec& SaveDialog() { return saveDialog; }
    // The form the picture was opened in (BMP for a new one).
    ImageFileFormat FileFormat() const { return fileFormat; }
    // A 32-bit picture's fourth byte holds its alpha (it came from a PNG with alpha).
    bool HasAlphaChannel() const { return alphaChannel; }
    // Makes the document the indexed picture with table, modified; its
    // alpha goes to tRNS when it is saved as PNG (picture_convert.cpp).
    bool TakeIndexedPicture(const IndexedPicture& picture, const ColorTable& table);
    // A GIF's tables the palette window can switch between (see GifTables):
    // empty unless the file holds more than one that a picture draws with
    // (file_tables.cpp).
    std::vector<int> FileTables() const;
    int EditedFileTable() const;
    // Shows the first frame drawn with table and makes it the one edited;
    // the table left keeps its applied colors until the file is saved, when
    // every table changed is written. False, saying why in problem, while
    // the pixels follow a rearranged table (save first) or when the frame
    // cannot be shown.
    bool SwitchFileTable(int table);
    // Why the last open, save or apply failed, when more can be said than that it did.
    const std::string& Problem() const { return problem; }

private:
    void SetPathAndName(const char* newPath);
    void Redraw(bool erase);
    // False, saying why in problem, when the file's format cannot hold table.
    bool FileTakesTable(const ColorTable& table);
    // After the table (and maybe the pixels) changed: a new section, counts, the title.
    void TableApplied();
    // Counts again after the pixels or the table changed (entry_usage.cpp).
    void CountEntryUsage();
    // The pixels of a GIF's frames not shown that use the edited table, read
    // once the file or the table changes.
    void CountOtherFrames();
    bool HighlightShown() const;
    // The colors to draw the picture's entries through in place of its own
    // table: the live working table and the highlight; false for its own.
    bool DisplayColors(std::vector<RGBQUAD>* colors) const;
    // Fades every entry outside the selection; false without a selection.
    bool FadeUnselected(std::vector<RGBQUAD>* colors) const;
    // The palette window's working colors for the picture's entries.
    bool LiveColors(std::vector<RGBQUAD>* colors) const;
    // The picture at its zoom (or actual size), only the part inside the
    // picture area, then the pixel grid over it.
    void PaintZoomed(HDC dc, const RGBQUAD* colors, uint32_t count) const;
    void PaintPixelGrid(HDC dc) const;

    // The picture formats beside BMP (document_formats.cpp).
    bool LoadPicture(HDC dc, const char* file);
    bool LoadIndexedPicture(HDC dc, const char* file);
    // A truecolor or greyscale PNG as a 24-bit picture, or 32 bits with its alpha.
    bool LoadTruecolorPicture(HDC dc, const char* file);
    bool ReadFileBytes(const char* file, std::string* bytes);
    bool WritePicture(const char* file, ImageFileFormat format);
    // The PNG or GIF file again with table and its pixels through fileMap.
    bool WriteRearrangedFile(const ColorTable& table, SafeFileWriter& writer, std::string* reason) const;
    // The table a rearranged GIF is read with: the one edited (kDefaultGifTable otherwise).
    int EditedGifTable() const;
    void ForgetFileForm();
    void PrepareSaveDialog();
    ImageFileFormat SaveFormatChosen() const;

    char displayName[256];
    char path[MAX_PATH];
    FileDialogSpec openDialog;
    FileDialogSpec saveDialog;
    HWND ownerWindow;
    bool modified;
    ViewOptions viewOptions;
    ZoomOptions zoomOptions;
    POINT scrollPosition;
    SaveProblem saveRefusal;  // what stopped the last save, if the file did
    // A PNG or GIF document keeps its file's bytes: saving it back copies
    // everything but the table from them.
    ImageFileFormat fileFormat;
    std::string fileBytes;
    std::unique_ptr<IndexedFile> indexedFile;
    // How Apply has moved the pixels since fileBytes were read: file index ->
    // index now; empty while none moved.
    std::vector<uint32_t> fileMap;
    // A GIF's tables applied while another was being edited, for the next save.
    std::vector<GifTableEdit> otherTables;
    std::vector<uint64_t> otherFrameUsage;  // in the file's indices; empty: none
    std::string problem;
    bool alphaChannel;
    std::vector<uint8_t> tableAlpha;  // of a converted picture's entries
    std::vector<uint64_t> entryUsage;
    bool highlightHeld;
    bool highlightToggled;
};

#endif
