// What goes over the wire, pinned byte for byte and name for name, so that a change
// the tolerant stand-in back end would absorb (escaping, a renamed path or key)
// still fails here.

#include "RecordingUi.h"
#include "api/Constants.h"
#include "api/DesCipher.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/FakeTransport.h"
#include "platform/net/NetworkState.h"
#include "server/MerchantBackend.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

struct SignedPath {
    std::string_view constant;
    const char* path;
    bool member;
};

// The one table of the back end's paths: the app's constants and the stand-in's
// routes must both match it.
const SignedPath signedPaths[] = {
    { URLConfig::CHECK_STAFF, "/PayApi/OfflinePay/checkStaff/", false },
    { URLConfig::GET_SHOP_INFO, "/PayApi/OfflinePay/getShopInfo/", false },
    { URLConfig::QRCODE, "/PayApi/OfflinePay/qrcode/", false },
    { URLConfig::GET_ORDER_STATUS, "/PayApi/OfflinePay/getOrderStatus/", false },
    { URLConfig::GET_MONEY_SUM, "/PayApi/OfflinePay/getMoneySum", false },
    { URLConfig::GET_ORDER_LIST, "/PayApi/OfflinePay/getOrderList", false },
    { URLConfig::GET_ORDER_DETAILS, "/PayApi/OfflinePay/getOrderDetails", false },
    { URLConfig::BARCODE, "/PayApi/OfflinePay/barcode", false },
    { URLConfig::CANCEL, "/PayApi/OfflinePay/cancel", false },
    { URLConfig::REFUND, "/PayApi/OfflinePay/refund", false },
    { URLConfig::REPAY, "/PayApi/OfflinePay/repay", false },
    { URLConfig::GET_MEMBER_LIST, "/UserApi/Index/getMemberList", true },
    { URLConfig::GET_CARD_LIST, "/UserApi/Index/getCardList", true },
    { URLConfig::GET_USER_INFO, "/UserApi/Index/getUserInfo", true },
    { URLConfig::GET_COUPON, "/UserApi/Index/getCoupon", true },
    { URLConfig::MEMC_ORDER, "/UserApi/Index/memcOrder/", true },
    { URLConfig::CALC_ORDER, "/UserApi/Index/calcOrder/", true },
    { URLConfig::PAY_ORDER, "/UserApi/Index/payOrder/", true },
    { URLConfig::GET_RULE_LIST, "/UserApi/Index/getRuleList/", true },
    { URLConfig::RECHARGE, "/UserApi/Index/recharge/", true },
    { URLConfig::REASONS, "/UserApi/Index/reasons/", true },
    { URLConfig::RE_SCORE, "/UserApi/Index/reScore/", true },
    { URLConfig::PLAT_PASS_LIST, "/UserApi/Index/platPassList/", true },
    { URLConfig::SEND_PLAT_PASS, "/UserApi/Index/sendPlatPass/", true },
    { URLConfig::GET_COUPON_SEND_LOG, "/UserApi/Index/getCouponSendLog/", true },
    { URLConfig::VERIFY_CODE, "/UserApi/Index/verifyCode/", true },
    { URLConfig::MEMBER_PAYPWD, "/UserApi/Index/memberPaypwd/", true },
    { URLConfig::ALIPASS_LIST, "/UserApi/Index/alipassList", true },
    { URLConfig::SEND_ALIPASS, "/UserApi/Index/sendAlipass", true },
    { URLConfig::ALI_PASS_LOG, "/UserApi/Index/aliPassLog", true },
    { URLConfig::WXPASS_LIST, "/UserApi/Index/wxpassList", true },
    { URLConfig::SEND_WXPASS, "/UserApi/Index/sendWxpass", true },
    { URLConfig::WX_PASS_LOG, "/UserApi/Index/wxPassLog", true },
};

const std::pair<std::string_view, const char*> settingsKeys[] = {
    { KEY_RECEIVABLE, "KEY_RECEIVABLE" },
    { KEY_RECEIVABLE_ENCRYPT, "KEY_RECEIVABLE_ENCRYPT" },
    { KEY_MEMBER, "KEY_MEMBER" },
    { KEY_MEMBER_ENCRYPT, "KEY_MEMBER_ENCRYPT" },
    { IS_FIRST_LAUNCH, "IS_FIRST_LAUNCH" },
    { APP_KEY, "APP_KEY" },
    { USER_NAME, "USER_NAME" },
    { PASS_WORD, "PASS_WORD" },
    { USER_ID, "USER_ID" },
    { TRUN_NAME, "TRUN_NAME" },
    { USER_JOB, "USER_JOB" },
    { REMEBER_USERNAME, "REMEBER_USERNAME" },
    { COMPANY, "COMPANY" },
    { SHOP_NAME, "SHOP_NAME" },
    { NICK_NAME, "NICK_NAME" },
    { DEVICE_NAME, "DEVICE_NAME" },
    { IS_ALI_PAY, "IS_ALI_PAY" },
    { IS_WX_PAY, "IS_WX_PAY" },
    { IS_ENABLE_BD_PAY, "IS_ENABLE_BD_PAY" },
};

// Takes one HTTP request on 127.0.0.1 and keeps its bytes exactly as they came.
class RequestCapture {
public:
    RequestCapture()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        ::listen(m_fd, 1);
        m_thread = std::thread([this] { capture(); });
    }
    ~RequestCapture()
    {
        m_thread.join();
        ::close(m_fd);
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }
    // Valid once the request has been answered.
    const std::string& bytes() const { return m_bytes; }

private:
    void capture()
    {
        pollfd waiting { m_fd, POLLIN, 0 };
        if (::poll(&waiting, 1, 5000) != 1)
            return;
        int const client = ::accept(m_fd, nullptr, nullptr);
        char buffer[4096];
        size_t wanted = std::string::npos;
        while (m_bytes.size() < wanted) {
            pollfd reading { client, POLLIN, 0 };
            if (::poll(&reading, 1, 5000) != 1)
                break;
            auto const count = ::recv(client, buffer, sizeof buffer, 0);
            if (count <= 0)
                break;
            m_bytes.append(buffer, static_cast<size_t>(count));
            auto const headEnd = m_bytes.find("\r\n\r\n");
            auto const length = m_bytes.find("Content-Length: ");
            if (headEnd != std::string::npos && length != std::string::npos)
                wanted = headEnd + 4 + std::stoul(m_bytes.substr(length + 16));
        }
        std::string const reply = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
        ::close(client);
    }

    int m_fd { -1 };
    int m_port { 0 };
    std::string m_bytes;
    std::thread m_thread;
};

class WireFormatTest : public testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().reset();
        auto& defaults = foundation::UserDefaults::standard();
        defaults.setObject(std::string("merchant-7"), KEY_RECEIVABLE);
        defaults.setObject(std::string("s3cret!!"), KEY_RECEIVABLE_ENCRYPT);
        net::NetworkState::setSource(std::make_shared<net::FakeNetworkStateSource>());
    }
    void TearDown() override
    {
        net::Transport::install(nullptr);
        net::NetworkState::setServiceHosts({});
        net::NetworkState::setSource(nullptr);
        URLConfig::setApiHost(std::string(URLConfig::defaultApiHost));
        foundation::RunLoop::main().reset();
    }
    static void pointAt(const std::string& host)
    {
        URLConfig::setApiHost(host);
        net::NetworkState::setServiceHosts({ host });
    }
};

} // namespace

TEST_F(WireFormatTest, paths_and_settings_keys_match_the_one_table_and_the_stand_in_serves_the_same_paths)
{
    std::set<std::pair<std::string, bool>> expected;
    for (auto const& entry : signedPaths) {
        EXPECT_EQ(entry.constant, entry.path);
        expected.emplace(entry.path, entry.member);
    }
    EXPECT_EQ(expected.size(), 33u);
    EXPECT_EQ(URLConfig::MODIFY_STAFF_PASSWORD, "/Alipay/modifyStaffPassword");
    auto const served = merchant::MerchantBackend::signedPaths();
    EXPECT_EQ(std::set(served.begin(), served.end()), expected);

    for (auto const& [constant, name] : settingsKeys)
        EXPECT_EQ(constant, name);
}

TEST_F(WireFormatTest, a_signed_request_goes_out_byte_for_byte_as_the_back_end_reads_it)
{
    RequestCapture capture;
    pointAt(capture.host());
    NetUtilSign::Parameters parameters;
    parameters["username"] = "boss1";
    parameters["password"] = "e10adc3949ba59abbe56e057f20f883e";
    bool answered = false;
    NetUtilSign::doPostForNotLoading(URLConfig::CHECK_STAFF, NetUtilSign::receivableKeyFlag, parameters,
        [&](const std::optional<std::string>&) { answered = true; });
    foundation::RunLoop::main().runUntil([&] { return answered; });

    // The cipher text of the unescaped pair text (as openssl enc -des-cbc gives it, key and
    // IV the padded key), with its '+', '/' and '=' as they are.
    std::string const body
        = "gFEC/un0Ncvjj9npuac/qugGwIJ1RAo+2gXwD5BSfLtbKv4nnfik9zbOCoPtmmwNa6PXh1D+6hKVfMv+/yqKOQ==";
    EXPECT_EQ(DesCipher::decode(body, std::string("s3cret!!")),
        "username=boss1&password=e10adc3949ba59abbe56e057f20f883e");
    EXPECT_EQ(capture.bytes(),
        "POST /PayApi/OfflinePay/checkStaff/ HTTP/1.1\r\n"
        "Host: "
            + capture.host()
            + "\r\n"
              "Accept: */*\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "qvkey: merchant-7\r\n"
              "Content-Length: "
            + std::to_string(body.size()) + "\r\n\r\n" + body);
}

TEST_F(WireFormatTest, a_signed_request_skips_any_cache_and_gives_up_after_ten_seconds)
{
    auto fake = std::make_shared<net::FakeTransport>();
    net::Transport::install(fake);
    pointAt("127.0.0.1:9");
    NetUtilSign::doPostForNotLoading(URLConfig::GET_SHOP_INFO, NetUtilSign::receivableKeyFlag, {}, {});
    auto const sent = fake->sentRequests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].url(), "http://127.0.0.1:9/PayApi/OfflinePay/getShopInfo/");
    EXPECT_EQ(sent[0].cachePolicy(), net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
    EXPECT_EQ(sent[0].timeoutInterval(), 10.0);
    EXPECT_EQ(sent[0].deadlineInterval(), 10.0);
    EXPECT_EQ(sent[0].redirectPolicy(), net::URLRequestRedirectPolicy::FollowSameOrigin);
    // No parameters, no body: not even an empty cipher text.
    EXPECT_FALSE(sent[0].httpBody());
}

namespace {

class SignedClientBranchTest : public WireFormatTest {
protected:
    void SetUp() override
    {
        WireFormatTest::SetUp();
        net::NetworkState::setSource(network);
        net::Transport::install(fake);
        SignedClientUi::install(ui);
        URLConfig::setApiHost("api.test");
    }
    void TearDown() override
    {
        SignedClientUi::install(nullptr);
        WireFormatTest::TearDown();
    }

    std::optional<std::optional<std::string>> post(const std::string& answer, int status)
    {
        fake->clearReplies();
        fake->addReply(
            std::string(URLConfig::CHECK_STAFF), net::FakeTransport::Reply::status(status, answer));
        std::optional<std::optional<std::string>> reply;
        NetUtilSign::doPost(URLConfig::CHECK_STAFF, std::string("加载中..."), NetUtilSign::receivableKeyFlag,
            {}, [&](const std::optional<std::string>& text) { reply = text; });
        foundation::RunLoop::main().runUntil([&] { return fake->pendingCount() == 0; });
        foundation::RunLoop::main().runUntilIdle();
        return reply;
    }

    std::shared_ptr<net::FakeNetworkStateSource> network = std::make_shared<net::FakeNetworkStateSource>();
    std::shared_ptr<net::FakeTransport> fake = std::make_shared<net::FakeTransport>();
    std::shared_ptr<RecordingUi> ui = std::make_shared<RecordingUi>();
};

} // namespace

TEST_F(SignedClientBranchTest, the_internet_without_wifi_is_a_network_and_neither_is_none)
{
    network->setFlags("169.254.0.0", 0);
    network->setFlags("0.0.0.0", net::kReachabilityFlagsReachable);
    EXPECT_TRUE(NetUtilSign::isConnectionAvailable());
    EXPECT_TRUE(ui->prompts().empty());

    network->setFlags("0.0.0.0", 0);
    EXPECT_FALSE(NetUtilSign::isConnectionAvailable());
    EXPECT_EQ(
        ui->prompts(), std::vector<std::string> { "toast " + std::string(NetUtilSign::noNetworkMessage) });
}

TEST_F(SignedClientBranchTest, a_redirect_or_another_client_error_reaches_the_callback_decrypted)
{
    network->setFlags("0.0.0.0", net::kReachabilityFlagsReachable);
    auto const cipher = DesCipher::encode(R"({"status":"0","info":"x"})", std::string("s3cret!!"));
    for (int status : { 302, 304, 400, 401, 409 }) {
        auto reply = post(cipher, status);
        ASSERT_TRUE(reply) << status;
        EXPECT_EQ(*reply, R"({"status":"0","info":"x"})") << status;
        EXPECT_TRUE(ui->prompts().empty()) << status;
        EXPECT_EQ(ui->openOverlays(), 0u) << status;
    }
    // Only the refused-key statuses end in the key alert.
    EXPECT_FALSE(post(cipher, 403));
    EXPECT_EQ(ui->prompts(),
        (std::vector<std::string> {
            "toast " + std::string(NetUtilSign::keyInvalidMessage), "collection key alert" }));
}

TEST_F(SignedClientBranchTest, a_reply_over_the_limit_is_a_failed_request)
{
    network->setFlags("0.0.0.0", net::kReachabilityFlagsReachable);
    EXPECT_FALSE(post(std::string(NetUtilSign::maximumReplyBytes + 1, 'A'), 200));
    EXPECT_EQ(
        ui->prompts(), std::vector<std::string> { "toast " + std::string(NetUtilSign::noNetworkMessage) });
    EXPECT_EQ(ui->openOverlays(), 0u);
}
