// A font of fixed widths for the link layout's tests and fuzzer: every byte
// is kCharWidth pixels wide, a tab runs to the next tab stop, lines are
// kLineHeight pixels high.
#pragma once

#include "linkstatic/link_layout.h"

class FixedWidthMeasurer final : public TextMeasurer {
public:
    static constexpr int32_t kCharWidth = 6;
    static constexpr int32_t kLineHeight = 13;
    static constexpr int32_t kTabWidth = 8 * kCharWidth;

    int32_t tabbedTextWidth(const char* text, size_t length, int32_t tabWidth) const override
    {
        int32_t x = 0;
        for (size_t i = 0; i < length; ++i)
            x = text[i] == '\t' && tabWidth > 0 ? (x / tabWidth + 1) * tabWidth : x + kCharWidth;
        return x;
    }

    static PrefixMetrics metrics() { return PrefixMetrics{kCharWidth, kLineHeight, kTabWidth}; }
};
