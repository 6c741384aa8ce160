// Saves that fail part way: the file being replaced must survive byte for
// byte and no temporary file may stay behind.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <iterator>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "image/dib_image.h"
#include "palette/color_table.h"
#include "platform/safe_file_writer.h"
#include "tests/support/temp_folder.h"

namespace {

// Runs work in a child process; returns what work returned there, or fails
// the test if the child crashed.
bool InChild(const std::function<bool()>& work)
{
    const pid_t child = fork();
    if (child == 0) _exit(work() ? 0 : 1);
    int status = 0;
    EXPECT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status)) << "the child process crashed: " << status;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs save in a child whose files may not grow past limit bytes.
bool SaveWithFileSizeLimit(rlim_t limit, const std::function<bool()>& save)
{
    return InChild([&] {
        signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
        struct rlimit rl = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        return save();
    });
}

// Saves handed to a batch's group flush that never comes (the batch given
// up): every old file stays and no temporary is left.
TEST(SaveFault, ABatchDroppedBeforeItsFlushKeepsEveryOldFile)
{
    TempFolder folder;
    ASSERT_TRUE(WriteWholeFile(folder.File("a"), "old"));
    {
        FolderFlushes flushes;
        for (const char* name : {"a", "b"}) {
            SafeFileWriter writer(folder.File(name).c_str(), &flushes);
            writer.Write("new", 3);
            EXPECT_TRUE(writer.Commit());
        }
    }
    EXPECT_EQ("old", ReadWholeFile(folder.File("a")));
    EXPECT_EQ(std::vector<std::string>({"a"}), folder.List());
}

size_t OpenDescriptors()
{
    return size_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

// An editor saves for hours: no save, batch, flush or read may leave a
// descriptor open behind it.
TEST(SaveFault, NothingStaysOpenAfterSavesAndReads)
{
    TempFolder folder;
    const size_t before = OpenDescriptors();
    for (int round = 0; round < 3; ++round) {
        SafeFileWriter single(folder.File("single").c_str());
        single.Write("one", 3);
        EXPECT_TRUE(single.Commit());
        FolderFlushes flushes;
        for (const char* name : {"a", "b", "c"}) {
            SafeFileWriter writer(folder.File(name).c_str(), &flushes);
            writer.Write(name, 1);
            EXPECT_TRUE(writer.Commit());
        }
        std::string failed;
        EXPECT_TRUE(flushes.FlushAll(&failed)) << failed;
        {
            SafeFileWriter refused(folder.File("e").c_str());
            refused.Fail();
            EXPECT_FALSE(refused.Commit());
        }
        {
            FolderFlushes dropped;  // a batch given up before its flush
            SafeFileWriter writer(folder.File("d").c_str(), &dropped);
            EXPECT_TRUE(writer.Commit());
        }
        SourceFile source;
        EXPECT_TRUE(source.Open(folder.File("a").c_str()));
        EXPECT_FALSE(source.Open(folder.Path().c_str()));
        EXPECT_EQ(0u, source.Size()) << "a failed open keeps nothing of the file before";
    }
    EXPECT_EQ(before, OpenDescriptors());
    EXPECT_EQ(0u, SourceFile().Size());
}

// A batch of more files than wait for one flush together: each file is
// saved, and never more than a group of them is open at once (the process
// here may open 256 more, a group's worth).
TEST(SaveFault, ABatchLargerThanAGroupSavesEachFileWithFewOpen)
{
    TempFolder folder;
    rlimit old;
    ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &old));
    rlimit low = old;
    low.rlim_cur = rlim_t(OpenDescriptors() - 1 + 256);  // less the count's own
    ASSERT_LE(low.rlim_cur, old.rlim_max);
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &low));
    {
        FolderFlushes flushes;
        for (int i = 0; i < 300; ++i) {
            SafeFileWriter writer(folder.File("f" + std::to_string(i)).c_str(), &flushes);
            writer.Write(std::to_string(i).data(), std::to_string(i).size());
            EXPECT_TRUE(writer.Commit()) << i;
        }
        std::string failed;
        EXPECT_TRUE(flushes.FlushAll(&failed)) << failed;
        EXPECT_TRUE(flushes.TakeFailed().empty());
    }
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &old));
    ASSERT_EQ(300u, folder.List().size());
    for (int i = 0; i < 300; i += 37) EXPECT_EQ(std::to_string(i), ReadWholeFile(folder.File("f" + std::to_string(i))));
}

// A program started with standard input closed gets descriptor 0 for the
// first file it opens: saves and reads through it work as through any other,
// and leave it closed.
TEST(SaveFault, DescriptorZeroIsAFileLikeAnyOther)
{
    TempFolder folder;
    const std::string path = folder.File("zero");
    EXPECT_TRUE(InChild([&] {
        close(0);
        bool ok = true;
        {
            SafeFileWriter refused(path.c_str());
            refused.Fail();
            ok = !refused.Commit();
        }
        {
            SafeFileWriter writer(path.c_str());
            writer.Write("zero", 4);
            ok = writer.Commit() && ok;
        }
        SourceFile source;
        char bytes[4] = {};
        ok = ok && source.Open(path.c_str()) && source.IsOpen() && source.ReadAt(0, bytes, 4) &&
             std::string(bytes, 4) == "zero";
        source.Close();
        {
            FolderFlushes flushes;
            SafeFileWriter writer(path.c_str(), &flushes);
            writer.Write("one", 3);
            std::string failed;
            ok = ok && writer.Commit() && flushes.FlushAll(&failed);
        }
        return ok && fcntl(0, F_GETFD) == -1;
    }));
    EXPECT_EQ("one", ReadWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"zero"}, folder.List());
}

// A folder its user may write in but not read cannot be flushed: its files
// are saved, and the batch says its new names may not last, naming it where
// asked.
TEST(SaveFault, AFolderThatCannotBeFlushedIsReported)
{
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    TempFolder folder;
    const std::string path = folder.File("a");
    ASSERT_EQ(0, chown(folder.Path().c_str(), 4321, 4321));
    ASSERT_EQ(0, chmod(folder.Path().c_str(), 0300));
    EXPECT_TRUE(InChild([&] {
        bool ok = setgid(4321) == 0 && setuid(4321) == 0;
        std::string failed;
        for (std::string* named : {static_cast<std::string*>(nullptr), &failed}) {
            FolderFlushes flushes;
            SafeFileWriter writer(path.c_str(), &flushes);
            writer.Write("new", 3);
            ok = ok && writer.Commit() && !flushes.FlushAll(named) && flushes.TakeFailed().empty();
        }
        return ok && failed == folder.Path();
    }));
    EXPECT_EQ("new", ReadWholeFile(path));
}

TEST(SaveFault, BmpWriteFailingPartWayKeepsTheOldFile)
{
    TempFolder folder;
    std::string path = folder.File("picture.bmp");
    std::string old(3000, 'o');
    ASSERT_TRUE(WriteWholeFile(path, old));
    DibImage image;
    NewImageSpec spec = {100, 50, 8, 256};
    ASSERT_TRUE(image.CreateBlank(nullptr, &spec));

    EXPECT_FALSE(SaveWithFileSizeLimit(4096, [&] { return image.SaveToFile(path.c_str()); }));
    EXPECT_EQ(old, ReadWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"picture.bmp"}, folder.List());

    EXPECT_TRUE(SaveWithFileSizeLimit(8192, [&] { return image.SaveToFile(path.c_str()); }));
    EXPECT_EQ(6078u, ReadWholeFile(path).size());
}

TEST(SaveFault, PaletteWriteFailingPartWayKeepsTheOldFile)
{
    TempFolder folder;
    std::string path = folder.File("colors.pal");
    ASSERT_TRUE(WriteWholeFile(path, "old palette"));
    ColorTable table;
    table.Reset(256);

    EXPECT_FALSE(SaveWithFileSizeLimit(1000, [&] { return table.SaveRiffPalette(path.c_str()); }));
    EXPECT_EQ("old palette", ReadWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"colors.pal"}, folder.List());
}

}  // namespace
