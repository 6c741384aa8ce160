// The program's resources as the running program loads them: menu texts as
// CP932 bytes with their ids and structure, every accelerator key, the icon's
// images, and the dialog templates control by control.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/gdi_scope.h"
#include "korin_version.h"
#include "resources/resource.h"
#include "tests/win32/support/canvas.h"
#include "tests/win32/support/modal_answerer.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// ---------------------------------------------------------------- menu 104

// One menu item as the table below writes it: its depth, its text (nullptr
// for a separator) and its command id (0 for a popup, whose items follow one
// level deeper).
struct MenuRow {
    int depth;
    const char* text;
    UINT id;
};

// One menu item as the loaded menu has it.
struct LoadedItem {
    int depth;
    bool separator;
    bool popup;
    std::string text;
    UINT id;
};

void Flatten(HMENU menu, int depth, std::vector<LoadedItem>& items)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
        ASSERT_TRUE(GetMenuItemInfoA(menu, UINT(i), TRUE, &info));
        char text[128] = "";
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        bool popup = info.hSubMenu != nullptr;
        items.push_back({depth, (info.fType & MFT_SEPARATOR) != 0, popup, text, popup ? 0 : info.wID});
        if (popup)
            Flatten(info.hSubMenu, depth + 1, items);
    }
}

// Checks a menu resource item by item against the table; returns what it loaded.
std::vector<LoadedItem> ExpectMenu(UINT resource, const MenuRow* expected, size_t count)
{
    std::vector<LoadedItem> items;
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(resource));
    EXPECT_NE(nullptr, menu);
    if (!menu) return items;
    Flatten(menu, 0, items);
    DestroyMenu(menu);
    EXPECT_EQ(count, items.size());
    for (size_t i = 0; i < count && i < items.size(); ++i) {
        const MenuRow& want = expected[i];
        const LoadedItem& got = items[i];
        SCOPED_TRACE("item " + std::to_string(i) + ": " + (want.text ? want.text : "separator"));
        EXPECT_EQ(want.depth, got.depth);
        EXPECT_EQ(want.text == nullptr, got.separator);
        EXPECT_EQ(want.text != nullptr && want.id == 0, got.popup);
        EXPECT_EQ(want.text ? want.text : "", got.text);
        EXPECT_EQ(want.id, got.id);
    }
    return items;
}

TEST(Resources, MainMenuHasEveryItemWithItsTextAndId)
{
    const MenuRow expected[] = {
        {0, "ﾌｧｲﾙ(&F)", 0},
        {1, "新規作成(N)...\tCtrl+N", ID_FILE_NEW},
        {1, nullptr, 0},
        {1, "開く(&O)...\tCtrl+O", ID_FILE_OPEN},
        {1, "閉じる(&C)", ID_FILE_CLOSE},
        {1, nullptr, 0},
        {1, "上書き保存(&S)\tCtrl+S", ID_FILE_SAVE},
        {1, "名前を付けて保存(&A)...", ID_FILE_SAVE_AS},
        {1, nullptr, 0},
        {1, "ﾚｼﾞｽﾄﾘを削除(&D)", ID_FILE_DELETE_REGISTRY},
        {1, nullptr, 0},
        {1, "終了(&X)\tAlt+F4", ID_FILE_EXIT},
        {0, "ﾊﾟﾚｯﾄ(&P)", 0},
        {1, "ﾀﾞｲｱﾛｸﾞ(&D)...\tF4", ID_PALETTE_DIALOG},
        {1, "ﾊﾟﾚｯﾄを表示(&R)", ID_PALETTE_SHOW},
        {1, nullptr, 0},
        {1, "ｲﾝﾃﾞｯｸｽｶﾗｰに変換(&I)...", ID_PICTURE_CONVERT_INDEXED},
        {0, "表示(&V)", 0},
        {1, "ﾍｯﾀﾞｰ情報を表示(&H)\tTab", ID_VIEW_SHOW_HEADER},
        {1, "画像を表示(&I)", ID_VIEW_SHOW_PICTURE},
        {1, nullptr, 0},
        {1, "ﾍｯﾀﾞｰ情報表示設定(&C)", 0},
        {2, "必要なものだけ表示(&N)", ID_VIEW_HEADER_SUMMARY},
        {2, "メンバを列挙(E)", ID_VIEW_HEADER_MEMBERS},
        {1, "数字表記(&N)", 0},
        {2, "10進(&D)", ID_VIEW_NUMBERS_DECIMAL},
        {2, "16進(&H)", ID_VIEW_NUMBERS_HEX},
        {1, nullptr, 0},
        {1, "画像表示設定(R)", 0},
        {2, "実寸で表示(&O)", ID_VIEW_ACTUAL_SIZE},
        {2, "ｳｨﾝﾄﾞｳに合わせる(&S)", ID_VIEW_FIT_TO_WINDOW},
        {1, "背景色(&B)", 0},
        {2, "黒(&B)", ID_VIEW_BACKGROUND_BLACK},
        {2, "白(&W)", ID_VIEW_BACKGROUND_WHITE},
        {1, nullptr, 0},
        {1, "再描画(&D)\tF5", ID_VIEW_REDRAW},
        {1, nullptr, 0},
        {1, "選択ｴﾝﾄﾘの使用箇所を表示(&U)", ID_VIEW_HIGHLIGHT_ENTRY},
        {1, nullptr, 0},
        {1, "拡大(&Z)\tCtrl++", ID_VIEW_ZOOM_IN},
        {1, "縮小(&X)\tCtrl+-", ID_VIEW_ZOOM_OUT},
        {1, "実寸に戻す(&A)\tCtrl+0", ID_VIEW_ZOOM_ACTUAL},
        {1, "ﾋﾟｸｾﾙの境界線(&G)", ID_VIEW_PIXEL_GRID},
        {1, "ｽﾃｰﾀｽﾊﾞｰ(&T)", ID_VIEW_STATUS_BAR},
        {0, "ｳｨﾝﾄﾞｳ(&W)", 0},
        {1, "画像に合わせる(&F)\tF6", ID_WINDOW_FIT_TO_PICTURE},
        {1, "画像の比率を保持(&R)\tF7", ID_WINDOW_KEEP_RATIO},
        {0, "ﾍﾙﾌﾟ(&H)", 0},
        {1, "ﾊﾞｰｼﾞｮﾝ情報(&A)...", ID_HELP_ABOUT},
    };

    std::vector<LoadedItem> items = ExpectMenu(IDR_MAIN_MENU, expected, sizeof expected / sizeof expected[0]);
    // Half-width katakana are single CP932 bytes: the texts arrive as code
    // page 932, not as UTF-8 or "?".
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(std::string("\xCC\xA7\xB2\xD9(&F)"), items[0].text);
}

// ---------------------------------------------------------------- menu 107

// Every item of its own in place, with its text and its id as numbered from
// the start; the added items after them, the edit menu last.
TEST(Resources, PaletteMenuKeepsItsItemsThenTheEditAndRearrangeMenus)
{
    const MenuRow expected[] = {
        {0, "ﾊﾟﾚｯﾄ(&P)", 0},
        {1, "ﾌｧｲﾙから読込(&L)...\tCtrl+O", 40013},
        {1, "現在のﾊﾟﾚｯﾄを保存(&S)...\tCtrl+S", 40012},
        {1, "ﾊﾟﾚｯﾄを開放(C)", 40014},
        {1, nullptr, 0},
        {1, "画像に反映(&R)\tF5", 40003},
        {1, "最初の状態に戻す(&U)", 40005},
        {1, nullptr, 0},
        {1, "閉じる(&Q)\tF4", 40004},
        {0, "表示(&V)", 0},
        {1, "操作ﾊﾟﾈﾙ(O)...\tO", 40006},
        {1, "ﾊﾟﾚｯﾄ情報(I)...\tF12", 40007},
        {1, nullptr, 0},
        {1, "未使用のｴﾝﾄﾘに印(&M)", ID_PALETTE_MARK_UNUSED},
        {1, "編集中の色を画像に表示(&L)", ID_PALETTE_LIVE_PICTURE},
        {0, "操作(&O)", 0},
        {1, "全て反転(&R)", 40008},
        {1, "ﾁｬﾝﾈﾙの交換(C)", 0},
        {2, "赤⇔緑(&1)", 40009},
        {2, "緑⇔青(&2)", 40010},
        {2, "青⇔赤(&3)", 40011},
        {1, nullptr, 0},
        {1, "ｸﾞﾗﾃﾞｰｼｮﾝ(&G)", 0},
        {2, "RGB(&R)", ID_PALETTE_GRADIENT_RGB},
        {2, "OKLab(&L)", ID_PALETTE_GRADIENT_OKLAB},
        {1, "ﾁｬﾝﾈﾙの深さに丸める(&D)", 0},
        {2, "3ﾋﾞｯﾄ(&3)", ID_PALETTE_SNAP_3_BITS},
        {2, "4ﾋﾞｯﾄ(&4)", ID_PALETTE_SNAP_4_BITS},
        {2, "5ﾋﾞｯﾄ(&5)", ID_PALETTE_SNAP_5_BITS},
        {2, "6ﾋﾞｯﾄ(&6)", ID_PALETTE_SNAP_6_BITS},
        {0, "編集(&E)", 0},
        {1, "元に戻す(&U)\tCtrl+Z", ID_PALETTE_UNDO},
        {1, "やり直し(&R)\tCtrl+Y", ID_PALETTE_REDO},
        {1, nullptr, 0},
        {1, "ｺﾋﾟｰ(&C)\tCtrl+C", ID_PALETTE_COPY},
        {1, "貼り付け(&P)\tCtrl+V", ID_PALETTE_PASTE},
        {0, "並べ替え(&A)", 0},
        {1, "1つ前へ移動(&B)\tCtrl+←", ID_PALETTE_MOVE_BACK},
        {1, "1つ後へ移動(&F)\tCtrl+→", ID_PALETTE_MOVE_FORWARD},
        {1, "位置を指定して移動(&M)...\tCtrl+M", ID_PALETTE_MOVE_TO},
        {1, "範囲の両端を入れ替え(&W)", ID_PALETTE_SWAP_ENTRIES},
        {1, nullptr, 0},
        {1, "整列(&S)", 0},
        {2, "色相順(&H)", ID_PALETTE_SORT_HUE},
        {2, "明るさ順(&L)", ID_PALETTE_SORT_LIGHTNESS},
        {2, "使用ﾋﾟｸｾﾙ数順(&C)", ID_PALETTE_SORT_USAGE},
        {1, "未使用のｴﾝﾄﾘを削除(&D)", ID_PALETTE_COMPACT},
        {1, "同じ色のｴﾝﾄﾘをまとめる(&U)", ID_PALETTE_MERGE_DUPLICATES},
        {1, "ﾊﾟﾚｯﾄﾌｧｲﾙに合わせる(&P)...", ID_PALETTE_CONFORM},
        {1, nullptr, 0},
        {1, "画像を保つ(&K)", ID_PALETTE_KEEP_PICTURE},
        {1, "ｲﾝﾃﾞｯｸｽを保つ(&I)", ID_PALETTE_KEEP_INDICES},
    };
    ExpectMenu(IDR_PALETTE_MENU, expected, sizeof expected / sizeof expected[0]);
}

// ------------------------------------------------------ accelerators 105

TEST(Resources, AcceleratorTableHasEveryKeyWithItsModifiersAndId)
{
    const BYTE plain = FVIRTKEY | FNOINVERT;
    const BYTE control = plain | FCONTROL;
    const struct {
        const char* key;
        BYTE flags;
        WORD vk;
        WORD id;
    } expected[] = {
        {"R", plain, 'R', ID_KEY_RED},
        {"G", plain, 'G', ID_KEY_GREEN},
        {"B", plain, 'B', ID_KEY_BLUE},
        {"Ctrl+N", control, 'N', ID_FILE_NEW},
        {"O", plain, 'O', ID_KEY_PANEL},
        {"Ctrl+O", control, 'O', ID_KEY_CTRL_O},
        {"Ctrl+S", control, 'S', ID_KEY_CTRL_S},
        {"F4", plain, VK_F4, ID_KEY_F4},
        {"F5", plain, VK_F5, ID_KEY_F5},
        {"F6", plain, VK_F6, ID_WINDOW_FIT_TO_PICTURE},
        {"F7", plain, VK_F7, ID_WINDOW_KEEP_RATIO},
        {"Tab", plain, VK_TAB, ID_KEY_TAB},
        {"Ctrl+Tab", control, VK_TAB, ID_KEY_NEXT_WINDOW},
        {"Ctrl+Shift+Tab", BYTE(control | FSHIFT), VK_TAB, ID_KEY_PREVIOUS_WINDOW},
        {"Ctrl++", control, VK_OEM_PLUS, ID_VIEW_ZOOM_IN},
        {"Ctrl+Shift++", BYTE(control | FSHIFT), VK_OEM_PLUS, ID_VIEW_ZOOM_IN},
        {"Ctrl+keypad +", control, VK_ADD, ID_VIEW_ZOOM_IN},
        {"Ctrl+-", control, VK_OEM_MINUS, ID_VIEW_ZOOM_OUT},
        {"Ctrl+keypad -", control, VK_SUBTRACT, ID_VIEW_ZOOM_OUT},
        {"Ctrl+0", control, '0', ID_VIEW_ZOOM_ACTUAL},
        {"Ctrl+keypad 0", control, VK_NUMPAD0, ID_VIEW_ZOOM_ACTUAL},
    };
    const int count = sizeof expected / sizeof expected[0];

    HACCEL table = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(nullptr, table);
    ASSERT_EQ(count, CopyAcceleratorTableA(table, nullptr, 0));
    ACCEL entries[count] = {};
    ASSERT_EQ(count, CopyAcceleratorTableA(table, entries, count));
    DestroyAcceleratorTable(table);

    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(expected[i].key);
        EXPECT_EQ(expected[i].flags, entries[i].fVirt);
        EXPECT_EQ(expected[i].vk, entries[i].key);
        EXPECT_EQ(expected[i].id, entries[i].cmd);
    }
}

// ------------------------------------------------------------- icon 108

// The icon group's directory as the resource stores it.
#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

const void* LockedResource(LPCSTR name, LPCSTR type, DWORD* size)
{
    HRSRC found = FindResourceA(Module(), name, type);
    if (!found) return nullptr;
    *size = SizeofResource(Module(), found);
    return LockResource(LoadResource(Module(), found));
}

TEST(Resources, IconGroupHolds16And32PixelImagesOf256Colors)
{
    DWORD size = 0;
    const BYTE* group = static_cast<const BYTE*>(
        LockedResource(MAKEINTRESOURCEA(IDI_KORIN), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, &size));
    ASSERT_NE(nullptr, group);
    ASSERT_GE(size, sizeof(GroupIconHeader));
    const GroupIconHeader* header = reinterpret_cast<const GroupIconHeader*>(group);
    ASSERT_EQ(2, header->count);
    ASSERT_EQ(sizeof(GroupIconHeader) + 2 * sizeof(GroupIconEntry), size);
    const GroupIconEntry* entries = reinterpret_cast<const GroupIconEntry*>(group + sizeof(GroupIconHeader));

    const int sizes[] = {16, 32};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(sizes[i]);
        EXPECT_EQ(sizes[i], entries[i].width);
        EXPECT_EQ(sizes[i], entries[i].height);
        EXPECT_EQ(8, entries[i].bitCount);
        // The image itself, not only its directory entry, has 8 bits per pixel.
        DWORD imageSize = 0;
        const BITMAPINFOHEADER* image = static_cast<const BITMAPINFOHEADER*>(
            LockedResource(MAKEINTRESOURCEA(entries[i].id), MAKEINTRESOURCEA(3) /* RT_ICON */, &imageSize));
        ASSERT_NE(nullptr, image);
        ASSERT_GE(imageSize, sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        EXPECT_EQ(sizes[i], image->biWidth);
        EXPECT_EQ(2 * sizes[i], image->biHeight) << "color bits and mask";
        EXPECT_EQ(8, image->biBitCount);
        EXPECT_EQ(DWORD(BI_RGB), image->biCompression);
    }
}

TEST(Resources, IconLoadsAtBothSizesAndDrawsItsColorGrid)
{
    const struct {
        int size;
        POINT gridLine;     // black
        POINT firstCell;    // the first cell's red
        POINT corner;       // transparent at 32 (white shows through), grid at 16
        COLORREF cornerColor;
    } cases[] = {
        {16, {0, 5}, {2, 2}, {0, 0}, RGB(0, 0, 0)},
        {32, {1, 5}, {4, 4}, {0, 0}, RGB(255, 255, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        HICON icon = HICON(LoadImageA(Module(), MAKEINTRESOURCEA(IDI_KORIN), IMAGE_ICON, c.size, c.size, 0));
        ASSERT_NE(nullptr, icon);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP color = {};
        ASSERT_NE(nullptr, info.hbmColor) << "a color icon, not a monochrome one";
        GetObjectA(info.hbmColor, sizeof color, &color);
        EXPECT_EQ(c.size, color.bmWidth);
        EXPECT_EQ(c.size, color.bmHeight);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);

        Canvas canvas(c.size, c.size, RGB(255, 255, 255));
        ASSERT_TRUE(DrawIconEx(canvas.Dc(), 0, 0, icon, c.size, c.size, 0, nullptr, DI_NORMAL));
        DestroyIcon(icon);
        EXPECT_EQ(RGB(0, 0, 0), canvas.At(c.gridLine.x, c.gridLine.y));
        EXPECT_EQ(RGB(224, 32, 32), canvas.At(c.firstCell.x, c.firstCell.y));
        EXPECT_EQ(c.cornerColor, canvas.At(c.corner.x, c.corner.y));
    }
}

// ------------------------------------------------------ dialog templates

// One control of a dialog template, as the template stores it.
struct TemplateControl {
    WORD id;
    std::string className;  // ordinal classes by their names
    std::string text;       // CP932
    short x, y, cx, cy;
    DWORD style;
};

struct DialogTemplate {
    DWORD style;
    short cx, cy;
    std::string caption;
    WORD pointSize;
    std::string font;
    std::vector<TemplateControl> controls;
};

class TemplateReader {
public:
    explicit TemplateReader(const BYTE* p) : at(p) {}
    WORD Word() { WORD w; memcpy(&w, at, 2); at += 2; return w; }
    DWORD Dword() { DWORD d; memcpy(&d, at, 4); at += 4; return d; }
    short Short() { return short(Word()); }
    // A string, or an ordinal written as "#n".
    std::string StringOrOrdinal()
    {
        WORD first;
        memcpy(&first, at, 2);
        if (first == 0xFFFF) {
            at += 2;
            return "#" + std::to_string(Word());
        }
        return String();
    }
    std::string String()
    {
        std::wstring wide;
        for (WORD c = Word(); c != 0; c = Word()) wide += wchar_t(c);
        if (wide.empty()) return "";
        char bytes[256] = "";
        int n = WideCharToMultiByte(932, 0, wide.c_str(), int(wide.size()), bytes, sizeof bytes, nullptr, nullptr);
        return std::string(bytes, size_t(n > 0 ? n : 0));
    }
    void AlignDword(const BYTE* base) { at += (4 - (at - base) % 4) % 4; }
    void Skip(size_t n) { at += n; }

private:
    const BYTE* at;
};

std::string ClassName(const std::string& ordinalOrName)
{
    static const char* const names[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    for (int i = 0; i < 6; ++i) {
        if (ordinalOrName == "#" + std::to_string(0x80 + i)) return names[i];
    }
    return CharUpperA(std::string(ordinalOrName).data());
}

bool ReadDialogTemplate(int id, DialogTemplate& dialog)
{
    DWORD size = 0;
    const BYTE* base = static_cast<const BYTE*>(LockedResource(MAKEINTRESOURCEA(id), RT_DIALOG, &size));
    if (!base || size < 18) return false;
    TemplateReader r(base);
    dialog.style = r.Dword();
    r.Dword();  // extended style
    WORD count = r.Word();
    r.Short();
    r.Short();
    dialog.cx = r.Short();
    dialog.cy = r.Short();
    r.StringOrOrdinal();  // menu
    r.StringOrOrdinal();  // class
    dialog.caption = r.String();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = r.Word();
        dialog.font = r.String();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword(base);
        TemplateControl control;
        control.style = r.Dword();
        r.Dword();
        control.x = r.Short();
        control.y = r.Short();
        control.cx = r.Short();
        control.cy = r.Short();
        control.id = r.Word();
        control.className = ClassName(r.StringOrOrdinal());
        control.text = r.StringOrOrdinal();
        r.Skip(r.Word());  // creation data
        dialog.controls.push_back(control);
    }
    return true;
}

const DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
const DWORD kChild = WS_CHILD | WS_VISIBLE;
const DWORD kLabel = kChild | SS_LEFT | WS_GROUP;
const DWORD kNumberField = kChild | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL;
const WORD kStatic = WORD(IDC_STATIC);

void ExpectControls(const std::vector<TemplateControl>& expected, const DialogTemplate& dialog)
{
    ASSERT_EQ(expected.size(), dialog.controls.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const TemplateControl& want = expected[i];
        const TemplateControl& got = dialog.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " " + want.className + " " + want.text);
        EXPECT_EQ(want.id, got.id);
        EXPECT_EQ(want.className, got.className);
        EXPECT_EQ(want.text, got.text);
        EXPECT_EQ(want.x, got.x);
        EXPECT_EQ(want.y, got.y);
        EXPECT_EQ(want.cx, got.cx);
        EXPECT_EQ(want.cy, got.cy);
        EXPECT_EQ(want.style, got.style) << std::hex << "want 0x" << want.style << ", got 0x" << got.style;
    }
}

TEST(Resources, NewImageDialogTemplateHasItsControlsInTabOrder)
{
    DialogTemplate dialog;
    ASSERT_TRUE(ReadDialogTemplate(IDD_NEW_IMAGE, dialog));
    EXPECT_EQ(kDialogStyle, dialog.style);
    EXPECT_EQ(127, dialog.cx);
    EXPECT_EQ(103, dialog.cy);
    EXPECT_EQ("画像の大きさ", dialog.caption);
    EXPECT_EQ(9, dialog.pointSize);
    EXPECT_EQ("ＭＳ Ｐゴシック", dialog.font);

    const std::vector<TemplateControl> expected = {
        {kStatic, "STATIC", "幅(&W):", 7, 10, 19, 8, kLabel},
        {IDC_NEW_WIDTH, "EDIT", "", 55, 7, 36, 12, kNumberField},
        {kStatic, "STATIC", "ﾋﾟｸｾﾙ", 101, 10, 19, 8, kLabel},
        {kStatic, "STATIC", "高さ(&H):", 7, 28, 23, 8, kLabel},
        {IDC_NEW_HEIGHT, "EDIT", "", 55, 25, 36, 12, kNumberField},
        {kStatic, "STATIC", "ﾋﾟｸｾﾙ", 101, 28, 19, 8, kLabel},
        {kStatic, "STATIC", "ｴﾝﾄﾘ数(&E):", 7, 46, 32, 8, kLabel},
        {IDC_NEW_ENTRIES, "EDIT", "", 55, 43, 36, 12, kNumberField},
        {kStatic, "STATIC", "色", 100, 46, 8, 8, kLabel},
        {kStatic, "STATIC", "ｶﾗｰﾓｰﾄﾞ(&C):", 7, 65, 38, 8, kLabel},
        {IDC_NEW_COLOR_MODE, "COMBOBOX", "", 55, 62, 45, 62, kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
        {IDOK, "BUTTON", "OK", 62, 83, 26, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDCANCEL, "BUTTON", "ｷｬﾝｾﾙ", 94, 83, 26, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP},
    };
    ExpectControls(expected, dialog);
}

TEST(Resources, AboutDialogTemplateHasItsControls)
{
    DialogTemplate dialog;
    ASSERT_TRUE(ReadDialogTemplate(IDD_ABOUT, dialog));
    EXPECT_EQ(kDialogStyle, dialog.style);
    EXPECT_EQ(107, dialog.cx);
    EXPECT_EQ(49, dialog.cy);
    EXPECT_EQ("About this soft...", dialog.caption);
    EXPECT_EQ(9, dialog.pointSize);
    EXPECT_EQ("ＭＳ Ｐゴシック", dialog.font);

    ASSERT_EQ(4u, dialog.controls.size());
    // The two middle lines are free text; only their place and kind are fixed.
    std::vector<TemplateControl> expected = {
        {kStatic, "STATIC", "Korin 1.000", 35, 4, 34, 8, kLabel},
        {kStatic, "STATIC", dialog.controls[1].text, 7, 13, 93, 8, kLabel},
        {kStatic, "STATIC", dialog.controls[2].text, 26, 22, 56, 8, kLabel},
        {IDOK, "BUTTON", "&OK", 7, 31, 93, 11, kChild | BS_PUSHBUTTON | WS_TABSTOP},
    };
    ExpectControls(expected, dialog);
    EXPECT_FALSE(dialog.controls[1].text.empty());
    EXPECT_FALSE(dialog.controls[2].text.empty());
}

// ---------------------------------------------------------------- version

// A value of a program's version resource as the file properties show it,
// from the Japanese UTF-16 block the translation table names.
std::string VersionValue(const std::vector<char>& info, const char* name)
{
    char* value = nullptr;
    UINT size = 0;
    std::string key = std::string("\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &size) || !value)
        return "(missing)";
    return std::string(value, strnlen(value, size));
}

// The build runs on Linux, where Wine shows / as drive Z:.
std::string WindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The licence as LICENSE states it: its name (the first line) and its holder
// (the copyright line's).
struct Licence {
    std::string name;
    std::string holder;
};

Licence ReadLicence()
{
    Licence licence;
    std::ifstream file(KORIN_LICENSE_PATH);
    std::string line;
    const std::string copyright = "Copyright (c) ";
    while (std::getline(file, line)) {
        if (licence.name.empty()) licence.name = line;
        if (line.compare(0, copyright.size(), copyright) == 0) licence.holder = line.substr(copyright.size());
    }
    return licence;
}

TEST(Resources, BothProgramsCarryTheProductVersion)
{
    const Licence licence = ReadLicence();
    ASSERT_EQ("MIT License", licence.name) << KORIN_LICENSE_PATH;
    ASSERT_NE(std::string::npos, licence.holder.find("the Korin authors")) << licence.holder;
    const char version[] = KORIN_VERSION_STRING;
    for (const char* program : {KORIN_EXE_PATH, KORIN_CLI_EXE_PATH}) {
        SCOPED_TRACE(program);
        std::string path = WindowsPath(program);
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_NE(0u, size) << GetLastError();
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT fixedSize = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
        EXPECT_EQ(DWORD(MAKELONG(KORIN_VERSION_MINOR, KORIN_VERSION_MAJOR)), fixed->dwFileVersionMS);
        EXPECT_EQ(DWORD(MAKELONG(0, KORIN_VERSION_PATCH)), fixed->dwProductVersionLS);

        WORD* translation = nullptr;
        UINT translationSize = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(&translation), &translationSize));
        ASSERT_EQ(4u, translationSize);
        EXPECT_EQ(0x0411, translation[0]);
        EXPECT_EQ(1200, translation[1]);

        EXPECT_EQ("Korin", VersionValue(info, "ProductName"));
        EXPECT_EQ(version, VersionValue(info, "ProductVersion"));
        EXPECT_EQ(version, VersionValue(info, "FileVersion"));
        EXPECT_EQ(0u, VersionValue(info, "FileDescription").find("Korin"));
        std::string name = std::string(program).substr(std::string(program).rfind('/') + 1);
        EXPECT_EQ(name, VersionValue(info, "OriginalFilename"));
        // The file properties name the licence the programs are shipped under.
        EXPECT_EQ("Copyright (c) " + licence.holder + ". " + licence.name, VersionValue(info, "LegalCopyright"));
    }
}

// The About box names the licence on a line of its own, whole within the line.
TEST(Resources, AboutBoxNamesTheLicenceWithinItsLine)
{
    const std::string name = ReadLicence().name;
    ASSERT_FALSE(name.empty()) << KORIN_LICENSE_PATH;
    std::vector<std::string> texts;
    LONG width = -1, room = -1;
    ModalAnswerer answerer;
    answerer.Then([&](HWND dialog) {
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            texts.push_back(WindowText(child));
            if (texts.back() != name) continue;
            RECT client;
            GetClientRect(child, &client);
            room = client.right;
            WindowDC dc(child);
            SelectedObject font(dc, HGDIOBJ(SendMessageA(child, WM_GETFONT, 0, 0)), SelectedObject::Borrowed);
            SIZE extent;
            if (GetTextExtentPoint32A(dc, name.c_str(), int(name.size()), &extent)) width = extent.cx;
        }
        return ModalAnswerer::Press(IDOK)(dialog);
    });
    DialogBoxParamA(Module(), MAKEINTRESOURCEA(IDD_ABOUT), nullptr, AboutDialogProc, 0);
    ASSERT_EQ(1u, answerer.Seen().size()) << answerer.Describe();
    ASSERT_EQ(4u, texts.size());
    EXPECT_EQ("Korin 1.000", texts[0]);
    EXPECT_EQ(name, texts[2]);
    EXPECT_EQ("&OK", texts[3]);
    ASSERT_GT(width, 0);
    EXPECT_LE(width, room) << "the licence line is cut off";
}

}  // namespace
