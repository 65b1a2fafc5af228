#include "platform/foundation/Clock.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/net/CurlTransport.h"
#include "platform/net/HTTPCookieStorage.h"
#include "platform/net/URLCache.h"
#include "platform/net/URLConnection.h"

#include <arpa/inet.h>
#include <atomic>
#include <barrier>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

using namespace net;

namespace {

// A socket on 127.0.0.1 that the test drives by hand, for the replies no real
// server gives: silence, and a connection dropped on purpose.
class RawListener {
public:
    explicit RawListener(bool listening = true)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        if (listening)
            ::listen(m_fd, 4);
    }
    ~RawListener()
    {
        for (int client : m_clients)
            ::close(client);
        ::close(m_fd);
    }

    std::string url(const std::string& path = "/") const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

    // Reads the next request head, on the connection last used or on a new one;
    // false if none came in time.
    bool takeRequest()
    {
        std::vector<pollfd> waiting { { m_fd, POLLIN, 0 } };
        if (m_client >= 0)
            waiting.push_back({ m_client, POLLIN, 0 });
        if (::poll(waiting.data(), waiting.size(), 5000) < 1)
            return false;
        if (waiting.size() < 2 || !(waiting[1].revents & POLLIN)) {
            m_client = ::accept(m_fd, nullptr, nullptr);
            m_clients.push_back(m_client);
            ++m_accepted;
        }
        std::string head;
        char buffer[1024];
        while (head.find("\r\n\r\n") == std::string::npos) {
            pollfd reading { m_client, POLLIN, 0 };
            if (::poll(&reading, 1, 5000) != 1)
                return false;
            auto const count = ::recv(m_client, buffer, sizeof buffer, 0);
            if (count <= 0)
                return false;
            head.append(buffer, static_cast<size_t>(count));
        }
        return true;
    }
    void send(std::string_view bytes) { ::send(m_client, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Closes the connection last used; with `reset`, abortively, as a crashed server would.
    void hangUp(bool reset = false)
    {
        if (reset) {
            linger abort { 1, 0 };
            ::setsockopt(m_client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        }
        ::close(m_client);
        std::erase(m_clients, m_client);
        m_client = -1;
    }
    int connectionsAccepted() const { return m_accepted; }
    // Sends the bytes one at a time, `interval` apart, until `stop` is set.
    std::thread drip(std::string bytes, std::chrono::milliseconds interval, const std::atomic<bool>& stop)
    {
        return std::thread([this, bytes = std::move(bytes), interval, &stop] {
            for (char c : bytes) {
                if (stop)
                    return;
                send(std::string_view(&c, 1));
                std::this_thread::sleep_for(interval);
            }
        });
    }
    // True unless a connection waiting to be accepted carries request bytes.
    bool noRequestWaiting()
    {
        if (!hasWaitingConnection())
            return true;
        int const client = ::accept(m_fd, nullptr, nullptr);
        m_clients.push_back(client);
        pollfd reading { client, POLLIN, 0 };
        char byte;
        return ::poll(&reading, 1, 2000) != 1 || ::recv(client, &byte, 1, 0) <= 0;
    }
    bool hasWaitingConnection() const
    {
        pollfd waiting { m_fd, POLLIN, 0 };
        return ::poll(&waiting, 1, 0) == 1;
    }

private:
    int m_fd { -1 };
    int m_client { -1 };
    std::vector<int> m_clients;
    int m_port { 0 };
    int m_accepted { 0 };
};

struct Received {
    std::optional<HTTPURLResponse> response;
    std::optional<std::string> data;
    std::optional<URLError> error;
    bool onMainThread { false };
};

// What the server saw of the last request to /echo or /seen.
struct Seen {
    std::mutex mutex;
    std::string method, qvkey, contentType, body;
    bool hadExpect { false };
};

class URLConnectionLoopbackTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_server = std::make_unique<httplib::Server>();
        auto& server = *s_server;
        // Closing after each reply keeps no worker reading an idle connection when the
        // server stops.
        server.set_keep_alive_max_count(1);
        // A cookie for the session and one that lasts an hour; the Cookie field a
        // request carried, echoed.
        server.Get("/cookie/set", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "session=abc; Path=/");
            res.set_header("Set-Cookie", "kept=1; Max-Age=3600; Path=/");
        });
        auto cookieEcho = [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("Cookie"), "text/plain");
        };
        server.Get("/cookie/echo", cookieEcho);
        server.Post("/cookie/echo", cookieEcho);
        // Kept ten minutes, varying on one request field whose value the body tells.
        server.Get(R"(/vary/([A-Za-z-]+))", [](const httplib::Request& req, httplib::Response& res) {
            ++s_varyHits;
            auto const field = std::string(req.matches[1]);
            res.set_header("Cache-Control", "max-age=600");
            res.set_header("Vary", field);
            res.set_content(field + ":" + req.get_header_value(field), "text/plain");
        });
        server.Get("/ok", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("X-Served-By", "loopback");
            res.set_content("hello", "text/plain");
        });
        server.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            res.status = std::stoi(req.matches[1]);
            res.set_content("error " + std::string(req.matches[1]), "text/plain");
        });
        server.Get("/empty", [](const httplib::Request&, httplib::Response& res) {
            res.status = 200;
            res.set_content("", "text/plain");
        });
        server.Get("/chunks", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [](size_t, httplib::DataSink& sink) {
                for (auto part : { "part1-", "part2-", "part3" })
                    sink.write(part, std::strlen(part));
                sink.done();
                return true;
            });
        });
        server.Get("/redirect", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/ok", 302);
            res.set_content("moved", "text/plain");
        });
        // Three hops, each naming the next another way: relative, path-absolute, absolute.
        server.Get(R"(/chain/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            auto const hop = std::stoi(req.matches[1]);
            res.status = 302;
            res.set_header("Location", hop == 3 ? "2" : hop == 2 ? "/chain/1" : url("/ok"));
        });
        server.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
            ++s_loopHits;
            res.status = 302;
            res.set_header("Location", "/loop");
        });
        server.Post("/see-other", [](const httplib::Request&, httplib::Response& res) {
            res.status = 303;
            res.set_header("Location", "/seen");
        });
        server.Post("/temporary", [](const httplib::Request&, httplib::Response& res) {
            res.status = 307;
            res.set_header("Location", "/echo");
        });
        // The same server under another origin name: a hop there leaves the API host.
        server.Get("/to-other-origin", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "http://localhost:" + std::to_string(s_port) + "/seen");
        });
        server.Post("/post-to-other-origin", [](const httplib::Request&, httplib::Response& res) {
            res.status = 307;
            res.set_header("Location", "http://localhost:" + std::to_string(s_port) + "/echo");
        });
        server.Get("/seen", [](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(s_seen.mutex);
            s_seen.method = req.method;
            s_seen.qvkey = req.get_header_value("qvkey");
            s_seen.contentType = req.get_header_value("Content-Type");
            s_seen.body = req.body;
            res.set_content("seen", "text/plain");
        });
        server.Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(s_seen.mutex);
            s_seen.method = req.method;
            s_seen.qvkey = req.get_header_value("qvkey");
            s_seen.contentType = req.get_header_value("Content-Type");
            s_seen.hadExpect = req.has_header("Expect");
            s_seen.body = req.body;
            res.set_content(req.body, "text/plain");
        });
        // Answers only once several requests are inside at the same moment, so requests
        // sent one after another would each wait out the barrier and say so.
        server.Get("/together", [](const httplib::Request&, httplib::Response& res) {
            std::unique_lock lock(s_barrierMutex);
            ++s_arrived;
            s_barrier.notify_all();
            bool const met = s_barrier.wait_for(lock, std::chrono::seconds(5), [] { return s_arrived >= 4; });
            res.set_content(met ? "together" : "alone", "text/plain");
        });
        s_port = server.bind_to_any_port("127.0.0.1");
        s_thread = std::thread([] { s_server->listen_after_bind(); });
        // bind_to_any_port already listens: connections wait in the backlog until accepted.
    }

    static void TearDownTestSuite()
    {
        s_server->stop();
        s_thread.join();
        s_server.reset();
    }

    void SetUp() override
    {
        foundation::Clock::install(nullptr);
        foundation::RunLoop::main().reset();
        m_cookieFile
            = std::filesystem::temp_directory_path() / ("cookies-" + std::to_string(::getpid()) + ".txt");
        std::filesystem::remove(m_cookieFile);
        HTTPCookieStorage::setShared(HTTPCookieStorage::create(m_cookieFile));
    }
    void TearDown() override
    {
        HTTPCookieStorage::shared()->flush();
        HTTPCookieStorage::setShared(nullptr);
        std::filesystem::remove(m_cookieFile);
    }

    // The body of the answer to a request that does or does not handle cookies.
    static std::optional<std::string> cookieExchange(
        const std::string& path, bool cookies, const char* method = "GET")
    {
        URLRequest request(url(path), URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
        request.setHTTPMethod(method);
        request.setHTTPShouldHandleCookies(cookies);
        return send(std::move(request)).data;
    }

    static std::string url(const std::string& path)
    {
        return "http://127.0.0.1:" + std::to_string(s_port) + path;
    }

    // Runs the main loop until `done` holds, for at most a few seconds of real time.
    static bool runUntil(const std::function<bool()>& done, double seconds = 5)
    {
        bool expired = false;
        auto deadline = foundation::Timer::scheduledTimer(seconds, false, [&] { expired = true; });
        foundation::RunLoop::main().runUntil([&] { return expired || done(); });
        deadline->invalidate();
        return done();
    }

    using Pending = std::shared_ptr<std::optional<Received>>;

    static Pending start(URLRequest request)
    {
        auto received = std::make_shared<std::optional<Received>>();
        URLConnection::sendAsynchronousRequest(std::move(request), foundation::DispatchQueue::main(),
            [received](auto const& response, auto const& data, auto const& error) {
                *received = Received { response, data, error, foundation::RunLoop::isMainThread() };
            });
        return received;
    }

    static Received await(const Pending& received)
    {
        EXPECT_TRUE(runUntil([&] { return received->has_value(); }));
        return received->value_or(Received {});
    }

    static Received send(URLRequest request) { return await(start(std::move(request))); }

    static Received get(const std::string& path) { return send(URLRequest(url(path))); }

    // Sends through the transport itself, below the following of redirects.
    static Received fetchThroughTransport(const std::string& path)
    {
        struct Fetch {
            std::optional<HTTPURLResponse> response;
            std::string body;
        };
        auto fetch = std::make_shared<Fetch>();
        std::optional<Received> received;
        Transport::Events events;
        events.didReceiveResponse = [fetch](const HTTPURLResponse& response) { fetch->response = response; };
        events.didReceiveData = [fetch](std::string_view bytes) { fetch->body.append(bytes); };
        events.didComplete = [fetch, &received](const std::optional<URLError>& error) {
            foundation::DispatchQueue::main()->async([fetch, error, &received] {
                received = Received { fetch->response, fetch->body, error };
            });
        };
        Transport::current()->start(URLRequest(url(path)), std::move(events));
        EXPECT_TRUE(runUntil([&] { return received.has_value(); }));
        return received.value_or(Received {});
    }

    std::filesystem::path m_cookieFile;
    static inline std::unique_ptr<httplib::Server> s_server;
    static inline std::atomic<int> s_loopHits { 0 };
    static inline std::atomic<int> s_varyHits { 0 };
    static inline std::thread s_thread;
    static inline int s_port { 0 };
    static inline Seen s_seen;
    static inline std::mutex s_barrierMutex;
    static inline std::condition_variable s_barrier;
    static inline int s_arrived { 0 };
};

} // namespace

TEST_F(URLConnectionLoopbackTest, error_statuses_carry_their_body_and_an_empty_body_is_not_missing_data)
{
    for (int status : { 500, 403, 404 }) {
        auto result = get("/status/" + std::to_string(status));
        ASSERT_TRUE(result.response);
        EXPECT_EQ(result.response->statusCode(), status);
        EXPECT_EQ(result.data, "error " + std::to_string(status));
        EXPECT_FALSE(result.error);
    }

    auto empty = get("/empty");
    ASSERT_TRUE(empty.response);
    EXPECT_EQ(empty.response->statusCode(), 200);
    ASSERT_TRUE(empty.data.has_value());
    EXPECT_EQ(*empty.data, "");
}

TEST_F(URLConnectionLoopbackTest, completion_runs_on_the_main_thread_with_the_response_headers)
{
    auto result = get("/ok");
    EXPECT_TRUE(result.onMainThread);
    ASSERT_TRUE(result.response);
    EXPECT_EQ(result.response->valueForHTTPHeaderField("x-served-by"), "loopback");
    EXPECT_EQ(result.response->url(), url("/ok"));
    // The server compresses when offered; the length it states is that of the bytes on
    // the wire, the data is the decoded text.
    EXPECT_EQ(result.response->valueForHTTPHeaderField("Content-Encoding").has_value(),
        result.response->expectedContentLength() != 5);
    EXPECT_EQ(result.data, "hello");
}

TEST_F(URLConnectionLoopbackTest, a_body_sent_in_several_chunks_arrives_whole)
{
    auto result = get("/chunks");
    EXPECT_EQ(result.data, "part1-part2-part3");
    EXPECT_EQ(result.response->expectedContentLength(), -1);
}

TEST_F(URLConnectionLoopbackTest, the_transport_hands_a_redirect_back_unfollowed)
{
    auto result = fetchThroughTransport("/redirect");
    ASSERT_TRUE(result.response);
    EXPECT_EQ(result.response->statusCode(), 302);
    EXPECT_EQ(result.response->valueForHTTPHeaderField("Location"), "/ok");
    EXPECT_EQ(result.data, "moved");
}

TEST_F(URLConnectionLoopbackTest, both_entry_points_follow_a_chain_of_redirects_to_the_final_body)
{
    auto result = get("/chain/3");
    ASSERT_TRUE(result.response);
    EXPECT_EQ(result.response->statusCode(), 200);
    EXPECT_EQ(result.response->url(), url("/ok"));
    EXPECT_EQ(result.data, "hello");
    EXPECT_FALSE(result.error);

    EXPECT_EQ(URLConnection::dataWithContentsOfURL(url("/chain/3")), "hello");
}

TEST_F(URLConnectionLoopbackTest, a_post_goes_on_as_a_get_after_303_and_unchanged_after_307)
{
    URLRequest request(url("/see-other"));
    request.setHTTPMethod("POST");
    request.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type");
    request.setValueForHTTPHeaderField("merchant-key", "qvkey");
    request.setHTTPBody(std::string("order=1"));
    EXPECT_EQ(send(request).data, "seen");
    {
        std::lock_guard lock(s_seen.mutex);
        EXPECT_EQ(s_seen.method, "GET");
        EXPECT_EQ(s_seen.body, "");
        EXPECT_EQ(s_seen.contentType, "");
        EXPECT_EQ(s_seen.qvkey, "merchant-key");
    }

    request.setURL(url("/temporary"));
    EXPECT_EQ(send(request).data, "order=1");
    std::lock_guard lock(s_seen.mutex);
    EXPECT_EQ(s_seen.method, "POST");
    EXPECT_EQ(s_seen.contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(s_seen.qvkey, "merchant-key");
}

TEST_F(URLConnectionLoopbackTest, a_redirect_loop_fails_after_sixteen_redirects)
{
    s_loopHits = 0;
    auto result = get("/loop");
    EXPECT_FALSE(result.response);
    EXPECT_FALSE(result.data);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->code(), URLError::HTTPTooManyRedirects);
    EXPECT_EQ(s_loopHits, 17);

    EXPECT_EQ(URLConnection::dataWithContentsOfURL(url("/loop")), std::nullopt);
}

TEST_F(URLConnectionLoopbackTest, a_signed_post_reaches_the_server_with_its_headers_and_body)
{
    URLRequest request(url("/echo"), URLRequestCachePolicy::ReloadIgnoringLocalCacheData, 10.0);
    request.setHTTPMethod("POST");
    request.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type");
    request.setValueForHTTPHeaderField("merchant-key", "qvkey");
    request.setHTTPBody(std::string("aGVsbG8+/w=="));
    auto result = send(request);

    EXPECT_EQ(result.data, "aGVsbG8+/w==");
    {
        std::lock_guard lock(s_seen.mutex);
        EXPECT_EQ(s_seen.method, "POST");
        EXPECT_EQ(s_seen.qvkey, "merchant-key");
        EXPECT_EQ(s_seen.contentType, "application/x-www-form-urlencoded");
        EXPECT_EQ(s_seen.body, "aGVsbG8+/w==");
    }

    // Over a megabyte: a client left to itself would ask for "100 Continue" first.
    std::string large;
    for (int i = 0; i < 100000; ++i)
        large += "aGVsbG8+/w==";
    request.setValueForHTTPHeaderField("application/octet-stream", "Content-Type");
    request.setHTTPBody(large);
    EXPECT_EQ(send(request).data, large);
    std::lock_guard lock(s_seen.mutex);
    EXPECT_FALSE(s_seen.hadExpect);
}

TEST_F(URLConnectionLoopbackTest, a_header_value_with_a_line_break_fails_instead_of_injecting_a_header)
{
    URLRequest request(url("/echo"));
    request.setHTTPMethod("POST");
    request.setValueForHTTPHeaderField("key\r\nX-Injected: 1", "qvkey");
    auto result = send(request);
    EXPECT_FALSE(result.data);
    ASSERT_TRUE(result.error);
}

TEST_F(URLConnectionLoopbackTest, requests_run_side_by_side_and_all_complete)
{
    std::vector<Pending> pending;
    for (int i = 0; i < 4; ++i)
        pending.push_back(start(URLRequest(url("/together"))));
    for (auto& request : pending)
        EXPECT_EQ(await(request).data, "together");
}

// Hand-offs to the I/O thread share one wake-up byte until the thread next takes its
// queues: a byte skipped while the thread has already taken them leaves a request
// waiting for the thread's next look of its own, up to a second later. Senders on
// several threads hand over at once, in rounds that each end with every reply in, so
// that the thread is asleep when a round begins, with requests cancelled as soon as
// started among them; twenty-five rounds that take well under a second in all must
// not each wait for such a look.
TEST_F(URLConnectionLoopbackTest, requests_handed_over_from_several_threads_all_complete_and_cancelled_ones_stay_silent)
{
    RawListener silent; // Never answers: a cancelled request can only be heard by mistake.
    auto transport = std::make_shared<CurlTransport>();
    constexpr int senders = 4;
    constexpr int rounds = 25;
    std::mutex mutex;
    std::condition_variable replied;
    int answered = 0;
    int wrong = 0;
    std::atomic<int> cancelledHeard { 0 };
    std::barrier roundStarts(senders);
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<std::thread> threads;
    for (int sender = 0; sender < senders; ++sender) {
        threads.emplace_back([&] {
            for (int round = 0; round < rounds; ++round) {
                roundStarts.arrive_and_wait();
                Transport::Events silenced;
                silenced.didComplete = [&](auto const&) { ++cancelledHeard; };
                transport->cancel(transport->start(URLRequest(silent.url()), silenced));

                auto body = std::make_shared<std::string>();
                auto done = std::make_shared<bool>(false);
                Transport::Events events;
                events.didReceiveData = [body](std::string_view bytes) { body->append(bytes); };
                events.didComplete = [&, body, done](const std::optional<URLError>& error) {
                    {
                        std::lock_guard lock(mutex);
                        ++answered;
                        if (error || *body != "hello")
                            ++wrong;
                        *done = true;
                    }
                    replied.notify_all();
                };
                transport->start(URLRequest(url("/ok")), events);
                std::unique_lock lock(mutex);
                if (!replied.wait_until(lock, deadline, [&] { return *done; })) {
                    roundStarts.arrive_and_drop();
                    return;
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    transport->shutDown();
    EXPECT_EQ(answered, senders * rounds);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(cancelledHeard, 0);
}

TEST_F(URLConnectionLoopbackTest, transport_failures_give_no_response_and_no_data)
{
    RawListener dead(false); // Bound but not listening: the connection is refused.
    auto refused = send(URLRequest(dead.url()));
    EXPECT_FALSE(refused.response);
    EXPECT_FALSE(refused.data);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code(), URLError::CannotConnectToHost);
    EXPECT_EQ(refused.error->domain(), "NSURLErrorDomain");

    auto unsupported = send(URLRequest("file:///etc/passwd"));
    EXPECT_FALSE(unsupported.data);
    EXPECT_EQ(unsupported.error->code(), URLError::UnsupportedURL);
}

TEST_F(URLConnectionLoopbackTest, a_connection_dropped_before_or_during_the_reply_is_lost_not_empty)
{
    for (std::string_view sent :
        { std::string_view(), std::string_view("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial") }) {
        RawListener listener;
        auto pending = start(URLRequest(listener.url()));
        ASSERT_TRUE(listener.takeRequest());
        listener.send(sent);
        listener.hangUp();
        auto received = await(pending);
        EXPECT_FALSE(received.data) << "after sending " << sent.size() << " bytes";
        EXPECT_FALSE(received.response);
        ASSERT_TRUE(received.error);
        EXPECT_EQ(received.error->code(), URLError::NetworkConnectionLost);
    }
}

TEST_F(URLConnectionLoopbackTest, a_post_whose_connection_dies_is_reported_lost_and_never_sent_again)
{
    // A kept-alive connection from an earlier request is where a client would quietly
    // resend a request that died unanswered: for a payment, that pays twice.
    RawListener listener;
    auto warmUp = start(URLRequest(listener.url("/image")));
    ASSERT_TRUE(listener.takeRequest());
    listener.send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(await(warmUp).data, "ok");

    URLRequest post(listener.url("/PayApi/refund"));
    post.setHTTPMethod("POST");
    post.setHTTPBody(std::string("order=1"));
    post.setTimeoutInterval(2);
    auto pending = start(post);
    ASSERT_TRUE(listener.takeRequest());
    listener.hangUp(true);
    auto received = await(pending);

    ASSERT_TRUE(received.error);
    EXPECT_EQ(received.error->code(), URLError::NetworkConnectionLost);
    EXPECT_TRUE(listener.noRequestWaiting());
}

TEST_F(URLConnectionLoopbackTest, a_server_that_stays_silent_times_out_after_the_request_time_out)
{
    RawListener listener;
    URLRequest request(listener.url());
    request.setTimeoutInterval(0.3);
    auto pending = start(request);
    ASSERT_TRUE(listener.takeRequest());
    auto received = await(pending);
    EXPECT_FALSE(received.data);
    ASSERT_TRUE(received.error);
    EXPECT_EQ(received.error->code(), URLError::TimedOut);
}

TEST_F(URLConnectionLoopbackTest, a_whole_url_read_gives_the_body_whatever_the_status_and_nothing_on_failure)
{
    EXPECT_EQ(URLConnection::dataWithContentsOfURL(url("/status/500")), "error 500");
    RawListener dead(false);
    EXPECT_EQ(URLConnection::dataWithContentsOfURL(dead.url()), std::nullopt);

    // As the app reads it: on a worker, the bytes handed back through the main queue.
    std::optional<std::optional<std::string>> fromWorker;
    foundation::DispatchQueue::global()->async([path = url("/ok"), &fromWorker] {
        auto data = URLConnection::dataWithContentsOfURL(path);
        foundation::DispatchQueue::main()->async([data, &fromWorker] { fromWorker = data; });
    });
    ASSERT_TRUE(runUntil([&] { return fromWorker.has_value(); }));
    EXPECT_EQ(*fromWorker, "hello");
}

TEST_F(URLConnectionLoopbackTest, shutting_down_ends_requests_under_way_and_silences_cancelled_ones)
{
    RawListener listener;
    auto transport = std::make_shared<CurlTransport>();
    std::atomic<int> cancelledCompletions { 0 };
    std::atomic<int> otherEvents { 0 };
    Transport::Events waiting;
    waiting.didComplete = [&](auto const& error) {
        if (error && error->code() == URLError::Cancelled)
            ++cancelledCompletions;
        else
            ++otherEvents;
    };
    Transport::Events silenced;
    silenced.didComplete = [&](auto const&) { ++otherEvents; };

    transport->start(URLRequest(listener.url()), waiting);
    ASSERT_TRUE(listener.takeRequest());
    auto const cancelled = transport->start(URLRequest(listener.url()), silenced);
    transport->cancel(cancelled);
    transport->shutDown();

    EXPECT_EQ(cancelledCompletions, 1);
    EXPECT_EQ(otherEvents, 0);
    // A request after the end is refused at once rather than left hanging for ever.
    transport->start(URLRequest(listener.url()), waiting);
    EXPECT_EQ(cancelledCompletions, 2);
}

TEST_F(URLConnectionLoopbackTest, a_redirect_to_another_origin_carries_no_key_and_no_body)
{
    URLRequest request(url("/to-other-origin"));
    request.setValueForHTTPHeaderField("merchant-key", "qvkey");
    request.setValueForHTTPHeaderField("Basic c2VjcmV0", "Authorization");
    request.setValueForHTTPHeaderField("text/plain", "Accept");
    EXPECT_EQ(send(request).data, "seen");
    {
        std::lock_guard lock(s_seen.mutex);
        EXPECT_EQ(s_seen.qvkey, "");
    }

    // A 307 would have to carry the body there: refused before anything is sent.
    URLRequest post(url("/post-to-other-origin"));
    post.setHTTPMethod("POST");
    post.setHTTPBody(std::string("refund=all"));
    {
        std::lock_guard lock(s_seen.mutex);
        s_seen.body.clear();
    }
    auto carried = send(post);
    EXPECT_FALSE(carried.data);
    ASSERT_TRUE(carried.error);
    {
        std::lock_guard lock(s_seen.mutex);
        EXPECT_EQ(s_seen.body, "");
    }

    // A signed request takes no answer from another host at all.
    request.setRedirectPolicy(URLRequestRedirectPolicy::FollowSameOrigin);
    auto refused = send(request);
    EXPECT_FALSE(refused.response);
    EXPECT_FALSE(refused.data);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code(), URLError::BadServerResponse);
}

TEST_F(URLConnectionLoopbackTest, a_reply_past_its_limit_fails_counted_after_decoding)
{
    std::string const body(4000, 'a');
    uLongf packedSize = compressBound(body.size());
    std::string packed(packedSize, '\0');
    ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(body.data()), body.size(), 9),
        Z_OK);
    packed.resize(packedSize);

    for (bool compressed : { false, true }) {
        for (size_t limit : { body.size(), body.size() - 1 }) {
            RawListener listener;
            URLRequest request(listener.url());
            request.setMaximumResponseBytes(limit);
            auto pending = start(request);
            ASSERT_TRUE(listener.takeRequest());
            auto const& sent = compressed ? packed : body;
            listener.send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(sent.size())
                + (compressed ? "\r\nContent-Encoding: deflate" : "") + "\r\n\r\n" + sent);
            auto received = await(pending);
            if (limit == body.size()) {
                EXPECT_EQ(received.data, body) << "compressed " << compressed;
            } else {
                EXPECT_FALSE(received.data) << "compressed " << compressed;
                ASSERT_TRUE(received.error);
                EXPECT_EQ(received.error->code(), URLError::DataLengthExceedsMaximum);
            }
        }
    }
}

TEST_F(URLConnectionLoopbackTest, a_response_with_endless_header_fields_fails)
{
    for (auto const& [field, count] : { std::pair { std::string("X-Pad: 1\r\n"), 200 },
             std::pair { "X-Pad: " + std::string(8000, 'p') + "\r\n", 10 } }) {
        RawListener listener;
        auto pending = start(URLRequest(listener.url()));
        ASSERT_TRUE(listener.takeRequest());
        std::string head = "HTTP/1.1 200 OK\r\n";
        for (int i = 0; i < count; ++i)
            head += field;
        listener.send(head + "Content-Length: 2\r\n\r\nok");
        auto received = await(pending);
        EXPECT_FALSE(received.data);
        ASSERT_TRUE(received.error);
        EXPECT_EQ(received.error->code(), URLError::BadServerResponse);
    }
}

TEST_F(URLConnectionLoopbackTest, a_server_dripping_bytes_is_cut_off_at_the_deadline)
{
    RawListener listener;
    URLRequest request(listener.url());
    request.setTimeoutInterval(5);
    request.setDeadlineInterval(0.5);
    auto pending = start(request);
    ASSERT_TRUE(listener.takeRequest());
    std::atomic<bool> stop { false };
    auto dripping = listener.drip("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(100, 'x'),
        std::chrono::milliseconds(20), stop);
    auto received = await(pending);
    stop = true;
    dripping.join();
    // The whole reply would have dripped in within the time-out: only the deadline stops it.
    EXPECT_FALSE(received.data);
    ASSERT_TRUE(received.error);
    EXPECT_EQ(received.error->code(), URLError::TimedOut);
}

TEST_F(URLConnectionLoopbackTest, posts_reuse_the_kept_alive_connection)
{
    RawListener listener;
    for (auto method : { "GET", "POST", "POST" }) {
        URLRequest request(listener.url("/PayApi/pay"));
        request.setHTTPMethod(method);
        request.setHTTPBody(std::string("order=1"));
        auto pending = start(request);
        ASSERT_TRUE(listener.takeRequest());
        listener.send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
        EXPECT_EQ(await(pending).data, "ok") << method;
    }
    EXPECT_EQ(listener.connectionsAccepted(), 1);
}

TEST_F(URLConnectionLoopbackTest, a_cookie_set_by_one_reply_goes_only_with_later_requests_that_handle_cookies)
{
    cookieExchange("/cookie/set", false);
    EXPECT_EQ(cookieExchange("/cookie/echo", true), "") << "a reply read without cookies sets none";

    cookieExchange("/cookie/set", true);
    auto const sent = cookieExchange("/cookie/echo", true).value_or("");
    EXPECT_NE(sent.find("session=abc"), std::string::npos) << sent;
    EXPECT_NE(sent.find("kept=1"), std::string::npos) << sent;
    EXPECT_EQ(cookieExchange("/cookie/echo", false), "");
    EXPECT_EQ(cookieExchange("/cookie/echo", false, "POST"), "") << "a signed request never carries a cookie";
}

TEST_F(URLConnectionLoopbackTest,
    lasting_cookies_are_kept_in_a_private_file_and_session_ones_end_with_the_process)
{
    cookieExchange("/cookie/set", true);
    HTTPCookieStorage::shared()->flush();
    auto const text = foundation::Paths::readFile(m_cookieFile).valueOr("");
    EXPECT_NE(text.find("kept\t1"), std::string::npos) << text;
    EXPECT_EQ(text.find("session"), std::string::npos) << text;
    EXPECT_EQ(std::filesystem::status(m_cookieFile).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // The next process.
    HTTPCookieStorage::setShared(HTTPCookieStorage::create(m_cookieFile));
    EXPECT_EQ(cookieExchange("/cookie/echo", true), "kept=1");

    // A file that is not a cookie file gives no cookies, and no crash.
    std::ofstream(m_cookieFile) << "\x01\t\t\t\nSet-Cookie: x=y\n#HttpOnly_\tFALSE\n"
                                << std::string(5000, '\t');
    HTTPCookieStorage::setShared(HTTPCookieStorage::create(m_cookieFile));
    EXPECT_EQ(cookieExchange("/cookie/echo", true), "");
}

TEST_F(URLConnectionLoopbackTest, a_response_varying_on_a_field_the_network_adds_answers_only_what_went_out_alike)
{
    auto const directory = std::filesystem::temp_directory_path() / ("vary-cache-" + std::to_string(::getpid()));
    URLCache::setShared(URLCache::create(1 << 20, 1 << 22, directory));
    auto fetch = [](const std::string& path, bool cookies, bool compression) {
        URLRequest request(url(path));
        request.setHTTPShouldHandleCookies(cookies);
        request.setAllowsCompression(compression);
        return send(std::move(request)).data.value_or("(none)");
    };
    cookieExchange("/cookie/set", true);

    // The cookie goes with the request from the store, never through the request itself.
    EXPECT_EQ(fetch("/vary/Cookie?a", false, true), "Cookie:");
    EXPECT_EQ(fetch("/vary/Cookie?a", true, true), "Cookie:session=abc; kept=1");
    EXPECT_EQ(fetch("/vary/Cookie?b", true, true), "Cookie:session=abc; kept=1");
    EXPECT_EQ(fetch("/vary/Cookie?b", false, true), "Cookie:");

    // The encodings asked for come from the request's compression.
    EXPECT_EQ(fetch("/vary/Accept-Encoding?a", true, false), "Accept-Encoding:");
    EXPECT_EQ(fetch("/vary/Accept-Encoding?a", true, true), "Accept-Encoding:gzip, deflate");
    EXPECT_EQ(fetch("/vary/Accept-Encoding?b", true, true), "Accept-Encoding:gzip, deflate");
    EXPECT_EQ(fetch("/vary/Accept-Encoding?b", true, false), "Accept-Encoding:");

    // What went out alike is still answered from the cache.
    int const hits = s_varyHits;
    EXPECT_EQ(fetch("/vary/Accept-Encoding?a", true, true), "Accept-Encoding:gzip, deflate");
    EXPECT_EQ(fetch("/vary/Accept?a", false, true), "Accept:*/*");
    EXPECT_EQ(fetch("/vary/Accept?a", false, true), "Accept:*/*");
    EXPECT_EQ(fetch("/vary/Cookie?b", false, true), "Cookie:");
    EXPECT_EQ(s_varyHits, hits + 1);

    URLCache::shared()->flush();
    URLCache::setShared(nullptr);
    std::filesystem::remove_all(directory);
}
