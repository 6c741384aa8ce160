// A PNG far larger than the memory its reading may take: the structure walk
// and the largest-index scan stream it through a file-backed source. Small
// PNGs that promise much take no more than the bitmap they make.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include "image/byte_source.h"
#include "image/dib_image.h"
#include "image/indexed_file.h"
#include "image/png_file.h"
#include "image/png_remap.h"
#include "platform/safe_file_writer.h"
#include "tests/support/png_bytes.h"
#include "tests/support/sanitizer.h"
#include "tests/support/temp_folder.h"

namespace {

// A 16384 x 16384 8-bit picture stored uncompressed (deflate level 0) in
// IDAT chunks of 1 MiB: about 256 MiB. Pixel (x, y) is (x + y) % 251.
bool WriteLargePng(const std::string& path)
{
    const uint32_t side = 16384;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::string bytes = AssemblePng({{"IHDR", IhdrData(side, side, 8, 3)}, {"PLTE", PaletteData(251)}}), pending;
    z_stream stream = {};
    deflateInit(&stream, Z_NO_COMPRESSION);
    std::string row(side + 1, '\0');
    std::vector<unsigned char> out(row.size() + 1024);
    for (uint32_t y = 0; y <= side; ++y) {
        for (uint32_t x = 0; x < side; ++x) row[x + 1] = char((x + y) % 251);
        stream.next_in = reinterpret_cast<Bytef*>(&row[0]);
        stream.avail_in = y < side ? uInt(row.size()) : 0;
        stream.next_out = out.data();
        stream.avail_out = uInt(out.size());
        const int result = deflate(&stream, y < side ? Z_NO_FLUSH : Z_FINISH);
        if (stream.avail_in != 0 || (y == side && result != Z_STREAM_END)) return false;  // out was too small
        pending.append(reinterpret_cast<char*>(out.data()), out.size() - stream.avail_out);
        if (pending.size() >= (1u << 20) || y == side) {
            bytes += ChunkBytes("IDAT", pending) + (y == side ? ChunkBytes("IEND", "") : "");
            pending.clear();
            if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) return false;
            bytes.clear();
        }
    }
    deflateEnd(&stream);
    return std::fclose(file) == 0;
}

// Runs work in a child process whose address space is limited to what it has
// mapped now plus extraBytes; the reason it gives comes back through a pipe.
struct LimitedRun {
    bool exited;
    int code;
    std::string said;
};

LimitedRun RunLimited(rlim_t extraBytes, const std::function<int(std::string* reason)>& work)
{
    LimitedRun run = {false, -1, std::string()};
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return run;
    const pid_t child = fork();
    if (child < 0) return run;
    if (child == 0) {
        long pages = 0;
        FILE* statm = std::fopen("/proc/self/statm", "r");
        if (!statm || std::fscanf(statm, "%ld", &pages) != 1) _exit(2);
        const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + extraBytes;
        const struct rlimit rl = {limit, limit};
        if (setrlimit(RLIMIT_AS, &rl) != 0) _exit(2);
        std::string reason;
        const int code = work(&reason);
        if (write(pipeEnds[1], reason.data(), reason.size()) < 0) _exit(2);
        _exit(code);
    }
    close(pipeEnds[1]);
    char said[256] = {};
    const ssize_t got = read(pipeEnds[0], said, sizeof said - 1);
    close(pipeEnds[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child) return run;
    run.exited = WIFEXITED(status);
    run.code = run.exited ? WEXITSTATUS(status) : -1;
    run.said.assign(said, got > 0 ? size_t(got) : 0);
    return run;
}

}  // namespace

TEST(PngMemory, QuarterGigabyteFileIsReadInUnderSixteenMegabytes)
{
    if (kAddressSanitizer) GTEST_SKIP() << "SKIPPED LOUDLY: AddressSanitizer's shadow memory hides the reader's own";
    TempFolder folder;
    const std::string path = folder.File("large.png");
    ASSERT_TRUE(WriteLargePng(path));
    int pipeEnds[2];
    ASSERT_EQ(0, pipe(pipeEnds));
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], 1);
        execl(KORIN_PNG_PROBE, KORIN_PNG_PROBE, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    char said[256] = {};
    ssize_t got = read(pipeEnds[0], said, sizeof said - 1);
    close(pipeEnds[0]);
    int status = 0;
    struct rusage usage = {};
    ASSERT_EQ(child, wait4(child, &status, 0, &usage));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << std::string(said, got > 0 ? size_t(got) : 0);
    EXPECT_EQ("250\n", std::string(said, got > 0 ? size_t(got) : 0));
    // ru_maxrss is in kilobytes on Linux.
    EXPECT_LT(usage.ru_maxrss, 16 * 1024) << "peak resident size " << usage.ru_maxrss << " KiB";
    std::printf("NOTE: %s read with a peak resident size of %ld KiB\n", path.c_str(), usage.ru_maxrss);
}

// Pictures whose rows or whose assembled passes need more memory than there
// is are refused with a reason, not a crash, when read and when remapped.
// Their data is only long enough to pass the inflate bound: nothing is
// inflated before the memory is had.
TEST(PngMemory, PicturesLargerThanTheMemoryAtHandAreRefused)
{
    if (kAddressSanitizer) GTEST_SKIP() << "SKIPPED LOUDLY: AddressSanitizer reserves more than the limit allows";
    const struct {
        uint32_t width, height;
        uint8_t interlace;
        size_t dataBytes;
        bool remap;
        const char* reason;
    } cases[] = {{16384, 32768, 1, 600000, false, "IDAT: no memory to assemble the interlaced picture"},
                 {0x7FFFFFFFu, 1, 0, 2100000, false, "IDAT: no memory for a row of 2147483647 pixels"},
                 {0x7FFFFFFFu, 1, 0, 2100000, true, "no memory for a row of 2147483647 bytes"}};
    TempFolder folder;
    const std::string out = folder.File("remapped.png");
    for (const auto& c : cases) {
        const std::string file = AssemblePng({{"IHDR", IhdrData(c.width, c.height, 8, 3, c.interlace)},
                                              {"PLTE", PaletteData(2)}, {"IDAT", std::string(c.dataBytes, 'x')},
                                              {"IEND", ""}});
        const LimitedRun run = RunLimited(rlim_t(256) << 20, [&](std::string* reason) {
            const ByteSource source(file);
            PngStructure png;
            SafeFileWriter writer(out.c_str());
            const bool decoded = ReadPngStructure(source, &png, reason) &&
                                 (c.remap ? WriteRemappedPng(source, png, png.table, {1, 0}, true, writer, reason)
                                          : DecodePngImage(source, png, [](uint32_t, const uint8_t*) {}, reason));
            return decoded ? 1 : 0;
        });
        EXPECT_TRUE(run.exited && run.code == 0) << run.code;
        EXPECT_EQ(c.reason, run.said);
    }
}

namespace {

// The zlib stream of rows of zeros (filter byte and pixels) for a picture of
// that shape, deflated at the best level: about a thousandth of its size.
std::string ZeroRowsData(uint32_t width, uint32_t height, uint32_t depth, bool interlace)
{
    static const uint32_t adam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                         {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    static const uint32_t whole[1][4] = {{0, 0, 1, 1}};
    const auto span = [](uint32_t size, uint32_t start, uint32_t step) {
        return size > start ? (size - start + step - 1) / step : 0;
    };
    uint64_t bytes = 0;
    for (const auto& pass : interlace ? std::vector<const uint32_t*>(adam7, adam7 + 7) : std::vector<const uint32_t*>{whole[0]}) {
        const uint64_t passWidth = span(width, pass[0], pass[2]), passHeight = span(height, pass[1], pass[3]);
        if (passWidth && passHeight) bytes += passHeight * ((passWidth * depth + 7) / 8 + 1);
    }
    z_stream stream = {};
    deflateInit(&stream, Z_BEST_COMPRESSION);
    const std::vector<unsigned char> zeros(1 << 20);
    std::vector<unsigned char> out(1 << 16);
    std::string data;
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        const uInt take = uInt(bytes < zeros.size() ? bytes : zeros.size());
        stream.next_in = const_cast<Bytef*>(zeros.data());
        stream.avail_in = take;
        do {
            stream.next_out = out.data();
            stream.avail_out = uInt(out.size());
            result = deflate(&stream, take == bytes ? Z_FINISH : Z_NO_FLUSH);
            data.append(reinterpret_cast<char*>(out.data()), out.size() - stream.avail_out);
        } while (stream.avail_out == 0);
        bytes -= take;
    }
    deflateEnd(&stream);
    return data;
}

// Empty chunks of as many private types as fit in about size bytes.
std::string ManyChunkTypes(size_t size)
{
    std::vector<PngPart> parts = {{"IHDR", IhdrData(1, 1, 8, 3)}, {"PLTE", PaletteData(2)}};
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (size_t n = 0; n * 12 < size; ++n) {
        // A lower-case first and third letter: ancillary and of no type the reader parses.
        parts.push_back({std::string{char('a' + n % 26), letters[n / 26 % 52], char('a' + n / 1352 % 26),
                                     letters[n / 35152 % 52]},
                         ""});
    }
    parts.push_back({"IDAT", Deflate(std::string(2, '\0'))});
    parts.push_back({"IEND", ""});
    return AssemblePng(parts);
}

}  // namespace

// Files of at most 1 MiB that promise large pictures or hold many chunks are
// read, shown, reported and converted within the memory of the bitmap they
// make and 64 MiB beside it: a promise the data cannot keep is refused before
// the bitmap is made, an interlaced picture is assembled at its own depth in
// the bitmap itself, and the report holds each chunk once.
TEST(PngMemory, CraftedFilesTakeNoMoreThanTheirBitmap)
{
    if (kAddressSanitizer) GTEST_SKIP() << "SKIPPED LOUDLY: AddressSanitizer reserves more than the limit allows";
    const struct {
        const char* name;
        std::string file;
        uint64_t bitmapBytes;
        const char* refusal;  // how the reason starts; empty when it reads
    } cases[] = {
        {"a 65535 x 65535 promise in 12 bytes",
         AssemblePng({{"IHDR", IhdrData(65535, 65535, 8, 3)}, {"PLTE", PaletteData(2)},
                      {"IDAT", Deflate(std::string(100, '\0'))}, {"IEND", ""}}),
         0, "IDAT: 12 compressed bytes cannot hold the 4294901760 bytes of a 65535x65535 image"},
        {"80000 chunks of different types", ManyChunkTypes(960 << 10), 4, ""},
        {"an interlaced 1-bit 32768 x 32768 picture",
         AssemblePng({{"IHDR", IhdrData(32768, 32768, 1, 3, 1)}, {"PLTE", PaletteData(2)},
                      {"IDAT", ZeroRowsData(32768, 32768, 1, true)}, {"IEND", ""}}),
         uint64_t(32768) * 32768 / 8, ""},
        {"an interlaced 2-bit 16384 x 16384 picture, shown at 4 bits",
         AssemblePng({{"IHDR", IhdrData(16384, 16384, 2, 3, 1)}, {"PLTE", PaletteData(4)},
                      {"IDAT", ZeroRowsData(16384, 16384, 2, true)}, {"IEND", ""}}),
         uint64_t(16384) * 16384 / 2, ""},
    };
    TempFolder folder;
    const std::string out = folder.File("converted.png");
    for (const auto& c : cases) {
        ASSERT_LE(c.file.size(), size_t(1) << 20) << c.name;
        const LimitedRun run = RunLimited(rlim_t(c.bitmapBytes) + (rlim_t(64) << 20), [&](std::string* reason) {
            const ByteSource source(c.file);
            IndexedFile indexed;
            DibImage image;
            bool done = indexed.Read(source, reason) && !indexed.Report("x.png", c.file.size(), 0, 0).empty() &&
                        !indexed.Report("x.png", c.file.size(), 1, 0).empty() &&
                        LoadIndexedPicture(nullptr, indexed, source, &image, reason);
            if (done) {
                SafeFileWriter writer(out.c_str());
                done = WriteBitmapAsPng(image, writer, reason, indexed.Alpha()) && writer.Commit();
            }
            return done ? 0 : 1;
        });
        ASSERT_TRUE(run.exited) << c.name << ": " << run.code;
        EXPECT_EQ(*c.refusal ? 1 : 0, run.code) << c.name;
        EXPECT_EQ(c.refusal, run.said) << c.name;
    }
}
