#include "members/GiveCreditViewController.h"
#include "members/MemberScreens.h"
#include "members/VipDetailViewController.h"
#include "platform/kit/TextField.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"

namespace {

using support::InputDriver;

// The points grant of a demo member, opened from the member detail.
class PointsField : public ShellFixture {
protected:
    void SetUp() override
    {
        MemberScreens::registerScreens();
        launchSignedIn();
        selectTab(1);
        VipDetailViewController::open(stack(), "88000002");
        harness.runUntilIdle();
        ASSERT_TRUE(tap("btnAddCredit"));
        ASSERT_TRUE(top<GiveCreditViewController>());
        field = std::dynamic_pointer_cast<kit::TextField>(find("tvCreditCount"));
        ASSERT_TRUE(field);
    }

    std::shared_ptr<kit::TextField> field;
};

// The field takes eleven characters by typing, counted as the text counts
// them, not in bytes; at the cap nothing more goes in, and deleting always
// works.
TEST_F(PointsField, elevenCharactersGoInAndDeletingAlwaysWorks)
{
    EXPECT_EQ(InputDriver::type(*field, "123456789012"), 11u);
    EXPECT_EQ(field->text(), "12345678901");
    EXPECT_FALSE(InputDriver::paste(*field, "5"));
    EXPECT_EQ(InputDriver::deleteBackward(*field, 2), 2u);
    EXPECT_EQ(InputDriver::type(*field, "789"), 2u);
    EXPECT_EQ(field->text(), "12345678978");
    EXPECT_EQ(InputDriver::deleteBackward(*field, 11), 11u);

    // Eleven characters of three bytes each.
    EXPECT_EQ(InputDriver::type(*field, "一二三四五六七八九十百千"), 11u);
    EXPECT_EQ(field->text(), "一二三四五六七八九十百");
}

} // namespace
