// One zlib stream deflated on every core: the bytes are cut into pieces,
// each deflated on its own thread with the stream's previous 32 KiB as its
// dictionary and ended with a sync flush (the last one finishes the stream),
// so the pieces join into one stream any inflater reads. The Adler-32 of the
// whole comes from the pieces' own. At most a few pieces are held at once.
#ifndef KORIN_IMAGE_PIECE_DEFLATER_H
#define KORIN_IMAGE_PIECE_DEFLATER_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "image/png_encoding.h"


class PieceDeflater {
public:
    typedef std::function<void(const uint8_t* bytes, size_t count)> Output;

    PieceDeflater(const DeflateSettings& settings, const Output& output);
    ~PieceDeflater();
    PieceDeflater(const PieceDeflater&) = delete;
    PieceDeflater& operator=(const PieceDeflater&) = delete;

    // The stream's next bytes. False with a reason once a piece failed.
    bool Add(const uint8_t* bytes, size_t count, std::string* reason);
    // Ends the stream: every piece written out, then the Adler-32.
    bool Finish(std::string* reason);

private:
    struct Piece {
        std::vector<uint8_t> input;
        std::vector<uint8_t> dictionary;
        std::vector<uint8_t> output;
        uint32_t adler = 1;
        bool last = false;
        bool taken = false;
        bool done = false;
        bool failed = false;
    };

    static bool Compress(const DeflateSettings& settings, Piece* piece);
    void Work();
    bool Submit(bool last, std::string* reason);
    bool WriteOldest(std::string* reason);
    void Stop();

    DeflateSettings settings;
    Output output;
    std::unique_ptr<Piece> filling;
    std::vector<uint8_t> history;  // the stream's last 32 KiB before filling
    std::deque<std::unique_ptr<Piece>> queued;  // in stream order
    std::vector<std::unique_ptr<Piece>> spare;
    std::vector<std::thread> threads;
    std::mutex lock;
    std::condition_variable changed;
    bool stopping;
    bool headerWritten;
    bool finished;
    uint32_t adler;
    uint64_t total;
};

// The zlib header of a stream deflated at level.
void ZlibHeader(int level, uint8_t header[2]);

#endif
