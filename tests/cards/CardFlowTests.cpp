#include "api/DesCipher.h"
#include "api/URLConfig.h"
#include "cards/AliWxCardDetailViewController.h"
#include "cards/CardScreens.h"
#include "cards/CardVolumeDetailViewController.h"
#include "cards/CardVolumeStatisticViewController.h"
#include "cards/CardVolumnRecordViewController.h"
#include "cards/InputRemarkViewController.h"
#include "cards/PassChooserViewController.h"
#include "cards/PassTypeTiles.h"
#include "cards/SendCardViewController.h"
#include "members/MemberScreens.h"
#include "members/VipDetailViewController.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "platform/net/FakeTransport.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"

namespace {

using support::InputDriver;

// The cards tab of the launched app, signed in with both key pairs, on the
// stand-in back end's demo merchant.
class CardFlow : public ShellFixture {
protected:
    void SetUp() override
    {
        MemberScreens::registerScreens();
        CardScreens::registerScreens();
        launchSignedIn();
        selectTab(2);
        cards = top<CardVolumeStatisticViewController>();
        ASSERT_TRUE(cards);
    }

    void typeCode(const std::string& code)
    {
        auto field = cards->tvCardCode();
        InputDriver::clear(*field);
        InputDriver::type(*field, code);
    }
    // The pass sending of a demo member, opened from the member's detail.
    std::shared_ptr<SendCardViewController> openSending(const std::string& cardnum)
    {
        selectTab(1);
        VipDetailViewController::open(stack(), cardnum);
        harness.runUntilIdle();
        EXPECT_TRUE(tap("btnSendCard"));
        return top<SendCardViewController>();
    }
    std::shared_ptr<PassChooserViewController> chooseFirst(const char* listButton)
    {
        EXPECT_TRUE(tap(listButton));
        auto chooser = top<PassChooserViewController>();
        if (!chooser)
            return nullptr;
        auto table = std::dynamic_pointer_cast<kit::TableView>(find("tableView"));
        EXPECT_TRUE(table && InputDriver::selectRow(*table, { 0, 0 }));
        return chooser;
    }

    std::shared_ptr<CardVolumeStatisticViewController> cards;
};

TEST_F(CardFlow, first_page_asks_once_for_used_passes_and_later_pages_move_on_even_when_empty)
{
    auto firstPages = requestsTo(URLConfig::GET_COUPON_SEND_LOG);
    ASSERT_EQ(firstPages.size(), 1u);
    EXPECT_EQ(sent(firstPages[0], "field"), "usetime");
    EXPECT_EQ(sent(firstPages[0], "status"), "-1");
    ASSERT_EQ(cards->datas().size(), 10u);

    cards->getMoreOrRefreshData(false);
    harness.runUntilIdle();
    cards->getMoreOrRefreshData(false);
    harness.runUntilIdle();
    auto pages = requestsTo(URLConfig::GET_COUPON_SEND_LOG);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(sent(pages[2], "currentpage"), "3");
    EXPECT_EQ(sent(pages[2], "field"), "gettime");
    EXPECT_EQ(cards->datas().size(), 12u) << "an empty third page adds nothing";

    failOnce(merchant::FaultKind::StatusZero, std::string(URLConfig::GET_COUPON_SEND_LOG), "稍后再试");
    cards->getMoreOrRefreshData(true);
    harness.runUntilIdle();
    EXPECT_EQ(m_toasts.back(), "稍后再试");
    EXPECT_EQ(cards->datas().size(), 12u) << "a refused refresh keeps the rows";
    EXPECT_EQ(cards->page(), 1);
}

TEST_F(CardFlow, log_reply_that_arrives_after_the_type_changed_is_dropped)
{
    slowReplies(URLConfig::GET_COUPON_SEND_LOG, 2000);
    ASSERT_TRUE(tap("btnPlatformVolume"));
    ASSERT_TRUE(tap("btnAliVolume"));
    harness.advance(3);
    ASSERT_EQ(cards->couponType(), "aliPass");
    ASSERT_EQ(cards->datas().size(), 10u);
    for (const auto& row : cards->datas())
        EXPECT_FALSE(row.contains("title")) << "a platform row under the Alipay texts";
    EXPECT_EQ(cards->tableView()->numberOfRowsInSection(0), 10);
}

TEST_F(CardFlow,
    typed_code_is_checked_and_verified_once_per_tap_while_a_scanned_one_goes_straight_to_the_write_off)
{
    ASSERT_TRUE(tap("btnOk"));
    EXPECT_EQ(m_toasts.back(), "请输入核销码！");
    EXPECT_TRUE(requestsTo(URLConfig::VERIFY_CODE).empty());

    typeCode("660000000001");
    slowReplies(URLConfig::VERIFY_CODE, 2000);
    ASSERT_TRUE(tap("btnOk"));
    tap("btnOk");
    harness.advance(3);
    ASSERT_EQ(requestsTo(URLConfig::VERIFY_CODE).size(), 1u);
    EXPECT_EQ(m_toasts.back(), "核销成功");
    EXPECT_EQ(sent(requestsTo(URLConfig::GET_COUPON_SEND_LOG).back(), "currentpage"), "1");
    EXPECT_EQ(cards->tvCardCode()->text(), "660000000001");

    // A typed code with the member key gone: the key alert, nothing sent.
    setSetting("KEY_MEMBER", "");
    ASSERT_TRUE(tap("btnOk"));
    EXPECT_EQ(requestsTo(URLConfig::VERIFY_CODE).size(), 1u);
    ASSERT_EQ(InputDriver::visibleAlert(), cards->alertViewMemberKey());
    ASSERT_TRUE(InputDriver::pressAlertButton("取消"));

    // A scanned one is sent as read, with no check of its own; the refused
    // key then brings the same alert.
    m_toasts.clear();
    cards->scanCallback("660000000002");
    harness.runUntilIdle();
    auto verifies = requestsTo(URLConfig::VERIFY_CODE);
    ASSERT_EQ(verifies.size(), 2u);
    EXPECT_EQ(verifies[1].qvkey, "");
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "key无效,请重新设置！" }));
    EXPECT_EQ(InputDriver::visibleAlert(), cards->alertViewMemberKey());
    ASSERT_TRUE(InputDriver::pressAlertButton("取消"));
}

TEST_F(CardFlow, send_records_ask_every_state_and_open_a_record_without_a_use_date_blank)
{
    ASSERT_TRUE(tap("btnRecords"));
    auto records = top<CardVolumnRecordViewController>();
    ASSERT_TRUE(records);
    auto first = requestsTo(URLConfig::GET_COUPON_SEND_LOG).back();
    EXPECT_EQ(sent(first, "status"), "<absent>");
    EXPECT_EQ(sent(first, "field"), "gettime");
    ASSERT_EQ(records->datas().size(), 10u);

    // The newest record is the platform pass seeded last and not yet used.
    ASSERT_TRUE(InputDriver::selectRow(*records->tableView(), { 0, 0 }));
    ASSERT_TRUE(top<CardVolumeDetailViewController>());
    EXPECT_EQ(harness.labelText("labelCouponStatus"), "未使用");
    EXPECT_EQ(harness.labelText("labelUseDate"), "");
    EXPECT_NE(harness.labelText("labelGetDate"), "");
    stack()->popViewControllerAnimated(false);
    harness.runUntilIdle();

    setSetting("KEY_RECEIVABLE", "");
    auto asked = requestsTo(URLConfig::GET_COUPON_SEND_LOG).size();
    ASSERT_TRUE(tap("btnWxVolume"));
    EXPECT_EQ(records->couponType(), "platPass");
    EXPECT_EQ(requestsTo(URLConfig::GET_COUPON_SEND_LOG).size(), asked);
    EXPECT_EQ(InputDriver::visibleAlert(), records->alertViewRecivKey());
}

TEST_F(CardFlow, platform_pass_is_sent_once_with_its_remark_and_leads_back_to_the_sending)
{
    auto sending = openSending("88000002");
    ASSERT_TRUE(sending);
    ASSERT_TRUE(chooseFirst("btnQuorvastCard"));
    ASSERT_TRUE(tap("btnOk"));
    ASSERT_TRUE(top<InputRemarkViewController>());
    auto remark = std::dynamic_pointer_cast<kit::TextField>(find("tvRemark"));
    InputDriver::type(*remark, "老客户");
    slowReplies(URLConfig::SEND_PLAT_PASS, 2000);
    ASSERT_TRUE(tap("btnSave"));
    tap("btnSave");
    harness.advance(3);
    auto sends = requestsTo(URLConfig::SEND_PLAT_PASS);
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sent(sends[0], "remarks"), "老客户");
    EXPECT_EQ(sent(sends[0], "memberid"), "2");
    EXPECT_EQ(m_toasts.back(), "优惠劵发放成功！");
    EXPECT_EQ(top(), sending);
}

TEST_F(CardFlow, wallet_pass_is_refused_for_a_member_without_the_wallet_and_sent_once_for_one_with_it)
{
    ASSERT_TRUE(openSending("88000002"));
    ASSERT_TRUE(chooseFirst("btnWxCard"));
    ASSERT_TRUE(tap("btnOk"));
    EXPECT_EQ(m_toasts.back(), "该会员未开启微信,无法发放卡卷！");
    EXPECT_TRUE(requestsTo(URLConfig::SEND_WXPASS).empty());

    stack()->popToRootViewControllerAnimated(false);
    harness.runUntilIdle();
    ASSERT_TRUE(openSending("88000003"));
    auto chooser = chooseFirst("btnAliCard");
    ASSERT_TRUE(chooser);
    slowReplies(URLConfig::SEND_ALIPASS, 2000);
    ASSERT_TRUE(tap("btnOk"));
    tap("btnOk");
    harness.advance(3);
    auto sends = requestsTo(URLConfig::SEND_ALIPASS);
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sent(sends[0], "tpl_id"), "2016001");
    EXPECT_EQ(m_toasts.back(), "卡劵发放成功！");
    EXPECT_TRUE(top<SendCardViewController>());
}

TEST_F(CardFlow, wallet_list_whose_data_is_no_list_offers_nothing_to_send)
{
    ASSERT_TRUE(openSending("88000003"));
    auto secret = m_backend->keys().memberSecret;
    for (const char* data : { R"({"tpl_id":"2016001"})", R"("2016001")" }) {
        m_transport->addReply(std::string(URLConfig::ALIPASS_LIST),
            net::FakeTransport::Reply::status(200,
                DesCipher::encode(std::string(R"({"status":"1","info":"","data":)") + data + "}", secret)));
        ASSERT_TRUE(tap("btnAliCard"));
        auto chooser = top<PassChooserViewController>();
        ASSERT_TRUE(chooser);
        EXPECT_TRUE(chooser->datas().empty()) << data;
        auto table = std::dynamic_pointer_cast<kit::TableView>(find("tableView"));
        ASSERT_TRUE(table);
        EXPECT_EQ(table->numberOfRowsInSection(0), 0) << data;
        ASSERT_TRUE(tap("btnOk"));
        EXPECT_EQ(m_toasts.back(), "请选择优惠券！");
        chooser->navigationController()->popViewControllerAnimated(false);
        harness.runUntilIdle();
        m_transport->clearReplies();
    }
    EXPECT_TRUE(requestsTo(URLConfig::SEND_ALIPASS).empty());
}

} // namespace
