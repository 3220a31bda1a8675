// A one-line progress bar on standard error while a large package is
// compressed. Drawn only when that stream is a terminal, so logs and pipes
// see nothing of it.
#pragma once

#include <stdint.h>
#include <stdio.h>

class ProgressBar {
public:
    // Draws nothing unless `enabled`.
    ProgressBar(FILE* stream, bool enabled, const char* label);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(uint64_t done, uint64_t total);
    // For CompressionProgress: `context` is the ProgressBar.
    static void report(void* context, uint64_t done, uint64_t total);

private:
    FILE* stream_;
    bool enabled_;
    const char* label_;
    int shown_ = -1;  // the per-mille last drawn
};
