// A fresh folder for one test, removed with everything in it afterwards.
#ifndef KORIN_TESTS_TEMP_FOLDER_H
#define KORIN_TESTS_TEMP_FOLDER_H

#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path; }
    // path/name, with the platform's separator.
    std::string File(const std::string& name) const;
    // Names of the entries in the folder, sorted.
    std::vector<std::string> List() const;

private:
    std::string path;
};

std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

#endif
