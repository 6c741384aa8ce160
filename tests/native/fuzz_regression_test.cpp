// Replays the inputs fuzzing turned up (tests/data/fuzz-regressions/): each
// must give the verdict its folder's EXPECTED.tsv records, without a crash,
// a leak or undefined behaviour under the sanitizer build.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "palette/color_table.h"
#include "report/header_report.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string kFolder = KORIN_FUZZ_REGRESSIONS;

// name → "load" or "refuse", from the folder's EXPECTED.tsv.
std::map<std::string, std::string> Verdicts(const std::string& folder)
{
    std::map<std::string, std::string> verdicts;
    std::ifstream tsv(folder + "/EXPECTED.tsv");
    std::string line;
    std::getline(tsv, line);  // column names
    while (std::getline(tsv, line)) {
        std::stringstream cells(line);
        std::string name, verdict;
        if (std::getline(cells, name, '\t') && std::getline(cells, verdict, '\t')) verdicts[name] = verdict;
    }
    return verdicts;
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != ".." && name != "EXPECTED.tsv") names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every file has a verdict and every verdict a file.
void ExpectListed(const std::string& folder, const std::map<std::string, std::string>& verdicts)
{
    std::vector<std::string> listed;
    for (const auto& verdict : verdicts) listed.push_back(verdict.first);
    EXPECT_EQ(listed, FilesIn(folder)) << folder;
    EXPECT_FALSE(listed.empty()) << folder;
}

TEST(FuzzRegressions, BmpInputsGiveTheirVerdicts)
{
    const std::string folder = kFolder + "/bmp";
    std::map<std::string, std::string> verdicts = Verdicts(folder);
    ExpectListed(folder, verdicts);
    for (const auto& verdict : verdicts) {
        const std::string& name = verdict.first;
        std::istringstream in(ReadWholeFile(folder + "/" + name));
        DibImage image;
        bool loaded = image.ReadFromStream(nullptr, in);
        EXPECT_EQ(verdict.second == "load", loaded) << name;
        if (!loaded) {
            EXPECT_TRUE(image.IsEmpty()) << name;
            continue;
        }
        // What the fuzzers do with a loaded picture: edit its colors and
        // report its headers in every mode.
        ColorTable table;
        if (image.CopyColorTable(table) && image.SetColorTable(table)) {
            EXPECT_TRUE(image.RebuildSection(nullptr)) << name;
        }
        HeaderReportInput input = {};
        input.hasFileHeader = image.CopyHeaders(&input.fileHeader, nullptr);
        ASSERT_TRUE(image.CopyHeaders(nullptr, &input.infoHeader)) << name;
        input.entryCount = image.EntryCount();
        input.stride = image.Stride();
        input.imageSize = image.ImageSize();
        input.path = name;
        for (int mode = 0; mode < 8; ++mode) {
            input.headerDetail = mode & 1;
            input.hexNumbers = mode >> 1 & 1;
            input.modified = mode >> 2 & 1;
            EXPECT_FALSE(BuildHeaderReport(input).empty()) << name << " mode " << mode;
        }
    }
}

TEST(FuzzRegressions, PaletteInputsGiveTheirVerdicts)
{
    const std::string folder = kFolder + "/pal";
    std::map<std::string, std::string> verdicts = Verdicts(folder);
    ExpectListed(folder, verdicts);
    for (const auto& verdict : verdicts) {
        const std::string& name = verdict.first;
        std::istringstream in(ReadWholeFile(folder + "/" + name));
        ColorTable table;
        table.Reset(1);
        table.SetColor(0, 7, 8, 9);
        bool loaded = table.ReadRiffPalette(in);
        EXPECT_EQ(verdict.second == "load", loaded) << name;
        if (!loaded) {
            EXPECT_EQ(PackColor(7, 8, 9), table.GetPackedColor(0)) << name << " was changed";
        }
    }
}

}  // namespace
