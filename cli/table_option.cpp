#include "cli/table_option.h"

#include "cli/host.h"
#include "image/indexed_file.h"

bool ParseTableOption(const std::string& word, int* table)
{
    if (word == "global") {
        *table = -1;
        return true;
    }
    // Nine digits at most: no file holds that many images, and the count fits an int.
    if (word.empty() || word.size() > 9) return false;
    int number = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    if (number == 0) return false;
    *table = number - 1;
    return true;
}

std::string TableOptionRefusal(int table, const std::string& path)
{
    if (table == kDefaultGifTable || IsFolder(path)) return "";
    SourceFile file;
    if (!file.Open(path.c_str())) return "";
    const std::string why = "; --table picks one of a GIF file's tables";
    switch (DetectImageFormat(ByteSource(file))) {
    case ImageFileFormat::Gif: return "";
    case ImageFileFormat::Png: return "is a PNG file, which holds one color table" + why;
    case ImageFileFormat::Bmp: return "is a BMP file, which holds one color table" + why;
    case ImageFileFormat::Unknown: break;
    }
    return "is not a GIF file" + why;
}
