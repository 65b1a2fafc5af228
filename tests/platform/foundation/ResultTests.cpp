#include "platform/foundation/Result.h"

#include <gtest/gtest.h>
#include <memory>

using namespace foundation;

namespace {

Result<std::unique_ptr<int>> makeNumber(bool succeed)
{
    if (!succeed)
        return Error("no number");
    return std::make_unique<int>(7);
}

Result<int> doubled(bool succeed)
{
    auto number = TRY(makeNumber(succeed));
    return *number * 2;
}

Result<void> check(bool succeed)
{
    TRY(doubled(succeed));
    return {};
}

} // namespace

TEST(Result, TryPassesTheFirstErrorUpAndMovesValuesThrough)
{
    EXPECT_EQ(doubled(true).value(), 14);
    ASSERT_TRUE(doubled(false).isError());
    EXPECT_EQ(doubled(false).error().message(), "no number");
    EXPECT_TRUE(check(true).isOk());
    EXPECT_EQ(check(false).error().message(), "no number");
    EXPECT_EQ(doubled(false).valueOr(-1), -1);
}
