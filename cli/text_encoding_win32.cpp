// File names come in the ANSI code page; conversions go through UTF-16.
#include "cli/text_encoding.h"

#include <windows.h>

namespace {

const UINT kShiftJis = 932;

bool ToWide(UINT codePage, const std::string& input, std::wstring* wide)
{
    wide->clear();
    if (input.empty()) return true;
    int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, input.data(), int(input.size()),
                                     nullptr, 0);
    if (length <= 0) return false;
    wide->resize(size_t(length));
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, input.data(), int(input.size()),
                               &(*wide)[0], length) == length;
}

bool FromWide(UINT codePage, const std::wstring& wide, std::string* output)
{
    output->clear();
    if (wide.empty()) return true;
    // Code pages other than UTF-8 report characters they lack through usedDefault.
    BOOL usedDefault = FALSE;
    BOOL* lossy = codePage == CP_UTF8 ? nullptr : &usedDefault;
    int length = WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0,
                                     nullptr, lossy);
    if (length <= 0 || usedDefault) return false;
    output->resize(size_t(length));
    return WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), &(*output)[0], length,
                               nullptr, lossy) == length &&
           !usedDefault;
}

}  // namespace

bool Cp932ToUtf8(const std::string& cp932, std::string* utf8)
{
    std::wstring wide;
    return ToWide(kShiftJis, cp932, &wide) && FromWide(CP_UTF8, wide, utf8);
}

bool PathToCp932(const std::string& path, std::string* cp932)
{
    if (GetACP() == kShiftJis) {
        *cp932 = path;
        return true;
    }
    std::wstring wide;
    return ToWide(CP_ACP, path, &wide) && FromWide(kShiftJis, wide, cp932);
}
