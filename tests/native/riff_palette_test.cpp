#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "palette/color_table.h"
#include "platform/platform.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_folder.h"

namespace {

void PutU32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
}

void PutU16(std::string& s, uint16_t v)
{
    s += char(v);
    s += char(v >> 8);
}

// A .pal file with n entries; each field can be set wrong on purpose.
struct PalFile {
    uint32_t n = 4;
    uint32_t chunkSize = 0;  // 0: the right value
    uint32_t dataSize = 0;   // 0: the right value
    uint16_t version = 0x0300;
    uint16_t declared = 0xFFFF;  // 0xFFFF: n
    std::string form = "PAL ";
    std::string chunk = "data";
    std::string before;  // a chunk put ahead of "data"
    size_t cut = std::string::npos;

    std::string Bytes() const
    {
        std::string body = form + before + chunk;
        PutU32(body, dataSize ? dataSize : 4 + 4 * n);
        PutU16(body, version);
        PutU16(body, declared == 0xFFFF ? uint16_t(n) : declared);
        for (uint32_t i = 0; i < n; ++i) {
            body += char(i);
            body += char(i + 100);
            body += char(i + 200);
            body += char(i & 1 ? 0x04 : 0);
        }
        std::string file = "RIFF";
        PutU32(file, chunkSize ? chunkSize : uint32_t(body.size()));
        file += body;
        return cut == std::string::npos ? file : file.substr(0, cut);
    }
};

ColorTable Sentinel()
{
    ColorTable table;
    table.Reset(1);
    table.SetColor(0, 7, 8, 9);
    return table;
}

bool IsSentinel(const ColorTable& table)
{
    return table.GetCount() == 1 && table.GetPackedColor(0) == PackColor(7, 8, 9);
}

bool LoadBytes(ColorTable& table, const std::string& bytes)
{
    TempFolder folder;
    std::string path = folder.File("p.pal");
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return table.LoadRiffPalette(path.c_str());
}

TEST(RiffPalette, LoadsEntriesFlagsIncluded)
{
    PalFile pal;
    ColorTable table = Sentinel();
    ASSERT_TRUE(LoadBytes(table, pal.Bytes()));
    ASSERT_EQ(4u, table.GetCount());
    EXPECT_EQ(PackColor(3, 103, 203), table.GetPackedColor(3));
    EXPECT_EQ(0x04, table.GetEntry(3)->flags);
    EXPECT_EQ(0x00, table.GetEntry(2)->flags);
}

TEST(RiffPalette, ZeroEntriesWithDataSizeFourLoadsEmpty)
{
    PalFile pal;
    pal.n = 0;
    ColorTable table = Sentinel();
    ASSERT_TRUE(LoadBytes(table, pal.Bytes()));
    EXPECT_EQ(0u, table.GetCount());
}

TEST(RiffPalette, DataSizeMayCarryUpToThreeSpareBytes)
{
    for (uint32_t extra = 0; extra <= 4; ++extra) {
        PalFile pal;
        pal.dataSize = 4 + 4 * pal.n + extra;
        ColorTable table = Sentinel();
        EXPECT_EQ(extra < 4, LoadBytes(table, pal.Bytes())) << "data size 4n+4+" << extra;
        if (extra == 4) {
            EXPECT_TRUE(IsSentinel(table));
        }
    }
}

TEST(RiffPalette, RefusedFilesLeaveTableUnchanged)
{
    struct Case {
        const char* what;
        PalFile pal;
    };
    std::vector<Case> cases;
    { PalFile p; p.form = "PAL!"; cases.push_back({"form type", p}); }
    { PalFile p; p.before = std::string("offl\x04\0\0\0abcd", 12); cases.push_back({"chunk before data", p}); }
    { PalFile p; p.chunk = "dat "; cases.push_back({"chunk id other than data", p}); }
    { PalFile p; p.version = 0x0301; cases.push_back({"version", p}); }
    { PalFile p; p.declared = 3; cases.push_back({"count below data", p}); }
    { PalFile p; p.declared = 5; cases.push_back({"count above data", p}); }
    { PalFile p; p.cut = 3; cases.push_back({"shorter than a tag", p}); }
    { PalFile p; p.cut = 20; cases.push_back({"cut inside the data header", p}); }
    { PalFile p; p.cut = 24 + 4 * 3; cases.push_back({"cut inside the entries", p}); }
    { PalFile p; p.chunkSize = 16; cases.push_back({"chunk too small for its entries", p}); }
    { PalFile p; p.dataSize = 0x01000000 + 4 + 4 * 4; cases.push_back({"data size with its high byte set", p}); }
    for (const Case& c : cases) {
        ColorTable table = Sentinel();
        EXPECT_FALSE(LoadBytes(table, c.pal.Bytes())) << c.what;
        EXPECT_TRUE(IsSentinel(table)) << c.what;
    }

    ColorTable table = Sentinel();
    std::string zeroChunk = PalFile().Bytes();
    std::memset(&zeroChunk[4], 0, 4);
    EXPECT_FALSE(LoadBytes(table, zeroChunk)) << "chunk size 0";
    std::string zeroData = PalFile().Bytes();
    std::memset(&zeroData[16], 0, 4);
    EXPECT_FALSE(LoadBytes(table, zeroData)) << "data size 0";
    std::string bigEndian = PalFile().Bytes();
    bigEndian[3] = 'X';
    EXPECT_FALSE(LoadBytes(table, bigEndian)) << "RIFX, the big-endian form";
    EXPECT_FALSE(LoadBytes(table, "")) << "empty file";
    EXPECT_FALSE(table.LoadRiffPalette("no such folder/no such file.pal"));
    EXPECT_TRUE(IsSentinel(table));
}

// Guards the reader against chunk sizes that real files get wrong: it must read
// only what the file holds, and neither allocate nor use more.
TEST(RiffPalette, ChunkSizeBeyondFileIsLimitedToTheFile)
{
    PalFile pal;
    ColorTable table;
    for (const uint32_t declared : {0xCF20D1FCu, 0x80000010u}) {
        pal.chunkSize = declared;
        ASSERT_TRUE(LoadBytes(table, pal.Bytes())) << declared;
        EXPECT_EQ(4u, table.GetCount());
        EXPECT_EQ(PackColor(2, 102, 202), table.GetPackedColor(2));
    }

    pal.cut = 24 + 4 * 3 + 2;  // the last entry is not all there
    table.Reset(0);
    EXPECT_FALSE(LoadBytes(table, pal.Bytes()));
}

TEST(RiffPalette, ReadsFromAnyStream)
{
    std::istringstream in(PalFile().Bytes());
    ColorTable table;
    ASSERT_TRUE(table.ReadRiffPalette(in));
    EXPECT_EQ(4u, table.GetCount());
}

TEST(RiffPalette, SavesTheDocumentedLayoutAndReadsBack)
{
    ColorTable table;
    table.Reset(256);
    for (uint32_t i = 0; i < 256; ++i) {
        table.SetColor(i, uint8_t(i), uint8_t(255 - i), uint8_t(i * 3));
        table.GetEntry(i)->flags = uint8_t(i % 5);
    }
    TempFolder folder;
    std::string path = folder.File("out.pal");
    ASSERT_TRUE(table.SaveRiffPalette(path.c_str()));
    std::string bytes = ReadWholeFile(path);
    ASSERT_EQ(1048u, bytes.size());
    EXPECT_EQ(std::string("RIFF\x10\x04\0\0PAL data\x04\x04\0\0\0\x03\0\x01", 24), bytes.substr(0, 24));
    EXPECT_EQ(std::string("\x06\xF9\x12\x01", 4), bytes.substr(24 + 4 * 6, 4));

    ColorTable back;
    ASSERT_TRUE(back.LoadRiffPalette(path.c_str()));
    ASSERT_EQ(256u, back.GetCount());
    for (uint32_t i = 0; i < 256; ++i) {
        EXPECT_EQ(0, std::memcmp(table.GetEntry(i), back.GetEntry(i), 4)) << i;
    }
    EXPECT_EQ(std::vector<std::string>{"out.pal"}, folder.List());
}

TEST(RiffPalette, SavingAnEmptyTableWritesTwentyFourBytes)
{
    TempFolder folder;
    std::string path = folder.File("empty.pal");
    ColorTable table;
    ASSERT_TRUE(table.SaveRiffPalette(path.c_str()));
    EXPECT_EQ(24u, ReadWholeFile(path).size());
    ColorTable back = Sentinel();
    ASSERT_TRUE(back.LoadRiffPalette(path.c_str()));
    EXPECT_EQ(0u, back.GetCount());
}

// Guards against a save reporting success, or destroying the old file, when
// the new one cannot be put in place.
TEST(RiffPalette, FailedSaveReportsFailureAndKeepsTheOldFile)
{
    TempFolder folder;
    ColorTable table = Sentinel();
    std::string missing = folder.File("no such folder") + "/x.pal";
    EXPECT_FALSE(table.SaveRiffPalette(missing.c_str()));

    // A folder of the target's name cannot be replaced by a file.
    std::string asFolder = folder.File("taken.pal");
#ifdef _WIN32
    ASSERT_TRUE(CreateDirectoryA(asFolder.c_str(), nullptr));
#else
    ASSERT_EQ(0, mkdir(asFolder.c_str(), 0700));
#endif
    EXPECT_FALSE(table.SaveRiffPalette(asFolder.c_str()));
    EXPECT_EQ(std::vector<std::string>{"taken.pal"}, folder.List()) << "a temporary file was left";
}

TEST(RiffPalette, TableTooLargeForTheCountFieldIsNotWritten)
{
    TempFolder folder;
    std::string path = folder.File("big.pal");
    ASSERT_TRUE(WriteWholeFile(path, "old"));
    ColorTable table;
    table.Reset(65536);
    EXPECT_FALSE(table.SaveRiffPalette(path.c_str()));
    EXPECT_EQ("old", ReadWholeFile(path));
    table.Resize(65535);
    table.SetColor(65534, 1, 2, 3);
    EXPECT_TRUE(table.SaveRiffPalette(path.c_str()));
    EXPECT_EQ(24u + 4 * 65535, ReadWholeFile(path).size());
    // Its sizes need all four bytes' worth of their fields, and read back.
    ColorTable back;
    ASSERT_TRUE(back.LoadRiffPalette(path.c_str()));
    EXPECT_EQ(65535u, back.GetCount());
    EXPECT_EQ(PackColor(1, 2, 3), back.GetPackedColor(65534));
}

// The real files of the shared test data load or are refused as EXPECTED.tsv says.
TEST(RiffPalette, SharedPaletteFilesMatchTheirExpectedVerdicts)
{
    SKIP_WITHOUT_SHARED_DATA(shared);
    std::ifstream tsv(shared + "/pal/EXPECTED.tsv");
    std::string line;
    std::getline(tsv, line);  // column names
    int files = 0;
    while (std::getline(tsv, line)) {
        if (line.empty()) continue;
        std::vector<std::string> fields;
        std::stringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        ASSERT_GE(fields.size(), 4u) << line;
        const std::string& name = fields[0];
        bool expectLoad = fields[3] == "load";
        ColorTable table = Sentinel();
        std::string path = shared + "/pal/" + name;
        ASSERT_TRUE(FileExists(path)) << path;
        EXPECT_EQ(expectLoad, table.LoadRiffPalette(path.c_str())) << name;
        if (expectLoad) {
            EXPECT_EQ(uint32_t(std::stoul(fields[2])), table.GetCount()) << name;
        } else {
            EXPECT_TRUE(IsSentinel(table)) << name;
        }
        ++files;
    }
    EXPECT_EQ(12, files);
}

}  // namespace
