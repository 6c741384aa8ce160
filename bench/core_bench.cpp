// The core operations on 8-bit bitmaps of 1, 16 and 256 MiB of pixels: what
// opening, applying a table and saving cost, apart from process start-up; and
// counting the pixels of each entry against a plain read of the same bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "image/dib_image.h"
#include "image/usage_counts.h"
#include "palette/color_table.h"
#include "report/header_report.h"

namespace {

const int kWidth = 1024;  // bytes per row at 8 bits per pixel

// Bench files live in one folder of their own, removed at exit.
class BenchFolder {
public:
    BenchFolder()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/korin-bench-XXXXXX";
        path.assign(pattern.begin(), pattern.end());
        path.push_back('\0');
        if (!mkdtemp(path.data())) std::abort();
    }
    ~BenchFolder()
    {
        for (const std::string& file : files) std::remove(file.c_str());
        rmdir(path.data());
    }
    std::string File(const std::string& name)
    {
        files.push_back(std::string(path.data()) + "/" + name);
        return files.back();
    }

private:
    std::vector<char> path;
    std::vector<std::string> files;
};

BenchFolder& Folder()
{
    static BenchFolder folder;
    return folder;
}

ColorTable MakeTable(uint8_t seed)
{
    ColorTable table;
    table.Reset(256);
    for (uint32_t i = 0; i < 256; ++i)
        table.SetColor(i, uint8_t(seed + i), uint8_t(seed + 3 * i), uint8_t(seed + 7 * i));
    return table;
}

// An 8-bit bitmap of mib MiB of pixels, made once per size.
const std::string& BitmapFile(int mib)
{
    static std::map<int, std::string> made;
    auto found = made.find(mib);
    if (found != made.end()) return found->second;
    NewImageSpec spec = {kWidth, mib * 1024, 8, 256};
    DibImage image;
    std::string path = Folder().File("bitmap-" + std::to_string(mib) + ".bmp");
    if (!image.CreateBlank(nullptr, &spec) || !image.SetColorTable(MakeTable(1)) ||
        !image.SaveToFile(path.c_str()))
        std::abort();
    return made[mib] = path;
}

void LoadFromFile(benchmark::State& state)
{
    const std::string& path = BitmapFile(int(state.range(0)));
    for (auto _ : state) {
        DibImage image;
        if (!image.LoadFromFile(nullptr, path.c_str())) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(image.Bits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0) << 20);
}

void SetColorTableAndRebuildSection(benchmark::State& state)
{
    DibImage image;
    if (!image.LoadFromFile(nullptr, BitmapFile(int(state.range(0))).c_str())) std::abort();
    const ColorTable tables[2] = {MakeTable(2), MakeTable(3)};
    int which = 0;
    for (auto _ : state) {
        if (!image.SetColorTable(tables[which ^= 1]) || !image.RebuildSection(nullptr))
            state.SkipWithError("apply failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0) << 20);
}

// Includes the flush to disk every save makes.
void SaveToFile(benchmark::State& state)
{
    DibImage image;
    if (!image.LoadFromFile(nullptr, BitmapFile(int(state.range(0))).c_str())) std::abort();
    const std::string out = Folder().File("saved-" + std::to_string(state.range(0)) + ".bmp");
    for (auto _ : state) {
        if (!image.SaveToFile(out.c_str())) state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0) << 20);
}

void RiffLoad(benchmark::State& state)
{
    const std::string path = Folder().File("load.pal");
    if (!MakeTable(4).SaveRiffPalette(path.c_str())) std::abort();
    ColorTable table;
    for (auto _ : state) {
        if (!table.LoadRiffPalette(path.c_str())) state.SkipWithError("load failed");
    }
}

void RiffSave(benchmark::State& state)
{
    const std::string path = Folder().File("save.pal");
    const ColorTable table = MakeTable(5);
    for (auto _ : state) {
        if (!table.SaveRiffPalette(path.c_str())) state.SkipWithError("save failed");
    }
}

void HeaderReport(benchmark::State& state)
{
    const std::string& path = BitmapFile(int(state.range(0)));
    DibImage image;
    if (!image.LoadFromFile(nullptr, path.c_str())) std::abort();
    HeaderReportInput input;
    input.hasFileHeader = image.CopyHeaders(&input.fileHeader, nullptr);
    image.CopyHeaders(nullptr, &input.infoHeader);
    input.entryCount = image.EntryCount();
    input.stride = image.Stride();
    input.imageSize = image.ImageSize();
    input.path = path;
    input.modified = false;
    input.fileSizeKnown = true;
    input.fileSize = 54 + 1024 + image.ImageSize();
    input.hexNumbers = 1;
    for (auto _ : state) {
        input.headerDetail = !input.headerDetail;
        benchmark::DoNotOptimize(BuildHeaderReport(input));
    }
}

// A 256 MiB 8-bit picture in memory: noise (every value but 255, so that a
// search for 255 reads every byte) or one value throughout, the case where
// counts into a single table would wait on each other.
const DibImage& UsagePicture(bool noise)
{
    static DibImage pictures[2];
    DibImage& image = pictures[noise];
    if (!image.IsEmpty()) return image;
    const NewImageSpec spec = {kWidth, 256 * 1024, 8, 256};
    if (!image.CreateIndexed(nullptr, spec, MakeTable(6))) std::abort();
    uint32_t state = 2463534242u;
    for (uint32_t i = 0; noise && i < image.ImageSize(); ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        image.Bits()[i] = uint8_t(state % 255);
    }
    return image;
}

void EntryUsage(benchmark::State& state)
{
    const DibImage& image = UsagePicture(state.range(0) != 0);
    std::vector<uint64_t> counts;
    for (auto _ : state) {
        if (!CountEntryUsage(image, &counts)) state.SkipWithError("count failed");
        benchmark::DoNotOptimize(counts.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * image.ImageSize());
}

// The floor: one pass that only reads the same bytes, as fast as the C library reads.
void MemchrPass(benchmark::State& state)
{
    const DibImage& image = UsagePicture(state.range(0) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(std::memchr(image.Bits(), 255, image.ImageSize()));
    state.SetBytesProcessed(int64_t(state.iterations()) * image.ImageSize());
}

}  // namespace

BENCHMARK(EntryUsage)->ArgName("noise")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(MemchrPass)->ArgName("noise")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LoadFromFile)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SetColorTableAndRebuildSection)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SaveToFile)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RiffLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(RiffSave)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(HeaderReport)->Arg(1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
