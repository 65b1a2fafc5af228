#pragma once

#include "platform/kit/TextRange.h"

#include <string_view>

// The per-keystroke check of every amount field: money in yuan with at most
// two decimals. The field is never rewritten; a change is only let in or
// refused, judged both as the keystroke rules read it and by the text it
// would leave behind.
class AmountFilter {
public:
    enum class Variant {
        // Typing stops at five digits before the point.
        Standard,
        // The refund amount: no limit on the digits typed before the point.
        Refund,
    };

    // `range` is in UTF-16 units of `text`; `replacement` is one typed
    // character, a pasted text, or "" for a deletion.
    static bool shouldChangeCharacters(
        std::string_view text, kit::TextRange range, std::string_view replacement, Variant variant);
};
