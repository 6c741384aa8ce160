// A folder of the fuzzing process's own for the occasional save, removed at exit.
#ifndef KORIN_FUZZ_SCRATCH_FOLDER_H
#define KORIN_FUZZ_SCRATCH_FOLDER_H

#include <string>

// path inside the folder; the same name always gives the same path, so a
// long run keeps overwriting one file instead of filling the disk.
std::string ScratchFile(const char* name);

// True once every n calls: saves cost a disk round trip, reads do not.
bool EveryNth(unsigned n);

#endif
