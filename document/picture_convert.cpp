// Truecolor pictures in the document: a truecolor or greyscale PNG opens as
// a 24- or 32-bit picture, and a picture becomes an indexed one through the
// convert dialog's choices.
#include <sstream>

#include "app/gdi_scope.h"
#include "app/ui_language.h"
#include "document/bitmap_document.h"
#include "image/picture_mapping.h"
#include "image/picture_rows.h"
#include "resources/resource.h"

bool BitmapDocument::LoadTruecolorPicture(HDC dc, const char* file)
{
    Discard();
    ForgetFileForm();
    std::string bytes, bmp, reason;
    if (!ReadFileBytes(file, &bytes)) return false;
    const ByteSource source(bytes);
    PictureRows picture;
    const RowWalk walk = [&](const RgbaRow& row, std::string* why) { return picture.ForEachRow(source, row, why); };
    if (!picture.Open(source, &reason) ||
        !RowsAsBmpFile(walk, picture.Width(), picture.Height(), picture.HasAlpha(), &bmp, &reason)) {
        problem = LoadText(IDS_DOC_NOT_READ) + "\r\n" + reason;
        return false;
    }
    bytes.clear();
    bytes.shrink_to_fit();
    std::istringstream in(bmp);
    if (!ReadFromStream(dc, in)) return false;
    // Saved, it is the 24- or 32-bit BMP it now is.
    alphaChannel = picture.HasAlpha();
    return true;
}

bool BitmapDocument::TakeIndexedPicture(const IndexedPicture& picture, const ColorTable& table)
{
    bool made;
    {
        MemoryDC dc(nullptr);  // every section is made through a screen memory DC
        made = IndexedPictureAsBitmap(dc, picture, table, this);
    }
    ForgetFileForm();
    tableAlpha = picture.alpha;
    CountEntryUsage();
    modified = true;
    RefreshPaletteWindow();
    UpdateTitle();
    UpdateHeaderReport();
    Redraw(true);
    return made;
}
