#include "fuzz/scratch_folder.h"

#include <cstdio>
#include <cstdlib>

#include <dirent.h>
#include <unistd.h>

namespace {

std::string folder;

void RemoveFolder()
{
    if (folder.empty()) return;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") unlink((folder + "/" + name).c_str());
        }
        closedir(dir);
    }
    rmdir(folder.c_str());
}

}  // namespace

std::string ScratchFile(const char* name)
{
    if (folder.empty()) {
        char pattern[] = "/tmp/korin-fuzz-XXXXXX";
        if (!mkdtemp(pattern)) {
            std::perror("mkdtemp");
            std::abort();
        }
        folder = pattern;
        std::atexit(RemoveFolder);
    }
    return folder + "/" + name;
}

bool EveryNth(unsigned n)
{
    static unsigned calls = 0;
    return ++calls % n == 0;
}
