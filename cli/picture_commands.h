// korin-cli's work on PNG and GIF files, and on pictures converted between
// formats, beside the BMP commands.
#ifndef KORIN_CLI_PICTURE_COMMANDS_H
#define KORIN_CLI_PICTURE_COMMANDS_H

#include <functional>
#include <string>

#include "image/indexed_file.h"

class ColorTable;
class FolderFlushes;

// What a file's first bytes say it is; Unknown when it cannot be read.
ImageFileFormat PictureFormatOf(const std::string& path);
// The table of a PNG or GIF file (gifTable, unless kDefaultGifTable, picks
// a GIF's: see SelectGifTable); false with a reason.
bool ReadPictureTable(const std::string& path, ColorTable* table, std::string* reason,
                      int gifTable = kDefaultGifTable);
// The report of a PNG or GIF file's structure (CP932); false with a reason.
bool BuildPictureReport(const std::string& path, const std::string& shownPath, int32_t headerDetail,
                        int32_t hexNumbers, std::string* report, std::string* reason);
// Writes the picture of input (BMP, PNG or GIF) to output as a BMP or PNG
// file, indices and table exactly (a PNG's pixel data deflated at pngLevel);
// of a GIF, the first image drawn with gifTable when that is not
// kDefaultGifTable. False with the file to blame and why.
bool ConvertPicture(HDC dc, const std::string& input, const std::string& output, ImageFileFormat format,
                    std::string* failedFile, std::string* reason, int pngLevel = 6, int gifTable = kDefaultGifTable);

#endif
