#pragma once

#include <cstdint>

namespace kit {

// Counts changes to anything a painted window shows: view geometry and
// looks, the tree, layers, alerts, and every mark for layout or display. A
// front end that paints only when the count moved leaves an unchanged
// window alone. Any thread may read it; views change it on the main thread.
class DisplayGeneration {
public:
    static std::uint64_t current();
    static void bump();
};

} // namespace kit
