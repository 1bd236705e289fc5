#pragma once

#include <algorithm>
#include <cstdint>

#include "graph/CGraphState.h"

// Readings First..Last, 1-based and inclusive; empty when Last < First.
struct CReadingSpan {
    std::int32_t First = 1;
    std::int32_t Last = 0;
    std::int32_t Count() const { return std::max(Last - First + 1, 0); }
    bool operator==(const CReadingSpan&) const = default;
};

// The readings the graph shows of a record of `count` readings: the displayed range while
// unzoomed, the part of it that lies within the plot's width while zoomed and scrolled.
CReadingSpan ReadingsInView(const CGraphState& state, std::int32_t count);
