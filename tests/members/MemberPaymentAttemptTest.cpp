#include "members/MemberPaymentAttempt.h"

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

TEST(MemberPaymentAttempt, unanswered_request_is_resent_until_the_purchase_changes_or_is_answered)
{
    MemberPaymentAttempt attempt;
    auto first = attempt.requestFor(purchase("1000", "100.00"));
    attempt.willSend(first);
    attempt.answered(Answer::Unknown);
    // Parts edited meanwhile are not what the server may have settled.
    auto edited = purchase("2000", "100.00");
    (*edited)["bycash"] = "5.00";
    EXPECT_EQ(attempt.requestFor(edited), first);

    auto otherTotal = attempt.requestFor(purchase("3000", "120.00"));
    EXPECT_EQ(otherTotal->at("reverseid"), "3000");
    attempt.willSend(otherTotal);
    attempt.answered(Answer::Refused);
    EXPECT_EQ(attempt.requestFor(purchase("4000", "120.00"))->at("reverseid"), "4000");
}

TEST(MemberPaymentAttempt, paid_mobile_part_goes_into_every_new_request_until_the_purchase_settles)
{
    MemberPaymentAttempt attempt;
    auto request = attempt.requestFor(purchase("1000", "100.00", "50.00"));
    EXPECT_TRUE(MemberPaymentAttempt::needsMobilePayment(*request));
    (*request)["m_paytype"] = "wxpay";
    (*request)["m_orderid"] = "P7";
    attempt.willSend(request);
    attempt.answered(Answer::Refused);

    auto retry = attempt.requestFor(purchase("2000", "100.00", "50.00"));
    EXPECT_FALSE(MemberPaymentAttempt::needsMobilePayment(*retry));
    EXPECT_EQ(retry->at("m_orderid"), "P7");
    EXPECT_EQ(retry->at("m_paytype"), "wxpay");
    // Without a mobile part the paid order is not spent on this request.
    EXPECT_EQ(attempt.requestFor(purchase("3000", "100.00"))->count("m_orderid"), 0u);

    attempt.willSend(retry);
    attempt.answered(Answer::Settled);
    EXPECT_TRUE(
        MemberPaymentAttempt::needsMobilePayment(*attempt.requestFor(purchase("4000", "60.00", "9.00"))));
}

} // namespace
