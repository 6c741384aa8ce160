#include "tools/monkey/korin_app.h"

#include <winternl.h>

#include <cstring>
#include <functional>
#include <vector>

#include "resources/resource.h"

namespace {

// The first top-level window that match accepts; only thread's when it is not 0.
HWND FindWindowWhere(const std::function<bool(HWND)>& match, DWORD thread = 0)
{
    struct Search {
        const std::function<bool(HWND)>* match;
        HWND found;
        static BOOL CALLBACK Check(HWND window, LPARAM param)
        {
            Search* search = reinterpret_cast<Search*>(param);
            if (!(*search->match)(window)) return TRUE;
            search->found = window;
            return FALSE;
        }
    } search = {&match, nullptr};
    if (thread) EnumThreadWindows(thread, Search::Check, LPARAM(&search));
    else EnumWindows(Search::Check, LPARAM(&search));
    return search.found;
}

HWND OwnedWith(HWND owner, int childId)
{
    if (!owner) return nullptr;
    return FindWindowWhere([&](HWND window) { return GetWindow(window, GW_OWNER) == owner && GetDlgItem(window, childId); });
}

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

bool Answered(HWND window, UINT message, WPARAM wParam, DWORD_PTR* result)
{
    return SendMessageTimeoutA(window, message, wParam, 0, SMTO_NORMAL, kAnswerMs, result) != 0;
}

}  // namespace

std::string TextOf(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

KorinApp::KorinApp()
    : process(), main(nullptr), palette(nullptr), panel(nullptr), header(nullptr), thread(0), marker(0),
      attached(false)
{
}

KorinApp::~KorinApp()
{
    Kill();
}

bool KorinApp::Start(const std::string& exe, std::string* why)
{
    Kill();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string line = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        *why = "could not start " + exe;
        return false;
    }
    if (!WaitFor([&] { return FindWindows(); }, 30000)) {
        *why = "the Korin windows did not appear within 30 s";
        return false;
    }
    thread = GetWindowThreadProcessId(main, nullptr);
    // Shares the key state with Korin's thread, so that Ctrl and Shift are
    // down for its accelerators and key handlers as they are for a user's keys.
    attached = AttachThreadInput(GetCurrentThreadId(), thread, TRUE) != 0;
    return Settle() && Answers();
}

bool KorinApp::FindWindows()
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "Korin", nullptr)) != nullptr) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        if (id == process.dwProcessId && IsWindowVisible(window)) break;
    }
    main = window;
    palette = OwnedWith(main, IDC_PALETTE_GRID);
    panel = OwnedWith(palette, IDC_RED_SLIDER);
    header = main ? GetDlgItem(main, IDC_HEADER_VIEW) : nullptr;
    return main && palette && panel && header;
}

bool KorinApp::WaitExit(DWORD* exitCode)
{
    if (WaitForSingleObject(process.hProcess, kAnswerMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(process.hProcess, exitCode);
    return true;
}

void KorinApp::Kill()
{
    if (!process.hProcess) return;
    if (attached) AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    attached = false;
    if (Running()) {
        TerminateProcess(process.hProcess, 3);
        WaitForSingleObject(process.hProcess, kAnswerMs);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    process = PROCESS_INFORMATION();
    main = palette = panel = header = nullptr;
}

bool KorinApp::Running() const
{
    return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

HWND KorinApp::Grid() const
{
    return GetDlgItem(palette, IDC_PALETTE_GRID);
}

HWND KorinApp::Focus() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(thread, &info)) return main;
    return info.hwndFocus ? info.hwndFocus : info.hwndActive ? info.hwndActive : main;
}

bool KorinApp::Settle(DWORD timeoutMs)
{
    // A posted limit for the read-only header view, which nobody types into:
    // once it reads back, everything posted before it has been handled (in
    // the main loop or in a modal dialog's).
    marker = marker % 0x100000 + 1;
    const LPARAM mark = 0x100000 + marker;
    if (!IsWindow(header) || !PostMessageA(header, EM_LIMITTEXT, WPARAM(mark), 0)) return false;
    return WaitFor([&] {
        DWORD_PTR limit = 0;
        return !Running() || (Answered(header, EM_GETLIMITTEXT, 0, &limit) && LPARAM(limit) == mark);
    }, timeoutMs) && Running();
}

bool KorinApp::Answers() const
{
    DWORD_PTR result = 0;
    return Answered(main, WM_NULL, 0, &result) && Answered(palette, WM_NULL, 0, &result) &&
           Answered(panel, WM_NULL, 0, &result);
}

HWND KorinApp::ModalDialog() const
{
    const bool blocked = !IsWindowEnabled(main) || !IsWindowEnabled(palette) || !IsWindowEnabled(panel);
    HWND found = nullptr;
    // A dialog shows itself once its modal loop first runs dry.
    WaitFor([&] {
        found = FindWindowWhere([&](HWND window) {
            char name[16] = "";
            GetClassNameA(window, name, sizeof name);
            return std::strcmp(name, "#32770") == 0 && window != palette && window != panel &&
                   IsWindowVisible(window) && IsWindowEnabled(window);
        }, thread);
        return found || !blocked || !Running();
    }, kAnswerMs);
    DWORD_PTR result = 0;
    return found && Answered(found, WM_NULL, 0, &result) ? found : nullptr;
}

void KorinApp::PressKey(UINT key, bool control, bool shift)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_LCONTROL] = control ? 0x80 : 0;
    keys[VK_SHIFT] = keys[VK_LSHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    HWND target = Focus();
    const LPARAM scan = LPARAM(MapVirtualKeyA(key, 0)) << 16;
    PostMessageA(target, WM_KEYDOWN, key, scan | 1);
    Settle();
    PostMessageA(Focus(), WM_KEYUP, key, scan | LPARAM(0xC0000001));
    Settle();
    keys[VK_CONTROL] = keys[VK_LCONTROL] = keys[VK_SHIFT] = keys[VK_LSHIFT] = 0;
    SetKeyboardState(keys);
}

void KorinApp::Activate(HWND window)
{
    if (IsWindowVisible(window) && IsWindowEnabled(window)) SetForegroundWindow(window);
}

DWORD KorinApp::GdiObjects() const
{
    DWORD reported = GetGuiResources(process.hProcess, GR_GDIOBJECTS);
    return reported ? reported : CountGdiTable();
}

DWORD KorinApp::UserObjects() const
{
    DWORD reported = GetGuiResources(process.hProcess, GR_USEROBJECTS);
    if (reported) return reported;
    DWORD count = 0;
    FindWindowWhere([&](HWND window) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        if (id != process.dwProcessId) return false;
        ++count;
        EnumChildWindows(window, CountChild, LPARAM(&count));
        return false;
    });
    return count;
}

std::string KorinApp::CountSource() const
{
    if (GetGuiResources(process.hProcess, GR_GDIOBJECTS)) return "GDI and USER objects as GetGuiResources reports them";
    return "GetGuiResources reports 0 here: GDI objects are counted in the process's GDI handle table, "
           "USER objects as its windows";
}

// Wine keeps each process's GDI handles in a table that its PEB points to,
// laid out as Windows' shared handle table: 24-byte entries, the type byte at
// offset 14, zero for a free entry. Entries are handed out from the bottom,
// so the count stops at the first block never used.
DWORD KorinApp::CountGdiTable() const
{
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG length = 0;
    if (NtQueryInformationProcess(process.hProcess, ProcessBasicInformation, &basic, sizeof basic, &length) != 0)
        return 0;
    const size_t tableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    const unsigned char* peb = reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
    const unsigned char* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process.hProcess, peb + tableOffset, &table, sizeof table, &read) || !table) return 0;
    const size_t kEntry = 24, kBlock = 1024, kEntries = 0x10000;
    std::vector<unsigned char> block(kEntry * kBlock);
    DWORD count = 0;
    for (size_t first = 0; first < kEntries; first += kBlock) {
        if (!ReadProcessMemory(process.hProcess, table + first * kEntry, block.data(), block.size(), &read)) break;
        bool touched = false;
        for (size_t i = 0; i < kBlock; ++i) {
            const unsigned char* entry = &block[i * kEntry];
            count += entry[14] != 0;
            for (size_t b = 0; b < kEntry && !touched; ++b) touched = entry[b] != 0;
        }
        if (!touched && first > 0) break;
    }
    return count;
}
