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

TEST(AmountFilter, typing_stops_at_five_integer_digits_and_two_decimals)
{
    EXPECT_EQ(typeAtEnd("123456"), "12345");
    EXPECT_EQ(typeAtEnd("123456.678"), "12345.67");
    EXPECT_EQ(typeAtEnd(".5"), "5");
    EXPECT_EQ(typeAtEnd("1..5"), "1.5");
    EXPECT_EQ(typeAtEnd("0.059"), "0.05");
}

TEST(AmountFilter, refund_variant_types_long_integers_but_keeps_one_point_and_two_decimals)
{
    EXPECT_EQ(typeAtEnd("1234567", Variant::Refund), "1234567");
    EXPECT_EQ(typeAtEnd("123456.789", Variant::Refund), "123456.78");
    EXPECT_EQ(typeAtEnd("12345678", Variant::Standard), "12345");
}

TEST(AmountFilter, return_and_deletion_are_always_let_in)
{
    EXPECT_TRUE(accepts("12345.67", 8, "\n"));
    EXPECT_TRUE(accepts("12345.67", 7, "", Variant::Standard, 1));
    EXPECT_TRUE(accepts("", 0, ""));
}

TEST(AmountFilter, point_typed_in_front_of_digits_is_accepted)
{
    EXPECT_TRUE(accepts("123", 0, "."));
    // Not a way round the decimals: digits put after it are still counted.
    EXPECT_FALSE(accepts(".123", 1, "4"));
}

TEST(AmountFilter, pastes_are_judged_by_the_text_they_would_leave)
{
    EXPECT_TRUE(accepts("", 0, "12.5"));
    EXPECT_FALSE(accepts("", 0, "12a"));
    EXPECT_FALSE(accepts("", 0, "1.2.3"));
    EXPECT_FALSE(accepts("", 0, "12.345"));
    // A paste over the whole text replaces it rather than adding to it.
    EXPECT_TRUE(accepts("9.99", 0, "1.5", Variant::Standard, 4));
}

TEST(AmountFilter, third_decimal_is_refused_wherever_the_caret_is)
{
    // Typed between the point and the decimals already there.
    EXPECT_FALSE(accepts("1.23", 2, "4"));
    EXPECT_FALSE(accepts("1.23", 3, "4"));
    EXPECT_TRUE(accepts("1.2", 2, "4"));
    // Digits before the point are not decimals.
    EXPECT_TRUE(accepts("1.23", 0, "4"));
}

TEST(AmountFilter, a_change_before_the_point_meets_the_length_rule)
{
    EXPECT_TRUE(accepts("12345678", 0, "9", Variant::Refund));
    EXPECT_FALSE(accepts("123456789", 0, "1", Variant::Refund));
    EXPECT_TRUE(accepts("123456789", 9, "1", Variant::Refund));
}

} // namespace
