#include "app/clipboard_text.h"

#include <cstring>

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

bool GetClipboardAsciiText(HWND owner, std::string* text)
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
    size_t size = GlobalSize(data);
    size_t length = 0;
    while (length < size && bytes[length]) ++length;
    text->assign(bytes, length);
    for (size_t i = 0; i < length; ++i) {
        BYTE byte = BYTE((*text)[i]);
        if (byte < 0x80) continue;
        if (IsDBCSLeadByte(byte) && i + 1 < length) (*text)[i++] = ' ';
        (*text)[i] = ' ';
    }
    return true;
}
