#include "image/rows_ahead.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "image/walk_handover.h"

namespace {

const size_t kBlockBytes = 256 * 1024;
const size_t kBlocks = 4;

struct Block {
    std::vector<uint8_t> rgba;
    std::vector<uint32_t> rowY;
    uint32_t rows = 0;
};

// What the two threads share, under the handover's lock.
class Handover {
public:
    Handover()
    {
        for (Block& block : blocks) spare.push_back(&block);
    }

    Block blocks[kBlocks];
    WalkHandover walk;

    // The walking side: an empty block, or null once the taker has stopped.
    Block* TakeSpare()
    {
        std::unique_lock<std::mutex> guard = walk.Lock();
        walk.Wait(guard, [&] { return walk.Stopped() || !spare.empty(); });
        if (walk.Stopped()) return nullptr;
        Block* block = spare.back();
        spare.pop_back();
        return block;
    }
    void Hand(Block* block)
    {
        walk.Change([&] { full.push_back(block); });
    }

    // The taking side: the next full block, or null once the walk has ended.
    Block* TakeFull()
    {
        std::unique_lock<std::mutex> guard = walk.Lock();
        walk.Wait(guard, [&] { return walk.Finished() || !full.empty(); });
        if (full.empty()) return nullptr;
        Block* block = full.front();
        full.pop_front();
        return block;
    }
    void Return(Block* block)
    {
        walk.Change([&] { spare.push_back(block); });
    }

private:
    std::vector<Block*> spare;
    std::deque<Block*> full;
};

void Walk(const RowWalk& walk, uint32_t width, uint32_t rowsPerBlock, Handover* handover)
{
    const size_t rowBytes = size_t(width) * 4;
    Block* filling = nullptr;
    std::string reason;
    bool sound = false;
    try {
        sound = walk([&](uint32_t y, const uint8_t* rgba, std::string*) {
            if (!filling) {
                // Stopped: the taker's own reason stands.
                if (!(filling = handover->TakeSpare())) return false;
                filling->rows = 0;
            }
            std::memcpy(filling->rgba.data() + size_t(filling->rows) * rowBytes, rgba, rowBytes);
            filling->rowY[filling->rows++] = y;
            if (filling->rows == rowsPerBlock) {
                handover->Hand(filling);
                filling = nullptr;
            }
            return true;
        }, &reason);
        // The rows before a failure still go, as they would without the thread.
        if (filling && filling->rows) handover->Hand(filling);
    } catch (const std::bad_alloc&) {
        sound = false;
        reason = "needs more memory than is free";
    }
    handover->walk.Finish(sound, reason);
}

}  // namespace

bool WalkRowsAhead(const RowWalk& walk, uint32_t width, const RgbaRow& row, std::string* reason)
{
    const size_t rowBytes = size_t(width) * 4;
    const uint32_t rowsPerBlock = uint32_t(std::max<size_t>(1, kBlockBytes / std::max<size_t>(1, rowBytes)));
    std::unique_ptr<Handover> handover;
    try {
        handover.reset(new Handover);
        for (Block& block : handover->blocks) {
            block.rgba.resize(rowBytes * rowsPerBlock);
            block.rowY.resize(rowsPerBlock);
        }
    } catch (const std::bad_alloc&) {
        return walk(row, reason);
    }
    std::thread walker;
    try {
        walker = std::thread(Walk, std::cref(walk), width, rowsPerBlock, handover.get());
    } catch (const std::system_error&) {
        return walk(row, reason);
    }
    bool sound = true;
    while (Block* block = handover->TakeFull()) {
        for (uint32_t i = 0; i < block->rows && sound; ++i)
            sound = row(block->rowY[i], block->rgba.data() + size_t(i) * rowBytes, reason);
        if (!sound) break;
        handover->Return(block);
    }
    if (!sound) handover->walk.Stop();
    walker.join();
    return sound && handover->walk.WalkSound(reason);
}

RowWalk RowsAhead(const RowWalk& walk, uint32_t width)
{
    return [walk, width](const RgbaRow& row, std::string* reason) { return WalkRowsAhead(walk, width, row, reason); };
}
