#include "app/clipboard_text.h"

#include <cstring>
#include <new>

namespace {

// The clipboard, open for as long as the scope lasts.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) : open(OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardScope()
    {
        if (open) CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool IsOpen() const { return open; }

private:
    bool open;
};

// A global memory block, locked for as long as the scope lasts.
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL memory) : memory(memory), pointer(GlobalLock(memory)) {}
    ~GlobalLockScope()
    {
        if (pointer) GlobalUnlock(memory);
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    char* Bytes() const { return static_cast<char*>(pointer); }

private:
    HGLOBAL memory;
    void* pointer;
};

}  // namespace

bool PutClipboardText(HWND owner, const std::string& text)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return false;
    {
        GlobalLockScope lock(memory);
        if (!lock.Bytes()) {
            GlobalFree(memory);
            return false;
        }
        std::memcpy(lock.Bytes(), text.c_str(), text.size() + 1);
    }
    bool stored = false;
    {
        OpenClipboardScope clipboard(owner);
        if (clipboard.IsOpen() && EmptyClipboard()) stored = SetClipboardData(CF_TEXT, memory) != nullptr;
    }
    // Once stored, the block belongs to the clipboard.
    if (!stored) GlobalFree(memory);
    return stored;
}

bool ForEachClipboardLine(HWND owner, size_t limit, const std::function<bool(const char* line, size_t length)>& line)
{
    if (!IsClipboardFormatAvailable(CF_TEXT)) return false;
    OpenClipboardScope clipboard(owner);
    if (!clipboard.IsOpen()) return false;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data) return false;
    GlobalLockScope lock(data);
    const char* bytes = lock.Bytes();
    if (!bytes) return false;
    // The block may be larger than its text, and nothing promises a NUL in it.
    const size_t size = GlobalSize(data);
    const size_t scan = size < limit ? size : limit;
    auto ends = [&](size_t i) { return i >= size || !bytes[i] || bytes[i] == '\r' || bytes[i] == '\n'; };
    try {
        std::string text;
        for (size_t begin = 0; begin < scan;) {
            size_t end = begin;
            while (end < scan && !ends(end)) ++end;
            if (!ends(end)) break;  // cut by the limit
            text.assign(bytes + begin, end - begin);
            for (size_t i = 0; i < text.size(); ++i) {
                BYTE byte = BYTE(text[i]);
                if (byte < 0x80) continue;
                if (IsDBCSLeadByte(byte) && i + 1 < text.size()) text[i++] = ' ';
                text[i] = ' ';
            }
            if (!line(text.data(), text.size())) break;
            if (end >= size || !bytes[end]) break;
            begin = end + 1;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
