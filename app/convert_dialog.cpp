#include "app/convert_dialog.h"

#include <cstdio>
#include <string>

#include "app/file_dialog_spec.h"
#include "app/gdi_scope.h"
#include "app/globals.h"
#include "app/ui_language.h"
#include "document/bitmap_document.h"
#include "image/picture_mapping.h"
#include "image/picture_rows.h"
#include "palette/palette_window.h"
#include "resources/resource.h"

namespace {

const char kCaption[] = "Korin";
const UINT kDitherTexts[] = {IDS_CONVERT_DITHER_NONE,   IDS_CONVERT_DITHER_FS,     IDS_CONVERT_DITHER_FS_LIGHT,
                             IDS_CONVERT_DITHER_BAYER2, IDS_CONVERT_DITHER_BAYER4, IDS_CONVERT_DITHER_BAYER8};
const Dithering kDitherings[] = {Dithering::None,   Dithering::FloydSteinberg, Dithering::FloydSteinbergLight,
                                 Dithering::Bayer2, Dithering::Bayer4,         Dithering::Bayer8};

// What one run of the dialog holds: the last result, shown in the preview.
struct Conversion {
    IndexedPicture picture;
    ColorTable table;
    DibImage preview;
};

std::string Text(UINT id)
{
    return LoadText(id);
}

std::string ItemText(HWND dialog, int id)
{
    char text[MAX_PATH];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void OnInitDialog(HWND dialog)
{
    CheckRadioButton(dialog, IDC_CONVERT_FROM_FILE, IDC_CONVERT_FROM_PICTURE, IDC_CONVERT_FROM_PICTURE);
    SetDlgItemInt(dialog, IDC_CONVERT_COLORS, 256, FALSE);
    SetDlgItemInt(dialog, IDC_CONVERT_ALPHA, 128, FALSE);
    const HWND dither = GetDlgItem(dialog, IDC_CONVERT_DITHER);
    for (UINT id : kDitherTexts) SendMessageA(dither, CB_ADDSTRING, 0, LPARAM(Text(id).c_str()));
    SendMessageA(dither, CB_SETCURSEL, 0, 0);
}

void Browse(HWND dialog)
{
    FileDialogSpec spec;
    spec.filter = Text(IDS_CONVERT_BROWSE_FILTER);
    spec.path = ItemText(dialog, IDC_CONVERT_FILE);
    if (!spec.Run(FileDialogSpec::OpenMode, dialog)) return;
    SetDlgItemTextA(dialog, IDC_CONVERT_FILE, spec.path.c_str());
    CheckRadioButton(dialog, IDC_CONVERT_FROM_FILE, IDC_CONVERT_FROM_PICTURE, IDC_CONVERT_FROM_FILE);
}

// Maps the document's picture as the dialog's controls say; false with a reason.
bool Convert(HWND dialog, Conversion* result, MapError* error, std::string* reason)
{
    DibImage& image = bitmapDocument.Image();
    LONG size[2];
    if (image.IsEmpty() || !image.GetDimensions(size)) {
        *reason = Text(IDS_CONVERT_NO_PICTURE);
        return false;
    }
    const uint32_t width = uint32_t(size[0]), height = uint32_t(size[1] < 0 ? -size[1] : size[1]);
    BOOL read = FALSE;
    MapSettings settings;
    settings.alphaThreshold = GetDlgItemInt(dialog, IDC_CONVERT_ALPHA, &read, FALSE);
    if (!read || settings.alphaThreshold > 256) {
        *reason = Text(IDS_CONVERT_BAD_ALPHA);
        return false;
    }
    const LRESULT chosen = SendDlgItemMessageA(dialog, IDC_CONVERT_DITHER, CB_GETCURSEL, 0, 0);
    settings.dithering = chosen >= 0 && chosen < LRESULT(sizeof kDitherings / sizeof kDitherings[0])
                             ? kDitherings[chosen] : Dithering::None;
    const bool alpha = bitmapDocument.HasAlphaChannel();
    const RowWalk walk = [&](const RgbaRow& row, std::string* why) { return ForEachBitmapRow(image, alpha, row, why); };
    MapPalette palette;
    if (IsDlgButtonChecked(dialog, IDC_CONVERT_FROM_FILE) == BST_CHECKED) {
        const std::string path = ItemText(dialog, IDC_CONVERT_FILE);
        if (!LoadPaletteWithAlpha(path.c_str(), &palette.table, &palette.alpha, reason)) {
            *reason = path + " " + *reason;
            return false;
        }
    } else if (IsDlgButtonChecked(dialog, IDC_CONVERT_FROM_WINDOW) == BST_CHECKED) {
        palette.table.Assign(paletteWindow.WorkingTable());
    } else {
        const UINT colors = GetDlgItemInt(dialog, IDC_CONVERT_COLORS, &read, FALSE);
        if (!read || colors < 2 || colors > 256) {
            *reason = Text(IDS_CONVERT_BAD_COLORS);
            return false;
        }
        if (!MakePaletteFromRows(walk, width, colors, MapPalette(), 0, true, settings, &palette, reason)) return false;
    }
    if (!MapRowsOntoPalette(walk, width, height, palette, settings, &result->picture, error, reason)) return false;
    if (!result->table.Assign(palette.table)) return false;
    MemoryDC dc(nullptr);  // every section is made through a screen memory DC
    return IndexedPictureAsBitmap(dc, result->picture, result->table, &result->preview);
}

bool ConvertOrSay(HWND dialog, Conversion* result)
{
    MapError error;
    std::string reason;
    if (!Convert(dialog, result, &error, &reason)) {
        result->preview.Discard();
        InvalidateRect(GetDlgItem(dialog, IDC_CONVERT_PREVIEW), nullptr, TRUE);
        MessageBoxA(dialog, (Text(IDS_CONVERT_FAILED) + reason).c_str(), kCaption, MB_ICONERROR);
        return false;
    }
    char text[128];
    std::snprintf(text, sizeof text, Text(IDS_CONVERT_ERROR_FORMAT).c_str(), error.Mean(), error.largest);
    SetDlgItemTextA(dialog, IDC_CONVERT_ERROR, text);
    InvalidateRect(GetDlgItem(dialog, IDC_CONVERT_PREVIEW), nullptr, TRUE);
    return true;
}

// The preview: the result fitted into the control, its shape kept.
void DrawPreview(const DRAWITEMSTRUCT& item, const DibImage& preview)
{
    const RECT& box = item.rcItem;
    FillRect(item.hDC, &box, HBRUSH(GetStockObject(GRAY_BRUSH)));
    LONG size[2];
    if (preview.IsEmpty() || !preview.GetDimensions(size)) return;
    const double w = double(size[0]), h = double(size[1] < 0 ? -size[1] : size[1]);
    const double boxW = double(box.right - box.left), boxH = double(box.bottom - box.top);
    const double scale = boxW / w < boxH / h ? boxW / w : boxH / h;
    const int drawW = int(w * scale), drawH = int(h * scale);
    const int previousMode = SetStretchBltMode(item.hDC, COLORONCOLOR);
    preview.DrawStretched(item.hDC, box.left + (int(boxW) - drawW) / 2, box.top + (int(boxH) - drawH) / 2,
                          drawW > 0 ? drawW : 1, drawH > 0 ? drawH : 1, SRCCOPY);
    SetStretchBltMode(item.hDC, previousMode);
}

INT_PTR CALLBACK ConvertDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    Conversion* conversion = reinterpret_cast<Conversion*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        OnInitDialog(dialog);
        return TRUE;
    case WM_DRAWITEM:
        if (wParam != IDC_CONVERT_PREVIEW || !conversion) return FALSE;
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), conversion->preview);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CONVERT_BROWSE: Browse(dialog); return TRUE;
        case IDC_CONVERT_SHOW_PREVIEW: ConvertOrSay(dialog, conversion); return TRUE;
        case IDOK:
            // Converted again from the choices as they stand now.
            if (ConvertOrSay(dialog, conversion)) {
                bitmapDocument.TakeIndexedPicture(conversion->picture, conversion->table);
                EndDialog(dialog, IDOK);
            }
            return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
        }
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR RunConvertDialog(HWND owner)
{
    Conversion conversion;
    return DialogBoxIn(IDD_CONVERT_INDEXED, owner, ConvertDialogProc, LPARAM(&conversion));
}
