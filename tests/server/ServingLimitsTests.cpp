// The HTTP front under abuse and load, over loopback: body and head limits,
// slow and idle clients, shutdown, the listen queue, compression.

#include "RawConnection.h"
#include "api/DesCipher.h"
#include "server/MerchantHttpServer.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;
using Millis = std::chrono::milliseconds;
constexpr const char* kCards = "/UserApi/Index/getCardList";

class ServingTest : public ::testing::Test {
protected:
    void serve(merchant::MerchantHttpOptions options = {})
    {
        server = std::make_unique<merchant::MerchantHttpServer>(backend, options);
        ASSERT_TRUE(server->start(0));
    }
    void SetUp() override { serve(); }

    // A signed request as the app sends it, with the member pair.
    std::string memberRequest(const std::string& path, const std::string& form, const std::string& extra = "")
    {
        std::string body = form.empty() ? "" : DesCipher::encode(form, keys.memberSecret);
        return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
            + "Content-Type: application/x-www-form-urlencoded\r\nqvkey: " + keys.memberKey + "\r\n" + extra
            + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    }
    Json decrypt(const std::string& body)
    {
        return Json::parse(DesCipher::decode(body, keys.memberSecret).value_or(""), nullptr, false);
    }
    // A fresh connection that sends one request and reads its reply.
    std::optional<RawConnection::Reply> exchange(const std::string& request, Millis timeout = Millis(10000))
    {
        RawConnection connection(server->port());
        if (!connection.send(request))
            return std::nullopt;
        return connection.readReply(timeout);
    }

    std::shared_ptr<merchant::MerchantBackend> backend = std::make_shared<merchant::MerchantBackend>();
    merchant::MerchantState::KeyPairs keys = backend->keys();
    std::unique_ptr<merchant::MerchantHttpServer> server;
};

TEST_F(ServingTest, bodies_past_one_mebibyte_are_refused_whatever_their_framing)
{
    // A chunked upload that would go on for 64 MiB is refused while it is still coming.
    RawConnection chunked(server->port());
    ASSERT_TRUE(chunked.send(
        "POST " + std::string(kCards) + " HTTP/1.1\r\nHost: x\r\n" + "Transfer-Encoding: chunked\r\n\r\n"));
    std::string chunk = "10000\r\n" + std::string(0x10000, 'A') + "\r\n";
    std::size_t sent = 0;
    while (sent < (64u << 20) && !chunked.replyWaiting() && chunked.send(chunk))
        sent += 0x10000;
    auto refused = chunked.readReply();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 413);
    EXPECT_LT(sent, 64u << 20);
    EXPECT_TRUE(refused->hasField("Connection: close"));

    RawConnection sized(server->port());
    ASSERT_TRUE(sized.send("POST / HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n"));
    EXPECT_EQ(sized.readReply()->status, 413) << "refused before the body is sent";

    // The limit is the same for a signed body: far past the 8 KB some form readers allow.
    std::string keyword(200'000, 'x');
    auto big = exchange(memberRequest(
        "/UserApi/Index/getMemberList", "currentpage=1&pagesize=10&keyword=" + keyword + "&urlencode=1"));
    ASSERT_TRUE(big);
    EXPECT_EQ(big->status, 200);
    EXPECT_EQ(decrypt(big->body)["status"], "1");
}

TEST_F(ServingTest, header_floods_get_431_and_lose_their_connection)
{
    RawConnection flood(server->port());
    ASSERT_TRUE(flood.send("GET /images/portrait/1.png HTTP/1.1\r\nHost: x\r\n"));
    for (int i = 0; i < 100'000 && !flood.replyWaiting(); ++i) {
        if (!flood.send("X-Flood-" + std::to_string(i) + ": " + std::string(100, 'f') + "\r\n"))
            break;
    }
    auto refused = flood.readReply();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 431);
    EXPECT_TRUE(flood.closedWithin(Millis(5000)));
}

TEST_F(ServingTest, dripping_and_idle_clients_do_not_hold_up_other_requests)
{
    std::vector<std::unique_ptr<RawConnection>> stalled;
    for (int i = 0; i < 48; ++i) {
        stalled.push_back(std::make_unique<RawConnection>(server->port()));
        // Half of them have started a request and never finish its head.
        if (i % 2 == 0) {
            ASSERT_TRUE(stalled.back()->send("POST " + std::string(kCards) + " HTTP/1.1\r\nHost: x\r\n"));
        }
    }
    for (int i = 0; i < 10; ++i) {
        auto reply = exchange(memberRequest(kCards, ""), Millis(3000));
        ASSERT_TRUE(reply) << "request " << i << " waited behind stalled clients";
        EXPECT_EQ(reply->status, 200);
    }
}

TEST_F(ServingTest, slow_heads_get_408_and_silent_connections_are_closed)
{
    merchant::MerchantHttpOptions options;
    options.limits.headTimeout = Millis(200);
    options.limits.idleTimeout = Millis(200);
    serve(options);
    RawConnection partial(server->port());
    ASSERT_TRUE(partial.send("POST " + std::string(kCards) + " HTTP/1.1\r\n"));
    auto late = partial.readReply();
    ASSERT_TRUE(late);
    EXPECT_EQ(late->status, 408);
    RawConnection silent(server->port());
    EXPECT_TRUE(silent.closedWithin(Millis(5000)));

    // A kept-alive connection is served again until it falls silent.
    RawConnection kept(server->port());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(kept.send(memberRequest(kCards, "")));
        auto reply = kept.readReply();
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200);
    }
    EXPECT_TRUE(kept.closedWithin(Millis(5000)));
}

TEST_F(ServingTest, stop_ends_every_connection_at_once_whatever_its_client_does)
{
    merchant::MerchantHttpOptions options;
    options.testHooks = true;
    serve(options);
    std::string slow = R"({"kind":"slow","path":"/UserApi/Index/getCardList","count":1})";
    auto added = exchange("POST /__stand-in/fault HTTP/1.1\r\nContent-Length: " + std::to_string(slow.size())
        + "\r\n\r\n" + slow);
    ASSERT_TRUE(added);
    ASSERT_EQ(added->status, 200);
    RawConnection held(server->port());
    ASSERT_TRUE(held.send(memberRequest(kCards, "")));
    RawConnection dripping(server->port());
    ASSERT_TRUE(dripping.send("POST " + std::string(kCards) + " HTTP/1.1\r\nHost: x\r\n"));
    RawConnection midBody(server->port());
    ASSERT_TRUE(midBody.send("POST / HTTP/1.1\r\nContent-Length: 100\r\n\r\nabc"));
    RawConnection idle(server->port());

    auto stopping = std::async(std::launch::async, [&] { server->stop(); });
    EXPECT_EQ(stopping.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    for (RawConnection* connection : { &held, &dripping, &midBody, &idle })
        EXPECT_TRUE(connection->closedWithin(Millis(3000)));
}

TEST_F(ServingTest, replies_are_sent_uncompressed_whatever_the_client_accepts)
{
    auto reply = exchange(memberRequest(kCards, "", "Accept-Encoding: br, gzip, deflate, zstd\r\n"));
    ASSERT_TRUE(reply);
    EXPECT_FALSE(reply->hasField("Content-Encoding"));
    EXPECT_EQ(decrypt(reply->body)["status"], "1");
}

// The queue length the kernel keeps for the listening socket, read back
// through the socket diagnostics interface; -1 when that is not available.
int listenBacklog(int port)
{
    int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return -1;
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message {};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.request.sdiag_family = AF_INET;
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = 1u << 10; // TCP_LISTEN
    int backlog = -1;
    if (::send(fd, &message, sizeof message, 0) == static_cast<ssize_t>(sizeof message)) {
        alignas(nlmsghdr) char buffer[16384];
        for (bool done = false; !done;) {
            ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            auto length = static_cast<unsigned>(got);
            for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, length);
                 header = NLMSG_NEXT(header, length)) {
                if (header->nlmsg_type == NLMSG_DONE || header->nlmsg_type == NLMSG_ERROR) {
                    done = true;
                    break;
                }
                auto* socket = static_cast<inet_diag_msg*>(NLMSG_DATA(header));
                if (ntohs(socket->id.idiag_sport) == port)
                    backlog = static_cast<int>(socket->idiag_wqueue);
            }
        }
    }
    ::close(fd);
    return backlog;
}

TEST_F(ServingTest, listen_queue_is_as_long_as_the_system_allows)
{
    int backlog = listenBacklog(server->port());
    if (backlog < 0)
        GTEST_SKIP() << "no socket diagnostics here";
    int systemMaximum = 4096;
    if (FILE* file = std::fopen("/proc/sys/net/core/somaxconn", "r")) {
        if (std::fscanf(file, "%d", &systemMaximum) != 1)
            systemMaximum = 4096;
        std::fclose(file);
    }
    EXPECT_EQ(backlog, systemMaximum);
    EXPECT_GE(backlog, std::min(511, systemMaximum));
}

// As the app's screens load them: a member's detail and a page of members,
// alternately, on 50 connections at once.
TEST_F(ServingTest, ten_thousand_requests_on_fifty_connections_all_answer_and_all_are_logged)
{
    constexpr int kConnections = 50;
    constexpr int kEach = 200;
    std::vector<std::string> forms;
    for (int card = 1; card <= 25; ++card)
        forms.push_back("cardnum=880000" + std::string(card < 10 ? "0" : "") + std::to_string(card));
    // Pages of four rather than ten keep the run short under the sanitizers.
    for (int page = 1; page <= 6; ++page)
        forms.push_back("currentpage=" + std::to_string(page) + "&pagesize=4");
    auto pathOf = [](std::size_t form) {
        return form < 25 ? "/UserApi/Index/getUserInfo" : "/UserApi/Index/getMemberList";
    };
    std::vector<std::string> requests;
    for (std::size_t form = 0; form < forms.size(); ++form)
        requests.push_back(memberRequest(pathOf(form), forms[form]));
    auto formOf = [](int connection, int i) {
        return i % 2 == 0 ? static_cast<std::size_t>(connection + i) % 25
                          : 25 + static_cast<std::size_t>(connection + i / 2) % 6;
    };

    std::atomic<int> failures { 0 };
    std::vector<std::thread> clients;
    for (int c = 0; c < kConnections; ++c) {
        clients.emplace_back([&, c] {
            RawConnection connection(server->port());
            for (int i = 0; i < kEach; ++i) {
                std::size_t form = formOf(c, i);
                auto reply
                    = connection.send(requests[form]) ? connection.readReply(Millis(30000)) : std::nullopt;
                // Text searches rather than a parse keep the clients light.
                std::string text = reply && reply->status == 200
                    ? DesCipher::decode(reply->body, keys.memberSecret).value_or("")
                    : "";
                std::size_t rows = 0;
                for (std::size_t at = text.find("\"cardnum\""); at != std::string::npos;
                     at = text.find("\"cardnum\"", at + 1))
                    ++rows;
                bool right = text.find(R"("status":"1")") != std::string::npos
                    && (form >= 25
                            ? rows == 4
                            : text.find(R"("cardnum":")" + forms[form].substr(8) + '"') != std::string::npos);
                if (!right) {
                    ++failures;
                    return;
                }
            }
        });
    }
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(failures, 0);
    std::map<std::string, int> expected;
    for (int c = 0; c < kConnections; ++c) {
        for (int i = 0; i < kEach; ++i)
            ++expected[std::string(pathOf(formOf(c, i))) + " " + forms[formOf(c, i)]];
    }
    std::map<std::string, int> logged;
    for (const merchant::LoggedRequest& entry : backend->requestLog())
        ++logged[entry.path + " " + entry.plain];
    EXPECT_EQ(logged, expected);
}

} // namespace
