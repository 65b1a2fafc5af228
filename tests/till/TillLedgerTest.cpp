#include "till/TillLedger.h"

#include <gtest/gtest.h>

namespace {

using Ledger = TillLedger;
using Parameters = TillLedger::Parameters;

std::optional<foundation::Json> reply(const char* text)
{
    auto json = foundation::Json::parse(text, nullptr, false);
    return json.is_discarded() ? std::nullopt : std::optional<foundation::Json>(json);
}

Parameters purchase(const char* reverseid, const char* total, const char* mobile = nullptr)
{
    Parameters request;
    request["memberid"] = "2";
    request["reverseid"] = reverseid;
    request["totalprice"] = total;
    request["bycash"] = "10.00";
    if (mobile)
        request["m_money"] = mobile;
    return request;
}

Ledger::Request barcode(const std::string& code, const std::string& money = "12.00", Ledger::Id sale = 0)
{
    Ledger::Request request;
    request.kind = Ledger::RequestKind::Barcode;
    request.code = code;
    request.wallet = "alipay";
    request.money = money;
    request.sale = sale;
    return request;
}

Ledger::Request onOrder(Ledger::RequestKind kind, const std::string& orderid)
{
    Ledger::Request request;
    request.kind = kind;
    request.orderid = orderid;
    request.money = "3";
    return request;
}

Ledger::Order qrOrder(const std::string& orderid, Ledger::Purpose purpose = Ledger::Purpose::Collection,
    Ledger::Id sale = 0, const std::string& money = "27.50")
{
    Ledger::Order order;
    order.orderid = orderid;
    order.wallet = "wxpay";
    order.money = money;
    order.purpose = purpose;
    order.sale = sale;
    return order;
}

// Two refund screens of one order, or a refund screen and the order's
// detail: each asks the ledger, so neither sends a refund while another's
// outcome is not known.
TEST(TillLedger, a_refund_of_unknown_outcome_refuses_every_new_refund_of_its_order_until_a_later_fetch)
{
    Ledger ledger;
    auto early = ledger.fetchStarted();
    auto refund = ledger.sent(onOrder(Ledger::RequestKind::Refund, "A"));
    EXPECT_EQ(ledger.refundState("A"), Ledger::Outcome::Out);
    EXPECT_EQ(ledger.refundState("B"), std::nullopt);
    ledger.lost(refund);
    EXPECT_EQ(ledger.refundState("A"), Ledger::Outcome::Unknown);
    // A fetch sent before the outcome became unknown may not show the refund.
    ledger.orderFetched("A", early);
    EXPECT_EQ(ledger.refundState("A"), Ledger::Outcome::Unknown);
    // Nor does another order's fetch.
    ledger.orderFetched("B", ledger.fetchStarted());
    EXPECT_EQ(ledger.refundState("A"), Ledger::Outcome::Unknown);
    ledger.orderFetched("A", ledger.fetchStarted());
    EXPECT_EQ(ledger.refundState("A"), std::nullopt);

    // A cancel the same way; an answered request leaves nothing behind.
    auto cancel = ledger.sent(onOrder(Ledger::RequestKind::Cancel, "A"));
    auto answered = ledger.sent(onOrder(Ledger::RequestKind::Refund, "C"));
    ledger.answered(answered);
    ledger.lost(cancel);
    EXPECT_EQ(ledger.cancelState("A"), Ledger::Outcome::Unknown);
    EXPECT_EQ(ledger.refundState("C"), std::nullopt);
    // Refunds and cancels of unknown outcome are the order's business, not the till's.
    EXPECT_FALSE(ledger.isHeld());
}

TEST(TillLedger, a_lost_barcode_reply_holds_the_whole_till_and_its_code_until_the_staff_checked)
{
    Ledger ledger;
    auto first = ledger.sent(barcode("2800000001"));
    EXPECT_EQ(ledger.codeState("2800000001"), Ledger::CodeState::Out);
    EXPECT_FALSE(ledger.isHeld());
    ledger.lost(first);
    EXPECT_EQ(ledger.codeState("2800000001"), Ledger::CodeState::Unknown);
    EXPECT_EQ(ledger.codeState("2800000002"), Ledger::CodeState::Free);
    // Held whatever the next collection is: another amount, another code.
    ASSERT_TRUE(ledger.isHeld());
    auto held = ledger.heldItems();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].reason, Ledger::HeldReason::LostBarcode);
    EXPECT_EQ(held[0].wallet, "alipay");
    EXPECT_EQ(held[0].money, "12.00");

    // A QR order whose creation was lost cannot have been paid: nothing held.
    Ledger::Request qr;
    qr.kind = Ledger::RequestKind::QrOrder;
    ledger.lost(ledger.sent(qr));
    EXPECT_EQ(ledger.heldItems().size(), 1u);
    // Nor does a request the server never read.
    ledger.notRead(ledger.sent(barcode("2800000003")));
    EXPECT_EQ(ledger.codeState("2800000003"), Ledger::CodeState::Free);

    ledger.heldChecked(ledger.heldItems());
    EXPECT_FALSE(ledger.isHeld());
    // Checked or not, that code may have been charged: it never goes again,
    // not even after a restart.
    EXPECT_EQ(ledger.codeState("2800000001"), Ledger::CodeState::Unknown);
    Ledger restarted;
    ASSERT_EQ(restarted.restore(foundation::Json::parse(ledger.toJson().dump()), 1), Ledger::Restored::Whole);
    EXPECT_EQ(restarted.codeState("2800000001"), Ledger::CodeState::Unknown);
    EXPECT_FALSE(restarted.isHeld());
}

// The hold alert lists what holds the till; while it is up, an order left
// waiting ends unsettled. The staff's word frees what they were shown only.
TEST(TillLedger, the_staffs_word_frees_only_what_they_were_shown)
{
    Ledger ledger;
    ledger.lost(ledger.sent(barcode("2800000001")));
    ledger.following(qrOrder("Q1"));
    ledger.left("Q1", 10);
    auto shown = ledger.heldItems();
    ASSERT_EQ(shown.size(), 1u);
    ledger.followingEnded("Q1");
    ledger.lost(ledger.sent(barcode("2800000002", "5.00")));
    ledger.heldChecked(shown);
    auto left = ledger.heldItems();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].reason, Ledger::HeldReason::LostBarcode);
    EXPECT_EQ(left[0].money, "5.00");
    EXPECT_EQ(left[1].orderid, "Q1");
    EXPECT_EQ(ledger.codeState("2800000001"), Ledger::CodeState::Unknown);
    ledger.heldChecked(left);
    EXPECT_FALSE(ledger.isHeld());
}

// A QR code's screen is covered longer than an order is followed; when it
// shows the code again, the order is followed again by it, not left on show
// unwatched (a payment then would have no result).
TEST(TillLedger, an_order_left_waiting_is_followed_backing_off_then_held_as_unknown_with_its_code)
{
    EXPECT_GT(*Ledger::followingDelay(200), *Ledger::followingDelay(40));
    EXPECT_GT(*Ledger::followingDelay(40), *Ledger::followingDelay(29));
    EXPECT_TRUE(Ledger::followingDelay(Ledger::followingLimit - 1));
    EXPECT_FALSE(Ledger::followingDelay(Ledger::followingLimit));

    Ledger ledger;
    auto order = qrOrder("Q1");
    order.code = "2800000017";
    ledger.following(order);
    EXPECT_EQ(ledger.codeState("2800000017"), Ledger::CodeState::Out);
    ledger.left("Q1", 100);
    ledger.left("Q1", 150);
    ASSERT_EQ(ledger.ordersIn(Ledger::OrderState::LeftWaiting).size(), 1u);
    EXPECT_EQ(ledger.order("Q1")->leftAt, 100);
    EXPECT_EQ(ledger.codeState("2800000017"), Ledger::CodeState::Unknown);
    // Its screen came back, then went again.
    EXPECT_TRUE(ledger.takeBack("Q1"));
    EXPECT_FALSE(ledger.takeBack("Q1"));
    ledger.left("Q1", 200);
    EXPECT_FALSE(ledger.isHeld());
    ledger.followingEnded("Q1");
    ASSERT_TRUE(ledger.isHeld());
    EXPECT_EQ(ledger.heldItems()[0].orderid, "Q1");
    EXPECT_EQ(ledger.codeState("2800000017"), Ledger::CodeState::Unknown);
    // Its screen shows it again after its following ended: followed, not held.
    EXPECT_TRUE(ledger.takeBack("Q1"));
    EXPECT_EQ(ledger.order("Q1")->state, Ledger::OrderState::Followed);
    EXPECT_FALSE(ledger.isHeld());
    // Checked by the staff: nothing to take back.
    ledger.left("Q1", 300);
    ledger.followingEnded("Q1");
    ledger.heldChecked(ledger.heldItems());
    EXPECT_FALSE(ledger.isHeld());
    EXPECT_FALSE(ledger.takeBack("Q1"));
}

// The staff's word on an unknown order frees the till, yet the customer may
// still pay it: it is to be cancelled, and a cancel that does not go through
// holds the till again; a payment found after their word is a result due.
TEST(TillLedger, an_unknown_order_the_staff_checked_is_cancelled_and_holds_again_until_its_cancel_is_done)
{
    Ledger ledger;
    auto order = qrOrder("Q1");
    order.code = "2800000017";
    ledger.following(order);
    ledger.left("Q1", 10);
    ledger.followingEnded("Q1");
    ledger.heldChecked(ledger.heldItems());
    ASSERT_EQ(ledger.ordersIn(Ledger::OrderState::Cancelling).size(), 1u);
    EXPECT_FALSE(ledger.isHeld());
    // Neither its code nor its screen takes it up again meanwhile.
    EXPECT_EQ(ledger.codeState("2800000017"), Ledger::CodeState::Unknown);
    EXPECT_FALSE(ledger.takeBack("Q1"));
    // Kept across a restart, still to be cancelled.
    Ledger restarted;
    ASSERT_EQ(
        restarted.restore(foundation::Json::parse(ledger.toJson().dump()), 50), Ledger::Restored::Whole);
    EXPECT_EQ(restarted.order("Q1")->state, Ledger::OrderState::Cancelling);

    ledger.cancelNotDone("Q1");
    ASSERT_TRUE(ledger.isHeld());
    EXPECT_EQ(ledger.heldItems()[0].orderid, "Q1");
    // Only an order being cancelled goes back: a paid one stays due.
    ledger.heldChecked(ledger.heldItems());
    EXPECT_EQ(ledger.paid("Q1", {}), Ledger::PaidVerdict::ShowResult);
    ledger.cancelNotDone("Q1");
    EXPECT_FALSE(ledger.isHeld());
    EXPECT_EQ(ledger.order("Q1")->state, Ledger::OrderState::Paid);

    // Cancelled: over.
    restarted.ended("Q1");
    EXPECT_EQ(restarted.order("Q1"), nullptr);
    EXPECT_FALSE(restarted.isHeld());
}

// A lost code or an unknown order may have taken a wallet's money; a
// damaged record may also have lost a member sale held to its request or a
// refund of unknown outcome, so it holds those too.
TEST(TillLedger, a_damaged_record_holds_every_money_action_and_a_lost_collection_only_collections)
{
    using Action = Ledger::MoneyAction;
    Ledger ledger;
    ledger.lost(ledger.sent(barcode("2800000001")));
    ledger.following(qrOrder("Q1"));
    ledger.left("Q1", 10);
    ledger.followingEnded("Q1");
    EXPECT_EQ(ledger.heldItems(Action::WalletCollection).size(), 2u);
    EXPECT_TRUE(ledger.heldItems(Action::Other).empty());
    ledger.markDamaged();
    auto other = ledger.heldItems(Action::Other);
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0].reason, Ledger::HeldReason::DamagedRecord);
    EXPECT_EQ(ledger.heldItems(Action::WalletCollection).size(), 3u);
    // Checked from a refund: the damage is cleared, the collections stay held.
    ledger.heldChecked(other);
    EXPECT_TRUE(ledger.heldItems(Action::Other).empty());
    EXPECT_EQ(ledger.heldItems(Action::WalletCollection).size(), 2u);
}

// A record partly damaged keeps every item that reads whole: a sale held
// to its request must not be sent afresh under a new number.
TEST(TillLedger, a_partly_damaged_record_keeps_every_item_that_reads_whole)
{
    Ledger before;
    auto held = before.saleFor(Ledger::SaleKind::Purchase, "2");
    before.saleSent(held, purchase("1000", "100.00"), foundation::Json { { "id", "6" } });
    before.lost(before.sent(barcode("2800000001")));
    before.following(qrOrder("Q1"));
    auto record = foundation::Json::parse(before.toJson().dump());
    record["requests"].push_back({ { "kind", "teleport" }, { "outcome", "out" } });
    record["orders"].push_back({ { "orderid", "" }, { "purpose", "repay" }, { "state", "paid" } });
    record["sales"].push_back(42);

    Ledger after;
    ASSERT_EQ(after.restore(record, 100), Ledger::Restored::Partly);
    EXPECT_EQ(after.saleFor(Ledger::SaleKind::Purchase, "2"), held);
    EXPECT_EQ(after.requestFor(held, purchase("2000", "50.00")).at("reverseid"), "1000");
    EXPECT_EQ(after.codeState("2800000001"), Ledger::CodeState::Unknown);
    EXPECT_EQ(after.order("Q1")->state, Ledger::OrderState::LeftWaiting);
    EXPECT_TRUE(after.ordersIn(Ledger::OrderState::Paid).empty());
    EXPECT_EQ(after.requests().size(), 2u);

    // A list that is missing or not a list is lost, the rest is kept.
    record.erase("orders");
    record["sales"] = "none";
    Ledger listless;
    ASSERT_EQ(listless.restore(record, 100), Ledger::Restored::Partly);
    EXPECT_EQ(listless.codeState("2800000001"), Ledger::CodeState::Unknown);
    EXPECT_EQ(listless.order("Q1"), nullptr);
}

TEST(TillLedger, an_orders_payment_counts_once_however_many_polls_report_it_and_a_failure_after_it_none)
{
    Ledger ledger;
    ledger.following(qrOrder("Q1"));
    ledger.left("Q1", 10);
    EXPECT_EQ(ledger.paid("Q1", {}), Ledger::PaidVerdict::ShowResult);
    // The follower's poll and the screen's late one both say paid.
    EXPECT_EQ(ledger.paid("Q1", {}), Ledger::PaidVerdict::Known);
    ledger.ended("Q1");
    ASSERT_EQ(ledger.ordersIn(Ledger::OrderState::Paid).size(), 1u);
    ledger.resultShown("Q1");
    EXPECT_TRUE(ledger.ordersIn(Ledger::OrderState::Paid).empty());
    EXPECT_EQ(ledger.paid("Q1", qrOrder("Q1")), Ledger::PaidVerdict::Known);
    // A failed order ends without a result; a later poll's paid is no news.
    ledger.following(qrOrder("Q2"));
    ledger.ended("Q2");
    EXPECT_EQ(ledger.paid("Q2", qrOrder("Q2")), Ledger::PaidVerdict::Known);
    EXPECT_EQ(ledger.paid("", qrOrder("")), Ledger::PaidVerdict::Known);
}

// The ends remembered against a late second report are the latest heard,
// whatever their numbers: a busy till's newest order must not be the one
// forgotten because its number sorts first.
TEST(TillLedger, the_ends_of_orders_forgotten_first_are_the_oldest_heard_not_the_lowest_numbered)
{
    Ledger ledger;
    ledger.following(qrOrder("Z-oldest"));
    ledger.ended("Z-oldest");
    for (int i = 0; i < 255; ++i) {
        auto id = "M" + std::to_string(1000 + i);
        ledger.following(qrOrder(id));
        ledger.ended(id);
    }
    ledger.following(qrOrder("A-newest"));
    ledger.ended("A-newest");
    EXPECT_EQ(ledger.paid("A-newest", qrOrder("A-newest")), Ledger::PaidVerdict::Known);
    EXPECT_EQ(ledger.paid("M1000", qrOrder("M1000")), Ledger::PaidVerdict::Known);
    EXPECT_NE(ledger.paid("Z-oldest", qrOrder("Z-oldest")), Ledger::PaidVerdict::Known);
}

// A cancel sent from an order's screen whose reply was lost: once a poll
// hears the order's end, whether the cancel went through no longer matters,
// and the ledger (and its file) must not keep it for good.
TEST(TillLedger, an_orders_end_settles_its_cancel_of_unknown_outcome)
{
    Ledger ledger;
    ledger.following(qrOrder("Q1"));
    ledger.lost(ledger.sent(onOrder(Ledger::RequestKind::Cancel, "Q1")));
    ASSERT_EQ(ledger.cancelState("Q1"), Ledger::Outcome::Unknown);
    ledger.ended("Q1");
    EXPECT_EQ(ledger.cancelState("Q1"), std::nullopt);

    // Paid: the cancel was refused. Its reply lost only after the end changes nothing.
    ledger.following(qrOrder("Q2"));
    ledger.left("Q2", 10);
    auto cancel = ledger.sent(onOrder(Ledger::RequestKind::Cancel, "Q2"));
    EXPECT_EQ(ledger.paid("Q2", {}), Ledger::PaidVerdict::ShowResult);
    ledger.lost(cancel);
    EXPECT_EQ(ledger.cancelState("Q2"), std::nullopt);
    ledger.resultShown("Q2");

    // A refund's unknown outcome is another matter: a paid order's refund holds on.
    ledger.lost(ledger.sent(onOrder(Ledger::RequestKind::Refund, "Q2")));
    ledger.ended("Q2");
    EXPECT_EQ(ledger.refundState("Q2"), Ledger::Outcome::Unknown);
    ASSERT_EQ(ledger.toJson()["requests"].size(), 1u);
    EXPECT_EQ(ledger.toJson()["requests"][0]["kind"], "refund");
}

TEST(TillLedger, a_paid_part_binds_only_to_an_open_sale_and_a_settled_sale_never_reopens)
{
    Ledger ledger;
    auto sale = ledger.saleFor(Ledger::SaleKind::Purchase, "1");
    ledger.following(qrOrder("Q1", Ledger::Purpose::PurchasePart, sale));
    ledger.left("Q1", 10);
    // The staff settle the sale in cash meanwhile.
    ledger.saleSent(sale, purchase("1000", "50.00"), nullptr);
    EXPECT_FALSE(ledger.isOpen(sale));
    ledger.saleAnswered(sale, Ledger::SaleAnswer::Settled);
    EXPECT_EQ(ledger.sale(sale), nullptr);
    EXPECT_EQ(ledger.paid("Q1", {}), Ledger::PaidVerdict::ShowResult);

    // Paid while the sale's request is out: a payment of its own too.
    auto busy = ledger.saleFor(Ledger::SaleKind::Purchase, "1");
    ledger.following(qrOrder("Q2", Ledger::Purpose::PurchasePart, busy));
    ledger.saleSent(busy, purchase("2000", "50.00"), nullptr);
    EXPECT_EQ(ledger.paid("Q2", {}), Ledger::PaidVerdict::ShowResult);

    // Open: it binds, at the amount it was paid for and with its wallet,
    // into every later request; a second order cannot bind besides.
    auto open = ledger.saleFor(Ledger::SaleKind::Purchase, "3");
    EXPECT_NE(open, busy);
    ledger.following(qrOrder("Q3", Ledger::Purpose::PurchasePart, open));
    ledger.following(qrOrder("Q4", Ledger::Purpose::PurchasePart, open));
    EXPECT_EQ(ledger.paid("Q3", {}), Ledger::PaidVerdict::BoundToSale);
    EXPECT_EQ(ledger.paid("Q4", {}), Ledger::PaidVerdict::ShowResult);
    EXPECT_FALSE(ledger.bindPaidPart(open, { "Q5", std::nullopt, "1.00" }));
    for (const char* mobile : { "30.00", static_cast<const char*>(nullptr) }) {
        auto request = ledger.requestFor(open, purchase("3000", "100.00", mobile));
        EXPECT_FALSE(Ledger::needsMobilePayment(request));
        EXPECT_EQ(request.at("m_orderid"), "Q3");
        EXPECT_EQ(request.at("m_paytype"), "wxpay");
        EXPECT_EQ(request.at("m_money"), "27.50");
    }
    EXPECT_TRUE(Ledger::needsMobilePayment(purchase("1", "1.00", "1.00")));
    EXPECT_EQ(Ledger::amountOf(purchase("1", "1.00", "9.90"), "m_money"), 9.9);
    EXPECT_EQ(Ledger::amountOf(purchase("1", "1.00"), "bymoney"), 0);
}

TEST(TillLedger, a_held_sale_resends_its_request_unchanged_and_the_members_next_form_takes_it_up)
{
    Ledger ledger;
    auto sale = ledger.saleFor(Ledger::SaleKind::Purchase, "2");
    auto first = purchase("1000", "100.00");
    ledger.saleSent(sale, first, foundation::Json { { "id", "6" } });
    ledger.saleAnswered(sale, Ledger::SaleAnswer::Unknown);
    // Another split, even another total, is not what the server may have settled.
    EXPECT_EQ(ledger.requestFor(sale, purchase("2000", "120.00")), first);
    // Sent again with no network: the server read nothing of it, and the
    // first sending is as unknown as it was.
    ledger.saleSent(sale, first, foundation::Json { { "id", "6" } });
    ledger.saleAnswered(sale, Ledger::SaleAnswer::NotRead);
    EXPECT_FALSE(ledger.isOpen(sale));
    EXPECT_EQ(ledger.requestFor(sale, purchase("2000", "120.00")), first);
    // The form is left: the member's next purchase finds it; not a recharge, not another member.
    ledger.saleLeft(sale, true);
    EXPECT_EQ(ledger.saleFor(Ledger::SaleKind::Purchase, "2"), sale);
    EXPECT_EQ(ledger.sale(sale)->choice.value("id", ""), "6");
    EXPECT_NE(ledger.saleFor(Ledger::SaleKind::Recharge, "2"), sale);
    EXPECT_NE(ledger.saleFor(Ledger::SaleKind::Purchase, "3"), sale);
    // Refused: free, a new number next; the paid part (none here) would stay.
    ledger.saleSent(sale, first, nullptr);
    ledger.saleAnswered(sale, Ledger::SaleAnswer::Refused);
    EXPECT_TRUE(ledger.isOpen(sale));
    EXPECT_EQ(ledger.requestFor(sale, purchase("3000", "120.00")).at("reverseid"), "3000");

    // A paid part given up with the form is gone; one not given up is a payment of its own.
    ASSERT_TRUE(ledger.bindPaidPart(sale, { "P7", std::string("wxpay"), "50.00" }));
    ledger.saleLeft(sale, false);
    EXPECT_EQ(ledger.sale(sale), nullptr);
    ASSERT_EQ(ledger.ordersIn(Ledger::OrderState::Paid).size(), 1u);
    EXPECT_EQ(ledger.ordersIn(Ledger::OrderState::Paid)[0].money, "50.00");
    auto other = ledger.saleFor(Ledger::SaleKind::Purchase, "4");
    ASSERT_TRUE(ledger.bindPaidPart(other, { "P8", std::nullopt, "5.00" }));
    ledger.saleLeft(other, true);
    EXPECT_EQ(ledger.ordersIn(Ledger::OrderState::Paid).size(), 1u);
    // A part with no form to go to is due as a result; its sale stays open without it.
    auto formless = ledger.saleFor(Ledger::SaleKind::Recharge, "4");
    ASSERT_TRUE(ledger.bindPaidPart(formless, { "P9", std::nullopt, "6.00" }));
    ledger.unbindPaidPart(formless);
    EXPECT_TRUE(ledger.isOpen(formless));
    EXPECT_FALSE(ledger.sale(formless)->paid);
    EXPECT_EQ(ledger.ordersIn(Ledger::OrderState::Paid).size(), 2u);
}

TEST(TillLedger, only_an_envelope_that_says_so_counts_as_settled_or_refused)
{
    using Answer = Ledger::SaleAnswer;
    EXPECT_EQ(Ledger::answerOf(std::nullopt), Answer::Unknown);
    EXPECT_EQ(Ledger::answerOf(reply("[1]")), Answer::Unknown);
    EXPECT_EQ(Ledger::answerOf(reply(R"({"info":"x"})")), Answer::Unknown);
    // Success without the settlement does not say what became of the money.
    EXPECT_EQ(Ledger::answerOf(reply(R"({"status":"1","data":{}})")), Answer::Unknown);
    EXPECT_EQ(Ledger::answerOf(reply(R"({"status":"0","info":"余额不足"})")), Answer::Refused);
    EXPECT_EQ(Ledger::answerOf(reply(R"({"status":1,"data":{"status":"1"}})")), Answer::Unknown);
    EXPECT_EQ(Ledger::answerOf(reply(R"({"status":"1","data":{"status":"0"}})")), Answer::Refused);
    EXPECT_EQ(
        Ledger::answerOf(reply(R"({"status":"1","data":{"status":"1","orderid":"M1"}})")), Answer::Settled);
}

// The record a restart reads: what was out is unknown, what screens
// followed is left waiting, and a late answer then still counts.
TEST(TillLedger, a_restart_keeps_every_hold_and_a_late_answer_after_it_still_settles)
{
    Ledger before;
    int changes = 0;
    auto watch = before.observe([&] { ++changes; });
    before.sent(barcode("2800000001"));
    auto refund = before.sent(onOrder(Ledger::RequestKind::Refund, "R"));
    auto held = before.saleFor(Ledger::SaleKind::Recharge, "2");
    before.saleSent(held, purchase("1000", "30.00"), foundation::Json { { "id", "0" } });
    auto open = before.saleFor(Ledger::SaleKind::Purchase, "5");
    ASSERT_TRUE(before.bindPaidPart(open, { "P1", std::nullopt, "12.00" }));
    before.saleFor(Ledger::SaleKind::Purchase, "6");
    before.following(qrOrder("Q1"));
    before.following(qrOrder("Q2"));
    before.left("Q2", 40);
    EXPECT_GE(changes, 8);

    auto record = foundation::Json::parse(before.toJson().dump());
    Ledger after;
    ASSERT_EQ(after.restore(record, 100), Ledger::Restored::Whole);
    EXPECT_EQ(after.codeState("2800000001"), Ledger::CodeState::Unknown);
    EXPECT_TRUE(after.isHeld());
    EXPECT_EQ(after.refundState("R"), Ledger::Outcome::Unknown);
    EXPECT_EQ(after.request(refund)->outcome, Ledger::Outcome::Unknown);
    // Both orders are followed without a screen, each from when it was left.
    ASSERT_EQ(after.ordersIn(Ledger::OrderState::LeftWaiting).size(), 2u);
    EXPECT_EQ(after.order("Q1")->leftAt, 100);
    EXPECT_EQ(after.order("Q2")->leftAt, 40);
    // The open sale's form is gone: its paid part is a payment whose result is due.
    auto due = after.ordersIn(Ledger::OrderState::Paid);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].orderid, "P1");
    EXPECT_EQ(after.sale(open), nullptr);
    // The recharge that was out is held for the member's next form, with
    // its request as sent; its late answer settles it.
    EXPECT_EQ(after.saleFor(Ledger::SaleKind::Recharge, "2"), held);
    EXPECT_EQ(after.requestFor(held, purchase("9", "1.00")).at("reverseid"), "1000");
    after.saleSent(held, after.sale(held)->request, after.sale(held)->choice);
    after.saleAnswered(held, Ledger::SaleAnswer::Settled);
    EXPECT_EQ(after.sale(held), nullptr);
    // New ids never meet old ones.
    EXPECT_GT(after.sent(barcode("1")), refund);

    // A paid part that names no order cannot go anywhere: nothing is due for it.
    Ledger partless;
    ASSERT_EQ(partless.restore(foundation::Json::parse(R"({"version":1,"requests":[],"orders":[],"sales":[
        {"id":3,"kind":"purchase","memberid":"5","state":"open","paid":{"money":"12.00"}}]})"),
                  1),
        Ledger::Restored::Whole);
    EXPECT_TRUE(partless.ordersIn(Ledger::OrderState::Paid).empty());

    // A record that is not one changes nothing.
    for (const char* bad :
        { "[]", R"({"version":2})", R"({"version":"1","requests":[],"orders":[],"sales":[]})" }) {
        EXPECT_EQ(after.restore(foundation::Json::parse(bad), 1), Ledger::Restored::Not) << bad;
        EXPECT_TRUE(after.isHeld()) << bad;
    }
}

} // namespace
