// Stored settings the program never wrote — other lengths, other registry
// types, fields out of range — as another tool or an old version leaves them.
// The program must start with its window shown and usable and its view in a
// state the menu can reach.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <string>

#include "app/view_options.h"
#include "resources/resource.h"
#include "tests/win32/support/program.h"

namespace {

const char kKeyPath[] = "Software\\Brindlemoor\\Korin";

struct Value {
    const char* what;
    DWORD type;
    std::string data;
};

std::string Bytes(const void* data, size_t size)
{
    return std::string(static_cast<const char*>(data), size);
}

std::string RectBytes(LONG left, LONG top, LONG right, LONG bottom)
{
    RECT rect = {left, top, right, bottom};
    return Bytes(&rect, sizeof rect);
}

std::string ViewBytes(uint8_t fit, uint8_t header, int32_t detail, int32_t hex, int32_t white)
{
    ViewOptions view = {fit, header, detail, hex, white};
    return Bytes(&view, sizeof view);
}

void Store(const char* name, const Value& value)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, value.type,
                                            reinterpret_cast<const BYTE*>(value.data.data()),
                                            DWORD(value.data.size())));
    RegCloseKey(key);
}

// Which item of a two-item view submenu is marked once it opens: 0 or 1,
// -1 when neither or both.
int MarkedItem(int firstItemId)
{
    HMENU view = GetSubMenu(GetMenu(program::MainWindow()), 2);
    for (int i = 0; i < GetMenuItemCount(view); ++i) {
        HMENU sub = GetSubMenu(view, i);
        if (!sub || GetMenuItemID(sub, 0) != UINT(firstItemId)) continue;
        SendMessageA(program::MainWindow(), WM_INITMENUPOPUP, WPARAM(sub), 0);
        bool first = GetMenuState(sub, 0, MF_BYPOSITION) & MF_CHECKED;
        bool second = GetMenuState(sub, 1, MF_BYPOSITION) & MF_CHECKED;
        return first == second ? -1 : first ? 0 : 1;
    }
    return -2;
}

// Shown, of a size a user can work with, and with its caption on a screen so
// that it can be dragged.
void ExpectUsableWindow(const char* what)
{
    HWND window = program::MainWindow();
    ASSERT_TRUE(IsWindow(window)) << what;
    EXPECT_TRUE(IsWindowVisible(window)) << what;
    EXPECT_FALSE(IsIconic(window)) << what;
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_GE(rect.right - rect.left, 330) << what;
    EXPECT_GE(rect.bottom - rect.top, 100) << what;
    RECT caption = {rect.left, rect.top, rect.right, rect.top + GetSystemMetrics(SM_CYCAPTION)};
    EXPECT_NE(nullptr, MonitorFromRect(&caption, MONITOR_DEFAULTTONULL)) << what << ": caption off every screen";
    RECT screen = {0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    EXPECT_LE(rect.right - rect.left, 4 * screen.right) << what;
}

class SettingsValues : public ::testing::Test {
protected:
    void SetUp() override { program::Restart(true); }
    void TearDown() override { program::Stop(); }

    void StartWith(const char* name, const Value& value)
    {
        program::Stop();
        Store(name, value);
        program::Restart(false);
    }
};

// Guards the start-up against window places no run of the program stores:
// each falls back to the default place, or is used only where it leaves the
// window visible, of a workable size and reachable.
TEST_F(SettingsValues, WindowPlaceOfAnotherShapeGivesAUsableWindow)
{
    const std::string good = RectBytes(40, 50, 440, 350);
    const Value fallBack[] = {
        {"four bytes longer", REG_BINARY, good + "\1\2\3\4"},
        {"one byte shorter", REG_BINARY, good.substr(0, 15)},
        {"empty", REG_BINARY, ""},
        {"a string of sixteen bytes", REG_SZ, std::string("40,50,440,350\0\0\0", 16)},
        {"a DWORD", REG_DWORD, good.substr(0, 4)},
        {"negative width", REG_BINARY, RectBytes(400, 50, 40, 350)},
        {"negative height", REG_BINARY, RectBytes(40, 350, 440, 50)},
        {"width wrapping 32 bits", REG_BINARY, RectBytes(INT_MIN + 10, 50, INT_MAX - 10, 350)},
        {"off to the upper left", REG_BINARY, RectBytes(-30000, -30000, -29600, -29700)},
        {"caption above the screen", REG_BINARY, RectBytes(40, -30000, 440, 300)},
        {"far larger than any screen", REG_BINARY, RectBytes(-100000, -100000, 100000, 100000)},
    };
    for (const Value& value : fallBack) {
        StartWith("WindowPlace", value);
        ExpectUsableWindow(value.what);
        RECT rect;
        GetWindowRect(program::MainWindow(), &rect);
        EXPECT_EQ(200, rect.left) << value.what;
        EXPECT_EQ(200, rect.top) << value.what;
        EXPECT_EQ(350, rect.right - rect.left) << value.what;
    }

    // Same type, partly off the screen: used as stored, still reachable.
    StartWith("WindowPlace", {"partly off", REG_BINARY, RectBytes(-100, 10, 300, 210)});
    ExpectUsableWindow("partly off");
    RECT rect;
    GetWindowRect(program::MainWindow(), &rect);
    EXPECT_EQ(-100, rect.left);

}

// Guards the view state against stored values of another length or type and
// fields out of range: every submenu shows exactly one mark, and a header
// detail of 7 is the summary.
TEST_F(SettingsValues, ViewOptOfAnotherShapeGivesKnownViewStates)
{
    struct Case {
        Value value;
        int fit, detail, hex, white;  // marked item of each submenu
        bool header;
    };
    const Case cases[] = {
        {{"detail 7", REG_BINARY, ViewBytes(0, 1, 7, 0, 0)}, 0, 0, 0, 0, true},
        {{"every field out of range", REG_BINARY, ViewBytes(200, 3, -1, 2, INT_MIN)}, 1, 0, 0, 0, true},
        {{"all ones", REG_BINARY, ViewBytes(1, 1, 1, 1, 1)}, 1, 1, 1, 1, true},
        {{"longer", REG_BINARY, ViewBytes(1, 1, 1, 1, 1) + "more"}, 0, 0, 0, 0, false},
        {{"shorter: the bytes there count", REG_BINARY, ViewBytes(1, 0, 1, 1, 1).substr(0, 8)},
         1, 1, 0, 0, false},
        {{"empty", REG_BINARY, ""}, 0, 0, 0, 0, false},
        {{"a DWORD", REG_DWORD, std::string("\x01\x01\x00\x00", 4)}, 1, 0, 0, 0, true},
        {{"a string", REG_SZ, std::string("\x07\x07\x07\x07\x07\x07\x07\x07\x07\x07\x07\x07\x07\x07\x07", 16)},
         1, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        StartWith("ViewOpt", c.value);
        ExpectUsableWindow(c.value.what);
        EXPECT_EQ(c.fit, MarkedItem(ID_VIEW_ACTUAL_SIZE)) << c.value.what;
        EXPECT_EQ(c.detail, MarkedItem(ID_VIEW_HEADER_SUMMARY)) << c.value.what;
        EXPECT_EQ(c.hex, MarkedItem(ID_VIEW_NUMBERS_DECIMAL)) << c.value.what;
        EXPECT_EQ(c.white, MarkedItem(ID_VIEW_BACKGROUND_BLACK)) << c.value.what;
        EXPECT_EQ(c.header, IsWindowVisible(GetDlgItem(program::MainWindow(), IDC_HEADER_VIEW)) != FALSE)
            << c.value.what;

        // Whatever was read, the value written at exit is the program's own.
        program::Command(ID_FILE_EXIT);
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ, &key));
        ViewOptions written = {};
        DWORD type = 0, size = sizeof written;
        LONG status = RegQueryValueExA(key, "ViewOpt", nullptr, &type, reinterpret_cast<BYTE*>(&written), &size);
        RegCloseKey(key);
        EXPECT_EQ(ERROR_SUCCESS, status) << c.value.what;
        EXPECT_EQ(DWORD(REG_BINARY), type) << c.value.what;
        EXPECT_EQ(sizeof written, size) << c.value.what;
        EXPECT_EQ(c.detail, written.headerDetail) << c.value.what;
        EXPECT_EQ(c.hex, written.hexNumbers) << c.value.what;
        EXPECT_EQ(c.white, written.whiteBackground) << c.value.what;
    }
}

}  // namespace
