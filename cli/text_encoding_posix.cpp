// Native file names are UTF-8; iconv does both conversions.
#include "cli/text_encoding.h"

#include <cerrno>
#include <iconv.h>

namespace {

bool Convert(const char* to, const char* from, const std::string& input, std::string* output)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == iconv_t(-1)) return false;
    std::string result;
    // Room for a little growth at once: a long report is not copied over and over.
    result.reserve(input.size() + input.size() / 8);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[4096];
    bool ok = true;
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
        result.append(buffer, size_t(out - buffer));
        if (done == size_t(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(converter);
    if (ok) output->swap(result);
    return ok;
}

}  // namespace

bool Cp932ToUtf8(const std::string& cp932, std::string* utf8)
{
    return Convert("UTF-8", "CP932", cp932, utf8);
}

bool PathToCp932(const std::string& path, std::string* cp932)
{
    return Convert("CP932", "UTF-8", path, cp932);
}
