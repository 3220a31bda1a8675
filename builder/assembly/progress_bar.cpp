#include "builder/assembly/progress_bar.h"

namespace {

constexpr int kBarWidth = 30;

}  // namespace

ProgressBar::ProgressBar(FILE* stream, bool enabled, const char* label)
    : stream_(stream), enabled_(enabled), label_(label)
{
}

ProgressBar::~ProgressBar()
{
    if (enabled_ && shown_ >= 0) {
        fputc('\n', stream_);
        fflush(stream_);
    }
}

void ProgressBar::update(uint64_t done, uint64_t total)
{
    if (!enabled_ || total == 0)
        return;
    int perMille = int(done >= total ? 1000 : done * 1000 / total);
    if (perMille == shown_)
        return;
    shown_ = perMille;
    char bar[kBarWidth + 1];
    int filled = perMille * kBarWidth / 1000;
    for (int i = 0; i < kBarWidth; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[kBarWidth] = 0;
    const double mib = 1024.0 * 1024.0;
    fprintf(stream_, "\rslipway: %s [%s] %3d%%  %.1f of %.1f MiB", label_, bar, perMille / 10, double(done) / mib,
            double(total) / mib);
    fflush(stream_);
}

void ProgressBar::report(void* context, uint64_t done, uint64_t total)
{
    static_cast<ProgressBar*>(context)->update(done, total);
}
