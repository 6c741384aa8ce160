// The monkey's scratch folder: the pictures and palette files it offers the
// file dialogs (good, damaged and hostile ones), what lies in the folder
// after each step, and the files read back as Korin's core reads them.
#ifndef KORIN_TOOLS_MONKEY_SCRATCH_H
#define KORIN_TOOLS_MONKEY_SCRATCH_H

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class ColorTable;

// A picture as its file says it looks: top row first, one COLORREF a pixel.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<COLORREF> pixels;
};

// Size and last write of a file; equal stamps are taken as the same file.
struct FileStamp {
    uint64_t size;
    uint64_t written;
    bool operator!=(const FileStamp& other) const { return size != other.size || written != other.written; }
};
typedef std::map<std::string, FileStamp> FolderState;

class Scratch {
public:
    // Empties (or makes) the folder and writes the files to offer.
    bool Prepare(const std::string& folder, std::string* why);
    // Removes the folder and everything in it.
    void Remove() const;
    std::string PathOf(const std::string& name) const { return folder + "\\" + name; }
    const std::vector<std::string>& Inputs() const { return inputs; }
    // A name typed into a save dialog: a file of that name may appear.
    void Expect(const std::string& name) { expected.insert(name); }
    bool Expected(const std::string& name) const { return expected.count(name) != 0; }
    FolderState State() const;

private:
    bool Write(const std::string& name, const std::string& bytes);

    std::string folder;
    std::vector<std::string> inputs;
    std::set<std::string> expected;
};

// Reads a BMP, PNG or GIF file as Korin's core does; false when it cannot,
// or for a bitmap of 16 or 32 bits, which it does not show from a table.
bool DecodePicture(const std::string& path, Picture* picture);
// Reads a palette file of any format Korin writes.
bool ReadPaletteFile(const std::string& path, ColorTable* table);
bool IsPictureName(const std::string& name);

#endif
