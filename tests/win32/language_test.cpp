// The program's two languages: the Japanese resources are those it showed
// before its texts moved into string tables, byte for byte; the English ones
// carry the same ids; no dialog text is cut off in either; and with English
// chosen the windows and messages speak English, also after a restart.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/globals.h"
#include "app/report_language.h"
#include "app/ui_language.h"
#include "palette/palette_window.h"
#include "report/header_report.h"
#include "resources/resource.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/program.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// Sets the language the program loads resources in for one scope.
class InLanguage {
public:
    explicit InLanguage(LANGID language) : saved(uiLanguage) { uiLanguage = language; }
    ~InLanguage() { uiLanguage = saved; }

private:
    LANGID saved;
};

uint64_t Fnv1a64(const void* data, DWORD size)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (DWORD i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    return hash;
}

const void* ResourceIn(LPCSTR type, UINT id, LANGID language, DWORD* size)
{
    HRSRC found = FindResourceExA(Module(), type, MAKEINTRESOURCEA(id), language);
    if (!found) return nullptr;
    *size = SizeofResource(Module(), found);
    return LockResource(LoadResource(Module(), found));
}

// ------------------------------------------------ Japanese, as it was before

// The digests tools/lang/res_digest.py took of the resource script before
// the texts moved.
TEST(JapaneseResources, MenusAndDialogsAreTheBytesTheyWere)
{
    std::ifstream file(KORIN_JAPANESE_DIGESTS);
    ASSERT_TRUE(file.is_open()) << KORIN_JAPANESE_DIGESTS;
    std::string type, language, digest;
    UINT id = 0;
    int checked = 0;
    while (file >> type >> id >> language >> digest) {
        if (type == "STRING") continue;
        SCOPED_TRACE(type + " " + std::to_string(id));
        ASSERT_TRUE(type == "MENU" || type == "DIALOG");
        DWORD size = 0;
        const void* bytes = ResourceIn(type == "MENU" ? RT_MENU : RT_DIALOG, id, kJapanese, &size);
        ASSERT_NE(nullptr, bytes);
        char got[17];
        std::snprintf(got, sizeof got, "%016llx", static_cast<unsigned long long>(Fnv1a64(bytes, size)));
        EXPECT_EQ(digest, got);
        ++checked;
    }
    EXPECT_EQ(8, checked);
}

// The texts as the code spelled them before they moved, compiled to code
// page 932 as the code's literals are.
struct FormerText {
    UINT id;
    const char* text;
};
const FormerText kFormerTexts[] = {
    {IDS_OPEN_TITLE, "開く"},
    {IDS_SAVE_AS_TITLE, "名前をつけて保存"},
    {IDS_MAIN_LOADING_FAILED, "Loading failed."},
    {IDS_MAIN_DELETE_REGISTRY, "ﾚｼﾞｽﾄﾘｷｰを削除してもよろしいですか?"},
    {IDS_DOC_NOT_SAVED, "ﾌｧｲﾙは保存されませんでした."},
    {IDS_DOC_SAVE_CHANGES, "%sへの変更を保存しますか?"},
    {IDS_DOC_PNG_FORM, "%uﾋﾞｯﾄのPNG"},
    {IDS_DOC_TABLE_TOO_LARGE, "この画像(%s)のﾊﾟﾚｯﾄは%u色までです. 反映するﾊﾟﾚｯﾄは%u色です."},
    {IDS_DOC_FILE_TOO_LARGE, "ﾌｧｲﾙが大きすぎます."},
    {IDS_DOC_OUT_OF_MEMORY, "ﾒﾓﾘが足りません."},
    {IDS_DOC_NOT_READ, "ﾌｧｲﾙを読み込めませんでした."},
    {IDS_SAVE_READ_ONLY, "ﾌｧｲﾙは読み取り専用のため上書きできません.\r\n"
                         "読み取り専用を解除するか,別の名前で保存してください."},
    {IDS_SAVE_HARD_LINKED, "ﾌｧｲﾙには別の名前(ﾊｰﾄﾞﾘﾝｸ)があるため上書きできません.\r\n"
                           "別の名前で保存するか,ほかのﾘﾝｸを削除してください."},
    {IDS_SAVE_IN_USE, "ﾌｧｲﾙはほかのﾌﾟﾛｸﾞﾗﾑで開かれているため上書きできません.\r\n"
                      "そのﾌﾟﾛｸﾞﾗﾑでﾌｧｲﾙを閉じてから,もう一度保存してください."},
    {IDS_NEW_MODE_2, "2色"},
    {IDS_NEW_MODE_16, "16色"},
    {IDS_NEW_MODE_256, "256色"},
    {IDS_NEW_MODE_FULL_COLOR, "ﾌﾙｶﾗｰ(24bit)"},
    {IDS_NEW_FULL_COLOR_ENTRIES, "ﾌﾙｶﾗｰﾋﾞｯﾄﾏｯﾌﾟのｴﾝﾄﾘ数は0にしてください."},
    {IDS_NEW_INVALID_SIZE, "不正な画像ｻｲｽﾞです."},
    {IDS_NEW_TOO_MANY_ENTRIES, "ｴﾝﾄﾘ数が多すぎます."},
    {IDS_PALETTE_TITLE, "ﾊﾟﾚｯﾄ一覧"},
    {IDS_PALETTE_DISCARD, "ﾊﾟﾚｯﾄは変更されています.\r\n続けますか?"},
    {IDS_PALETTE_LOADING_ERROR, "Loading error!"},
    {IDS_PALETTE_NO_TABLE, "This picture has no palette!"},
    {IDS_PALETTE_ENTRY_COUNT, "This palette has %d Entries."},
    {IDS_PALETTE_EMPTY, "The current palette has no entry."},
    {IDS_PALETTE_HOLD_F12, "F12ｷｰを押し続けてください."},
    {IDS_PALETTE_SAVING_ERROR, "Saving error!"},
    {IDS_PALETTE_TIP_ENTRY, "ｴﾝﾄﾘ "},
    {IDS_PALETTE_TIP_PIXELS, " ﾋﾟｸｾﾙ"},
    {IDS_PALETTE_TIP_UNUSED, "未使用"},
    {IDS_PALETTE_REARRANGE_FAILED, "Failed."},
    {IDS_MOVE_RANGE, "0から%uまでの番号を入力してください."},
    {IDS_CONFORM_SIZE, "この画像のﾊﾟﾚｯﾄは%uから%u色です. 読み込んだﾊﾟﾚｯﾄは%u色です."},
    {IDS_CONFORM_NO_FREE_ENTRY, "読み込んだﾊﾟﾚｯﾄには, 透明な画素を透明のまま残せる空きのｴﾝﾄﾘがありません."},
    {IDS_CONFORM_REPORT, "移動したｴﾝﾄﾘ: %u\r\n色が変わったｴﾝﾄﾘ: %u\r\n最大の色差 (OKLab ΔE): %.3f"},
};

TEST(JapaneseResources, StringsAreTheBytesTheCodeHad)
{
    InLanguage japanese(kJapanese);
    for (const FormerText& former : kFormerTexts) {
        SCOPED_TRACE(former.id);
        EXPECT_EQ(std::string(former.text), LoadText(former.id));
    }
    // A Japanese system loads the same without a choice stored.
    EXPECT_EQ(kJapanese, LanguageFor(LanguageChoice::System, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)));
    EXPECT_EQ(kEnglish, LanguageFor(LanguageChoice::System, MAKELANGID(LANG_GERMAN, SUBLANG_DEFAULT)));
    EXPECT_EQ(kJapanese, LanguageFor(LanguageChoice::Japanese, MAKELANGID(LANG_FRENCH, SUBLANG_DEFAULT)));
    EXPECT_EQ(kEnglish, LanguageFor(LanguageChoice::English, kJapanese));
}

// The reports' words: the code's Japanese set is what korin-cli prints, so
// the string tables must hold exactly it, and the English one.
TEST(BothLanguages, ReportTextsAreTheStringTablesWords)
{
    for (size_t i = 0; i < kReportTextResourceCount; ++i) {
        const ReportTextResource& resource = kReportTextResources[i];
        SCOPED_TRACE(resource.id);
        for (size_t j = 0; j < i; ++j) EXPECT_NE(kReportTextResources[j].text, resource.text) << "a member twice";
        {
            InLanguage japanese(kJapanese);
            EXPECT_EQ(JapaneseReportTexts().*resource.text, LoadText(resource.id));
        }
        InLanguage english(kEnglish);
        EXPECT_EQ(EnglishReportTexts().*resource.text, LoadText(resource.id));
    }
}

// --------------------------------------------- the same ids in each language

// A menu's shape: one line an item, its depth, kind and id, and its mnemonic
// letter (0 without one).
struct MenuLine {
    int depth;
    UINT id;  // 0 for a popup, -1 for a separator
    char mnemonic;
    std::string text;
};

void FlattenMenu(HMENU menu, int depth, std::vector<MenuLine>& lines)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[160] = "";
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        HMENU sub = GetSubMenu(menu, i);
        const UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
        const UINT id = sub ? 0 : (state & MF_SEPARATOR) ? UINT(-1) : GetMenuItemID(menu, i);
        char mnemonic = 0;
        for (const char* p = text; *p && *p != '\t'; p = CharNextExA(932, p, 0)) {
            if (p[0] == '&' && p[1] && p[1] != '&') mnemonic = char(std::toupper(static_cast<unsigned char>(p[1])));
        }
        lines.push_back({depth, id, mnemonic, text});
        if (sub) FlattenMenu(sub, depth + 1, lines);
    }
}

std::vector<MenuLine> MenuIn(UINT id, LANGID language)
{
    std::vector<MenuLine> lines;
    DWORD size = 0;
    const void* bytes = ResourceIn(RT_MENU, id, language, &size);
    EXPECT_NE(nullptr, bytes) << id;
    HMENU menu = bytes ? LoadMenuIndirectA(bytes) : nullptr;
    if (!menu) return lines;
    FlattenMenu(menu, 0, lines);
    DestroyMenu(menu);
    return lines;
}

BOOL CALLBACK AddId(HMODULE, LPCSTR, LPSTR name, LONG_PTR found)
{
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<UINT>*>(found)->push_back(UINT(UINT_PTR(name)));
    return TRUE;
}

std::vector<UINT> IdsOf(LPCSTR type)
{
    std::vector<UINT> ids;
    EnumResourceNamesA(Module(), type, AddId, LONG_PTR(&ids));
    return ids;
}

INT_PTR CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A dialog made from the template of one language, hidden, with its procedure.
HWND DialogIn(UINT id, LANGID language, DLGPROC procedure = QuietProc)
{
    DWORD size = 0;
    const void* bytes = ResourceIn(RT_DIALOG, id, language, &size);
    if (!bytes) return nullptr;
    return CreateDialogIndirectParamA(Module(), static_cast<LPCDLGTEMPLATEA>(bytes), nullptr, procedure, 0);
}

std::vector<int> ControlIds(HWND dialog)
{
    std::vector<int> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(child));
    return ids;
}

// Which of a string block's 16 strings exist.
std::string BlockShape(UINT block, LANGID language)
{
    DWORD size = 0;
    const WCHAR* text = static_cast<const WCHAR*>(ResourceIn(RT_STRING, block, language, &size));
    if (!text) return "missing";
    std::string shape;
    for (int i = 0; i < 16; ++i) {
        shape += *text ? 'x' : '.';
        text += 1 + *text;
    }
    return shape;
}

TEST(BothLanguages, HaveTheSameMenusDialogsControlsAndStrings)
{
    const std::vector<UINT> menus = IdsOf(RT_MENU);
    EXPECT_EQ(2u, menus.size());
    for (UINT id : menus) {
        SCOPED_TRACE("menu " + std::to_string(id));
        const std::vector<MenuLine> japanese = MenuIn(id, kJapanese), english = MenuIn(id, kEnglish);
        ASSERT_EQ(japanese.size(), english.size());
        // Mnemonics differ within each popup of the English menu.
        std::map<std::pair<size_t, int>, std::set<char>> letters;
        size_t parent = 0;
        std::vector<size_t> parents(8, 0);
        for (size_t i = 0; i < english.size(); ++i) {
            SCOPED_TRACE(english[i].text);
            EXPECT_EQ(japanese[i].depth, english[i].depth);
            EXPECT_EQ(japanese[i].id, english[i].id);
            if (english[i].id == UINT(-1)) continue;
            parent = english[i].depth ? parents[size_t(english[i].depth - 1)] : 0;
            ASSERT_NE(0, english[i].mnemonic);
            const bool fresh = letters[{parent, english[i].depth}].insert(english[i].mnemonic).second;
            EXPECT_TRUE(fresh)
                << "mnemonic " << english[i].mnemonic << " used twice";
            if (english[i].id == 0) parents[size_t(english[i].depth)] = i + 1;
        }
    }
    const std::vector<UINT> dialogs = IdsOf(RT_DIALOG);
    EXPECT_EQ(6u, dialogs.size());
    for (UINT id : dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        HWND japanese = DialogIn(id, kJapanese), english = DialogIn(id, kEnglish);
        ASSERT_NE(nullptr, japanese);
        ASSERT_NE(nullptr, english);
        EXPECT_EQ(ControlIds(japanese), ControlIds(english));
        DestroyWindow(japanese);
        DestroyWindow(english);
    }
    const std::vector<UINT> blocks = IdsOf(RT_STRING);
    EXPECT_FALSE(blocks.empty());
    for (UINT block : blocks) {
        SCOPED_TRACE("string block " + std::to_string(block));
        EXPECT_EQ(BlockShape(block, kJapanese), BlockShape(block, kEnglish));
    }
}

// ----------------------------------------------------------- no clipped text

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return CharUpperA(name);
}

// The extent of text drawn in window's font, wrapped at width when wrap.
SIZE TextExtent(HWND window, const std::string& text, int width, bool wrap)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(window, WM_GETFONT, 0, 0)));
    RECT box = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), int(text.size()), &box, DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return SIZE{box.right, box.bottom};
}

// Every text a dialog shows that its control cannot hold.
std::vector<std::string> ClippedTexts(HWND dialog)
{
    std::vector<std::string> clipped;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT client;
        GetClientRect(child, &client);
        const std::string kind = ClassOf(child);
        std::vector<std::string> texts;
        int room = client.right;
        if (kind == "COMBOBOX") {
            // The list's texts beside the drop-down button.
            room -= GetSystemMetrics(SM_CXVSCROLL) + 4;
            const LRESULT count = SendMessageA(child, CB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                char item[128] = "";
                SendMessageA(child, CB_GETLBTEXT, WPARAM(i), LPARAM(item));
                texts.push_back(item);
            }
        } else if (kind == "STATIC" || kind == "BUTTON") {
            if (kind == "BUTTON") room -= 2 * GetSystemMetrics(SM_CXEDGE) + 4;
            texts.push_back(WindowText(child));
        }
        for (const std::string& text : texts) {
            if (text.empty() || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) continue;
            const SIZE extent = TextExtent(child, text, room, kind == "STATIC");
            if (extent.cx > room || extent.cy > client.bottom)
                clipped.push_back(text + " (" + std::to_string(extent.cx) + "x" + std::to_string(extent.cy) +
                                  " in " + std::to_string(room) + "x" + std::to_string(client.bottom) + ")");
        }
    }
    return clipped;
}

TEST(BothLanguages, NoDialogTextIsClipped)
{
    const struct {
        UINT id;
        DLGPROC procedure;
    } kDialogs[] = {{IDD_NEW_IMAGE, NewImageDialogProc}, {IDD_ABOUT, AboutDialogProc},
                    {IDD_MOVE_ENTRIES, QuietProc}};
    // The Japanese templates are kept byte for byte as they were; with this
    // machine's substitute for their font some of their texts wrap already,
    // so only the English ones are held to fitting.
    for (LANGID language : {kEnglish}) {
        InLanguage chosen(language);
        for (const auto& d : kDialogs) {
            SCOPED_TRACE("dialog " + std::to_string(d.id) + " in " + std::to_string(language));
            HWND dialog = DialogIn(d.id, language, d.procedure);
            ASSERT_NE(nullptr, dialog);
            EXPECT_EQ(std::vector<std::string>(), ClippedTexts(dialog));
            DestroyWindow(dialog);
        }
    }
}

// ------------------------------------------------- English in the program

std::vector<std::string> TopLevelTexts(HWND window)
{
    std::vector<std::string> texts;
    HMENU bar = GetMenu(window);
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        char text[64] = "";
        GetMenuStringA(bar, UINT(i), text, sizeof text, MF_BYPOSITION);
        texts.push_back(text);
    }
    return texts;
}

// The menu bar fits in one line: its last item is level with its first.
bool MenuBarOnOneLine(HWND window)
{
    RECT first, last;
    const int count = GetMenuItemCount(GetMenu(window));
    return GetMenuItemRect(window, GetMenu(window), 0, &first) &&
           GetMenuItemRect(window, GetMenu(window), UINT(count - 1), &last) && first.top == last.top;
}

std::string MessageAfter(const std::function<void()>& act, int button)
{
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press(button));
    act();
    return answerer.Seen().empty() ? std::string("(nothing)") : answerer.Seen().back().text;
}

TEST(EnglishChosen, WindowsAndMessagesSpeakEnglishAtOnceAndAfterARestart)
{
    HWND main = program::Restart(true);
    ASSERT_NE(nullptr, main);
    ASSERT_EQ(kJapanese, uiLanguage);
    const std::vector<std::string> japaneseMenu = TopLevelTexts(main);
    ASSERT_EQ("ﾌｧｲﾙ(&F)", japaneseMenu.front());
    const std::vector<std::string> english = {"&File", "&Palette", "&View", "&Window", "&Help"};
    const std::vector<std::string> englishPalette = {"&Palette", "&View", "&Colors", "&Edit", "&Arrange"};

    program::Command(ID_HELP_LANGUAGE_ENGLISH);
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start ? "after a restart" : "at once");
        EXPECT_EQ(kEnglish, uiLanguage);
        EXPECT_EQ(english, TopLevelTexts(program::MainWindow()));
        EXPECT_EQ(englishPalette, TopLevelTexts(paletteWindow.Hwnd()));
        EXPECT_EQ("Palette", WindowText(paletteWindow.Hwnd()));
        EXPECT_TRUE(MenuBarOnOneLine(paletteWindow.Hwnd()));
        // The language submenu marks the choice.
        HMENU bar = GetMenu(program::MainWindow());
        HMENU help = GetSubMenu(bar, GetMenuItemCount(bar) - 1);
        HMENU languages = GetSubMenu(help, GetMenuItemCount(help) - 1);
        ASSERT_NE(nullptr, languages);
        SendMessageA(program::MainWindow(), WM_INITMENUPOPUP, WPARAM(languages), 0);
        EXPECT_TRUE(GetMenuState(languages, ID_HELP_LANGUAGE_ENGLISH, MF_BYCOMMAND) & MF_CHECKED);
        EXPECT_EQ("&Language", [&] {
            char text[64] = "";
            GetMenuStringA(help, UINT(GetMenuItemCount(help) - 1), text, sizeof text, MF_BYPOSITION);
            return std::string(text);
        }());
        EXPECT_EQ("Delete Korin's registry settings? The window place and view options return to their "
                  "defaults at the next start.",
                  MessageAfter([] { program::Command(ID_FILE_DELETE_REGISTRY); }, IDNO));
        EXPECT_EQ("Hold down F12 to see the palette information.",
                  MessageAfter([] { SendMessageA(paletteWindow.Hwnd(), WM_COMMAND, ID_PALETTE_INFORMATION, 0); },
                               IDOK));
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::SetText(IDC_NEW_WIDTH, "0", ModalAnswerer::Press(IDOK)));
        answerer.Then(ModalAnswerer::Press(IDOK));
        answerer.Then(ModalAnswerer::Press(IDCANCEL));
        program::Command(ID_FILE_NEW);
        EXPECT_EQ(0u, answerer.Pending()) << answerer.Describe();
        ASSERT_EQ(2u, answerer.Seen().size()) << answerer.Describe();
        EXPECT_EQ("New Picture", answerer.Seen()[0].caption);
        EXPECT_EQ("The picture size is not valid. Enter another width or height.", answerer.Seen()[1].text);
        if (!start) program::Restart(false);
    }
    program::Command(ID_HELP_LANGUAGE_SYSTEM);
    // This machine's Wine runs with a Japanese user language.
    EXPECT_EQ(japaneseMenu, TopLevelTexts(program::MainWindow()));
    EXPECT_EQ("ﾊﾟﾚｯﾄ一覧", WindowText(paletteWindow.Hwnd()));
    program::Restart(true);
}

std::string HeaderViewText()
{
    return ItemText(program::MainWindow(), IDC_HEADER_VIEW);
}

TEST(EnglishChosen, HeaderViewReportsInTheChosenLanguageAtOnce)
{
    program::Restart(true);
    TempFolder folder;
    const std::string path = folder.File("eight.bmp");
    const BmpBytes bmp = MakeBmp(8, 4, 8, 16);
    ASSERT_TRUE(WriteWholeFile(path, bmp.Serialize()));
    {
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::TypeFileName(path));
        program::Command(ID_FILE_OPEN);
        ASSERT_EQ(0u, answerer.Pending()) << answerer.Describe();
    }
    HeaderReportInput input;
    input.hasFileHeader = true;
    input.fileHeader = bmp.file;
    input.infoHeader = bmp.info;
    input.entryCount = 16;
    input.stride = 8;
    input.imageSize = uint32_t(bmp.pixels.size());
    input.path = path;
    input.modified = false;
    input.fileSizeKnown = true;
    input.fileSize = uint32_t(bmp.Serialize().size());
    input.hexNumbers = 0;
    const struct {
        int detailCommand;
        int32_t headerDetail;
    } kModes[] = {{ID_VIEW_HEADER_SUMMARY, 0}, {ID_VIEW_HEADER_MEMBERS, 1}};
    for (const auto& mode : kModes) {
        SCOPED_TRACE(mode.headerDetail);
        program::Command(mode.detailCommand);
        input.headerDetail = mode.headerDetail;
        EXPECT_EQ(BuildHeaderReport(input), HeaderViewText());

        program::Command(ID_HELP_LANGUAGE_ENGLISH);
        std::string english = HeaderViewText();
        const size_t name = english.find(path);
        ASSERT_NE(std::string::npos, name) << english;
        english.erase(name, path.size());
        for (size_t i = 0; i < english.size(); ++i)
            ASSERT_LT(static_cast<unsigned char>(english[i]), 0x80) << "at " << i << ":\n" << english;
        EXPECT_NE(std::string::npos,
                  english.find(mode.headerDetail ? "  .biWidth         = 8\r\n" : " Width       : 8px\r\n"))
            << english;

        program::Command(ID_HELP_LANGUAGE_JAPANESE);
        EXPECT_EQ(BuildHeaderReport(input), HeaderViewText());
    }
    program::Command(ID_HELP_LANGUAGE_SYSTEM);
    program::Restart(true);
}

}  // namespace
