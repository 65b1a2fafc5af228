#include "platform/graphics/FakeTextMeasurer.h"
#include "platform/graphics/PangoTextMeasurer.h"

#include <gtest/gtest.h>
#include <limits>

using namespace graphics;

TEST(FakeTextMeasurer, WidthsCountAsciiHalfAndChineseWhole)
{
    FakeTextMeasurer fake;
    Font font = Font::systemFont(20);
    EXPECT_EQ(fake.sizeOfText("12.50", font), Size(50, 24));
    EXPECT_EQ(fake.sizeOfText("收款", font), Size(40, 24));
    EXPECT_EQ(fake.sizeOfText("ab\n收款元", font), Size(60, 48));
    EXPECT_EQ(fake.sizeOfText("", font), Size());
}

TEST(FakeTextMeasurer, WrapsAtSpacesThenCharactersAndKeepsOnlyLinesThatFit)
{
    FakeTextMeasurer fake;
    Font font = Font::systemFont(10); // 5 per ASCII character, lines of 12
    EXPECT_EQ(fake.boundingSize("aaaa bbbb", font, { 30, 100 }), Size(20, 24)) << "breaks after the space";
    std::string twenty(20, 'a'); // lines of 6, 6, 6 and 2 characters
    EXPECT_EQ(fake.boundingSize(twenty, font, { 30, 100 }), Size(30, 48)) << "no space: between characters";
    EXPECT_EQ(fake.boundingSize(twenty, font, { 30, 30 }), Size(30, 24)) << "two lines fit in 30";
    EXPECT_EQ(fake.boundingSize(twenty, font, { 30, 1 }), Size(30, 12)) << "always one line";
    EXPECT_EQ(fake.boundingSize("收款", font, { 0, 100 }), Size(0, 24)) << "a zero width still advances";
}

TEST(PangoTextMeasurer, ChineseTextHasGlyphsAndWrapsWithinTheWidth)
{
    PangoTextMeasurer pango;
    Font font = Font::systemFont(16);
    Size one = pango.sizeOfText("收款", font);
    Size two = pango.sizeOfText("收款收款", font);
    EXPECT_GT(one.width, 20);
    EXPECT_NEAR(two.width, 2 * one.width, 1.0);
    EXPECT_GT(one.height, 16);
    EXPECT_GT(pango.sizeOfText("收款", Font::boldSystemFont(16)).width, one.width * 0.99);

    Size wrapped = pango.boundingSize("会员充值会员充值会员充值", font, { 70, 1000 });
    EXPECT_LE(wrapped.width, 70.0);
    EXPECT_GE(wrapped.height, 2.5 * pango.lineHeight(font));
    Size capped = pango.boundingSize("会员充值会员充值会员充值", font, { 70, pango.lineHeight(font) * 1.5 });
    EXPECT_NEAR(capped.height, pango.lineHeight(font), 0.5);
}

TEST(PangoTextMeasurer, EmptyAndBrokenTextMeasureWithoutFailing)
{
    PangoTextMeasurer pango;
    Font font = Font::systemFont(14);
    EXPECT_EQ(pango.sizeOfText("", font), Size());
    EXPECT_GT(pango.sizeOfText("\xff\xfe ok \xe6\x94", font).width, 0);
    EXPECT_GT(pango.sizeOfText("x", Font("", -3)).height, 0) << "a bad font size falls back to the default";
}

// "No limit" to a wrapped text's height, as a label of any number of lines
// asks, wrapped round to a small number and kept only the first line.
TEST(PangoTextMeasurer, AnUnlimitedHeightKeepsEveryLine)
{
    PangoTextMeasurer pango;
    Font font = Font::systemFont(13);
    Size all = pango.boundingSize(
        "会员充值会员充值会员充值", font, { 70, std::numeric_limits<double>::max() / 4 });
    EXPECT_GE(all.height, 2.5 * pango.lineHeight(font));
}
