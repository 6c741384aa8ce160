#include "cli/progress_line.h"

#include <cstdio>

#include "cli/host.h"

namespace {

// Batches longer than this show a progress line on a terminal.
const size_t kQuietBatchSize = 4;

}  // namespace

ProgressLine::ProgressLine(size_t total)
    : total(total), shown(0), enabled(total > kQuietBatchSize && StandardErrorIsTerminal())
{
}

ProgressLine::~ProgressLine()
{
    Clear();
}

void ProgressLine::Show(size_t done, const std::string& file)
{
    if (!enabled) return;
    Clear();
    shown = size_t(std::fprintf(stderr, "[%zu/%zu] %s", done + 1, total, file.c_str()));
    std::fflush(stderr);
}

void ProgressLine::Clear()
{
    if (!enabled || shown == 0) return;
    std::fprintf(stderr, "\r%*s\r", int(shown), "");
    std::fflush(stderr);
    shown = 0;
}
