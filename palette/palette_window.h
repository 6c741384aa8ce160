// The palette window: the working color table as a grid of cells, the table
// as it was last set, and the table operations of its menu.
#ifndef KORIN_PALETTE_PALETTE_WINDOW_H
#define KORIN_PALETTE_PALETTE_WINDOW_H

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "app/file_dialog_spec.h"
#include "app/window_base.h"
#include "palette/color_table.h"
#include "palette/gradient.h"
#include "palette/grid_layout.h"
#include "palette/palette_formats.h"
#include "palette/rearrange.h"
#include "palette/table_history.h"
#include "panel/color_panel.h"

class PaletteWindow : public WindowBase {
public:
    PaletteWindow();
    ~PaletteWindow();

    // Creates the palette dialog and its color panel, both hidden.
    bool CreateWindows(HWND owner);
    // Shows or hides this window, with the panel when the panel is open.
    void ShowAll();
    void HideAll();
    // IDOK to go on, IDCANCEL to keep the edited table.
    int ConfirmDiscard();
    // Takes a copy of table as the working and the initial table, with a
    // history of its own.
    void SetTable(const ColorTable& table);
    void LoadPaletteFromFile();
    void InvertAll();
    // 1: red and green, 2: green and blue, 3: blue and red.
    void SwapChannels(int kind);
    // Writes the color into the selected entry of the working table.
    void SetSelectedColor(uint8_t red, uint8_t green, uint8_t blue);
    // Repaints the grid and its row labels after the table or the top row changed.
    void RefreshGrid();
    // Selects an entry of the working table as a click on its cell does,
    // scrolling it into view first; an entry already selected stays so.
    void SelectEntry(uint32_t entry);
    // One table change back or forward, with its selection and modified flag.
    void Undo();
    void Redo();
    // The selected entry as "#RRGGBB" text; a range, or with no selection
    // every entry, one a line; a selected cell without an entry copies nothing.
    void CopyColors();
    // The colors of the clipboard's text into the selected entry and on.
    void PasteColors();
    // The selected entries, first <= last: the range stretched from the
    // selected entry, or that entry alone. False without a selected entry.
    bool SelectedRange(uint32_t* first, uint32_t* last) const;
    // Recolors the selected range, three entries or more, as an even ramp
    // between its end colors.
    void FillRangeGradient(GradientSpace space);
    // Rounds the selected range, or every entry without one, to bits (3 to
    // 6) per channel (palette_snap_command.cpp).
    void SnapTableToDepth(int bits);
    // The document's pixel counts changed: what shows them is redrawn.
    void UsageChanged();
    // The menu of the document's tables, there while it has more than one to
    // switch between, its check on the one edited (palette_table_menu.cpp).
    void UpdateTableMenu();

    // Rearranging the table (rearrange_commands.cpp). Keeping the picture,
    // the picture's pixels follow their entries at Apply; keeping indices,
    // only the table moves. step: -1 one entry back, 1 forward.
    void MoveSelection(int32_t step);
    // Asks where the selected entries go.
    void MoveSelectionTo();
    void SwapRangeEnds();
    // The selected range, or the whole table without one.
    void SortSelection(SortKey key);
    void CompactTable();
    void MergeDuplicates();
    // Asks for a palette file and maps every entry to its nearest color there.
    void ConformToPaletteFile();
    void SetKeepIndices(bool keep);
    bool KeepsIndices() const { return keepIndices; }
    // Apply (F5) (palette_rearrange.cpp): the working table into the picture,
    // its pixels sent after every entry moved since the last Apply.
    void ApplyToPicture();
    // The pixels of each working entry, as the picture holds them after Apply;
    // empty without a picture that has a table.
    const std::vector<uint64_t>& WorkingUsage() const { return workingUsage; }
    // The working entry whose color the picture's entry shows after Apply.
    uint32_t WorkingEntryOf(uint32_t pictureEntry) const;
    // Whether Apply will move pixels.
    bool RearrangePending() const { return !pendingMap.empty(); }

    // Grid drawing: mode 0 erases a frame, 1 draws the selection, 2 the hover frame.
    void DrawCellFrame(HDC dc, int32_t column, int32_t row, int mode) const;
    void DrawRowLabels(HDC dc) const;

    ColorPanel& Panel() { return panel; }
    const ColorTable& WorkingTable() const { return workingTable; }
    const ColorTable& InitialTable() const { return initialTable; }
    bool IsModified() const { return modified != 0; }
    bool HasSelection() const { return selected != 0; }
    bool MarksUnused() const { return markUnused != 0; }
    // The view option that shows the working table on the picture as it is
    // edited, without applying it (grid_usage_marks.cpp).
    bool ShowsLivePicture() const { return livePicture != 0; }
    void ToggleLivePicture();
    // The selected entry when it is one of the table's.
    bool SelectedEntry(uint32_t* entry) const;
    int32_t SelectedColumn() const { return selectedColumn; }
    int32_t SelectedRow() const { return selectedRow; }
    int32_t TopRow() const { return topRow; }
    int32_t TotalRows() const { return totalRows; }
    const GridLayout& Layout() const { return layout; }

    // Message handling, reached from the dialog and grid procedures.
    void OnInitDialog(HWND dialog);
    void OnDestroy();
    void OnKeyDown(WPARAM key);
    void OnVScroll(WPARAM wParam);
    void OnCommand(int id);
    // Greys the edit items that have nothing to act on.
    void UpdateEditMenu();
    // The menu and title in the program's language (palette_language.cpp).
    void ShowLanguage();
    // The grid control's mouse: hover and selection.
    void OnGridMouseMove(HWND grid, int x, int y);
    // extend: Shift was held, the range stretches to the cell.
    void OnGridClick(HWND grid, int x, int y, bool extend);
    void PaintGrid(HWND grid);
    // The grid's tooltip: mouse messages handed on, and the text of a cell.
    void RelayGridMouse(HWND grid, UINT message, WPARAM wParam, LPARAM lParam);
    void OnGridTipText(NMTTDISPINFOA* info);

private:
    bool IsRealEntry(const GridCell& cell) const;
    void SavePalette();
    // Writes the working table to path in format and tells what went wrong.
    void SaveTable(PaletteFormat format, const std::string& path);
    void TogglePanel();
    void Restore();
    void Release();
    // Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z, Ctrl+C and Ctrl+V; false for any other key.
    bool OnEditKey(WPARAM key);
    // SetTable without a new history: loading and releasing are steps of it.
    void ReplaceTables(const ColorTable& table);
    void ResetScrollBar();
    // Around every change of the tables: the state before, then the step.
    void BeginStep();
    void EndStep();
    TableMark CurrentMark() const;
    void ShowMark(const TableMark& mark, uint32_t countBefore);
    // The selected entry, or with no selection a table that is not empty.
    bool CanCopy() const;
    void FillSquare(uint32_t entry);

    // Range selection (palette_range.cpp).
    // With extend and a selected entry, stretches the range to entry and
    // returns true; otherwise drops the range, ready for a plain click.
    bool RangeClick(HWND grid, uint32_t entry, bool extend);
    // Shift with an arrow key; false for any other key.
    bool OnRangeKey(WPARAM key);
    void DrawRangeFrame(HDC dc) const;
    bool CanFillGradient() const;
    // The channel-depth commands; false for any other.
    bool OnSnapCommand(int id);
    // A table chosen from the table menu; false for any other command.
    bool OnTableCommand(int id);

    // Rearranging (palette_rearrange.cpp, rearrange_commands.cpp).
    // Ctrl with an arrow key or M; false for any other key.
    bool OnRearrangeKey(WPARAM key);
    // False for a command that is not one of them.
    bool OnRearrangeCommand(int id);
    void UpdateRearrangeMenu(HMENU menu);
    // One undo step: the plan's table, its map added to the order unless
    // only the table moves; the selection follows its entries or stays put.
    void TakeRearrangement(const Rearrangement& plan, bool followSelection);
    // After order or appliedOrder changed: the pending map and the counts.
    void OrderChanged();
    // Loading and releasing keep the pixels' indices: nothing is pending.
    void DropPendingOrder();
    // What the picture says of its entries, moved to the working entries.
    bool PictureEntriesInWorkingOrder(std::vector<bool>* used, std::vector<uint32_t>* visibility, uint32_t* minimum,
                                      uint32_t* maximum) const;

    // The unused-entry marks and the view settings they belong to
    // (grid_usage_marks.cpp).
    void ReadViewSettings();
    void WriteViewSettings() const;
    void ToggleUnusedMarks();
    void DrawUsageMark(HDC dc, int32_t column, int32_t row, uint32_t entry) const;

    void CreateGridTooltip(HWND dialog);
    std::string EntryTipText(uint32_t entry) const;

    ColorTable workingTable;
    ColorTable initialTable;
    FileDialogSpec openDialog;
    FileDialogSpec saveDialog;
    HFONT labelFont;
    int32_t selectedColumn;
    int32_t selectedRow;
    BYTE selected;
    BYTE panelShown;
    BYTE modified;
    int32_t totalRows;
    int32_t topRow;
    GridLayout layout;
    ColorPanel panel;
    TableHistory history;
    ColorTable stepWorking;
    ColorTable stepInitial;
    TableMark stepMark;
    bool stepReady;
    // The range's other end; the selected entry anchors it.
    bool rangeOn;
    uint32_t rangeEnd;
    BYTE markUnused;
    BYTE livePicture;
    HWND gridTip;
    std::string tipText;
    // The picture's entries in the working table, and as the picture's
    // pixels last took them (null: where the picture gave them).
    EntryOrder order;
    EntryOrder appliedOrder;
    std::vector<uint32_t> pendingMap;  // the pixels' map at Apply; empty: none move
    std::vector<uint64_t> workingUsage;
    bool keepIndices;
    FileDialogSpec conformDialog;
    // The table menu and the document's tables its items stand for.
    HMENU tableMenu;
    std::vector<int> tableChoices;
};

INT_PTR CALLBACK PaletteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The grid control's replacement procedure, installed by the palette window
// and taken out again before the control goes.
LRESULT CALLBACK PaletteGridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam);
void InstallGridProcedure(HWND grid);
void RemoveGridProcedure(HWND grid);
// The edit command (undo, redo, copy, paste) a key stands for with the
// modifiers held now; 0 for any other key.
int PaletteEditCommand(WPARAM key);
// Sets or clears the check mark of a menu item, leaving it enabled.
void SetMenuCheck(HMENU menu, UINT command, BOOL check);

#endif
