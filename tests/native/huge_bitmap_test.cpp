// A file that promises a bitmap whose memory cannot be had: every size in its
// header fits in 32 bits and the file really holds the pixel bytes (a sparse
// file of 4 GB), so only the allocation can refuse it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "image/row_layout.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/sanitizer.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace {

// Runs the load probe on path where no allocation above 1 GB succeeds: an
// address-space limit, or under AddressSanitizer (which reserves terabytes
// of shadow memory up front) its allocator's own limit. Returns the probe's
// exit status, or -1 when it did not exit normally.
int ProbeWithoutMemory(const std::string& path)
{
    pid_t child = fork();
    if (child == 0) {
        if (!kAddressSanitizer) {
            struct rlimit limit = {rlim_t(1) << 30, rlim_t(1) << 30};
            setrlimit(RLIMIT_AS, &limit);
        }
        setenv("ASAN_OPTIONS", "allocator_may_return_null=1:max_allocation_size_mb=1024:detect_leaks=1", 1);
        execl(KORIN_LOAD_PROBE, KORIN_LOAD_PROBE, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Guards against a crash, or a half-made image, when the pixel block of a
// well-formed header cannot be allocated.
TEST(HugeBitmap, UnobtainableAllocationIsRefusedAndLeavesTheImageEmpty)
{
    const int32_t width = 32768, height = 32767;
    RowLayout layout;
    ASSERT_TRUE(ComputeRowLayout(width, height, 32, &layout)) << "the header must be representable";

    TempFolder folder;
    std::string path = folder.File("huge.bmp");
    BmpBytes bmp = MakeBmp(1, 1, 32);
    bmp.info.biWidth = width;
    bmp.info.biHeight = height;
    bmp.info.biSizeImage = layout.imageSize;
    bmp.pixels.clear();
    bmp.FixOffsets();
    bmp.file.bfSize = bmp.file.bfOffBits + layout.imageSize;
    ASSERT_TRUE(WriteWholeFile(path, bmp.Serialize()));
    ASSERT_EQ(0, truncate(path.c_str(), off_t(bmp.file.bfOffBits) + off_t(layout.imageSize)));

    EXPECT_EQ(1, ProbeWithoutMemory(path)) << "0: loaded, 3: refused but not emptied, -1: crashed";

    // The same shape at a size that can be had loads: the header itself is fine.
    std::string small = folder.File("small.bmp");
    ASSERT_TRUE(WriteWholeFile(small, MakeBmp(width, 2, 32).Serialize()));
    EXPECT_EQ(0, ProbeWithoutMemory(small));
}

}  // namespace
