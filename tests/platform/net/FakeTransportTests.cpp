#include "platform/foundation/RunLoop.h"
#include "platform/net/FakeTransport.h"
#include "platform/net/URLConnection.h"

#include <gtest/gtest.h>

using namespace net;

namespace {

struct Outcome {
    std::optional<int> statusCode;
    std::optional<std::string> data;
    std::optional<int> errorCode;
};

class FakeTransportTest : public testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        Transport::install(m_fake);
    }
    void TearDown() override { Transport::install(nullptr); }

    // Sends through the installed transport; the outcome fills in when the main queue runs.
    std::shared_ptr<std::optional<Outcome>> send(const std::string& url, double timeout = 10.0)
    {
        auto outcome = std::make_shared<std::optional<Outcome>>();
        URLConnection::sendAsynchronousRequest(
            URLRequest(url, URLRequestCachePolicy::ReloadIgnoringLocalCacheData, timeout), nullptr,
            [outcome](auto const& response, auto const& data, auto const& error) {
                Outcome result;
                if (response)
                    result.statusCode = response->statusCode();
                result.data = data;
                if (error)
                    result.errorCode = error->code();
                *outcome = result;
            });
        return outcome;
    }

    std::shared_ptr<FakeTransport> m_fake = std::make_shared<FakeTransport>();
};

} // namespace

TEST_F(FakeTransportTest, scripted_replies_answer_in_turn_and_the_last_keeps_answering)
{
    m_fake->addReply("/PayApi/orderStatus", FakeTransport::Reply::status(200, "waiting"));
    m_fake->addReply("/PayApi/orderStatus", FakeTransport::Reply::status(200, "paid"));
    // A script for the whole URL goes before one for its path.
    m_fake->addReply("http://api.test/PayApi/orderStatus?x=1", FakeTransport::Reply::status(500, "busy"));

    auto first = send("http://api.test/PayApi/orderStatus");
    auto second = send("http://api.test/PayApi/orderStatus");
    auto third = send("http://api.test/PayApi/orderStatus#top");
    auto exact = send("http://api.test/PayApi/orderStatus?x=1");
    EXPECT_FALSE(first->has_value()) << "a reply must never arrive inside the send";
    foundation::RunLoop::main().runUntilIdle();

    EXPECT_EQ((*first)->data, "waiting");
    EXPECT_EQ((*second)->data, "paid");
    EXPECT_EQ((*third)->data, "paid");
    EXPECT_EQ((*exact)->statusCode, 500);
    EXPECT_EQ((*exact)->data, "busy");
    EXPECT_EQ(m_fake->sentRequests().size(), 4u);
}

TEST_F(FakeTransportTest, the_request_record_keeps_what_was_sent)
{
    URLRequest request(
        "http://api.test/UserApi/getMemberList", URLRequestCachePolicy::ReloadIgnoringLocalCacheData, 10.0);
    request.setHTTPMethod("POST");
    request.setValueForHTTPHeaderField("member-key", "qvkey");
    request.setHTTPBody(std::string("body"));
    URLConnection::sendAsynchronousRequest(request, nullptr, [](auto const&, auto const&, auto const&) {});
    // Changing the caller's request afterwards must not rewrite history.
    request.setValueForHTTPHeaderField("other", "qvkey");

    auto sent = m_fake->sentRequests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].httpMethod(), "POST");
    EXPECT_EQ(sent[0].valueForHTTPHeaderField("QVKEY"), "member-key");
    EXPECT_EQ(sent[0].httpBody(), "body");
    EXPECT_EQ(sent[0].cachePolicy(), URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
}

TEST_F(FakeTransportTest, a_silent_or_late_server_times_out_exactly_at_the_request_time_out)
{
    m_fake->addReply("/silent", FakeTransport::Reply::silence());
    auto late = FakeTransport::Reply::status(200, "late");
    late.delay = 11;
    m_fake->addReply("/late", late);
    auto slow = FakeTransport::Reply::status(200, "slow");
    slow.delay = 9;
    m_fake->addReply("/slow", slow);

    auto silent = send("http://api.test/silent");
    auto tooLate = send("http://api.test/late");
    auto slowButInTime = send("http://api.test/slow");
    auto& loop = foundation::RunLoop::main();
    loop.advance(9.0);
    EXPECT_EQ((*slowButInTime)->data, "slow");
    loop.advance(0.99);
    EXPECT_FALSE(silent->has_value());
    EXPECT_FALSE(tooLate->has_value());
    loop.advance(0.01);

    for (auto& outcome : { silent, tooLate }) {
        ASSERT_TRUE(outcome->has_value());
        EXPECT_EQ((*outcome)->errorCode, URLError::TimedOut);
        EXPECT_FALSE((*outcome)->data);
        EXPECT_FALSE((*outcome)->statusCode);
    }
    EXPECT_EQ(m_fake->pendingCount(), 0u);
}

TEST_F(FakeTransportTest, unscripted_requests_go_to_the_handler_or_cannot_connect)
{
    auto refused = send("http://api.test/nothing");
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ((*refused)->errorCode, URLError::CannotConnectToHost);
    EXPECT_FALSE((*refused)->data);

    std::vector<std::string> seenPaths;
    m_fake->setHandler([&](const URLRequest& request) {
        seenPaths.push_back(FakeTransport::pathOf(request.url()));
        if (request.url().ends_with("/drop"))
            return FakeTransport::Reply::failure(URLError::NetworkConnectionLost);
        return FakeTransport::Reply::status(404, "");
    });
    auto missing = send("http://api.test:8080/a/b?c=d");
    auto dropped = send("http://api.test/drop");
    foundation::RunLoop::main().runUntilIdle();

    EXPECT_EQ(seenPaths, (std::vector<std::string> { "/a/b", "/drop" }));
    EXPECT_EQ((*missing)->statusCode, 404);
    EXPECT_EQ((*missing)->data, "") << "an empty body is data, not its absence";
    EXPECT_EQ((*dropped)->errorCode, URLError::NetworkConnectionLost);
    EXPECT_FALSE((*dropped)->data);
}

TEST_F(FakeTransportTest, a_cancelled_request_reports_nothing_more)
{
    m_fake->addReply("/x", FakeTransport::Reply::status(200, "x"));
    int events = 0;
    Transport::Events counting;
    counting.didReceiveResponse = [&](auto const&) { ++events; };
    counting.didComplete = [&](auto const&) { ++events; };
    m_fake->cancel(m_fake->start(URLRequest("http://api.test/x"), counting));
    foundation::RunLoop::main().advance(60);
    EXPECT_EQ(events, 0);

    // Cancelled from inside its own first event: the rest must not follow.
    Transport::TaskId task = 0;
    Transport::Events cancelling = counting;
    cancelling.didReceiveResponse = [&](auto const&) {
        ++events;
        m_fake->cancel(task);
    };
    task = m_fake->start(URLRequest("http://api.test/x"), cancelling);
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(events, 1);
    EXPECT_EQ(m_fake->pendingCount(), 0u);
}

TEST_F(FakeTransportTest, a_whole_url_read_is_a_get_with_a_sixty_second_time_out)
{
    m_fake->addReply("/qr.png", FakeTransport::Reply::status(404, "not here"));
    EXPECT_EQ(URLConnection::dataWithContentsOfURL("http://img.test/qr.png"), "not here");
    m_fake->addReply("/gone.png", FakeTransport::Reply::failure(URLError::TimedOut));
    EXPECT_EQ(URLConnection::dataWithContentsOfURL("http://img.test/gone.png"), std::nullopt);

    auto sent = m_fake->sentRequests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].httpMethod(), "GET");
    EXPECT_EQ(sent[0].timeoutInterval(), 60.0);
}

TEST(HTTPHeadersTest, field_names_match_in_any_case_for_set_add_and_remove)
{
    URLRequest request;
    request.setValueForHTTPHeaderField("text/plain", "Content-Type");
    request.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "content-type");
    request.addValueForHTTPHeaderField("gzip", "ACCEPT-encoding");
    request.addValueForHTTPHeaderField("br", "Accept-Encoding");
    ASSERT_EQ(request.allHTTPHeaderFields().fields().size(), 2u);
    EXPECT_EQ(request.valueForHTTPHeaderField("CONTENT-TYPE"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.valueForHTTPHeaderField("accept-encoding"), "gzip,br");

    request.setValueForHTTPHeaderField(std::nullopt, "CONTENT-type");
    EXPECT_EQ(request.valueForHTTPHeaderField("Content-Type"), std::nullopt);

    // A length the server garbled stays unknown rather than becoming a wrong number.
    for (auto garbled : { "-5", "12abc", "", "99999999999999999999999" }) {
        HTTPHeaders headers;
        headers.set("Content-Length", garbled);
        EXPECT_EQ(HTTPURLResponse("http://x/", 200, headers).expectedContentLength(), -1) << garbled;
    }
}
