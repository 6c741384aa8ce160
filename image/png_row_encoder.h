// PNG rows filtered and deflated one at a time: each row takes the filter
// whose output has the smallest sum of absolute values (the usual heuristic:
// small signed differences compress well), and the compressed bytes go to
// the caller as they come, so no image is ever held.
#ifndef KORIN_IMAGE_PNG_ROW_ENCODER_H
#define KORIN_IMAGE_PNG_ROW_ENCODER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <zlib.h>

class PngRowEncoder {
public:
    typedef std::function<void(const uint8_t* bytes, size_t count)> Output;

    explicit PngRowEncoder(const Output& output);
    ~PngRowEncoder();
    PngRowEncoder(const PngRowEncoder&) = delete;
    PngRowEncoder& operator=(const PngRowEncoder&) = delete;

    // Makes room for rows of up to largestRow bytes; false with a reason.
    bool Start(uint64_t largestRow, std::string* reason);
    // The next row is the first of an image or an interlace pass: nothing above it.
    void StartPass();
    // One packed row of count bytes.
    bool AddRow(const uint8_t* row, size_t count, std::string* reason);
    // Ends the compressed stream.
    bool Finish(std::string* reason);

private:
    bool Deflate(const uint8_t* bytes, size_t count, int flush, std::string* reason);

    Output output;
    z_stream stream;
    bool ready;
    size_t largest;
    std::unique_ptr<uint8_t[]> buffer;  // the row above, then five filtered forms of the row
    std::unique_ptr<uint8_t[]> block;   // deflate's output
};

#endif
