// A GIF's color tables, one edited at a time: switching shows the first frame
// drawn with the table chosen; the applied colors of the one left wait in
// otherTables for the next save.
#include "document/bitmap_document.h"

#include <algorithm>

#include "app/gdi_scope.h"
#include "app/main_view_scroll.h"
#include "app/ui_language.h"
#include "resources/resource.h"

namespace {

bool SameColors(const ColorTable& a, const ColorTable& b)
{
    if (a.GetCount() != b.GetCount()) return false;
    for (uint32_t i = 0; i < a.GetCount(); ++i)
        if (a.GetPackedColor(i) != b.GetPackedColor(i)) return false;
    return true;
}

}  // namespace

std::vector<int> BitmapDocument::FileTables() const
{
    std::vector<int> tables;
    if (IsEmpty() || !indexedFile || indexedFile->Format() != ImageFileFormat::Gif) return tables;
    // A table no frame draws with has no picture to be edited on.
    for (int table : indexedFile->Tables())
        if (indexedFile->TableDrawn(table)) tables.push_back(table);
    if (tables.size() < 2) tables.clear();
    return tables;
}

int BitmapDocument::EditedFileTable() const
{
    return indexedFile ? indexedFile->EditedTable() : -1;
}

bool BitmapDocument::SwitchFileTable(int table)
{
    problem.clear();
    if (!indexedFile || indexedFile->Format() != ImageFileFormat::Gif || IsEmpty()) return false;
    const int left = indexedFile->EditedTable();
    if (table == left) return true;
    if (!fileMap.empty()) {
        problem = LoadText(IDS_DOC_TABLE_AFTER_REARRANGE);
        return false;
    }
    ColorTable applied, inFile;
    if (!CopyColorTable(applied) || !inFile.Assign(indexedFile->Table())) {
        problem = LoadText(IDS_DOC_OUT_OF_MEMORY);
        return false;
    }
    const ByteSource source(fileBytes);
    std::string reason;
    bool shown;
    {
        MemoryDC dc(nullptr);  // every section is made through a screen memory DC
        shown = indexedFile->SelectTable(source, table, &reason) &&
                ::LoadIndexedPicture(dc, *indexedFile, source, this, &reason);
        if (!shown) {
            // Back to the frame that was shown, with the colors it had.
            std::string ignored;
            if (indexedFile->SelectTable(source, left, &ignored) &&
                ::LoadIndexedPicture(dc, *indexedFile, source, this, &ignored))
                SetColorTable(applied);
        }
        if (shown) {
            for (const GifTableEdit& edit : otherTables)
                if (edit.image == table) shown = SetColorTable(edit.table) && RebuildSection(dc);
        }
    }
    if (shown) {
        std::vector<GifTableEdit> kept;
        for (const GifTableEdit& edit : otherTables)
            if (edit.image != table) kept.push_back(edit);
        if (!SameColors(applied, inFile)) kept.push_back(GifTableEdit{left, applied});
        otherTables.swap(kept);
        CountOtherFrames();
    } else {
        problem = LoadText(IDS_DOC_NOT_READ) + "\r\n" + displayName + " " + reason;
    }
    CountEntryUsage();
    RefreshPaletteWindow();
    UpdateHeaderReport();
    ResetViewScroll(ownerWindow);
    Redraw(true);
    return shown;
}
