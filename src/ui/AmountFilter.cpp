#include "ui/AmountFilter.h"

#include "platform/foundation/Strings.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::size_t integerTypingLimit = 5;
constexpr std::size_t lengthLimit = 8;
constexpr std::size_t maxDecimals = 2;

bool onlyOf(std::string_view text, std::string_view allowed)
{
    return std::all_of(
        text.begin(), text.end(), [&](char c) { return allowed.find(c) != std::string_view::npos; });
}

// The text the change would leave, so that a paste or an insertion before
// the last decimals cannot produce what typing at the end never could.
bool resultIsAnAmount(std::string_view text, kit::TextRange range, std::string_view replacement)
{
    std::size_t length = foundation::utf16Length(text);
    std::size_t location = std::min(range.location, length);
    std::size_t end = std::min(range.end(), length);
    std::string result = foundation::utf16SubstringTo(text, location);
    result += replacement;
    result += foundation::utf16SubstringFrom(text, end);

    auto dot = result.find('.');
    if (dot == std::string::npos)
        return true;
    if (result.find('.', dot + 1) != std::string::npos)
        return false;
    // A point put in front of digits already there (".123" from "123") is
    // the one way a person has of moving the decimals, so only digits that
    // the change itself brings count against the two decimals.
    bool bringsDigits = replacement.find_first_of("0123456789") != std::string_view::npos;
    return !bringsDigits || result.size() - dot - 1 <= maxDecimals;
}

} // namespace

bool AmountFilter::shouldChangeCharacters(
    std::string_view text, kit::TextRange range, std::string_view replacement, Variant variant)
{
    if (replacement == "\n" || replacement.empty())
        return true;
    if (replacement.back() == '.' && text.empty())
        return false;
    auto dot = foundation::utf16IndexOf(text, ".");
    if (dot && replacement == ".")
        return false;

    std::string_view allowed;
    if (range.location != 0 && !dot) {
        allowed = "0123456789\n";
        if (replacement == ".")
            return true;
        if (variant == Variant::Standard && foundation::utf16Length(text) >= integerTypingLimit)
            return false;
    } else {
        allowed = "0123456789.\n";
        if (foundation::utf16Length(text) > lengthLimit)
            return false;
    }
    if (!onlyOf(replacement, allowed))
        return false;
    if (dot && range.location > *dot + maxDecimals)
        return false;
    return resultIsAnAmount(text, range, replacement);
}
