#include "palette/table_history.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

bool SameEntry(const ColorEntry& a, const ColorEntry& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

ColorEntry Xor(const ColorEntry& a, const ColorEntry& b)
{
    return {uint8_t(a.red ^ b.red), uint8_t(a.green ^ b.green), uint8_t(a.blue ^ b.blue),
            uint8_t(a.flags ^ b.flags)};
}

template <typename T>
size_t VectorBytes(const std::vector<T>& v)
{
    return v.capacity() * sizeof(T);
}

}  // namespace

size_t TableHistory::Delta::Bytes() const
{
    return VectorBytes(runs) + VectorBytes(masks) + VectorBytes(tail);
}

size_t TableHistory::Step::Bytes() const
{
    return sizeof(Step) + working.Bytes() + initial.Bytes();
}

TableHistory::TableHistory(size_t budgetBytes) : done(0), bytes(0), budget(budgetBytes) {}

TableHistory::~TableHistory() {}

void TableHistory::Clear()
{
    steps.clear();
    done = 0;
    bytes = 0;
}

void TableHistory::Encode(const ColorTable& from, const ColorTable& to, Delta* delta)
{
    delta->oldCount = from.GetCount();
    delta->newCount = to.GetCount();
    uint32_t common = delta->oldCount < delta->newCount ? delta->oldCount : delta->newCount;
    uint32_t i = 0;
    while (i < common) {
        if (SameEntry(*from.GetEntry(i), *to.GetEntry(i))) {
            ++i;
            continue;
        }
        uint32_t start = i;
        while (i < common && !SameEntry(*from.GetEntry(i), *to.GetEntry(i))) {
            delta->masks.push_back(Xor(*from.GetEntry(i), *to.GetEntry(i)));
            ++i;
        }
        delta->runs.push_back(start);
        delta->runs.push_back(i - start);
    }
    const ColorTable& larger = delta->newCount > delta->oldCount ? to : from;
    for (uint32_t k = common; k < larger.GetCount(); ++k) delta->tail.push_back(*larger.GetEntry(k));
    delta->runs.shrink_to_fit();
    delta->masks.shrink_to_fit();
    delta->tail.shrink_to_fit();
}

bool TableHistory::Apply(const Delta& delta, bool forward, const ColorTable& from, ColorTable* to)
{
    uint32_t fromCount = forward ? delta.oldCount : delta.newCount;
    uint32_t toCount = forward ? delta.newCount : delta.oldCount;
    // A table that is not the state this step starts from cannot take it.
    if (from.GetCount() != fromCount) return false;
    if (!to->Reset(toCount)) return false;
    uint32_t common = fromCount < toCount ? fromCount : toCount;
    if (common) std::memcpy(to->GetEntry(0), from.GetEntry(0), common * sizeof(ColorEntry));
    size_t mask = 0;
    for (size_t r = 0; r + 1 < delta.runs.size(); r += 2) {
        for (uint32_t k = 0; k < delta.runs[r + 1]; ++k) {
            ColorEntry* entry = to->GetEntry(delta.runs[r] + k);
            *entry = Xor(*entry, delta.masks[mask++]);
        }
    }
    if (toCount > common) std::memcpy(to->GetEntry(common), delta.tail.data(), (toCount - common) * sizeof(ColorEntry));
    return true;
}

bool TableHistory::Record(const ColorTable& workingBefore, const ColorTable& initialBefore,
                          const TableMark& markBefore, const ColorTable& workingAfter,
                          const ColorTable& initialAfter, const TableMark& markAfter)
{
    try {
        Step step;
        Encode(workingBefore, workingAfter, &step.working);
        Encode(initialBefore, initialAfter, &step.initial);
        if (step.working.Empty() && step.initial.Empty() && markBefore.modified == markAfter.modified &&
            markBefore.order == markAfter.order)
            return true;
        step.before = markBefore;
        step.after = markAfter;
        while (steps.size() > done) {
            bytes -= steps.back().Bytes();
            steps.pop_back();
        }
        size_t stepBytes = step.Bytes();
        steps.push_back(std::move(step));
        bytes += stepBytes;
        done = steps.size();
        while (bytes > budget && !steps.empty()) {
            bytes -= steps.front().Bytes();
            steps.pop_front();
            --done;
        }
        return true;
    } catch (const std::bad_alloc&) {
        // The steps left would not lead back from the tables as they are now.
        Clear();
        return false;
    }
}

bool TableHistory::Move(TablePair tables, bool forward, TableMark* mark)
{
    if (forward ? !CanRedo() : !CanUndo()) return false;
    const Step& step = steps[forward ? done : done - 1];
    ColorTable working, initial;
    if (!Apply(step.working, forward, *tables.working, &working)) return false;
    if (!Apply(step.initial, forward, *tables.initial, &initial)) return false;
    tables.working->Swap(working);
    tables.initial->Swap(initial);
    *mark = forward ? step.after : step.before;
    done = forward ? done + 1 : done - 1;
    return true;
}

bool TableHistory::Undo(TablePair tables, TableMark* mark)
{
    return Move(tables, false, mark);
}

bool TableHistory::Redo(TablePair tables, TableMark* mark)
{
    return Move(tables, true, mark);
}

void TableHistory::MarkUnmodified()
{
    // State k lies after step k - 1 and before step k.
    for (size_t k = 0; k < steps.size(); ++k) {
        steps[k].before.modified = k != done;
        steps[k].after.modified = k + 1 != done;
    }
}
