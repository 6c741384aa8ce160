// Saves over a file the user has set up: its links, permissions and owner
// stay, and a file that may not be replaced is refused and left byte for byte
// as it was, with no temporary file beside it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "image/dib_image.h"
#include "palette/color_table.h"
#include "platform/safe_file_writer.h"
#include "tests/support/temp_folder.h"

namespace {

const char kOld[] = "the file as it was, not a picture";

struct Saver {
    const char* what;
    std::function<bool(const std::string& path)> save;
    std::string bytes;  // what the save writes
};

// The editor's two saves, each with the bytes it writes.
std::vector<Saver> Savers(const DibImage& image, const ColorTable& table)
{
    std::vector<Saver> savers = {
        {"BMP", [&](const std::string& path) { return image.SaveToFile(path.c_str()); }, ""},
        {"palette", [&](const std::string& path) { return table.SaveRiffPalette(path.c_str()); }, ""},
    };
    TempFolder scratch;
    for (Saver& saver : savers) {
        EXPECT_TRUE(saver.save(scratch.File("made")));
        saver.bytes = ReadWholeFile(scratch.File("made"));
    }
    return savers;
}

class KeptFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        NewImageSpec spec = {20, 10, 8, 256};
        ASSERT_TRUE(image.CreateBlank(nullptr, &spec));
        ASSERT_TRUE(table.Reset(16));
        table.SetColor(3, 1, 2, 3);
    }

    DibImage image;
    ColorTable table;
};

std::string LinkText(const std::string& link)
{
    char text[4096];
    ssize_t length = readlink(link.c_str(), text, sizeof text);
    return length < 0 ? "(not a link)" : std::string(text, size_t(length));
}

struct stat StatOf(const std::string& path)
{
    struct stat info = {};
    EXPECT_EQ(0, stat(path.c_str(), &info)) << path;
    return info;
}

// Guards against a save that puts a plain file where the link was: the link's
// target kept the old picture and the link no longer led to the saved one.
TEST_F(KeptFile, ALinkStaysAndTheFileItLeadsToIsReplaced)
{
    for (const Saver& saver : Savers(image, table)) {
        SCOPED_TRACE(saver.what);
        TempFolder pictures, shortcuts;
        const std::string real = pictures.File("real");
        ASSERT_TRUE(WriteWholeFile(real, kOld));
        // A link in another folder, through a second link, by a relative path.
        const std::string relative = "../" + pictures.Path().substr(pictures.Path().rfind('/') + 1) + "/real";
        ASSERT_EQ(0, symlink(relative.c_str(), shortcuts.File("first").c_str()));
        ASSERT_EQ(0, symlink("first", shortcuts.File("link").c_str()));

        ASSERT_TRUE(saver.save(shortcuts.File("link")));
        EXPECT_EQ(saver.bytes, ReadWholeFile(real));
        EXPECT_EQ("first", LinkText(shortcuts.File("link")));
        EXPECT_EQ(relative, LinkText(shortcuts.File("first")));
        EXPECT_EQ(std::vector<std::string>{"real"}, pictures.List());
        EXPECT_EQ(std::vector<std::string>({"first", "link"}), shortcuts.List());

        // A link by its absolute path, and one to a name of one letter.
        ASSERT_EQ(0, symlink(real.c_str(), shortcuts.File("absolute").c_str()));
        ASSERT_TRUE(WriteWholeFile(real, kOld));
        ASSERT_TRUE(saver.save(shortcuts.File("absolute")));
        EXPECT_EQ(saver.bytes, ReadWholeFile(real));
        ASSERT_TRUE(WriteWholeFile(pictures.File("r"), kOld));
        ASSERT_EQ(0, symlink("r", pictures.File("short").c_str()));
        ASSERT_TRUE(saver.save(pictures.File("short")));
        EXPECT_EQ(saver.bytes, ReadWholeFile(pictures.File("r")));

        // A link to a file not made yet: the file is made where it points.
        ASSERT_EQ(0, symlink("later", shortcuts.File("ahead").c_str()));
        ASSERT_TRUE(saver.save(shortcuts.File("ahead")));
        EXPECT_EQ(saver.bytes, ReadWholeFile(shortcuts.File("later")));
        EXPECT_EQ("later", LinkText(shortcuts.File("ahead")));

        // The longest chain the system itself follows: 39 links, then the file.
        for (int i = 1; i <= 39; ++i) {
            const std::string next = i == 39 ? "later" : "chain" + std::to_string(i + 1);
            ASSERT_EQ(0, symlink(next.c_str(), shortcuts.File("chain" + std::to_string(i)).c_str()));
        }
        ASSERT_TRUE(WriteWholeFile(shortcuts.File("later"), kOld));
        ASSERT_TRUE(saver.save(shortcuts.File("chain1")));
        EXPECT_EQ(saver.bytes, ReadWholeFile(shortcuts.File("later")));
        EXPECT_EQ("chain2", LinkText(shortcuts.File("chain1")));
        // One link more and the system would not open it: nor does a save.
        ASSERT_EQ(0, symlink("chain1", shortcuts.File("chain0").c_str()));
        ASSERT_TRUE(WriteWholeFile(shortcuts.File("later"), kOld));
        EXPECT_FALSE(saver.save(shortcuts.File("chain0")));
        EXPECT_EQ(kOld, ReadWholeFile(shortcuts.File("later")));
    }
}

// Guards against a save that gives the file the temporary file's permissions
// (0644 from the umask) instead of the user's, or a new owner.
TEST_F(KeptFile, PermissionsAndOwnerStay)
{
    const mode_t previousMask = umask(022);
    for (const Saver& saver : Savers(image, table)) {
        for (mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0755)}) {
            SCOPED_TRACE(std::string(saver.what) + " mode " + std::to_string(mode));
            TempFolder folder;
            const std::string path = folder.File("kept");
            ASSERT_TRUE(WriteWholeFile(path, kOld));
            ASSERT_EQ(0, chmod(path.c_str(), mode));
            // Another owner where this process may give one (as root); its own otherwise.
            if (chown(path.c_str(), 4321, 4322) != 0) {
                ASSERT_EQ(0, chown(path.c_str(), getuid(), getgid()));
            }
            const struct stat before = StatOf(path);

            ASSERT_TRUE(saver.save(path));
            const struct stat after = StatOf(path);
            EXPECT_EQ(saver.bytes, ReadWholeFile(path));
            EXPECT_NE(before.st_ino, after.st_ino) << "replaced, not written over";
            EXPECT_EQ(mode, after.st_mode & 07777);
            EXPECT_EQ(before.st_uid, after.st_uid);
            EXPECT_EQ(before.st_gid, after.st_gid);
        }
        // A new file gets the usual mode: what the umask leaves of 0666.
        for (mode_t mask : {mode_t(022), mode_t(077)}) {
            TempFolder folder;
            umask(mask);
            ASSERT_TRUE(saver.save(folder.File("new")));
            EXPECT_EQ(0666 & ~mask, StatOf(folder.File("new")).st_mode & 07777) << saver.what << " " << mask;
        }
    }
    umask(previousMask);
}

// A user who may not give a file away: the group stays where the user is a
// member of it, and set-id bits stay although the save's own writes clear them.
TEST_F(KeptFile, AUserWhoCannotGiveFilesAwayKeepsWhatTheyMay)
{
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const uid_t user = 4321;
    const gid_t own = 4321, member = 4322;
    struct Case {
        uid_t uid;
        gid_t gid;
        mode_t mode;
    };
    // The file becomes the user's; its group and mode stay.
    const Case cases[] = {{0, member, 0664}, {user, member, 06775}, {user, own, 04755}};
    TempFolder folder;
    ASSERT_EQ(0, chown(folder.Path().c_str(), user, own));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string path = folder.File(std::to_string(i));
        ASSERT_TRUE(WriteWholeFile(path, kOld));
        ASSERT_EQ(0, chown(path.c_str(), cases[i].uid, cases[i].gid));
        ASSERT_EQ(0, chmod(path.c_str(), cases[i].mode));
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool ok = setgroups(1, &member) == 0 && setgid(own) == 0 && setuid(user) == 0;
        for (size_t i = 0; i < std::size(cases); ++i) ok = image.SaveToFile(folder.File(std::to_string(i)).c_str()) && ok;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const struct stat after = StatOf(folder.File(std::to_string(i)));
        EXPECT_EQ(user, after.st_uid) << i;
        EXPECT_EQ(cases[i].gid, after.st_gid) << i;
        EXPECT_EQ(cases[i].mode, after.st_mode & 07777) << i;
    }
}

// Guards against a temporary file others may read while the user's content
// goes into it, and against its name keeping part of a character: a long name
// whose 64th byte is inside "é" gives a name cut before it, a plain one its
// first 64 bytes.
TEST_F(KeptFile, TheTemporaryFileIsAsClosedAsTheTargetAndWellNamed)
{
    const mode_t previousMask = umask(0);
    const std::pair<std::string, std::string> cases[] = {{std::string(63, 'a') + "\xC3\xA9.pal", std::string(63, 'a')},
                                                         {std::string(70, 'b'), std::string(64, 'b')}};
    for (mode_t mode : {mode_t(0600), mode_t(0640)}) {
        SCOPED_TRACE(mode);
        const std::string& name = cases[mode == 0600 ? 0 : 1].first;
        TempFolder folder;
        const std::string path = folder.File(name);
        ASSERT_TRUE(WriteWholeFile(path, kOld));
        ASSERT_EQ(0, chmod(path.c_str(), mode));
        SafeFileWriter writer(path.c_str());
        ASSERT_TRUE(writer.IsOpen());
        const std::vector<std::string> names = folder.List();
        ASSERT_EQ(2u, names.size());
        const std::string temporary = names[0] == name ? names[1] : names[0];
        const std::string start = cases[mode == 0600 ? 0 : 1].second + ".korin~";
        EXPECT_EQ(start, temporary.substr(0, start.size()));
        EXPECT_EQ(mode, StatOf(folder.File(temporary)).st_mode & 07777);
    }
    umask(previousMask);
}

// Temporary names already taken (another save of this process, or one that
// crashed with the same process number) are passed over, and never removed.
TEST_F(KeptFile, TakenTemporaryNamesArePassedOverAndKept)
{
    TempFolder folder;
    const std::string path = folder.File("a.pal"), stem = path + ".korin~" + std::to_string(getpid()) + "-";
    const auto save = [&](const char* bytes) {
        SafeFileWriter writer(path.c_str());
        writer.Write(bytes, strlen(bytes));
        return writer.Commit();
    };
    // A thousand names are tried, the first and the last included; then the save gives up.
    for (int i = 0; i < 999; ++i) ASSERT_TRUE(WriteWholeFile(stem + std::to_string(i), "not ours"));
    EXPECT_TRUE(save("last"));
    ASSERT_TRUE(WriteWholeFile(stem + "999", "not ours"));
    EXPECT_FALSE(save("none"));
    EXPECT_EQ("last", ReadWholeFile(path));
    ASSERT_TRUE(std::filesystem::remove(stem + "0"));
    EXPECT_TRUE(save("first"));
    EXPECT_EQ("first", ReadWholeFile(path));
    EXPECT_EQ(1000u, folder.List().size());
    for (int i = 1; i < 1000; i += 111) EXPECT_EQ("not ours", ReadWholeFile(stem + std::to_string(i))) << i;
    EXPECT_EQ("not ours", ReadWholeFile(stem + "999"));
}

// Guards against a save that replaces a file the user protected (rename
// ignores the file's own permissions), or one whose other names would go on
// showing the old content.
TEST_F(KeptFile, ReadOnlyOrHardLinkedFileIsRefusedAndLeftAsItWas)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> prepare;
        SaveProblem problem;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"read-only", [](const std::string& path) { ASSERT_EQ(0, chmod(path.c_str(), 0444)); },
         SaveProblem::ReadOnly, {"kept"}},
        {"hard-linked",
         [](const std::string& path) { ASSERT_EQ(0, link(path.c_str(), (path + "-also").c_str())); },
         SaveProblem::HardLinked, {"kept", "kept-also"}},
    };
    for (const Saver& saver : Savers(image, table)) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(saver.what) + ", " + c.what);
            TempFolder folder;
            const std::string path = folder.File("kept");
            ASSERT_TRUE(WriteWholeFile(path, kOld));
            c.prepare(path);
            EXPECT_EQ(c.problem, SafeFileWriter::CheckTarget(path.c_str()));

            EXPECT_FALSE(saver.save(path));
            EXPECT_EQ(kOld, ReadWholeFile(path));
            EXPECT_EQ(c.names, folder.List());
        }
    }
    // Nor is anything but a regular file replaced: a FIFO stays one.
    TempFolder folder;
    const std::string fifo = folder.File("pipe");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0644));
    EXPECT_EQ(SaveProblem::NotAFile, SafeFileWriter::CheckTarget(fifo.c_str()));
    for (const Saver& saver : Savers(image, table)) EXPECT_FALSE(saver.save(fifo)) << saver.what;
    EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));
    EXPECT_EQ(std::vector<std::string>{"pipe"}, folder.List());
}

}  // namespace
