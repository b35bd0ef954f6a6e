#pragma once

#include <cstdint>

// A byte range inside a UTF-8 text: start inclusive, end exclusive.
struct TextRange {
    int32_t start = 0;
    int32_t end = 0;

    constexpr TextRange() = default;
    constexpr TextRange(int32_t s, int32_t e) : start(s), end(e) {}

    // end - start: negative for a reversed range, 0 for an empty one.
    constexpr int32_t size() const { return end - start; }

    bool operator==(const TextRange& o) const = default;
};
