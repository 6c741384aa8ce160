#include "image/piece_deflater.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include <zlib.h>

namespace {

const size_t kWindow = 32 * 1024;

}  // namespace

void ZlibHeader(int level, uint8_t header[2])
{
    // 32 KiB window, deflate; the level field as zlib itself sets it.
    const unsigned speed = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    header[0] = 0x78;
    unsigned flags = speed << 6;
    flags += 31 - (0x78 * 256 + flags) % 31;
    header[1] = uint8_t(flags);
}

PieceDeflater::PieceDeflater(const DeflateSettings& settings, const Output& output)
    : settings(settings), output(output), filling(new Piece), stopping(false), headerWritten(false),
      finished(false), adler(1), total(0)
{
    if (this->settings.level < 1 || this->settings.level > 9) this->settings.level = Z_DEFAULT_COMPRESSION;
    if (this->settings.pieceBytes == 0) this->settings.pieceBytes = 1;
    if (this->settings.workers == 0) this->settings.workers = std::max(1u, std::thread::hardware_concurrency());
}

PieceDeflater::~PieceDeflater()
{
    Stop();
}

void PieceDeflater::Stop()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& thread : threads) thread.join();
    threads.clear();
}

bool PieceDeflater::Compress(const DeflateSettings& settings, Piece* piece)
{
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    // Raw deflate: the header and the checksum are the whole stream's.
    if (deflateInit2(&stream, settings.level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    bool good = piece->dictionary.empty() ||
                deflateSetDictionary(&stream, piece->dictionary.data(), uInt(piece->dictionary.size())) == Z_OK;
    // Room for the worst case and the flush's empty block; grown should it not do.
    piece->output.resize(deflateBound(&stream, uLong(piece->input.size())) + 64);
    stream.next_in = piece->input.data();
    stream.avail_in = uInt(piece->input.size());
    size_t written = 0;
    const int flush = piece->last ? Z_FINISH : Z_SYNC_FLUSH;
    while (good) {
        stream.next_out = piece->output.data() + written;
        stream.avail_out = uInt(piece->output.size() - written);
        const int result = deflate(&stream, flush);
        written = piece->output.size() - stream.avail_out;
        if (result == Z_STREAM_ERROR) good = false;
        else if (piece->last ? result == Z_STREAM_END : stream.avail_out > 0 && stream.avail_in == 0) break;
        else piece->output.resize(piece->output.size() * 2);
    }
    deflateEnd(&stream);
    piece->output.resize(written);
    piece->adler = uint32_t(adler32(1, piece->input.data(), uInt(piece->input.size())));
    return good;
}

void PieceDeflater::Work()
{
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        Piece* piece = nullptr;
        changed.wait(guard, [&] {
            for (const std::unique_ptr<Piece>& queuedPiece : queued)
                if (!queuedPiece->taken) piece = queuedPiece.get();
            return stopping || piece;
        });
        if (stopping) return;
        // The oldest untaken piece: the writer waits for them in order.
        for (const std::unique_ptr<Piece>& queuedPiece : queued)
            if (!queuedPiece->taken) {
                piece = queuedPiece.get();
                break;
            }
        piece->taken = true;
        guard.unlock();
        const bool good = Compress(settings, piece);
        guard.lock();
        piece->failed = !good;
        piece->done = true;
        changed.notify_all();
    }
}

bool PieceDeflater::Add(const uint8_t* bytes, size_t count, std::string* reason)
{
    while (count > 0) {
        const size_t room = settings.pieceBytes - filling->input.size();
        const size_t taken = count < room ? count : room;
        std::vector<uint8_t>& input = filling->input;
        // Grown by doubling, never past a piece.
        if (input.size() + taken > input.capacity())
            input.reserve(std::min(settings.pieceBytes, std::max(2 * input.capacity(), input.size() + taken)));
        filling->input.insert(filling->input.end(), bytes, bytes + taken);
        bytes += taken;
        count -= taken;
        if (filling->input.size() == settings.pieceBytes && !Submit(false, reason)) return false;
    }
    return true;
}

bool PieceDeflater::Submit(bool last, std::string* reason)
{
    Piece& piece = *filling;
    piece.dictionary = history;
    piece.last = last;
    // The next piece's dictionary: the last 32 KiB of the stream so far.
    if (piece.input.size() >= kWindow) {
        history.assign(piece.input.end() - kWindow, piece.input.end());
    } else {
        history.insert(history.end(), piece.input.begin(), piece.input.end());
        if (history.size() > kWindow) history.erase(history.begin(), history.end() - kWindow);
    }
    piece.taken = piece.done = piece.failed = false;
    total += piece.input.size();
    // A stream of one piece, or no thread to be had, is deflated here.
    if (threads.empty() && !(last && queued.empty())) {
        try {
            for (unsigned i = 0; i < settings.workers; ++i) threads.emplace_back(&PieceDeflater::Work, this);
        } catch (const std::system_error&) {
        }
    }
    if (threads.empty()) {
        piece.taken = piece.done = true;
        piece.failed = !Compress(settings, &piece);
        std::lock_guard<std::mutex> guard(lock);
        queued.push_back(std::move(filling));
    } else {
        {
            std::lock_guard<std::mutex> guard(lock);
            queued.push_back(std::move(filling));
        }
        changed.notify_all();
    }
    // As many pieces deflating as threads, and one filling: the memory stays bounded.
    bool good = true;
    while (good && queued.size() > threads.size()) good = WriteOldest(reason);
    if (!spare.empty()) {
        filling = std::move(spare.back());
        spare.pop_back();
    } else {
        filling.reset(new Piece);
    }
    filling->input.clear();
    return good;
}

bool PieceDeflater::WriteOldest(std::string* reason)
{
    std::unique_ptr<Piece> oldest;
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return queued.front()->done; });
        oldest = std::move(queued.front());
        queued.pop_front();
    }
    if (oldest->failed) {
        *reason = "compression failed";
        return false;
    }
    if (!headerWritten) {
        uint8_t header[2];
        ZlibHeader(settings.level, header);
        output(header, sizeof header);
        headerWritten = true;
    }
    if (!oldest->output.empty()) output(oldest->output.data(), oldest->output.size());
    adler = uint32_t(adler32_combine(adler, oldest->adler, z_off_t(oldest->input.size())));
    oldest->output.clear();
    spare.push_back(std::move(oldest));
    return true;
}

bool PieceDeflater::Finish(std::string* reason)
{
    if (finished) return true;
    finished = true;
    if (!Submit(true, reason)) return false;
    while (!queued.empty())
        if (!WriteOldest(reason)) return false;
    Stop();
    const uint8_t check[4] = {uint8_t(adler >> 24), uint8_t(adler >> 16), uint8_t(adler >> 8), uint8_t(adler)};
    output(check, sizeof check);
    return true;
}
