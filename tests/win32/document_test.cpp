// The document's File commands as a user goes through them: titles, the
// unsaved-changes question with each answer, the real open and save dialogs,
// and the header report the commands leave behind.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/color_table.h"
#include "resources/resource.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/program.h"

namespace {

const char kNotSaved[] = "ﾌｧｲﾙは保存されませんでした.";

std::string HeaderText()
{
    return ItemText(program::MainWindow(), IDC_HEADER_VIEW);
}

class Document : public ::testing::Test {
protected:
    void SetUp() override { program::Restart(true); }
    void TearDown() override { program::Stop(); }

    // File > New with the dialog's values as they stand, by Ctrl+N.
    void NewPicture()
    {
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::Press(IDOK));
        program::PressKey('N', true);
        ASSERT_EQ(1u, answerer.Seen().size()) << answerer.Describe();
    }

    std::string WritePicture(const std::string& name, int width = 8, int height = 4)
    {
        std::string path = folder.File(name);
        EXPECT_TRUE(WriteWholeFile(path, MakeBmp(width, height, 8, 16).Serialize()));
        return path;
    }

    // Runs a command with the dialogs answered in turn; returns what was seen.
    std::vector<SeenDialog> Run(int command, const std::vector<ModalAnswerer::Action>& answers)
    {
        ModalAnswerer answerer;
        for (const ModalAnswerer::Action& answer : answers) answerer.Then(answer);
        program::Command(command);
        EXPECT_EQ(0u, answerer.Pending()) << answerer.Describe();
        return answerer.Seen();
    }

    void MarkModified()
    {
        ColorTable table;
        ASSERT_TRUE(bitmapDocument.Image().CopyColorTable(table));
        table.SetColor(0, 1, 2, 3);
        ASSERT_TRUE(bitmapDocument.ApplyColorTable(table));
    }

    TempFolder folder;
};

TEST_F(Document, NewPictureIsUnsavedAndNamedNewBitmap)
{
    SetDlgItemTextA(program::MainWindow(), IDC_HEADER_VIEW, "old report");
    NewPicture();
    EXPECT_EQ("Korin [NewBitmap *]", program::Title());
    EXPECT_EQ("", HeaderText());
    EXPECT_FALSE(bitmapDocument.Image().IsEmpty());
    EXPECT_EQ(256u, bitmapDocument.Image().EntryCount());
}

TEST_F(Document, SavingANewPictureAsksForANameAndCancelChangesNothing)
{
    NewPicture();
    std::vector<SeenDialog> seen = Run(ID_FILE_SAVE, {ModalAnswerer::Press(IDCANCEL)});
    ASSERT_EQ(1u, seen.size()) << "only the save dialog; a cancel shows no message";
    EXPECT_EQ("名前をつけて保存", seen[0].caption);
    EXPECT_EQ("Korin [NewBitmap *]", program::Title());
}

TEST_F(Document, SavedNewPictureShowsItsPathAndSizeButNoFileHeader)
{
    NewPicture();
    std::string path = folder.File("fresh");  // the dialog adds .bmp
    Run(ID_KEY_CTRL_S, {ModalAnswerer::TypeFileName(path)});
    EXPECT_EQ("Korin [fresh.bmp]", program::Title());
    ASSERT_EQ(54u + 1024 + 10000, ReadWholeFile(path + ".bmp").size());
    std::string report = HeaderText();
    EXPECT_NE(std::string::npos, report.find(path + ".bmp")) << report;
    EXPECT_NE(std::string::npos, report.find(" 実際のファイルサイズ           : 11078bytes")) << report;
    program::Command(ID_VIEW_HEADER_MEMBERS);
    EXPECT_NE(std::string::npos, HeaderText().find(" BITMAPFILEHEADER\r\n    存在しません.\r\n"));
}

TEST_F(Document, OpenShowsTheFileAndItsReport)
{
    std::string path = WritePicture("eight.bmp");
    std::vector<SeenDialog> seen = Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path)});
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("開く", seen[0].caption);
    EXPECT_EQ("Korin [eight.bmp]", program::Title());
    EXPECT_NE(std::string::npos, HeaderText().find(" " + path + "\r\n")) << HeaderText();
    EXPECT_NE(std::string::npos, HeaderText().find(" 幅     : 8px\r\n"));

    program::Command(ID_VIEW_HEADER_MEMBERS);
    program::Command(ID_VIEW_NUMBERS_HEX);
    EXPECT_NE(std::string::npos, HeaderText().find("  .bfType      = 4d42\r\n"));
    program::Command(ID_VIEW_NUMBERS_DECIMAL);
    EXPECT_NE(std::string::npos, HeaderText().find("  .bfType      = 19778\r\n"));
    program::Command(ID_VIEW_HEADER_SUMMARY);
    EXPECT_EQ(0u, HeaderText().find("  ==== Bitmap Information ====\r\n"));
}

TEST_F(Document, ReportOptionsWithoutAPictureLeaveTheViewAlone)
{
    SetDlgItemTextA(program::MainWindow(), IDC_HEADER_VIEW, "kept");
    for (int command : {ID_VIEW_HEADER_MEMBERS, ID_VIEW_NUMBERS_HEX, ID_VIEW_NUMBERS_DECIMAL,
                        ID_VIEW_HEADER_SUMMARY}) {
        program::Command(command);
        EXPECT_EQ("kept", HeaderText()) << command;
    }
}

TEST_F(Document, ReportAfterApplyingHidesThePathUntilSaved)
{
    std::string path = WritePicture("applied.bmp");
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path)});
    MarkModified();
    EXPECT_NE(std::string::npos, HeaderText().find(path)) << "applying alone does not rebuild the report";
    program::Command(ID_VIEW_HEADER_SUMMARY);
    EXPECT_EQ(std::string::npos, HeaderText().find(path));
    EXPECT_NE(std::string::npos, HeaderText().find(" 実際のファイルサイズ           : まだ保存されていません.bytes"));
    Run(ID_FILE_SAVE, {});
    EXPECT_NE(std::string::npos, HeaderText().find(path));
}

// A file deleted since it was opened has no size to show; the report says so
// instead of showing the failed query's 4294967295.
TEST_F(Document, ReportOfAFileDeletedSinceItWasOpened)
{
    std::string path = WritePicture("gone.bmp");
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path)});
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    program::Command(ID_VIEW_HEADER_SUMMARY);
    EXPECT_EQ(std::string::npos, HeaderText().find("4294967295"));
    EXPECT_NE(std::string::npos, HeaderText().find(" 実際のファイルサイズ           : 取得できません.bytes"));
}

TEST_F(Document, CancellingTheOpenDialogShowsNothing)
{
    std::vector<SeenDialog> seen = Run(ID_KEY_CTRL_O, {ModalAnswerer::Press(IDCANCEL)});
    EXPECT_EQ(1u, seen.size());
    EXPECT_EQ("Korin", program::Title());
}

TEST_F(Document, FailedOpenSaysSoAndLeavesNoPicture)
{
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(WritePicture("first.bmp"))});
    std::string notBmp = folder.File("notes.bmp");
    ASSERT_TRUE(WriteWholeFile(notBmp, "this is text, not a picture"));
    std::vector<SeenDialog> seen =
        Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(notBmp), ModalAnswerer::Press(IDOK)});
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("Loading failed.", seen[1].text);
    EXPECT_EQ("Korin", seen[1].caption);
    EXPECT_TRUE(bitmapDocument.Image().IsEmpty());
    EXPECT_EQ("Korin [first.bmp]", program::Title()) << "the title still names the last document";
    InvalidateRect(program::MainWindow(), nullptr, TRUE);
    EXPECT_EQ(RGB(0, 0, 0), program::ClientPixel(program::MainWindow(), 1, 1));
}

TEST_F(Document, OpenWhileModifiedAsksAfterTheFileIsChosen)
{
    NewPicture();
    std::string path = WritePicture("next.bmp");
    std::vector<SeenDialog> seen =
        Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path), ModalAnswerer::Press(IDNO)});
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("開く", seen[0].caption);
    EXPECT_EQ("NewBitmapへの変更を保存しますか?", seen[1].text);
    EXPECT_EQ("Korin [next.bmp]", program::Title());
    EXPECT_NE(std::string::npos, HeaderText().find(path));
}

TEST_F(Document, CancelInTheQuestionKeepsTheDocument)
{
    NewPicture();
    std::vector<SeenDialog> seen = Run(ID_FILE_CLOSE, {ModalAnswerer::Press(IDCANCEL)});
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Korin [NewBitmap *]", program::Title());

    Run(ID_FILE_EXIT, {ModalAnswerer::Press(IDCANCEL)});
    EXPECT_TRUE(IsWindow(program::MainWindow()));
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press(IDCANCEL));
    SendMessageA(program::MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_TRUE(IsWindow(program::MainWindow()));
    EXPECT_EQ("Korin [NewBitmap *]", program::Title());
}

TEST_F(Document, YesWithACancelledSaveDialogStopsTheClose)
{
    NewPicture();
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press(IDYES));
    answerer.Then(ModalAnswerer::Press(IDCANCEL));
    SendMessageA(program::MainWindow(), WM_CLOSE, 0, 0);
    ASSERT_EQ(2u, answerer.Seen().size()) << answerer.Describe();
    EXPECT_EQ("名前をつけて保存", answerer.Seen()[1].caption);
    EXPECT_TRUE(IsWindow(program::MainWindow()));
}

TEST_F(Document, YesSavesAKnownFileWithoutADialog)
{
    std::string path = WritePicture("known.bmp");
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path)});
    MarkModified();
    EXPECT_EQ("Korin [known.bmp *]", program::Title());
    std::vector<SeenDialog> seen = Run(ID_FILE_CLOSE, {ModalAnswerer::Press(IDYES)});
    ASSERT_EQ(1u, seen.size()) << "no save dialog";
    EXPECT_EQ("Korin", program::Title());
    EXPECT_EQ("", HeaderText());
    DibImage saved;
    ASSERT_TRUE(saved.LoadFromFile(nullptr, path.c_str()));
    ColorTable table;
    saved.CopyColorTable(table);
    EXPECT_EQ(0x02030201u, table.GetPackedColor(0));
}

TEST_F(Document, ClosingAnUnchangedDocumentAsksNothing)
{
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(WritePicture("calm.bmp"))});
    std::vector<SeenDialog> seen = Run(ID_FILE_CLOSE, {});
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ("Korin", program::Title());
    EXPECT_EQ("", HeaderText());
    EXPECT_TRUE(bitmapDocument.Image().IsEmpty());
}

TEST_F(Document, SaveAsAlwaysAsksAndRenamesTheDocument)
{
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(WritePicture("before.bmp"))});
    std::string renamed = folder.File("after.bmp");
    std::vector<SeenDialog> seen = Run(ID_FILE_SAVE_AS, {ModalAnswerer::TypeFileName(renamed)});
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Korin [after.bmp]", program::Title());
    EXPECT_EQ(ReadWholeFile(folder.File("before.bmp")), ReadWholeFile(renamed));
    EXPECT_NE(std::string::npos, HeaderText().find(renamed));

    seen = Run(ID_FILE_SAVE_AS, {ModalAnswerer::Press(IDCANCEL)});
    EXPECT_EQ(1u, seen.size()) << "a cancelled save-as shows no message";
}

TEST_F(Document, SavingWithoutAPictureSaysNothingWasSaved)
{
    std::vector<SeenDialog> seen = Run(ID_FILE_SAVE, {ModalAnswerer::Press(IDOK)});
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(kNotSaved, seen[0].text);
}

// Guards the user's changes: when Yes to the question is followed by a save
// that fails, the pending Close or Exit must stop instead of discarding them.
TEST_F(Document, FailedSaveAfterYesStopsThePendingOperation)
{
    std::string path = WritePicture("locked.bmp");
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path)});
    MarkModified();
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));  // the save cannot replace a folder

    std::vector<SeenDialog> seen =
        Run(ID_FILE_CLOSE, {ModalAnswerer::Press(IDYES), ModalAnswerer::Press(IDOK)});
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(kNotSaved, seen[1].text);
    EXPECT_EQ("Korin [locked.bmp *]", program::Title());
    EXPECT_FALSE(bitmapDocument.Image().IsEmpty());

    seen = Run(ID_FILE_EXIT, {ModalAnswerer::Press(IDYES), ModalAnswerer::Press(IDOK)});
    EXPECT_EQ(2u, seen.size());
    EXPECT_TRUE(IsWindow(program::MainWindow()));

    seen = Run(ID_FILE_NEW, {ModalAnswerer::Press(IDOK), ModalAnswerer::Press(IDYES),
                             ModalAnswerer::Press(IDOK)});
    EXPECT_EQ(3u, seen.size());
    EXPECT_EQ("Korin [locked.bmp *]", program::Title());
    RemoveDirectoryA(path.c_str());
}

// Guards the title buffer: a display name too long for it is shortened.
TEST_F(Document, VeryLongNameIsShortenedInTheTitle)
{
    std::string name(246, 'n');
    std::string path = "C:\\" + name + ".bmp";
    ASSERT_TRUE(WriteWholeFile(path, MakeBmp(2, 2, 8, 2).Serialize()));
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path)});
    MarkModified();
    std::string title = program::Title();
    DeleteFileA(path.c_str());
    EXPECT_LT(title.size(), 260u);
    EXPECT_EQ("Korin [nnnn", title.substr(0, 11));
    EXPECT_EQ("... *]", title.substr(title.size() - 6));
}

}  // namespace
