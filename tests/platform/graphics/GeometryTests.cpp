#include "platform/graphics/Geometry.h"

#include <gtest/gtest.h>
#include <numbers>

using namespace graphics;

namespace {

void expectNear(Point a, Point b)
{
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
}

} // namespace

TEST(Geometry, ConcatAppliesTheLeftTransformFirst)
{
    auto scaleThenMove = AffineTransform::makeScale(2, 2).concat(AffineTransform::makeTranslation(10, 0));
    expectNear(scaleThenMove.apply(Point(1, 1)), { 12, 2 });
    auto moveThenScale = AffineTransform::makeTranslation(10, 0).concat(AffineTransform::makeScale(2, 2));
    expectNear(moveThenScale.apply(Point(1, 1)), { 22, 2 });
    // rotated() prepends, as the platform's rotate does to an existing transform.
    auto t = AffineTransform::makeTranslation(5, 0).rotated(std::numbers::pi / 2);
    expectNear(t.apply(Point(1, 0)), { 5, 1 });
}

TEST(Geometry, InverseUndoesAndSingularTransformsAreLeftAlone)
{
    auto t = AffineTransform::makeRotation(0.3).scaled(2, 3).translated(4, -7);
    expectNear(t.inverted().apply(t.apply(Point(11, -5))), { 11, -5 });
    auto singular = AffineTransform::makeScale(0, 1);
    EXPECT_EQ(singular.inverted(), singular);
}

TEST(Geometry, RectUnderRotationIsTheBoundingBox)
{
    Rect r = AffineTransform::makeRotation(std::numbers::pi / 4).apply(Rect(0, 0, 10, 10));
    EXPECT_NEAR(r.width(), 10 * std::numbers::sqrt2, 1e-9);
    EXPECT_NEAR(r.minX(), -10 / std::numbers::sqrt2, 1e-9);
    EXPECT_NEAR(r.minY(), 0, 1e-9);
}

TEST(Geometry, NegativeSizesAndEmptyOverlapsAreHandled)
{
    Rect flipped(10, 10, -4, -6);
    EXPECT_EQ(flipped.standardized(), Rect(6, 4, 4, 6));
    EXPECT_TRUE(flipped.contains({ 7, 5 }));
    EXPECT_EQ(Rect(0, 0, 5, 5).intersection(Rect(5, 0, 5, 5)), Rect());
    EXPECT_EQ(Rect().united(Rect(1, 2, 3, 4)), Rect(1, 2, 3, 4));
    EXPECT_EQ(Rect(0.5, -0.5, 1, 1).integral(), Rect(0, -1, 2, 2));
    // Adjacent rows never both claim the shared edge.
    EXPECT_FALSE(Rect(0, 0, 320, 44).contains({ 10, 44 }));
    EXPECT_TRUE(Rect(0, 44, 320, 44).contains({ 10, 44 }));
}
