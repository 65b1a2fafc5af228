#include "platform/foundation/RunLoop.h"
#include "platform/kit/AlertView.h"
#include "support/AlertRecorder.h"
#include "support/InputDriver.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using kit::AlertView;
using support::InputDriver;

namespace {

class ScriptedDelegate : public kit::AlertViewDelegate {
public:
    std::vector<std::pair<std::string, int>> clicks;
    std::function<void(AlertView&, int)> onClick;

    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override
    {
        // The alert is still up while its handler runs.
        EXPECT_TRUE(alert.isVisible());
        clicks.emplace_back(alert.title(), index);
        if (onClick)
            onClick(alert, index);
    }
};

class AlertViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        AlertView::discardAll();
        subscription = AlertView::observe([this](AlertView& alert, AlertView::Event event, int index) {
            events.push_back((event == AlertView::Event::Shown ? "shown " : "gone ") + alert.title() + " "
                + std::to_string(index));
        });
    }
    void TearDown() override { AlertView::discardAll(); }

    std::shared_ptr<AlertView> make(const std::string& title)
    {
        return AlertView::create(title, "", delegate, "确定", { "取消" });
    }

    std::shared_ptr<ScriptedDelegate> delegate = std::make_shared<ScriptedDelegate>();
    foundation::Subscription subscription;
    std::vector<std::string> events;
};

TEST_F(AlertViewTest, secondAlertWaitsAndOnlyTheVisibleOneCanBePressed)
{
    support::AlertRecorder recorder;
    auto first = make("A");
    auto second = make("B");
    first->show();
    second->show();
    second->show();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(AlertView::waitingAlerts().size(), 1u);
    EXPECT_FALSE(second->pressButtonAtIndex(0));

    EXPECT_TRUE(InputDriver::pressAlertButton("取消"));
    EXPECT_TRUE(second->isVisible());
    EXPECT_TRUE(InputDriver::pressAlertButton(0));
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    ASSERT_EQ(recorder.titles(), (std::vector<std::string> { "A", "B" }));
    EXPECT_EQ(recorder.shown()[0].closedWith, 1);
    EXPECT_EQ(recorder.shown()[1].buttons, (std::vector<std::string> { "确定", "取消" }));
    EXPECT_EQ(delegate->clicks, (std::vector<std::pair<std::string, int>> { { "A", 1 }, { "B", 0 } }));
    EXPECT_EQ(events, (std::vector<std::string> { "shown A -1", "gone A 1", "shown B -1", "gone B 0" }));
}

TEST_F(AlertViewTest, showingItselfFromItsHandlerKeepsItUpAheadOfWaitingAlertsWithItsText)
{
    auto keyAlert = make("key");
    keyAlert->setAlertViewStyle(kit::AlertViewStyle::LoginAndPasswordInput);
    auto other = make("other");
    int tries = 0;
    delegate->onClick = [&](AlertView& alert, int) {
        if (alert.title() == "key" && ++tries < 2)
            alert.show();
    };
    keyAlert->show();
    InputDriver::typeIntoAlertField(0, "  ");
    other->show();

    InputDriver::pressAlertButton("确定");
    EXPECT_TRUE(keyAlert->isVisible());
    EXPECT_EQ(keyAlert->textFieldAtIndex(0)->text(), "  ");
    EXPECT_TRUE(other->isWaiting());

    InputDriver::pressAlertButton("确定");
    EXPECT_TRUE(other->isVisible());
}

TEST_F(AlertViewTest, queueKeepsAnAlertNobodyElseHolds)
{
    std::weak_ptr<AlertView> weak;
    {
        auto alert = make("transient");
        weak = alert;
        alert->show();
    }
    ASSERT_FALSE(weak.expired());
    InputDriver::pressAlertButton(1);
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(delegate->clicks.size(), 1u);
}

TEST_F(AlertViewTest, handlerThatShowsAnotherAlertHandsOverAfterTheClick)
{
    auto confirm = make("confirm");
    delegate->onClick = [&](AlertView& alert, int) {
        if (alert.title() == "check")
            confirm->show();
    };
    make("check")->show();
    InputDriver::pressAlertButton(0);
    EXPECT_TRUE(confirm->isVisible());
    EXPECT_TRUE(AlertView::waitingAlerts().empty());
}

TEST_F(AlertViewTest, fieldsFollowTheStyleAndSurviveRepeatedShows)
{
    auto alert = make("fields");
    EXPECT_EQ(alert->textFieldAtIndex(0), nullptr);
    alert->setAlertViewStyle(kit::AlertViewStyle::SecureTextInput);
    auto field = alert->textFieldAtIndex(0);
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->isSecureTextEntry());
    EXPECT_EQ(alert->textFieldAtIndex(1), nullptr);
    EXPECT_EQ(alert->textFieldAtIndex(-1), nullptr);
    alert->setAlertViewStyle(kit::AlertViewStyle::SecureTextInput);
    EXPECT_EQ(alert->textFieldAtIndex(0), field);

    alert->setAlertViewStyle(kit::AlertViewStyle::LoginAndPasswordInput);
    EXPECT_FALSE(alert->textFieldAtIndex(0)->isSecureTextEntry());
    EXPECT_TRUE(alert->textFieldAtIndex(1)->isSecureTextEntry());

    EXPECT_FALSE(InputDriver::pressAlertButton("确定"));
    EXPECT_FALSE(alert->pressButtonAtIndex(5));
}

} // namespace
