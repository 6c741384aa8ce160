// The modeless window base with real dialog windows made from the program's
// own templates.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/window_base.h"
#include "resources/resource.h"

namespace {

// No template has this id.
const WORD kMissingTemplate = 4242;

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A plain top-level window to own the dialogs.
class OwnerWindow {
public:
    OwnerWindow()
        : hwnd(CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr))
    {
    }
    ~OwnerWindow()
    {
        if (IsWindow(hwnd)) {
            DestroyWindow(hwnd);
        }
    }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND Hwnd() const { return hwnd; }

private:
    HWND hwnd;
};

class WindowBaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, owner.Hwnd());
        ASSERT_NE(nullptr, FindResourceA(instance, MAKEINTRESOURCEA(IDD_ABOUT), RT_DIALOG))
            << "the test program lacks dialog template " << IDD_ABOUT;
    }

    bool CreateAbout(WindowBase& window, HWND ownerWindow)
    {
        return window.Create(instance, IDD_ABOUT, ownerWindow, QuietDialogProc);
    }

    static RECT RectOf(HWND hwnd)
    {
        RECT rect = {};
        EXPECT_TRUE(GetWindowRect(hwnd, &rect));
        return rect;
    }

    HINSTANCE instance = GetModuleHandleA(nullptr);
    OwnerWindow owner;
};

TEST_F(WindowBaseTest, FlagFollowsRequestsWithoutAWindow)
{
    WindowBase window;
    EXPECT_EQ(nullptr, window.Hwnd());
    EXPECT_EQ(nullptr, window.Owner());
    EXPECT_FALSE(window.IsVisible());

    window.Show();
    EXPECT_TRUE(window.IsVisible());
    EXPECT_EQ(nullptr, window.Hwnd());
    window.Hide();
    EXPECT_FALSE(window.IsVisible());

    window.Show();
    window.Destroy();
    EXPECT_FALSE(window.IsVisible());
    EXPECT_EQ(nullptr, window.Hwnd());

    EXPECT_FALSE(window.Move(1, 2, 3, 4, true, true));
}

TEST_F(WindowBaseTest, CreateMakesAHiddenOwnedDialog)
{
    WindowBase window;
    ASSERT_TRUE(CreateAbout(window, owner.Hwnd()));
    HWND dialog = window.Hwnd();
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_FALSE(window.IsVisible());
    EXPECT_EQ(owner.Hwnd(), window.Owner());
    EXPECT_EQ(owner.Hwnd(), GetWindow(dialog, GW_OWNER));
    char className[16] = {};
    GetClassNameA(dialog, className, sizeof className);
    EXPECT_STREQ("#32770", className);

    window.Show();
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(window.IsVisible());
    window.Hide();
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_FALSE(window.IsVisible());
}

TEST_F(WindowBaseTest, ShowBeforeCreateIsRememberedButShowsNothing)
{
    WindowBase window;
    window.Show();
    ASSERT_TRUE(CreateAbout(window, owner.Hwnd()));
    EXPECT_TRUE(window.IsVisible());
    EXPECT_FALSE(IsWindowVisible(window.Hwnd()));
}

TEST_F(WindowBaseTest, CreateAgainReplacesTheWindowAndItsOwner)
{
    OwnerWindow secondOwner;
    ASSERT_NE(nullptr, secondOwner.Hwnd());
    WindowBase window;
    ASSERT_TRUE(CreateAbout(window, owner.Hwnd()));
    HWND first = window.Hwnd();
    window.Show();

    ASSERT_TRUE(CreateAbout(window, secondOwner.Hwnd()));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(window.Hwnd()));
    EXPECT_EQ(secondOwner.Hwnd(), window.Owner());
    EXPECT_EQ(secondOwner.Hwnd(), GetWindow(window.Hwnd(), GW_OWNER));
    // The old window went through Destroy, which forgets the show request.
    EXPECT_FALSE(window.IsVisible());
    EXPECT_FALSE(IsWindowVisible(window.Hwnd()));
}

TEST_F(WindowBaseTest, FailedCreateLeavesNoWindow)
{
    WindowBase window;
    ASSERT_TRUE(CreateAbout(window, owner.Hwnd()));
    HWND first = window.Hwnd();

    EXPECT_FALSE(window.Create(instance, kMissingTemplate, owner.Hwnd(), QuietDialogProc));
    EXPECT_EQ(nullptr, window.Hwnd());
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(window.Move(10, 10, 100, 100, true, false));
}

TEST_F(WindowBaseTest, DestroyAndDestructionCloseTheWindow)
{
    HWND kept = nullptr;
    {
        WindowBase window;
        ASSERT_TRUE(CreateAbout(window, owner.Hwnd()));
        window.Show();
        HWND dialog = window.Hwnd();
        window.Destroy();
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(nullptr, window.Hwnd());
        EXPECT_EQ(nullptr, window.Owner());
        EXPECT_FALSE(window.IsVisible());

        ASSERT_TRUE(CreateAbout(window, owner.Hwnd()));
        kept = window.Hwnd();
    }
    EXPECT_FALSE(IsWindow(kept));
}

struct MoveCase {
    const char* name;
    bool move;
    bool size;
    bool moves;
    bool sizes;
};

TEST_F(WindowBaseTest, MoveChangesWhatItsFlagsAskFor)
{
    const MoveCase cases[] = {
        {"neither", false, false, false, false},
        {"move only", true, false, true, false},
        {"size only", false, true, false, true},
        {"both", true, true, true, true},
    };
    const int x = 123, y = 87, width = 271, height = 163;
    for (const MoveCase& c : cases) {
        SCOPED_TRACE(c.name);
        WindowBase window;
        ASSERT_TRUE(CreateAbout(window, owner.Hwnd()));
        ASSERT_TRUE(MoveWindow(window.Hwnd(), 40, 30, 200, 120, TRUE));
        const RECT before = RectOf(window.Hwnd());

        EXPECT_EQ(c.move || c.size, window.Move(x, y, width, height, c.move, c.size));

        const RECT after = RectOf(window.Hwnd());
        EXPECT_EQ(c.moves ? x : before.left, after.left);
        EXPECT_EQ(c.moves ? y : before.top, after.top);
        EXPECT_EQ(c.sizes ? width : before.right - before.left, after.right - after.left);
        EXPECT_EQ(c.sizes ? height : before.bottom - before.top, after.bottom - after.top);
    }
}

} // namespace
