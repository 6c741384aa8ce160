#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "palette/table_history.h"

namespace {

std::vector<uint8_t> Bytes(const ColorTable& table)
{
    std::vector<uint8_t> bytes(table.GetCount() * 4);
    if (!bytes.empty()) std::memcpy(bytes.data(), table.GetEntry(0), bytes.size());
    return bytes;
}

struct State {
    std::vector<uint8_t> working;
    std::vector<uint8_t> initial;
    bool modified;
};

// Random edits of every shape (one entry, a run, every entry, the flags
// byte, the count up and down, both tables replaced), undone and redone in
// random order, always give back exactly the state of that step.
TEST(TableHistory, UndoAndRedoGiveBackEveryState)
{
    std::mt19937 random(14);
    ColorTable working, initial;
    working.Reset(40);
    TableHistory history;
    std::vector<State> states = {{Bytes(working), Bytes(initial), false}};
    size_t at = 0;
    for (int round = 0; round < 400; ++round) {
        int action = int(random() % 10);
        if (action < 2 && history.CanUndo()) {
            TableMark mark;
            ASSERT_TRUE(history.Undo({&working, &initial}, &mark));
            --at;
            ASSERT_EQ(states[at].modified, mark.modified);
        } else if (action < 4 && history.CanRedo()) {
            TableMark mark;
            ASSERT_TRUE(history.Redo({&working, &initial}, &mark));
            ++at;
            ASSERT_EQ(states[at].modified, mark.modified);
        } else {
            ColorTable workingBefore(working), initialBefore(initial);
            uint32_t count = working.GetCount();
            switch (action) {
            case 4: if (count) working.SetColor(random() % count, uint8_t(random()), 0, 7); break;
            case 5: for (uint32_t i = count / 3; i < count / 2; ++i) working.GetEntry(i)->flags ^= 0x5A; break;
            case 6: for (uint32_t i = 0; i < count; ++i) working.GetEntry(i)->red ^= 0xFF; break;
            case 7: working.Resize(random() % 300); break;
            case 8: initial.Reset(random() % 20); working.Assign(initial); break;
            default: working.Resize(count ? count - 1 : 0); break;
            }
            TableMark before = {false, 0, 0, states[at].modified, nullptr};
            TableMark after = {false, 0, 0, !states[at].modified, nullptr};
            ASSERT_TRUE(history.Record(workingBefore, initialBefore, before, working, initial, after));
            states.resize(at + 1);
            states.push_back({Bytes(working), Bytes(initial), after.modified});
            ++at;
            ASSERT_FALSE(history.CanRedo()) << "a new step drops the steps undone";
        }
        ASSERT_EQ(states[at].working, Bytes(working)) << "round " << round;
        ASSERT_EQ(states[at].initial, Bytes(initial)) << "round " << round;
        ASSERT_EQ(at, history.UndoCount());
        ASSERT_EQ(states.size() - 1 - at, history.RedoCount());
    }

    // A step that changes nothing is none; the state saved last reads
    // unmodified however it is reached again, and no other does.
    size_t undos = history.UndoCount();
    TableMark mark = {false, 0, 0, true, nullptr};
    ASSERT_TRUE(history.Record(working, initial, mark, working, initial, mark));
    EXPECT_EQ(undos, history.UndoCount());
    ColorTable before(working);
    working.Resize(working.GetCount() + 1);
    ASSERT_TRUE(history.Record(before, initial, mark, working, initial, mark));
    history.MarkUnmodified();
    ASSERT_TRUE(history.Undo({&working, &initial}, &mark));
    ASSERT_TRUE(history.Redo({&working, &initial}, &mark));
    EXPECT_FALSE(mark.modified) << "saved at the newest step";
    ASSERT_TRUE(history.Undo({&working, &initial}, &mark));
    history.MarkUnmodified();
    ASSERT_TRUE(history.Redo({&working, &initial}, &mark));
    EXPECT_TRUE(mark.modified) << "one save point: the state saved before lost it";
    ASSERT_TRUE(history.Undo({&working, &initial}, &mark));
    EXPECT_FALSE(mark.modified) << "saved with a step to redo";
    // A step that only moves the picture's entries is one, and undo brings the order back.
    TableMark moved = mark;
    moved.order = OrderAfter(nullptr, {1, 0});
    ASSERT_TRUE(history.Record(working, initial, mark, working, initial, moved));
    ASSERT_TRUE(history.Undo({&working, &initial}, &moved));
    EXPECT_EQ(nullptr, moved.order);
    ColorTable other;
    other.Reset(working.GetCount() + 1);
    EXPECT_FALSE(history.Undo({&other, &initial}, &mark)) << "a table this step did not leave";
    EXPECT_EQ(working.GetCount() + 1, other.GetCount());
    // Saved with every step undone, the first state reads unmodified
    // however it read when the step was recorded.
    TableHistory fresh;
    ColorTable table, none;
    table.Reset(2);
    mark.modified = true;
    ASSERT_TRUE(fresh.Record(ColorTable(), none, mark, table, none, mark));
    ASSERT_TRUE(fresh.Undo({&table, &none}, &mark));
    fresh.MarkUnmodified();
    ASSERT_TRUE(fresh.Redo({&table, &none}, &mark));
    EXPECT_TRUE(mark.modified);
    ASSERT_TRUE(fresh.Undo({&table, &none}, &mark));
    EXPECT_FALSE(mark.modified);
}

TEST(TableHistory, OldestStepsGoFirstWhenTheBudgetIsFull)
{
    // The largest table a palette file holds: a one-entry edit stays small
    // enough for hundreds of steps, a change of every entry does not.
    ColorTable table;
    ASSERT_TRUE(table.Reset(0xFFFF));
    TableHistory history;
    TableMark mark = {true, 0, 0, true, nullptr};
    for (int step = 0; step < 300; ++step) {
        ColorTable before(table);
        table.SetColor(uint32_t(step) * 200, 1, 2, 3);
        ASSERT_TRUE(history.Record(before, ColorTable(), mark, table, ColorTable(), mark));
    }
    EXPECT_EQ(300u, history.UndoCount());
    for (int step = 0; step < 40; ++step) {
        ColorTable before(table);
        for (uint32_t i = 0; i < table.GetCount(); ++i) table.GetEntry(i)->green ^= 0xFF;
        ASSERT_TRUE(history.Record(before, ColorTable(), mark, table, ColorTable(), mark));
        ASSERT_LE(history.Bytes(), TableHistory::kDefaultBudget);
    }
    size_t kept = history.UndoCount();
    EXPECT_FALSE(history.CanRedo()) << "the oldest steps are gone, not undone";
    EXPECT_GE(history.Bytes(), kept * 0xFFFF * sizeof(ColorEntry)) << "each step kept changes every entry";
    EXPECT_LT(kept, 40u);
    EXPECT_GE(kept, 10u);
    ColorTable none;
    while (history.CanUndo()) ASSERT_TRUE(history.Undo({&table, &none}, &mark));
    // Back at the state after the oldest step kept: green flipped 40 - kept times.
    EXPECT_EQ((40 - kept) % 2 ? 0xFF : 0, table.GetEntry(1)->green);
    EXPECT_EQ(1, table.GetEntry(200 * 299)->red) << "the one-entry steps were the oldest and went first";
    // A new picture starts the count again: what was counted would shrink
    // its budget.
    history.Clear();
    EXPECT_EQ(0u, history.Bytes());
    EXPECT_FALSE(history.CanRedo());
    EXPECT_FALSE(history.CanUndo());
}

// The budget counts what each step holds and no spare room: steps are
// kept while they fit, and steps dropped give their bytes back.
TEST(TableHistory, EachStepCostsWhatItChanges)
{
    TableHistory history;
    ColorTable working, initial;
    TableMark mark = {false, 0, 0, true, nullptr};
    EXPECT_EQ(0u, history.Bytes());
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.Undo({&working, &initial}, &mark)) << "nothing to undo";
    EXPECT_FALSE(history.Redo({&working, &initial}, &mark)) << "nothing to redo";
    const uint32_t kEntries = 0x8001;  // a count just past a power of two
    const struct {
        const char* edit;
        size_t held;  // bytes of the entries and runs the step keeps
    } steps[] = {
        {"grow", kEntries * 4},
        {"change every entry", kEntries * 4 + 2 * 4},
        {"change every other entry", kEntries / 2 * 4 + kEntries / 2 * 2 * 4 + 4 + 2 * 4},
        {"grow the saved table", kEntries * 4},
    };
    for (const auto& step : steps) {
        ColorTable workingBefore(working), initialBefore(initial);
        const std::string edit = step.edit;
        if (edit == "grow") working.Resize(kEntries);
        if (edit == "grow the saved table") initial.Resize(kEntries);
        const uint32_t every = edit == "change every entry" ? 1 : edit == "change every other entry" ? 2 : 0;
        for (uint32_t i = 0; every && i < working.GetCount(); i += every) working.GetEntry(i)->red ^= 1;
        const size_t before = history.Bytes();
        ASSERT_TRUE(history.Record(workingBefore, initialBefore, mark, working, initial, mark));
        EXPECT_GE(history.Bytes() - before, step.held) << step.edit;
        EXPECT_LE(history.Bytes() - before, step.held + 512) << step.edit;
    }
    // Undone steps dropped by a new one take their bytes with them.
    while (history.CanUndo()) ASSERT_TRUE(history.Undo({&working, &initial}, &mark));
    ColorTable before(working);
    working.Resize(1);
    ASSERT_TRUE(history.Record(before, initial, mark, working, initial, mark));
    const size_t oneStep = history.Bytes();
    EXPECT_LE(oneStep, 4u + 512);

    // A budget of exactly that step keeps it.
    TableHistory exact(oneStep);
    ASSERT_TRUE(exact.Record(before, initial, mark, working, initial, mark));
    EXPECT_EQ(1u, exact.UndoCount());
    exact.Clear();
    EXPECT_FALSE(exact.CanUndo());
}

}  // namespace
