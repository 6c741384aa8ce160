// The document's picture formats beside BMP: an indexed PNG or GIF opens as
// the bitmap of its depth and is saved back with only its table rebuilt; Save
// As writes BMP, PNG, or GIF for a document that came from one.
#include <new>

#include "document/bitmap_document.h"
#include "image/png_truecolor.h"
#include "app/ui_language.h"
#include "platform/safe_file_writer.h"
#include "resources/resource.h"

namespace {

// Larger files are refused unread: the editor holds the file it opened.
const uint64_t kMaxPictureFileBytes = uint64_t(512) << 20;

const char kBmpSaveFilter[] = "Bitmap Files(*.bmp)|*.bmp|";
const char kPngSaveFilter[] = "PNG Files(*.png)|*.png|";
const char kGifSaveFilter[] = "GIF Files(*.gif)|*.gif|";

// A core reason follows the file's name: "a.png cannot take ...".
std::string NamedReason(const char* file, const std::string& reason)
{
    const char* name = file;
    for (const char* p = file; *p; p = CharNextExA(932, p, 0)) {
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    }
    return std::string(name) + " " + reason;
}

bool IsTruecolorPng(const char* file)
{
    SourceFile head;
    TruecolorPng png;
    std::string reason;
    return head.Open(file) && (ReadTruecolorPng(ByteSource(head), &png, &reason) || png.colorType != 3);
}

}  // namespace

void BitmapDocument::ForgetFileForm()
{
    // The next Save As starts on the new document's own format.
    saveDialog.filter = kBmpSaveFilter;
    fileFormat = ImageFileFormat::Bmp;
    fileBytes.clear();
    fileBytes.shrink_to_fit();
    indexedFile.reset();
    fileMap.clear();
    otherTables.clear();
    otherFrameUsage.clear();
    alphaChannel = false;
    tableAlpha.clear();
}

bool BitmapDocument::ReadFileBytes(const char* file, std::string* bytes)
{
    SourceFile source;
    if (!source.Open(file)) return false;
    if (source.Size() > kMaxPictureFileBytes) {
        problem = LoadText(IDS_DOC_FILE_TOO_LARGE);
        return false;
    }
    try {
        bytes->resize(size_t(source.Size()));
    } catch (const std::bad_alloc&) {
        problem = LoadText(IDS_DOC_OUT_OF_MEMORY);
        return false;
    }
    return source.ReadAt(0, &(*bytes)[0], bytes->size());
}

bool BitmapDocument::LoadPicture(HDC dc, const char* file)
{
    problem.clear();
    SourceFile head;
    ImageFileFormat format = ImageFileFormat::Unknown;
    if (head.Open(file)) format = DetectImageFormat(ByteSource(head));
    head.Close();
    if (format == ImageFileFormat::Png && IsTruecolorPng(file)) return LoadTruecolorPicture(dc, file);
    if (format == ImageFileFormat::Png || format == ImageFileFormat::Gif) return LoadIndexedPicture(dc, file);
    ForgetFileForm();
    return LoadFromFile(dc, file);
}

bool BitmapDocument::LoadIndexedPicture(HDC dc, const char* file)
{
    Discard();
    ForgetFileForm();
    std::string bytes;
    std::unique_ptr<IndexedFile> indexed(new (std::nothrow) IndexedFile);
    SourceFile onDisk;
    if (!indexed || !onDisk.Open(file)) return false;
    if (onDisk.Size() > kMaxPictureFileBytes) {
        problem = LoadText(IDS_DOC_FILE_TOO_LARGE);
        return false;
    }
    std::string reason;
    bool readFailed = false;
    const auto readAll = [this, file](std::string* all) { return ReadFileBytes(file, all); };
    if (!OpenIndexedPicture(dc, ByteSource(onDisk), readAll, &bytes, indexed.get(), this, &reason, &readFailed)) {
        if (!readFailed) problem = LoadText(IDS_DOC_NOT_READ) + "\r\n" + NamedReason(file, reason);
        return false;
    }
    fileBytes.swap(bytes);
    indexedFile = std::move(indexed);
    fileFormat = indexedFile->Format();
    saveDialog.filter = kBmpSaveFilter;
    CountOtherFrames();
    return true;
}

bool BitmapDocument::WritePicture(const char* file, ImageFileFormat format)
{
    if (format == ImageFileFormat::Bmp) {
        if (!SaveToFile(file)) return false;
        ForgetFileForm();
        return true;
    }
    std::string reason;
    bool written;
    {
        SafeFileWriter writer(file);
        if (format == fileFormat && indexedFile) {
            ColorTable table;
            written = CopyColorTable(table) &&
                      (fileMap.empty()
                           ? indexedFile->WriteWithTable(ByteSource(fileBytes), table, writer, &reason, otherTables)
                           : WriteRearrangedFile(table, writer, &reason));
        } else {
            written = WriteBitmapAsPng(*this, writer, &reason, tableAlpha);
        }
        written = written && writer.Commit();
    }
    if (!written) {
        if (!reason.empty()) problem = NamedReason(file, reason);
        return false;
    }
    // The saved file is the one to copy from from now on; if it cannot be
    // read back, the old bytes still make the same file with this table.
    std::string bytes;
    std::unique_ptr<IndexedFile> indexed(new (std::nothrow) IndexedFile);
    if (indexed && ReadFileBytes(file, &bytes)) {
        const ByteSource source(bytes);
        // A GIF saved as a GIF goes on editing the table shown.
        const bool keepTable = indexedFile && indexedFile->Format() == ImageFileFormat::Gif;
        const int edited = keepTable ? indexedFile->EditedTable() : -1;
        if (indexed->Read(source, &reason, true) &&
            (!keepTable || indexed->Format() != ImageFileFormat::Gif || indexed->EditedTable() == edited ||
             indexed->SelectTable(source, edited, &reason))) {
            fileBytes.swap(bytes);
            otherTables.clear();
            CountOtherFrames();
            indexedFile = std::move(indexed);
            fileFormat = indexedFile->Format();
            fileMap.clear();
        }
    }
    problem.clear();
    return true;
}

void BitmapDocument::PrepareSaveDialog()
{
    // PNG is offered for a picture with a table, GIF for a document that came from one.
    BITMAPINFOHEADER info;
    const bool indexed = CopyHeaders(nullptr, &info) && info.biBitCount <= 8;
    std::string filter = kBmpSaveFilter;
    int32_t filters = 1;
    if (indexed) {
        filter += kPngSaveFilter;
        ++filters;
    }
    if (fileFormat == ImageFileFormat::Gif) {
        filter += kGifSaveFilter;
        ++filters;
    }
    if (saveDialog.filter != filter) {
        saveDialog.filter = filter;
        saveDialog.filterIndex = fileFormat == ImageFileFormat::Gif ? 3 : fileFormat == ImageFileFormat::Png ? 2 : 1;
    }
    if (saveDialog.filterIndex < 1 || saveDialog.filterIndex > filters) saveDialog.filterIndex = 1;
    static const char* const kExtensions[] = {"bmp", "png", "gif"};
    saveDialog.defaultExt = kExtensions[saveDialog.filterIndex - 1];
}

ImageFileFormat BitmapDocument::SaveFormatChosen() const
{
    // A typed extension that names a format this document can be saved in decides.
    const ImageFileFormat named = ImageFormatForName(saveDialog.path);
    if (named == ImageFileFormat::Bmp) return named;
    if (named == ImageFileFormat::Png && saveDialog.filter.find(kPngSaveFilter) != std::string::npos) return named;
    if (named == ImageFileFormat::Gif && fileFormat == ImageFileFormat::Gif) return named;
    switch (saveDialog.filterIndex) {
    case 2: return ImageFileFormat::Png;
    case 3: return fileFormat == ImageFileFormat::Gif ? ImageFileFormat::Gif : ImageFileFormat::Bmp;
    default: return ImageFileFormat::Bmp;
    }
}
