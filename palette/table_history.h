// Undo and redo of the palette window's tables: each step keeps only what it
// changed (the entries that differ, as XOR masks, and the entries a change
// of count added or took away), so a one-entry edit costs a few bytes even
// in a large table. The oldest steps go when the history outgrows its budget.
#ifndef KORIN_PALETTE_TABLE_HISTORY_H
#define KORIN_PALETTE_TABLE_HISTORY_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "palette/color_table.h"
#include "palette/entry_order.h"

// What the window shows besides the tables: its selection and modified flag,
// and where the picture's entries stand in the working table.
struct TableMark {
    bool selected;
    int32_t column;
    int32_t row;
    bool modified;
    EntryOrder order;
};

// The working table and the table as it was last set, as one state.
struct TablePair {
    ColorTable* working;
    ColorTable* initial;
};

class TableHistory {
public:
    static constexpr size_t kDefaultBudget = size_t(4) << 20;

    explicit TableHistory(size_t budgetBytes = kDefaultBudget);
    ~TableHistory();
    TableHistory(const TableHistory&) = delete;
    TableHistory& operator=(const TableHistory&) = delete;

    // Forgets every step.
    void Clear();
    // Records one step from the state before to the state after. Nothing is
    // recorded when neither a table, the modified flag nor the order changed. Steps that
    // were undone are dropped. Returns false, with the history cleared, when
    // memory for the step cannot be had.
    bool Record(const ColorTable& workingBefore, const ColorTable& initialBefore, const TableMark& markBefore,
                const ColorTable& workingAfter, const ColorTable& initialAfter, const TableMark& markAfter);
    // Take the tables, which must be the state at the current step, one step
    // back or forward and give the mark of the state reached. False, with
    // nothing changed, when there is no such step or no memory.
    bool Undo(TablePair tables, TableMark* mark);
    bool Redo(TablePair tables, TableMark* mark);
    // The state now reached is what a file holds: it is no longer modified,
    // whichever way undo or redo come back to it, and every other state is
    // (the file no longer holds any of them).
    void MarkUnmodified();

    bool CanUndo() const { return done > 0; }
    bool CanRedo() const { return done < steps.size(); }
    size_t UndoCount() const { return done; }
    size_t RedoCount() const { return steps.size() - done; }
    // The bytes the steps take, as counted against the budget.
    size_t Bytes() const { return bytes; }

private:
    // One table's change: entries XOR-ed in the common part, and the entries
    // past it that only the larger of the two tables has.
    struct Delta {
        uint32_t oldCount;
        uint32_t newCount;
        std::vector<uint32_t> runs;     // start and length pairs
        std::vector<ColorEntry> masks;  // one per entry of the runs
        std::vector<ColorEntry> tail;   // entries from the smaller count on
        bool Empty() const { return oldCount == newCount && runs.empty(); }
        size_t Bytes() const;
    };
    struct Step {
        Delta working;
        Delta initial;
        TableMark before;
        TableMark after;
        size_t Bytes() const;
    };

    static void Encode(const ColorTable& from, const ColorTable& to, Delta* delta);
    // The table at the other end of delta; forward from old to new, or back.
    static bool Apply(const Delta& delta, bool forward, const ColorTable& from, ColorTable* to);
    bool Move(TablePair tables, bool forward, TableMark* mark);

    std::deque<Step> steps;
    size_t done;  // steps applied; the ones after it were undone
    size_t bytes;
    size_t budget;
};

#endif
