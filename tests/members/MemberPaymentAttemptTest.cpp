#include "members/MemberPaymentAttempt.h"

#include "members/MemberPaymentLedger.h"
#include "platform/kit/Application.h"

#include <gtest/gtest.h>

namespace {

using Answer = MemberPaymentAttempt::Answer;
using Parameters = NetUtilSign::Parameters;

std::optional<foundation::Json> reply(const char* text)
{
    auto json = foundation::Json::parse(text, nullptr, false);
    return json.is_discarded() ? std::nullopt : std::optional<foundation::Json>(json);
}

std::shared_ptr<Parameters> purchase(const char* reverseid, const char* total, const char* mobile = nullptr)
{
    auto request = std::make_shared<Parameters>();
    (*request)["memberid"] = "2";
    (*request)["reverseid"] = reverseid;
    (*request)["totalprice"] = total;
    (*request)["cardid"] = "102";
    (*request)["bycash"] = "10.00";
    if (mobile)
        (*request)["m_money"] = mobile;
    return request;
}

TEST(MemberPaymentAttempt, only_an_envelope_that_says_so_counts_as_settled_or_refused)
{
    EXPECT_EQ(MemberPaymentAttempt::answerOf(std::nullopt), Answer::Unknown);
    EXPECT_EQ(MemberPaymentAttempt::answerOf(reply("[1]")), Answer::Unknown);
    EXPECT_EQ(MemberPaymentAttempt::answerOf(reply(R"({"info":"x"})")), Answer::Unknown);
    // Success without the settlement does not say what became of the money.
    EXPECT_EQ(MemberPaymentAttempt::answerOf(reply(R"({"status":"1","data":{}})")), Answer::Unknown);
    EXPECT_EQ(MemberPaymentAttempt::answerOf(reply(R"({"status":"0","info":"余额不足"})")), Answer::Refused);
    EXPECT_EQ(
        MemberPaymentAttempt::answerOf(reply(R"({"status":1,"data":{"status":"1"}})")), Answer::Unknown);
    EXPECT_EQ(
        MemberPaymentAttempt::answerOf(reply(R"({"status":"1","data":{"status":"0"}})")), Answer::Refused);
    EXPECT_EQ(MemberPaymentAttempt::answerOf(reply(R"({"status":"1","data":{"status":"1","orderid":"M1"}})")),
        Answer::Settled);
}

TEST(MemberPaymentAttempt, held_request_is_resent_whatever_the_form_says_until_a_definite_answer)
{
    MemberPaymentAttempt attempt;
    auto first = attempt.requestFor(purchase("1000", "100.00"));
    attempt.willSend(first);
    attempt.answered(Answer::Unknown);
    // Another split, even another total, is not what the server may have settled.
    auto edited = purchase("2000", "120.00");
    (*edited)["bycash"] = "5.00";
    EXPECT_EQ(attempt.requestFor(edited), first);
    attempt.willSend(first);
    attempt.answered(Answer::Refused);
    EXPECT_FALSE(attempt.isHeld());
    EXPECT_EQ(attempt.requestFor(purchase("3000", "120.00"))->at("reverseid"), "3000");
}

TEST(MemberPaymentAttempt,
    paid_mobile_part_is_bound_into_every_request_at_its_paid_amount_until_the_sale_settles)
{
    MemberPaymentAttempt attempt;
    auto request = attempt.requestFor(purchase("1000", "100.00", "50.00"));
    EXPECT_TRUE(MemberPaymentAttempt::needsMobilePayment(*request));
    (*request)["m_paytype"] = "wxpay";
    (*request)["m_orderid"] = "P7";
    attempt.willSend(request);
    // Nothing is given up while the request that carried it is unanswered.
    attempt.dropPaidMobilePart();
    attempt.answered(Answer::Refused);

    for (const char* mobile : { "30.00", static_cast<const char*>(nullptr) }) {
        auto retry = attempt.requestFor(purchase("2000", "100.00", mobile));
        EXPECT_FALSE(MemberPaymentAttempt::needsMobilePayment(*retry));
        EXPECT_EQ(retry->at("m_orderid"), "P7");
        EXPECT_EQ(retry->at("m_paytype"), "wxpay");
        EXPECT_EQ(retry->at("m_money"), "50.00") << (mobile ? mobile : "none");
    }
    attempt.willSend(attempt.requestFor(purchase("3000", "100.00", "50.00")));
    attempt.answered(Answer::Settled);
    EXPECT_TRUE(attempt.isIdle());
    EXPECT_TRUE(
        MemberPaymentAttempt::needsMobilePayment(*attempt.requestFor(purchase("4000", "60.00", "9.00"))));
}

TEST(MemberPaymentLedger, a_members_sale_outlives_its_screen_but_not_the_application)
{
    kit::Application::launch(std::make_shared<kit::ApplicationDelegate>());
    auto sale = MemberPaymentLedger::attemptFor("/pay", "2");
    sale->willSend(purchase("1000", "100.00"));
    EXPECT_EQ(MemberPaymentLedger::attemptFor("/pay", "2"), sale);
    EXPECT_NE(MemberPaymentLedger::attemptFor("/pay", "3"), sale);
    EXPECT_NE(MemberPaymentLedger::attemptFor("/recharge", "2"), sale);
    std::weak_ptr<MemberPaymentAttempt> held = sale;
    sale.reset();
    EXPECT_TRUE(MemberPaymentLedger::attemptFor("/pay", "2")->isHeld());

    kit::Application::launch(std::make_shared<kit::ApplicationDelegate>());
    EXPECT_FALSE(MemberPaymentLedger::attemptFor("/pay", "2")->isHeld());
    EXPECT_TRUE(held.expired());
    kit::Application::terminate();
}

} // namespace
