#include "ui/AmountFilter.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using Variant = AmountFilter::Variant;

// Keys typed one at a time at the end of the field, as a person types them.
std::string typeAtEnd(const std::string& keys, Variant variant = Variant::Standard, std::string text = {})
{
    for (char key : keys) {
        std::string replacement(1, key);
        if (AmountFilter::shouldChangeCharacters(text, { text.size(), 0 }, replacement, variant))
            text += replacement;
    }
    return text;
}

bool accepts(const std::string& text, std::size_t location, const std::string& replacement,
    Variant variant = Variant::Standard, std::size_t length = 0)
{
    return AmountFilter::shouldChangeCharacters(text, { location, length }, replacement, variant);
}

TEST(AmountFilter, typing_stops_at_five_integer_digits_or_any_for_a_refund_and_two_decimals)
{
    EXPECT_EQ(typeAtEnd("123456"), "12345");
    EXPECT_EQ(typeAtEnd("123456.678"), "12345.67");
    EXPECT_EQ(typeAtEnd(".5"), "5");
    EXPECT_EQ(typeAtEnd("1..5"), "1.5");
    EXPECT_EQ(typeAtEnd("0.059"), "0.05");
    EXPECT_EQ(typeAtEnd("1234567", Variant::Refund), "1234567");
    EXPECT_EQ(typeAtEnd("123456.789", Variant::Refund), "123456.78");
    // A change before the point meets the refund's length rule too.
    EXPECT_TRUE(accepts("12345678", 0, "9", Variant::Refund));
    EXPECT_FALSE(accepts("123456789", 0, "1", Variant::Refund));
    EXPECT_TRUE(accepts("123456789", 9, "1", Variant::Refund));
}

TEST(AmountFilter, return_and_deletion_always_go_in_and_other_changes_are_judged_by_the_text_they_leave)
{
    EXPECT_TRUE(accepts("12345.67", 8, "\n"));
    EXPECT_TRUE(accepts("12345.67", 7, "", Variant::Standard, 1));
    EXPECT_TRUE(accepts("", 0, ""));
    // A point typed in front of digits goes in, but digits after it are still decimals.
    EXPECT_TRUE(accepts("123", 0, "."));
    EXPECT_FALSE(accepts(".123", 1, "4"));
    // A third decimal is refused wherever the caret is; digits before the point are no decimals.
    EXPECT_FALSE(accepts("1.23", 2, "4"));
    EXPECT_FALSE(accepts("1.23", 3, "4"));
    EXPECT_TRUE(accepts("1.2", 2, "4"));
    EXPECT_TRUE(accepts("1.23", 0, "4"));
    // Pastes; one over the whole text replaces it rather than adding to it.
    EXPECT_TRUE(accepts("", 0, "12.5"));
    EXPECT_FALSE(accepts("", 0, "12a"));
    EXPECT_FALSE(accepts("", 0, "1.2.3"));
    EXPECT_FALSE(accepts("", 0, "12.345"));
    EXPECT_TRUE(accepts("9.99", 0, "1.5", Variant::Standard, 4));
}

} // namespace
