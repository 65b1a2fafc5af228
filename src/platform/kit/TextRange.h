#pragma once

#include <cstddef>

namespace kit {

// A span of text counted in UTF-16 units, the unit the screens' filters use
// for the caret position and the text length.
struct TextRange {
    std::size_t location = 0;
    std::size_t length = 0;

    constexpr std::size_t end() const { return location + length; }
    friend constexpr bool operator==(const TextRange&, const TextRange&) = default;
};

} // namespace kit
