// The new-image and About dialogs run modally as the main window runs them,
// answered from inside their modal loops the way a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/globals.h"
#include "resources/resource.h"
#include "tests/win32/support/modal_answerer.h"

namespace {

typedef ModalAnswerer::Action Action;

const char* const kModeTexts[] = {"2色", "16色", "256色", "ﾌﾙｶﾗｰ(24bit)"};
const char kFullColorWithEntries[] = "ﾌﾙｶﾗｰﾋﾞｯﾄﾏｯﾌﾟのｴﾝﾄﾘ数は0にしてください.";
const char kInvalidSize[] = "不正な画像ｻｲｽﾞです.";
const char kTooManyEntries[] = "ｴﾝﾄﾘ数が多すぎます.";

// What the dialog shows at one moment.
struct DialogState {
    bool open = false;
    std::string width, height, entries;
    int selection = -2;
    std::vector<std::string> modes;
    bool widthHasFocus = false;
};

// What a message box showed besides its text.
struct BoxState {
    HWND owner = nullptr;
    HICON icon = nullptr;
};

Action Observe(DialogState& state, Action next)
{
    return [&state, next](HWND dialog) {
        state.open = IsWindow(dialog) != FALSE;
        state.width = ItemText(dialog, IDC_NEW_WIDTH);
        state.height = ItemText(dialog, IDC_NEW_HEIGHT);
        state.entries = ItemText(dialog, IDC_NEW_ENTRIES);
        HWND combo = GetDlgItem(dialog, IDC_NEW_COLOR_MODE);
        state.selection = int(SendMessageA(combo, CB_GETCURSEL, 0, 0));
        state.modes.clear();
        int count = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[64] = "";
            if (SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) < LRESULT(sizeof text))
                SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(text));
            state.modes.push_back(text);
        }
        state.widthHasFocus = GetFocus() == GetDlgItem(dialog, IDC_NEW_WIDTH);
        return next(dialog);
    };
}

// Picks a color mode with the keyboard, as a user on the closed list would:
// Home, then Down until the item is reached. The combo box notifies the
// dialog of each change itself.
Action ChooseMode(int index, Action next)
{
    return [index, next](HWND dialog) {
        HWND combo = GetDlgItem(dialog, IDC_NEW_COLOR_MODE);
        SendMessageA(combo, WM_KEYDOWN, VK_HOME, 0);
        for (int i = 0; i < index; ++i)
            SendMessageA(combo, WM_KEYDOWN, VK_DOWN, 0);
        return next(dialog);
    };
}

Action Type(int id, const std::string& text, Action next) { return ModalAnswerer::SetText(id, text, next); }

Action Fill(const char* width, const char* height, int mode, const char* entries, Action next)
{
    return Type(IDC_NEW_WIDTH, width, Type(IDC_NEW_HEIGHT, height,
           ChooseMode(mode, Type(IDC_NEW_ENTRIES, entries, next))));
}

// Records the box's owner and icon, then presses its OK button.
Action InspectBox(BoxState& box)
{
    return [&box](HWND dialog) {
        box.owner = GetWindow(dialog, GW_OWNER);
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                box.icon = HICON(SendMessageA(child, STM_GETICON, 0, 0));
        }
        return ModalAnswerer::Press(IDOK)(dialog);
    };
}

Action Press(int id) { return ModalAnswerer::Press(id); }

class NewImageDialog : public testing::Test {
protected:
    void SetUp() override
    {
        // The values the program starts with.
        newImageSpec = {100, 100, 8, 256};
        owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, owner);
    }
    void TearDown() override { DestroyWindow(owner); }

    // As the main window's New command runs it.
    INT_PTR Run()
    {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_NEW_IMAGE), owner,
                               NewImageDialogProc, 0);
    }

    HWND owner = nullptr;
};

TEST_F(NewImageDialog, FirstUseShowsTheStartValuesAndListsTheModesInOrder)
{
    ModalAnswerer answerer;
    DialogState state;
    answerer.Then(Observe(state, Press(IDCANCEL)));
    EXPECT_EQ(IDCANCEL, Run()) << answerer.Describe();

    EXPECT_EQ("100", state.width);
    EXPECT_EQ("100", state.height);
    EXPECT_EQ("256", state.entries);
    ASSERT_EQ(4u, state.modes.size());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(kModeTexts[i], state.modes[size_t(i)]) << i;
    EXPECT_EQ(2, state.selection);
    EXPECT_TRUE(state.widthHasFocus);
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("画像の大きさ", answerer.Seen()[0].caption);
}

TEST_F(NewImageDialog, SelectsTheModeOfTheStoredBitCount)
{
    const struct {
        int32_t bitCount;
        int selection;
    } cases[] = {{1, 0}, {4, 1}, {8, 2}, {24, 3}, {16, 0}, {0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bitCount);
        newImageSpec = {7, 9, c.bitCount, 3};
        ModalAnswerer answerer;
        DialogState state;
        answerer.Then(Observe(state, Press(IDCANCEL)));
        EXPECT_EQ(IDCANCEL, Run()) << answerer.Describe();
        EXPECT_EQ(c.selection, state.selection);
        EXPECT_EQ("7", state.width);
        EXPECT_EQ("9", state.height);
        EXPECT_EQ("3", state.entries) << "opening does not suggest an entry count";
    }
}

TEST_F(NewImageDialog, ChoosingAModePutsItsEntryCountIntoTheField)
{
    const struct {
        int mode;
        const char* entries;
    } steps[] = {{1, "16"}, {3, "0"}, {0, "2"}, {2, "256"}, {1, "16"}};

    ModalAnswerer answerer;
    std::vector<DialogState> states(sizeof steps / sizeof steps[0]);
    Action script = Press(IDCANCEL);
    for (size_t i = states.size(); i-- > 0;)
        script = ChooseMode(steps[i].mode, Observe(states[i], script));
    answerer.Then(Type(IDC_NEW_WIDTH, "33", Type(IDC_NEW_HEIGHT, "44", script)));
    EXPECT_EQ(IDCANCEL, Run()) << answerer.Describe();

    for (size_t i = 0; i < states.size(); ++i) {
        SCOPED_TRACE(kModeTexts[steps[i].mode]);
        EXPECT_EQ(steps[i].mode, states[i].selection);
        EXPECT_EQ(steps[i].entries, states[i].entries);
        EXPECT_EQ("33", states[i].width) << "choosing a mode leaves the size alone";
        EXPECT_EQ("44", states[i].height);
    }
}

TEST_F(NewImageDialog, OkWithValidValuesStoresThemAndEnds)
{
    const struct {
        const char* width;
        const char* height;
        int mode;
        const char* entries;
        NewImageSpec stored;
    } cases[] = {
        {"100", "100", 2, "256", {100, 100, 8, 256}},
        {"100", "100", 2, "0", {100, 100, 8, 0}},
        {"100", "100", 1, "16", {100, 100, 4, 16}},
        {"100", "100", 0, "2", {100, 100, 1, 2}},
        {"640", "480", 3, "0", {640, 480, 24, 0}},
        {"1", "2", 0, "1", {1, 2, 1, 1}},
        // Read unsigned, compared signed: this reaches the blank bitmap's own
        // checks as -1 entries.
        {"100", "100", 3, "4294967295", {100, 100, 24, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(kModeTexts[c.mode]) + " " + c.width + "x" + c.height + " " + c.entries);
        ModalAnswerer answerer;
        answerer.Then(Fill(c.width, c.height, c.mode, c.entries, Press(IDOK)));
        EXPECT_EQ(IDOK, Run()) << answerer.Describe();
        EXPECT_EQ(1u, answerer.Seen().size()) << answerer.Describe();
        EXPECT_EQ(c.stored.width, newImageSpec.width);
        EXPECT_EQ(c.stored.height, newImageSpec.height);
        EXPECT_EQ(c.stored.bitCount, newImageSpec.bitCount);
        EXPECT_EQ(c.stored.entryCount, newImageSpec.entryCount);
    }
}

TEST_F(NewImageDialog, RefusedValuesAreReportedInOrderStoredAndKeptOpen)
{
    const struct {
        const char* width;
        const char* height;
        int mode;
        const char* entries;
        const char* message;
        NewImageSpec stored;
    } cases[] = {
        // Full color with entries is reported before the zero width.
        {"0", "100", 3, "1", kFullColorWithEntries, {0, 100, 24, 1}},
        {"100", "100", 3, "256", kFullColorWithEntries, {100, 100, 24, 256}},
        {"0", "100", 2, "256", kInvalidSize, {0, 100, 8, 256}},
        {"100", "0", 2, "256", kInvalidSize, {100, 0, 8, 256}},
        {"", "100", 2, "256", kInvalidSize, {0, 100, 8, 256}},
        // The zero width is reported before the entry count.
        {"0", "100", 1, "17", kInvalidSize, {0, 100, 4, 17}},
        {"100", "100", 1, "17", kTooManyEntries, {100, 100, 4, 17}},
        {"100", "100", 0, "3", kTooManyEntries, {100, 100, 1, 3}},
        {"100", "100", 2, "257", kTooManyEntries, {100, 100, 8, 257}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(kModeTexts[c.mode]) + " " + c.width + "x" + c.height + " " + c.entries);
        newImageSpec = {100, 100, 8, 256};
        ModalAnswerer answerer;
        BoxState box;
        DialogState after;
        answerer.Then(Fill(c.width, c.height, c.mode, c.entries, Press(IDOK)));
        answerer.Then(InspectBox(box));
        // Still open with what was typed.
        answerer.Then(Observe(after, Press(IDCANCEL)));
        EXPECT_EQ(IDCANCEL, Run()) << answerer.Describe();
        EXPECT_EQ(0u, answerer.Pending()) << answerer.Describe();

        ASSERT_EQ(2u, answerer.Seen().size()) << answerer.Describe();
        const SeenDialog& message = answerer.Seen()[1];
        EXPECT_EQ("Korin", message.caption);
        EXPECT_EQ(c.message, message.text);
        EXPECT_EQ(answerer.Seen()[0].window, box.owner) << "the dialog owns the message";
        EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), box.icon) << "MB_ICONERROR";
        EXPECT_TRUE(after.open);
        EXPECT_EQ(c.width, after.width);
        EXPECT_EQ(c.entries, after.entries);
        EXPECT_EQ(c.mode, after.selection);

        EXPECT_EQ(c.stored.width, newImageSpec.width);
        EXPECT_EQ(c.stored.height, newImageSpec.height);
        EXPECT_EQ(c.stored.bitCount, newImageSpec.bitCount);
        EXPECT_EQ(c.stored.entryCount, newImageSpec.entryCount);
    }
}

TEST_F(NewImageDialog, RefusedValuesComeBackOnTheNextOpen)
{
    ModalAnswerer answerer;
    answerer.Then(Fill("0", "55", 1, "17", Press(IDOK)));
    answerer.Then(Press(IDOK));  // the message
    answerer.Then(Press(IDCANCEL));
    ASSERT_EQ(IDCANCEL, Run()) << answerer.Describe();

    DialogState reopened;
    answerer.Then(Observe(reopened, Press(IDCANCEL)));
    ASSERT_EQ(IDCANCEL, Run()) << answerer.Describe();
    EXPECT_EQ("0", reopened.width);
    EXPECT_EQ("55", reopened.height);
    EXPECT_EQ("17", reopened.entries);
    EXPECT_EQ(1, reopened.selection);

    // Corrected, OK ends the dialog.
    answerer.Then(Type(IDC_NEW_WIDTH, "12", Type(IDC_NEW_ENTRIES, "16", Press(IDOK))));
    EXPECT_EQ(IDOK, Run()) << answerer.Describe();
    EXPECT_EQ(12, newImageSpec.width);
    EXPECT_EQ(16, newImageSpec.entryCount);
    EXPECT_EQ(4, newImageSpec.bitCount);
}

TEST_F(NewImageDialog, TypedValuesAreKeptAfterCancel)
{
    ModalAnswerer answerer;
    answerer.Then(Type(IDC_NEW_WIDTH, "320", Press(IDCANCEL)));
    EXPECT_EQ(IDCANCEL, Run()) << answerer.Describe();
    // Nothing was stored: only OK stores.
    EXPECT_EQ(100, newImageSpec.width);
}

// Enter and Esc reach the dialog through the dialog manager, the close box
// through the system menu command.
TEST_F(NewImageDialog, KeysAndCloseBoxEndItAsOkAndCancel)
{
    auto key = [](WPARAM vk) {
        return [vk](HWND dialog) {
            HWND field = GetDlgItem(dialog, IDC_NEW_WIDTH);
            PostMessageA(field, WM_KEYDOWN, vk, 1);
            PostMessageA(field, WM_KEYUP, vk, 1 | (1u << 30) | (1u << 31));
            return true;
        };
    };
    const struct {
        const char* what;
        Action action;
        INT_PTR result;
    } cases[] = {
        {"Enter", key(VK_RETURN), IDOK},
        {"Esc", key(VK_ESCAPE), IDCANCEL},
        {"close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); return true; },
         IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ModalAnswerer answerer;
        answerer.Then(c.action);
        EXPECT_EQ(c.result, Run()) << answerer.Describe();
        EXPECT_EQ(1u, answerer.Seen().size()) << answerer.Describe();
    }
}

TEST(AboutDialog, ShowsNameAndVersionAndEndsWithTheButtonPressed)
{
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, owner);
    const struct {
        int button;
        INT_PTR result;
    } cases[] = {{IDOK, IDOK}, {IDCANCEL, IDCANCEL}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        ModalAnswerer answerer;
        std::string version;
        answerer.Then([&version, &c](HWND dialog) {
            for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                if (version.empty()) version = WindowText(child);
            }
            return ModalAnswerer::Press(c.button)(dialog);
        });
        EXPECT_EQ(c.result, DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner,
                                            AboutDialogProc, 0))
            << answerer.Describe();
        ASSERT_EQ(1u, answerer.Seen().size()) << answerer.Describe();
        EXPECT_EQ("About this soft...", answerer.Seen()[0].caption);
        EXPECT_EQ("Korin 1.000", version);
    }
    DestroyWindow(owner);
}

}  // namespace
