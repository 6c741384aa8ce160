// The common open and save dialogs, shown for real and answered from inside
// their modal loops as a user would answer them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/file_dialog_spec.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"

namespace {

const char kBitmapFilter[] = "Bitmap Files(*.bmp)|*.bmp|";
const char kPaletteFilter[] = "RIFF Palette Files(*.pal)|*.pal|";
const char kTwoFilters[] = "Bitmap Files(*.bmp)|*.bmp|RIFF Palette Files(*.pal)|*.pal|";
const DWORD kOpenFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
const DWORD kSaveFlags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;

// What the dialog showed when it opened.
struct DialogView {
    std::string caption;
    std::string nameBox;
    std::vector<std::string> filterNames;
    int filterSelection = -1;
    std::string folder;
};

DialogView Look(HWND dialog)
{
    DialogView view;
    view.caption = WindowText(dialog);
    view.nameBox = ItemText(dialog, kFileNameCombo);
    HWND types = GetDlgItem(dialog, kFileTypeCombo);
    int count = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char name[256] = "";
        if (SendMessageA(types, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof name)) {
            SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
        }
        view.filterNames.push_back(name);
    }
    view.filterSelection = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
    char folder[MAX_PATH] = "";
    SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
    view.folder = folder;
    return view;
}

// Notes what the dialog shows, then goes on as the next action says.
ModalAnswerer::Action LookThen(DialogView& view, ModalAnswerer::Action then)
{
    return [&view, then](HWND dialog) {
        view = Look(dialog);
        return then(dialog);
    };
}

// Picks a file type with the notifications a click in the drop-down list sends.
ModalAnswerer::Action ChooseFilter(int index, ModalAnswerer::Action then)
{
    return [index, then](HWND dialog) {
        HWND types = GetDlgItem(dialog, kFileTypeCombo);
        SendMessageA(types, CB_SETCURSEL, index, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeCombo, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(types));
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeCombo, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(types));
        return then(dialog);
    };
}

FileDialogSpec MakeSpec(const char* filter, const char* defaultExt, DWORD flags,
                        const std::string& initialDir)
{
    FileDialogSpec spec;
    spec.filter = filter;
    spec.defaultExt = defaultExt;
    spec.flags = flags;
    spec.filterIndex = 1;
    spec.initialDir = initialDir;
    return spec;
}

// Every field, so that "unchanged" compares the whole record.
std::string Fields(const FileDialogSpec& spec)
{
    return "filter=" + spec.filter + " path=" + spec.path + " fileTitle=" + spec.fileTitle +
           " initialDir=" + spec.initialDir + " defaultExt=" + spec.defaultExt +
           " filterIndex=" + std::to_string(spec.filterIndex) + " flags=" + std::to_string(spec.flags) +
           " fileOffset=" + std::to_string(spec.fileOffset) +
           " extensionOffset=" + std::to_string(spec.extensionOffset);
}

class FileDialogSpecTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, owner);
    }
    void TearDown() override
    {
        EXPECT_EQ(0u, answerer.Pending()) << answerer.Describe();
        for (const SeenDialog& seen : answerer.Seen()) {
            EXPECT_TRUE(seen.expected) << answerer.Describe();
        }
        DestroyWindow(owner);
    }

    HWND owner = nullptr;
    TempFolder folder;
    ModalAnswerer answerer;
};

TEST_F(FileDialogSpecTest, OtherModesShowNothing)
{
    FileDialogSpec spec = MakeSpec(kBitmapFilter, "bmp", kOpenFlags, folder.Path());
    spec.path = "C:\\before.bmp";
    const std::string before = Fields(spec);
    for (int mode : {0, 2, -2}) {
        EXPECT_FALSE(spec.Run(mode, owner)) << "mode " << mode;
    }
    EXPECT_TRUE(answerer.Seen().empty()) << answerer.Describe();
    EXPECT_EQ(before, Fields(spec));
}

TEST_F(FileDialogSpecTest, OpenDialogReturnsTheChosenFile)
{
    const std::string picture = folder.File("picture.bmp");
    ASSERT_TRUE(WriteWholeFile(picture, "BM"));
    FileDialogSpec spec = MakeSpec(kBitmapFilter, "bmp", kOpenFlags, folder.Path());
    spec.path = "C:\\earlier\\choice.bmp";

    DialogView view;
    answerer.Then(LookThen(view, ModalAnswerer::TypeFileName(picture)));
    ASSERT_TRUE(spec.Run(FileDialogSpec::OpenMode, owner)) << answerer.Describe();

    EXPECT_EQ("開く", view.caption);
    EXPECT_EQ("", view.nameBox) << "the name box starts empty whatever was chosen before";
    EXPECT_EQ(std::vector<std::string>{"Bitmap Files(*.bmp)"}, view.filterNames);
    EXPECT_EQ(0, view.filterSelection);
    EXPECT_EQ(0, lstrcmpiA(folder.Path().c_str(), view.folder.c_str())) << view.folder;

    EXPECT_EQ(picture, spec.path);
    EXPECT_EQ("picture.bmp", spec.fileTitle);
    EXPECT_EQ(picture, spec.initialDir) << "the whole path, not only its folder";
    EXPECT_EQ(1, spec.filterIndex);
    EXPECT_EQ(picture.size() - std::strlen("picture.bmp"), spec.fileOffset);
    EXPECT_EQ(picture.size() - std::strlen("bmp"), spec.extensionOffset);
}

TEST_F(FileDialogSpecTest, SaveDialogAddsTheDefaultExtension)
{
    FileDialogSpec spec = MakeSpec(kPaletteFilter, "pal", kSaveFlags, folder.Path());

    DialogView view;
    answerer.Then(LookThen(view, ModalAnswerer::TypeFileName(folder.File("colors"))));
    ASSERT_TRUE(spec.Run(FileDialogSpec::SaveMode, owner)) << answerer.Describe();

    EXPECT_EQ("名前をつけて保存", view.caption);
    EXPECT_EQ("", view.nameBox);
    EXPECT_EQ(folder.File("colors.pal"), spec.path);
    EXPECT_EQ("colors.pal", spec.fileTitle);
    EXPECT_EQ(spec.path, spec.initialDir);
    EXPECT_EQ(1, spec.filterIndex);
}

TEST_F(FileDialogSpecTest, CancelKeepsTheWholeRecord)
{
    ASSERT_TRUE(WriteWholeFile(folder.File("kept.pal"), "RIFF"));
    for (int mode : {int(FileDialogSpec::OpenMode), int(FileDialogSpec::SaveMode)}) {
        SCOPED_TRACE(mode);
        FileDialogSpec spec = MakeSpec(kTwoFilters, "pal", mode == FileDialogSpec::OpenMode ? kOpenFlags : kSaveFlags,
                                       folder.Path());
        spec.path = folder.File("kept.pal");
        spec.fileTitle = "kept.pal";
        spec.filterIndex = 2;
        spec.fileOffset = 7;
        spec.extensionOffset = 11;
        const std::string before = Fields(spec);

        DialogView view;
        answerer.Then(LookThen(view, ModalAnswerer::Press(IDCANCEL)));
        EXPECT_FALSE(spec.Run(mode, owner));
        EXPECT_FALSE(view.caption.empty()) << "no dialog was shown";
        EXPECT_EQ(before, Fields(spec));
        EXPECT_EQ(1, view.filterSelection) << "the dialog opens on the remembered filter";
    }
}

// The palette window's load dialog and the document's open dialog, used in
// turn: each reopens on its own last filter and in its own last folder.
TEST_F(FileDialogSpecTest, EachRecordReopensWhereItsLastChoiceWas)
{
    TempFolder otherFolder;
    const std::string palette = folder.File("a.pal");
    const std::string picture = otherFolder.File("b.bmp");
    ASSERT_TRUE(WriteWholeFile(palette, "RIFF"));
    ASSERT_TRUE(WriteWholeFile(picture, "BM"));
    FileDialogSpec load = MakeSpec(kTwoFilters, "bmp", kOpenFlags, otherFolder.Path());
    FileDialogSpec open = MakeSpec(kTwoFilters, "bmp", kOpenFlags, otherFolder.Path());

    DialogView first;
    answerer.Then(LookThen(first, ChooseFilter(1, ModalAnswerer::TypeFileName(palette))));
    ASSERT_TRUE(load.Run(FileDialogSpec::OpenMode, owner)) << answerer.Describe();
    EXPECT_EQ((std::vector<std::string>{"Bitmap Files(*.bmp)", "RIFF Palette Files(*.pal)"}),
              first.filterNames);
    EXPECT_EQ(0, first.filterSelection);
    EXPECT_EQ(2, load.filterIndex);
    EXPECT_EQ(palette, load.initialDir);

    answerer.Then(ModalAnswerer::TypeFileName(picture));
    ASSERT_TRUE(open.Run(FileDialogSpec::OpenMode, owner)) << answerer.Describe();
    EXPECT_EQ(1, open.filterIndex);

    DialogView again;
    answerer.Then(LookThen(again, ModalAnswerer::Press(IDCANCEL)));
    EXPECT_FALSE(load.Run(FileDialogSpec::OpenMode, owner));
    EXPECT_EQ(1, again.filterSelection);
    EXPECT_EQ(0, lstrcmpiA(folder.Path().c_str(), again.folder.c_str())) << again.folder;
    EXPECT_EQ("", again.nameBox);

    DialogView other;
    answerer.Then(LookThen(other, ModalAnswerer::Press(IDCANCEL)));
    EXPECT_FALSE(open.Run(FileDialogSpec::OpenMode, owner));
    EXPECT_EQ(0, other.filterSelection);
    EXPECT_EQ(0, lstrcmpiA(otherFolder.Path().c_str(), other.folder.c_str())) << other.folder;
}

// Why filters stay ASCII: the bars are found byte by byte, so a Shift-JIS
// trail byte 0x7C splits the list.
TEST_F(FileDialogSpecTest, EveryBarByteSeparatesTheFilterList)
{
    const char filter[] = "ポイ(*.pal)|*.pal|";
    ASSERT_EQ('\x83', filter[0]);
    ASSERT_EQ('\x7C', filter[1]) << "the second byte of ポ in Shift-JIS";
    FileDialogSpec spec = MakeSpec(filter, "pal", kOpenFlags, folder.Path());

    DialogView view;
    answerer.Then(LookThen(view, ModalAnswerer::Press(IDCANCEL)));
    EXPECT_FALSE(spec.Run(FileDialogSpec::OpenMode, owner));
    // "\x83" | "イ(*.pal)" | "*.pal" | "" : two names, the second the pattern.
    ASSERT_EQ(2u, view.filterNames.size()) << answerer.Describe();
    EXPECT_NE("ポイ(*.pal)", view.filterNames[0]);
    EXPECT_EQ("*.pal", view.filterNames[1]);
}

} // namespace
