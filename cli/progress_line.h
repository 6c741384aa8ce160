// The line a long batch shows on a terminal while it works.
#ifndef KORIN_CLI_PROGRESS_LINE_H
#define KORIN_CLI_PROGRESS_LINE_H

#include <cstddef>
#include <string>

// One line on standard error, rewritten for each file of a batch of more
// than a few files; nothing when standard error is no terminal.
class ProgressLine {
public:
    explicit ProgressLine(size_t total);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(size_t done, const std::string& file);
    // Called before anything else is written to standard error.
    void Clear();

private:
    size_t total;
    size_t shown;
    bool enabled;
};

#endif
