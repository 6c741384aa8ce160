// Saves over a file that may not be replaced, from the palette window and
// from the main window: the file stays as it was and the user is told why
// and what to do.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/globals.h"
#include "palette/palette_window.h"
#include "resources/resource.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

// Holds a file so that it may not be replaced, until let go.
struct Hold {
    const char* what;
    std::function<void(const std::string& path)> take;
    std::function<void(const std::string& path)> letGo;
    const char* message;
};

class SaveRefusal : public palette::PaletteTest {};

TEST_F(SaveRefusal, SavesSayWhyAndLeaveTheFile)
{
    HANDLE held = INVALID_HANDLE_VALUE;
    const Hold holds[] = {
        {"read-only", [](const std::string& p) { SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_READONLY); },
         [](const std::string& p) { SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL); },
         "ﾌｧｲﾙは読み取り専用のため上書きできません.\r\n読み取り専用を解除するか,別の名前で保存してください."},
        {"hard-linked", [](const std::string& p) { CreateHardLinkA((p + ".link").c_str(), p.c_str(), nullptr); },
         [](const std::string& p) { DeleteFileA((p + ".link").c_str()); },
         "ﾌｧｲﾙには別の名前(ﾊｰﾄﾞﾘﾝｸ)があるため上書きできません.\r\n別の名前で保存するか,ほかのﾘﾝｸを削除してください."},
        {"in use",
         [&](const std::string& p) { held = CreateFileA(p.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr); },
         [&](const std::string&) { CloseHandle(held); },
         "ﾌｧｲﾙはほかのﾌﾟﾛｸﾞﾗﾑで開かれているため上書きできません.\r\n"
         "そのﾌﾟﾛｸﾞﾗﾑでﾌｧｲﾙを閉じてから,もう一度保存してください."},
    };
    const std::string picture = WritePicture("picture.bmp", 4, 2, 8, 16, palette::DistinctTable(16));
    const std::string colors = folder.File("colors.pal");
    ASSERT_TRUE(WriteWholeFile(colors, "the colors as they were"));
    OpenPicture(picture);
    ShowPalette();
    palette::Command(ID_PALETTE_INVERT);
    palette::Command(ID_PALETTE_APPLY);
    const std::string before[] = {ReadWholeFile(picture), ReadWholeFile(colors)};

    for (const Hold& hold : holds) {
        SCOPED_TRACE(hold.what);
        hold.take(colors);
        std::vector<SeenDialog> seen = palette::Run(
            ID_PALETTE_SAVE, {ModalAnswerer::TypeFileName(colors), ModalAnswerer::Press(IDYES), ModalAnswerer::Press(IDOK)});
        hold.letGo(colors);
        ASSERT_EQ(3u, seen.size());
        EXPECT_EQ("Korin", seen[2].caption);
        EXPECT_EQ(hold.message, seen[2].text) << "the palette";
        EXPECT_TRUE(paletteWindow.IsModified());

        hold.take(picture);
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::Press(IDOK));
        program::Command(ID_FILE_SAVE);
        hold.letGo(picture);
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ(hold.message, answerer.Seen()[0].text) << "the picture";
        EXPECT_EQ("Korin [picture.bmp *]", program::Title());

        EXPECT_EQ(before[0], ReadWholeFile(picture));
        EXPECT_EQ(before[1], ReadWholeFile(colors));
        EXPECT_EQ((std::vector<std::string>{"colors.pal", "picture.bmp"}), folder.List()) << "nothing left behind";
    }
}

}  // namespace
