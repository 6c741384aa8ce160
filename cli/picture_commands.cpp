#include "cli/picture_commands.h"

#include "image/dib_image.h"
#include "palette/color_table.h"
#include "platform/safe_file_writer.h"

ImageFileFormat PictureFormatOf(const std::string& path)
{
    SourceFile file;
    if (!file.Open(path.c_str())) return ImageFileFormat::Unknown;
    return DetectImageFormat(ByteSource(file));
}

namespace {

bool ReadIndexed(const std::string& path, SourceFile* file, IndexedFile* indexed, std::string* reason,
                 int gifTable = kDefaultGifTable)
{
    if (!file->Open(path.c_str())) {
        *reason = "cannot be opened";
        return false;
    }
    return indexed->Read(ByteSource(*file), reason, false, gifTable);
}

}  // namespace

bool ReadPictureTable(const std::string& path, ColorTable* table, std::string* reason, int gifTable)
{
    SourceFile file;
    IndexedFile indexed;
    if (!ReadIndexed(path, &file, &indexed, reason, gifTable)) return false;
    if (!table->Assign(indexed.Table())) {
        *reason = "has a table too large for the memory at hand";
        return false;
    }
    return true;
}

bool BuildPictureReport(const std::string& path, const std::string& shownPath, int32_t headerDetail,
                        int32_t hexNumbers, std::string* report, std::string* reason)
{
    SourceFile file;
    IndexedFile indexed;
    if (!ReadIndexed(path, &file, &indexed, reason)) return false;
    *report = indexed.Report(shownPath, file.Size(), headerDetail, hexNumbers);
    return true;
}

bool ConvertPicture(HDC dc, const std::string& input, const std::string& output, ImageFileFormat format,
                    std::string* failedFile, std::string* reason, int pngLevel, int gifTable)
{
    *failedFile = input;
    DibImage image;
    // Which entries are see-through: a bitmap has no place for it, a PNG has tRNS.
    std::vector<uint8_t> alpha;
    const ImageFileFormat inputFormat = PictureFormatOf(input);
    if (inputFormat == ImageFileFormat::Png || inputFormat == ImageFileFormat::Gif) {
        SourceFile file;
        IndexedFile indexed;
        if (!ReadIndexed(input, &file, &indexed, reason, gifTable) ||
            !LoadIndexedPicture(dc, indexed, ByteSource(file), &image, reason))
            return false;
        alpha = indexed.Alpha();
    } else if (!image.LoadFromFile(dc, input.c_str())) {
        *reason = "is not a picture this program reads (an indexed PNG or GIF, or a BMP file the editor opens)";
        return false;
    }
    if (format == ImageFileFormat::Bmp) {
        if (image.SaveToFile(output.c_str())) return true;
        *failedFile = output;
        *reason = "could not be written";
        return false;
    }
    SafeFileWriter writer(output.c_str());
    PngEncoding encoding;
    encoding.deflate.level = pngLevel;
    if (writer.IsOpen() && !WriteBitmapAsPng(image, writer, reason, alpha, encoding)) return false;
    if (!writer.IsOpen() || !writer.Commit()) {
        *failedFile = output;
        *reason = "could not be written";
        return false;
    }
    return true;
}
