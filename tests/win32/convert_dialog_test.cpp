// A truecolor PNG in the editor: it opens as a 32-bit picture, and the
// convert to indexed dialog, answered as a user would, makes the document the
// picture korin-cli map makes with the same choices, pixel for pixel and
// entry for entry, marked modified.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/color_table.h"
#include "resources/resource.h"
#include "tests/support/picture_files.h"
#include "tests/support/png_bytes.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/program.h"

namespace {

// korin-cli with args; its exit code, or -1 when it did not end within a minute.
int RunCli(const std::string& args)
{
    std::string line = std::string("\"") + KORIN_CLI_EXE_PATH + "\" " + args;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return -1;
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    else TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return int(code);
}

// Pixel (x, y) of an indexed bitmap, y from the top.
unsigned IndexOf(const unsigned char* bits, uint32_t stride, int height, unsigned bitCount, int x, int y)
{
    const unsigned char* row = bits + size_t(height - 1 - y) * stride;
    const unsigned perByte = 8 / bitCount;
    return row[x / perByte] >> (8 - bitCount * (x % perByte + 1)) & ((1u << bitCount) - 1);
}

const int kWidth = 19, kHeight = 11;

std::string TruecolorPng()
{
    std::string raw;
    for (int y = 0; y < kHeight; ++y) {
        raw += '\0';
        for (int x = 0; x < kWidth; ++x) {
            raw += char(x * 13);
            raw += char(y * 23);
            raw += char((x * y * 7) % 256);
            raw += char(x == 0 ? 40 : 255);  // the first column below the threshold
        }
    }
    return AssemblePng({{"IHDR", IhdrData(kWidth, kHeight, 8, 6)}, {"IDAT", Deflate(raw)}, {"IEND", ""}});
}

class ConvertDialog : public ::testing::Test {
protected:
    void SetUp() override { program::Restart(true); }
    void TearDown() override { program::Stop(); }

    std::vector<SeenDialog> Run(int command, const std::vector<ModalAnswerer::Action>& answers)
    {
        ModalAnswerer answerer;
        for (const ModalAnswerer::Action& answer : answers) answerer.Then(answer);
        program::Command(command);
        EXPECT_EQ(0u, answerer.Pending()) << answerer.Describe();
        return answerer.Seen();
    }

    TempFolder folder;
};

TEST_F(ConvertDialog, GivesThePixelsKorinCliMapGives)
{
    const std::string picture = folder.File("art.png"), palette = folder.File("pal.png");
    ASSERT_TRUE(WriteWholeFile(picture, TruecolorPng()));
    // Six colors, entry 4 transparent: the picture's first column takes it.
    const std::string colors("\x00\x00\x00\xff\xff\xff\xc0\x20\x20\x20\xc0\x20\x00\x00\x00\x20\x20\xc0", 18);
    ASSERT_TRUE(WriteWholeFile(palette, AssemblePng({{"IHDR", IhdrData(1, 1, 8, 3)}, {"PLTE", colors},
                                                     {"tRNS", std::string("\xff\xff\xff\xff\x00", 5)},
                                                     {"IDAT", Deflate(std::string(2, '\0'))}, {"IEND", ""}})));
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(picture)});
    ASSERT_EQ("Korin [art.png]", program::Title());
    BITMAPINFOHEADER info;
    ASSERT_TRUE(bitmapDocument.Image().CopyHeaders(nullptr, &info));
    EXPECT_EQ(32, info.biBitCount) << "a truecolor PNG with alpha opens as a 32-bit picture";

    struct Case {
        int dither;
        const char* word;
        const char* threshold;
    };
    for (const Case& c : {Case{0, "none", "128"}, Case{1, "fs", "128"}, Case{4, "bayer4", "30"}}) {
        if (c.dither) Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(picture)});
        const std::string out = folder.File(std::string("cli-") + c.word + ".bmp");
        ASSERT_EQ(0, RunCli("map \"" + picture + "\" --palette \"" + palette + "\" --dither " + c.word +
                            " --alpha-threshold " + c.threshold + " -o \"" + out + "\""));
        Run(ID_PICTURE_CONVERT_INDEXED,
            {[&](HWND dialog) {
                 SendDlgItemMessageA(dialog, IDC_CONVERT_FROM_FILE, BM_CLICK, 0, 0);
                 SetDlgItemTextA(dialog, IDC_CONVERT_FILE, palette.c_str());
                 SetDlgItemTextA(dialog, IDC_CONVERT_ALPHA, c.threshold);
                 SendDlgItemMessageA(dialog, IDC_CONVERT_DITHER, CB_SETCURSEL, WPARAM(c.dither), 0);
                 PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                 return true;
             }});
        EXPECT_EQ("Korin [art.png *]", program::Title()) << c.word;
        DibImage expected;
        {
            HDC dc = CreateCompatibleDC(nullptr);
            ASSERT_TRUE(expected.LoadFromFile(dc, out.c_str())) << c.word;
            DeleteDC(dc);
        }
        ColorTable made, wanted;
        ASSERT_TRUE(bitmapDocument.Image().CopyColorTable(made));
        ASSERT_TRUE(expected.CopyColorTable(wanted));
        ASSERT_EQ(6u, made.GetCount()) << c.word;
        ASSERT_EQ(wanted.GetCount(), made.GetCount());
        for (uint32_t i = 0; i < made.GetCount(); ++i)
            EXPECT_EQ(wanted.GetPackedColor(i), made.GetPackedColor(i)) << c.word << " entry " << i;
        BITMAPINFOHEADER mine, theirs;
        ASSERT_TRUE(bitmapDocument.Image().CopyHeaders(nullptr, &mine));
        ASSERT_TRUE(expected.CopyHeaders(nullptr, &theirs));
        ASSERT_EQ(theirs.biBitCount, mine.biBitCount);
        unsigned transparent = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const unsigned got = IndexOf(bitmapDocument.Image().Bits(), bitmapDocument.Image().Stride(), kHeight,
                                             mine.biBitCount, x, y);
                EXPECT_EQ(IndexOf(expected.Bits(), expected.Stride(), kHeight, theirs.biBitCount, x, y), got)
                    << c.word << " " << x << "," << y;
                if (got == 4) ++transparent;
            }
        }
        EXPECT_EQ(c.threshold[0] == '1' ? unsigned(kHeight) : 0u, transparent) << c.word;
        // Saved, it is an indexed BMP like any other.
        Run(ID_PICTURE_CONVERT_INDEXED, {ModalAnswerer::Press(IDCANCEL)});
        EXPECT_EQ("Korin [art.png *]", program::Title());
        Run(ID_FILE_CLOSE, {ModalAnswerer::Press(IDNO)});
    }
}

}  // namespace
