#include "api/DateUtil.h"
#include "cashier/BillViewController.h"
#include "cashier/OrderDetailViewController.h"
#include "cashier/OrderSearchViewController.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/TableView.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"

namespace {

using support::InputDriver;

class Takings : public ShellFixture {
protected:
    void SetUp() override { launchSignedIn(); }

    std::shared_ptr<BillViewController> openTakings()
    {
        EXPECT_TRUE(harness.tap("btnBillList"));
        auto bill = top<BillViewController>();
        EXPECT_TRUE(bill);
        return bill;
    }

    std::vector<std::string> wallets(const BillViewController& bill) const
    {
        std::vector<std::string> found;
        for (const auto& row : bill.billdata())
            found.push_back(row.value("payment", ""));
        return found;
    }

    void pickDay(BillViewController& bill, double date)
    {
        ASSERT_TRUE(harness.tap("btnChooseDate"));
        InputDriver::pickDate(*bill.datePicker(), date);
        ASSERT_TRUE(harness.tap("btnDateOK"));
    }

    std::string lastPageAsked() const
    {
        auto lists = requestsTo("/PayApi/OfflinePay/getOrderList");
        return lists.empty() ? "" : lists.back().params.value("currentpage", "");
    }
};

TEST_F(Takings, the_day_opens_with_sums_and_rows_and_a_day_without_orders_reads_zero)
{
    auto bill = openTakings();
    ASSERT_EQ(bill->billdata().size(), 10u);
    EXPECT_EQ(wallets(*bill), std::vector<std::string>(10, "alipay"));
    EXPECT_NE(harness.labelText("labelMoney"), "0.00");
    auto first = requestsTo("/PayApi/OfflinePay/getOrderList").front().params;
    EXPECT_EQ(first.value("starttime", ""), bill->startTime());
    EXPECT_EQ(first.value("pagesize", ""), "10");

    // The server answers "null" for a wallet without takings.
    pickDay(*bill, m_backend->now() - 3 * 86400.0);
    EXPECT_EQ(harness.labelText("labelMoney"), "0.00");
    EXPECT_EQ(harness.labelText("labelWxMoney"), "￥0.00");
    EXPECT_TRUE(bill->billdata().empty());
    EXPECT_EQ(takeToasts().back(), "暂无订单数据！");
    EXPECT_EQ(harness.labelText("labelDate"), DateUtil::getDateStr(m_backend->now() - 3 * 86400.0));
}

TEST_F(Takings, paging_past_the_end_keeps_the_rows_and_the_next_load_asks_for_the_page_after)
{
    auto bill = openTakings();
    InputDriver::drag(*bill->tableView(), -2000, 10);
    harness.advance(1.0);
    EXPECT_EQ(lastPageAsked(), "2");
    EXPECT_EQ(bill->billdata().size(), 16u);
    bill->downGetMoreData(false);
    harness.advance(1.0);
    EXPECT_EQ(lastPageAsked(), "3");
    EXPECT_EQ(takeToasts().back(), "暂无更多的订单数据！");
    EXPECT_EQ(bill->billdata().size(), 16u);
    bill->downGetMoreData(false);
    harness.advance(1.0);
    EXPECT_EQ(lastPageAsked(), "4");
    bill->downGetMoreData(true);
    harness.advance(1.0);
    EXPECT_EQ(lastPageAsked(), "1");
    EXPECT_EQ(bill->billdata().size(), 10u);
}

TEST_F(Takings, a_reply_from_before_a_tab_or_day_change_or_a_pull_down_is_dropped)
{
    auto bill = openTakings();
    slowReplies("/PayApi/OfflinePay/getOrderList", 1000, 0);
    // The Alipay page is still out when the cashier turns to WeChat Pay.
    bill->refreshBillStatus();
    ASSERT_TRUE(harness.tap("btnWxpayBill"));
    harness.advance(0.5);
    EXPECT_TRUE(bill->billdata().empty());
    harness.advance(1.0);
    EXPECT_EQ(wallets(*bill), std::vector<std::string>(bill->billdata().size(), "wxpay"));
    EXPECT_FALSE(bill->billdata().empty());

    // A next page overtaken by a pull-down does not add its rows.
    ASSERT_TRUE(harness.tap("btnAlipayBill"));
    harness.advance(1.5);
    bill->downGetMoreData(false);
    harness.advance(0.5);
    bill->downGetMoreData(true);
    harness.advance(2.0);
    EXPECT_EQ(bill->billdata().size(), 10u);

    // Nor does a page of the day before the day changed.
    bill->downGetMoreData(false);
    pickDay(*bill, m_backend->now() - 3 * 86400.0);
    harness.advance(2.0);
    EXPECT_TRUE(bill->billdata().empty());
}

TEST_F(Takings, rows_open_the_detail_of_their_wallet_and_the_search_button_opens_the_search)
{
    auto bill = openTakings();
    ASSERT_TRUE(harness.tap("btnWxpayBill"));
    ASSERT_TRUE(InputDriver::selectRow(*bill->tableView(), { 0, 0 }));
    auto detail = top<OrderDetailViewController>();
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->orderType(), "wxpay");
    EXPECT_EQ(detail->orderId(), bill->billdata()[0].value("orderid", ""));
    pressBack();
    ASSERT_TRUE(harness.tap("btnSearch"));
    EXPECT_TRUE(top<OrderSearchViewController>());
}

} // namespace
