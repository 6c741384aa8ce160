#include "tools/monkey/checks.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/gdi_scope.h"
#include "palette/color_table.h"
#include "resources/resource.h"
#include "tools/monkey/korin_app.h"

namespace {

const char kNewName[] = "NewBitmap";

std::string Hex(COLORREF color)
{
    char text[8];
    wsprintfA(text, "#%02x%02x%02x", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

// The visible windows above window's in the Z order, which hide parts of it.
std::vector<RECT> Covers(HWND window)
{
    std::vector<RECT> covers;
    for (HWND above = GetWindow(window, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
        RECT rect;
        if (IsWindowVisible(above) && GetWindowRect(above, &rect)) covers.push_back(rect);
    }
    return covers;
}

// Off the screen counts as covered.
bool Covered(const std::vector<RECT>& covers, int x, int y)
{
    const POINT point = {x, y};
    if (x < 0 || y < 0 || x >= GetSystemMetrics(SM_CXSCREEN) || y >= GetSystemMetrics(SM_CYSCREEN)) return true;
    return std::any_of(covers.begin(), covers.end(), [&](const RECT& r) { return PtInRect(&r, point) != 0; });
}

// The screen's pixels in rect, top row first.
std::vector<COLORREF> Capture(const RECT& rect)
{
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::vector<COLORREF> pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    WindowDC screen(nullptr);
    MemoryDC memory(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return pixels;
    {
        SelectedObject selected(memory, bitmap, SelectedObject::Borrowed);
        if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY)) {
            GdiFlush();
            const DWORD* p = static_cast<const DWORD*>(bits);
            for (int i = 0; i < width * height; ++i) pixels.push_back(RGB(p[i] >> 16 & 0xFF, p[i] >> 8 & 0xFF, p[i] & 0xFF));
        }
    }
    DeleteObject(bitmap);
    return pixels;
}

bool IsQuestion(const std::string& text)
{
    const std::string end = "への変更を保存しますか?";
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool OnlyQuestions(const StepRecord& record)
{
    return std::all_of(record.boxes.begin(), record.boxes.end(), IsQuestion);
}

}  // namespace

Checker::Checker(KorinApp& app, Scratch& scratch, const Limits& limits)
    : app(app), scratch(scratch), limits(limits), maybeEmpty(false), gdiBase(0), userBase(0), gdiHigh(0), userHigh(0)
{
}

void Checker::Begin()
{
    folder = scratch.State();
    title = TextOf(app.Main());
}

bool Checker::After(int step, const StepRecord& record, const ViewState& view, std::string* failure)
{
    if (!Alive(failure) || !Resources(step, failure)) return false;
    std::string savedPicture;
    if (!Folder(&savedPicture, failure)) return false;
    const std::string now = TextOf(app.Main());
    if (record.restarted) {
        maybeEmpty = false;
    } else if (!Title(record, now, savedPicture, failure)) {
        return false;
    }
    title = now;
    return Screen(now, view, failure);
}

bool Checker::Alive(std::string* failure)
{
    if (!app.Running()) {
        DWORD code = 0;
        app.WaitExit(&code);
        *failure = "Korin ended (exit code " + Hex(code).substr(1) + " hex)";
        return false;
    }
    if (!app.Answers()) {
        *failure = "Korin's windows do not answer within 10 s";
        return false;
    }
    return true;
}

bool Checker::Resources(int step, std::string* failure)
{
    const DWORD gdi = app.GdiObjects(), user = app.UserObjects();
    gdiHigh = std::max(gdiHigh, gdi);
    userHigh = std::max(userHigh, user);
    if (step <= limits.warmUpSteps) {
        gdiBase = gdiHigh;
        userBase = userHigh;
        return true;
    }
    if (gdi > gdiBase + limits.gdiMargin) {
        *failure = "GDI objects grew to " + std::to_string(gdi) + ", from at most " + std::to_string(gdiBase) +
                   " in the first " + std::to_string(limits.warmUpSteps) + " steps";
        return false;
    }
    if (user > userBase + limits.userMargin) {
        *failure = "USER objects grew to " + std::to_string(user) + ", from at most " + std::to_string(userBase) +
                   " in the first " + std::to_string(limits.warmUpSteps) + " steps";
        return false;
    }
    return true;
}

bool Checker::Folder(std::string* savedPicture, std::string* failure)
{
    const FolderState now = scratch.State();
    for (const auto& file : folder) {
        if (!now.count(file.first)) {
            *failure = file.first + " disappeared from the scratch folder";
            return false;
        }
    }
    for (const auto& file : now) {
        const auto before = folder.find(file.first);
        if (before != folder.end() && !(before->second != file.second)) continue;
        if (before == folder.end() && !scratch.Expected(file.first)) {
            *failure = file.first + " was left in the scratch folder";
            return false;
        }
        if (IsPictureName(file.first)) {
            if (!Decoded(file.first)) {
                *failure = "Korin saved " + file.first + ", which does not read back";
                return false;
            }
            *savedPicture = file.first;
        } else if (!SavedPalette(file.first, failure)) {
            return false;
        }
    }
    folder = now;
    return true;
}

bool Checker::SavedPalette(const std::string& name, std::string* failure)
{
    ColorTable table;
    if (!ReadPaletteFile(scratch.PathOf(name), &table)) {
        *failure = "Korin saved " + name + ", which does not read back as a palette";
        return false;
    }
    const HWND grid = app.Grid();
    if (!IsWindowVisible(app.Palette())) return true;
    RECT rect, whole;
    GetWindowRect(grid, &whole);
    // Wine reads nothing right from a screen rectangle that reaches past its edge.
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!IntersectRect(&rect, &whole, &screen)) return true;
    POINT origin = {0, 0};
    ClientToScreen(grid, &origin);
    const std::vector<RECT> covers = Covers(app.Palette());
    const int width = rect.right - rect.left;
    // The entries shown from row top on, as far as the screen shows them.
    auto shows = [&](const std::vector<COLORREF>& pixels, uint32_t top) {
        for (uint32_t entry = top * 12; entry < (top + 8) * 12 && entry < table.GetCount(); ++entry) {
            // Inside the color square, clear of the frames and of the unused mark.
            const int x = origin.x + 5 + 22 * int(entry % 12) + 15, y = origin.y + 5 + 22 * int(entry / 12 - top) + 15;
            if (Covered(covers, x, y)) continue;
            const COLORREF shown = pixels[size_t(y - rect.top) * size_t(width) + size_t(x - rect.left)];
            const ColorEntry* e = table.GetEntry(entry);
            if (shown == RGB(e->red, e->green, e->blue)) continue;
            *failure = name + " holds " + Hex(RGB(e->red, e->green, e->blue)) + " for entry " + std::to_string(entry) +
                       ", the grid shows " + Hex(shown);
            return false;
        }
        return true;
    };
    // The grid repaints itself after the save dialog that hid it has gone, later
    // on a loaded machine. Its top row is not always the scroll bar's: a short
    // table scrolls further.
    return WaitFor([&] {
        const std::vector<COLORREF> pixels = Capture(rect);
        for (uint32_t top = 0; !pixels.empty() && top * 12 < table.GetCount(); ++top)
            if (shows(pixels, top)) return true;
        return pixels.empty();
    }, kAnswerMs);
}

bool Checker::Title(const StepRecord& record, const std::string& now, const std::string& savedPicture,
                    std::string* failure)
{
    const bool plain = OnlyQuestions(record) && !record.stopped;
    std::string expected;
    switch (record.kind) {
    case StepRecord::Other:
        expected = title;
        break;
    case StepRecord::Apply:
        if (record.boxes.empty() && title != "Korin" && !maybeEmpty &&
            (now.size() < 3 || now.compare(now.size() - 3, 3, " *]") != 0)) {
            *failure = "after Apply the title has no modified mark: " + now;
            return false;
        }
        break;
    case StepRecord::Save:
        if (plain && record.boxes.empty() && !savedPicture.empty()) expected = "Korin [" + savedPicture + "]";
        break;
    case StepRecord::Open:
        if (plain && !record.opened.empty()) expected = "Korin [" + record.opened + "]";
        break;
    case StepRecord::Close:
        if (plain) expected = "Korin";
        break;
    default:
        break;
    }
    if (!expected.empty() && now != expected) {
        *failure = "the title is \"" + now + "\" where \"" + expected + "\" was due";
        return false;
    }
    // A failed open or new leaves the title as it was over an empty picture.
    if (record.kind != StepRecord::Other && record.kind != StepRecord::Apply) {
        if (!OnlyQuestions(record) || (record.newAccepted && now != std::string("Korin [") + kNewName + " *]"))
            maybeEmpty = true;
        else if (now != title)
            maybeEmpty = false;
    }
    return true;
}

const Picture* Checker::Decoded(const std::string& name)
{
    const FolderState now = scratch.State();
    const auto file = now.find(name);
    if (file == now.end()) return nullptr;
    auto& slot = decoded[name];
    if (slot.second.pixels.empty() || slot.first != file->second) {
        slot.first = file->second;
        if (!DecodePicture(scratch.PathOf(name), &slot.second)) slot.second = Picture();
    }
    return slot.second.pixels.empty() ? nullptr : &slot.second;
}

bool Checker::Screen(const std::string& now, const ViewState& view, std::string* failure)
{
    const size_t open = now.find('[');
    if (maybeEmpty || !view.sizeKnown || view.fitToWindow || view.highlight || open == std::string::npos ||
        now.back() != ']' || now.find(" *]") != std::string::npos || IsIconic(app.Main()) ||
        IsWindowVisible(GetDlgItem(app.Main(), IDC_HEADER_VIEW)))
        return true;
    const std::string name = now.substr(open + 1, now.size() - open - 2);
    if (name == kNewName) return true;
    const Picture* picture = Decoded(name);
    if (!picture) {
        *failure = "the title names " + name + " unmodified, but that file does not read back";
        return false;
    }
    RECT client, shown;
    GetClientRect(app.Main(), &client);
    POINT origin = {0, 0};
    ClientToScreen(app.Main(), &origin);
    const RECT place = {origin.x, origin.y, origin.x + std::min<LONG>(client.right, picture->width),
                        origin.y + std::min<LONG>(client.bottom, picture->height)};
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!IntersectRect(&shown, &place, &screen)) return true;
    const std::vector<RECT> covers = Covers(app.Main());
    const int width = shown.right - shown.left;
    size_t differ = 0;
    std::string first;
    // A repaint may still be on its way, for seconds on a loaded machine: only a
    // screen that stays wrong as long as Korin may take to answer is wrong.
    WaitFor([&] {
        const std::vector<COLORREF> pixels = Capture(shown);
        differ = 0;
        for (int y = shown.top; y < shown.bottom && !pixels.empty(); ++y) {
            for (int x = shown.left; x < shown.right; ++x) {
                if (Covered(covers, x, y)) continue;
                const COLORREF on = pixels[size_t(y - shown.top) * size_t(width) + size_t(x - shown.left)];
                const COLORREF in = picture->pixels[size_t(y - origin.y) * size_t(picture->width) + size_t(x - origin.x)];
                if (on != in && differ++ == 0)
                    first = "(" + std::to_string(x - origin.x) + "," + std::to_string(y - origin.y) + "): screen " +
                            Hex(on) + ", file " + Hex(in);
            }
        }
        return differ == 0;
    }, kAnswerMs);
    if (differ == 0) return true;
    *failure = "the title names " + name + " unmodified, but the screen does not show that file: " +
               std::to_string(differ) + " pixels differ, the first at " + first;
    return false;
}

bool SaveScreen(const std::string& path)
{
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const std::vector<COLORREF> pixels = Capture(screen);
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = screen.right;
    info.biHeight = -screen.bottom;
    info.biPlanes = 1;
    info.biBitCount = 32;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = DWORD(file.bfOffBits + pixels.size() * 4);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (COLORREF c : pixels) bytes += std::string{char(GetBValue(c)), char(GetGValue(c)), char(GetRValue(c)), 0};
    FILE* out = std::fopen(path.c_str(), "wb");
    const bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return out && std::fclose(out) == 0 && written && !pixels.empty();
}

std::string Checker::Summary() const
{
    return "GDI objects at most " + std::to_string(gdiHigh) + " (" + std::to_string(gdiBase) +
           " in the warm-up), USER objects at most " + std::to_string(userHigh) + " (" + std::to_string(userBase) +
           " in the warm-up)";
}
