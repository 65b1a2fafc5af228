#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/VirtualClock.h"
#include "platform/net/FakeTransport.h"
#include "platform/net/URLCache.h"
#include "platform/net/URLCachingTransport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

using namespace net;

namespace {

constexpr const char* pictureURL = "http://img.test/portrait.png";

struct Answer {
    int statusCode { 0 };
    std::string data;
    std::optional<int> errorCode;
};

FakeTransport::Reply reply(int status, std::string body, std::vector<HTTPHeaders::Field> fields)
{
    auto answer = FakeTransport::Reply::status(status, std::move(body));
    for (auto const& [name, value] : fields)
        answer.headers.set(name, value);
    return answer;
}

class URLCacheTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_clock = foundation::RunLoop::main().useVirtualClock();
        static int counter = 0;
        m_directory = std::filesystem::temp_directory_path()
            / ("urlcache-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        m_cache = makeCache();
    }
    void TearDown() override
    {
        m_cache->flush();
        std::filesystem::remove_all(m_directory);
    }

    std::shared_ptr<URLCache> makeCache(size_t memory = 1 << 20, size_t disk = 1 << 20)
    {
        return URLCache::create(memory, disk, m_directory);
    }

    // Loads through the cache in front of the scripted network and waits for the answer.
    Answer load(URLRequest request, std::function<bool(const HTTPURLResponse&)> willCache = nullptr)
    {
        auto answer = std::make_shared<Answer>();
        Transport::Events events;
        events.didReceiveResponse
            = [answer](const HTTPURLResponse& response) { answer->statusCode = response.statusCode(); };
        events.didReceiveData = [answer](std::string_view bytes) { answer->data.append(bytes); };
        events.didComplete = [answer](const std::optional<URLError>& error) {
            answer->errorCode = error ? std::optional<int>(error->code()) : std::nullopt;
        };
        events.willCacheResponse = std::move(willCache);
        URLCachingTransport transport(m_network, m_cache, foundation::DispatchQueue::main());
        transport.start(std::move(request), std::move(events));
        foundation::RunLoop::main().runUntilIdle();
        return *answer;
    }
    Answer load(const char* url = pictureURL,
        URLRequestCachePolicy policy = URLRequestCachePolicy::UseProtocolCachePolicy)
    {
        return load(URLRequest(url, policy));
    }
    size_t sent() const { return m_network->sentRequests().size(); }

    std::shared_ptr<foundation::VirtualClock> m_clock;
    std::filesystem::path m_directory;
    std::shared_ptr<FakeTransport> m_network = std::make_shared<FakeTransport>();
    std::shared_ptr<URLCache> m_cache;
};

} // namespace

TEST_F(URLCacheTest, a_fresh_response_answers_without_a_request_until_its_max_age_has_passed)
{
    m_network->addReply(pictureURL, reply(200, "first", { { "Cache-Control", "public, max-age=60" } }));
    EXPECT_EQ(load().data, "first");
    m_network->clearReplies();
    m_network->addReply(pictureURL, reply(200, "second", {}));
    auto const cached = load();
    EXPECT_EQ(cached.statusCode, 200);
    EXPECT_EQ(cached.data, "first");
    EXPECT_EQ(sent(), 1u);

    // An Age the server reports counts against the lifetime.
    m_network->addReply(
        "/aged.png", reply(200, "aged", { { "Cache-Control", "max-age=60" }, { "Age", "59" } }));
    load("http://img.test/aged.png");
    m_clock->advance(2);
    EXPECT_EQ(load("http://img.test/aged.png").data, "aged");
    EXPECT_EQ(sent(), 3u);

    m_clock->advance(59);
    EXPECT_EQ(load().data, "second");
    EXPECT_EQ(sent(), 4u);
}

TEST_F(URLCacheTest, a_stale_response_is_asked_after_and_a_304_serves_the_stored_body_under_the_new_head)
{
    m_network->addReply(pictureURL,
        reply(
            200, "picture", { { "ETag", "\"v1\"" }, { "Last-Modified", "Tue, 01 Jul 2025 10:00:00 GMT" } }));
    m_network->addReply(pictureURL, reply(304, "", { { "Cache-Control", "max-age=30" } }));
    load();
    auto const confirmed = load();
    EXPECT_EQ(confirmed.statusCode, 200);
    EXPECT_EQ(confirmed.data, "picture");
    auto const asked = m_network->sentRequests().at(1);
    EXPECT_EQ(asked.valueForHTTPHeaderField("If-None-Match"), "\"v1\"");
    EXPECT_EQ(asked.valueForHTTPHeaderField("If-Modified-Since"), "Tue, 01 Jul 2025 10:00:00 GMT");
    // The 304's max-age now holds for the stored response.
    EXPECT_EQ(load().data, "picture");
    EXPECT_EQ(sent(), 2u);

    // A full answer to the question replaces what was stored.
    m_clock->advance(31);
    m_network->clearReplies();
    m_network->addReply(pictureURL, reply(200, "new picture", { { "ETag", "\"v2\"" } }));
    EXPECT_EQ(load().data, "new picture");
    m_network->addReply(pictureURL, reply(304, "", {}));
    EXPECT_EQ(load().data, "new picture");
    EXPECT_EQ(m_network->sentRequests().back().valueForHTTPHeaderField("If-None-Match"), "\"v2\"");
}

TEST_F(URLCacheTest, responses_the_rules_keep_out_are_never_served_and_drop_what_was_kept)
{
    struct Case {
        const char* url;
        FakeTransport::Reply reply;
        std::optional<HTTPHeaders::Field> requestField;
    };
    std::vector<Case> cases {
        { "http://img.test/no-store.png", reply(200, "x", { { "Cache-Control", "no-store, max-age=60" } }),
            {} },
        { "http://img.test/plain.png", reply(200, "x", {}), {} },
        { "http://img.test/error.png", reply(404, "x", { { "Cache-Control", "max-age=60" } }), {} },
        { "http://img.test/any.png", reply(200, "x", { { "Cache-Control", "max-age=60" }, { "Vary", "*" } }),
            {} },
        { "http://img.test/asked-no-store.png", reply(200, "x", { { "Cache-Control", "max-age=60" } }),
            HTTPHeaders::Field { "Cache-Control", "no-store" } },
        { "http://img.test/private.png", reply(200, "x", { { "Cache-Control", "max-age=60" } }),
            HTTPHeaders::Field { "Authorization", "Basic dTpw" } },
    };
    for (auto& item : cases) {
        m_network->addReply(item.url, item.reply);
        URLRequest request(item.url);
        if (item.requestField)
            request.setValueForHTTPHeaderField(item.requestField->second, item.requestField->first);
        auto const before = sent();
        load(request);
        load(request);
        EXPECT_EQ(sent(), before + 2) << item.url;
    }

    // A no-cache response is kept, but asked after every time.
    m_network->addReply(
        "/no-cache.png", reply(200, "x", { { "Cache-Control", "no-cache" }, { "ETag", "\"n\"" } }));
    load("http://img.test/no-cache.png");
    load("http://img.test/no-cache.png");
    EXPECT_EQ(m_network->sentRequests().back().valueForHTTPHeaderField("If-None-Match"), "\"n\"");

    m_network->addReply(pictureURL, reply(200, "kept", { { "Cache-Control", "max-age=1" } }));
    load();
    m_clock->advance(2);
    m_network->clearReplies();
    m_network->addReply(pictureURL, reply(200, "secret", { { "Cache-Control", "no-store" } }));
    load();
    EXPECT_FALSE(m_cache->hasCachedResponseForRequest(URLRequest(pictureURL)));
}

TEST_F(URLCacheTest, each_cache_policy_reads_the_cache_its_own_way)
{
    m_network->addReply(
        pictureURL, reply(200, "stale", { { "Cache-Control", "max-age=0" }, { "ETag", "\"s\"" } }));
    load(pictureURL, URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
    EXPECT_FALSE(m_cache->hasCachedResponseForRequest(URLRequest(pictureURL)));
    load();
    EXPECT_EQ(load(pictureURL, URLRequestCachePolicy::ReturnCacheDataElseLoad).data, "stale");
    EXPECT_EQ(load(pictureURL, URLRequestCachePolicy::ReturnCacheDataDontLoad).data, "stale");
    EXPECT_EQ(sent(), 2u);

    auto const unavailable
        = load("http://img.test/never.png", URLRequestCachePolicy::ReturnCacheDataDontLoad);
    EXPECT_EQ(unavailable.errorCode, URLError::ResourceUnavailable);
    EXPECT_EQ(sent(), 2u);

    // A caller asking conditionally itself gets the server's own 304.
    m_network->addReply("/own.png", reply(304, "", {}));
    URLRequest own("http://img.test/own.png");
    own.setValueForHTTPHeaderField("\"s\"", "If-None-Match");
    EXPECT_EQ(load(own).statusCode, 304);
}

TEST_F(URLCacheTest, a_response_answers_only_requests_that_match_the_fields_it_varies_on)
{
    m_network->addReply(
        pictureURL, reply(200, "png", { { "Cache-Control", "max-age=60" }, { "Vary", "Accept" } }));
    URLRequest png(pictureURL);
    png.setValueForHTTPHeaderField("image/png", "Accept");
    load(png);
    EXPECT_EQ(load(png).data, "png");
    EXPECT_EQ(sent(), 1u);
    load(URLRequest(pictureURL));
    EXPECT_EQ(sent(), 2u);
}

TEST_F(URLCacheTest, a_response_the_caller_refuses_to_cache_is_not_kept)
{
    m_network->addReply(pictureURL, reply(200, "x", { { "Cache-Control", "max-age=60" } }));
    int asked = 0;
    load(URLRequest(pictureURL), [&asked](const HTTPURLResponse&) { return ++asked, false; });
    EXPECT_EQ(asked, 1);
    load();
    EXPECT_EQ(sent(), 2u);
    load(URLRequest(pictureURL), [&asked](const HTTPURLResponse&) { return ++asked, true; });
    EXPECT_EQ(asked, 1) << "an answer from the cache is never offered to it";
}

TEST_F(URLCacheTest, stored_responses_outlive_the_cache_object_and_a_damaged_directory_is_cleaned_not_trusted)
{
    m_network->addReply(pictureURL, reply(200, "on disk", { { "Cache-Control", "max-age=600" } }));
    m_network->addReply("/two.png", reply(200, "second body", { { "Cache-Control", "max-age=600" } }));
    load();
    load("http://img.test/two.png");
    m_cache->flush();
    m_cache = makeCache();
    EXPECT_EQ(load().data, "on disk");
    EXPECT_EQ(sent(), 2u);

    // A body cut short is no answer; the other entry stays.
    m_cache->flush();
    auto const index = URLCache::readIndex(foundation::Paths::readFile(m_directory / "index.json").value());
    ASSERT_EQ(index.size(), 2u);
    auto const& cut = index[0].url == pictureURL ? index[0] : index[1];
    std::filesystem::resize_file(m_directory / cut.file, 3);
    m_cache = makeCache();
    EXPECT_FALSE(m_cache->hasCachedResponseForRequest(URLRequest(pictureURL)));
    EXPECT_TRUE(m_cache->hasCachedResponseForRequest(URLRequest("http://img.test/two.png")));

    // An index that does not read empties the cache of its files, and of nothing else.
    m_cache->flush();
    std::ofstream(m_directory / "index.json") << "{\"version\":1,\"entries\":[{\"url\":";
    std::ofstream(m_directory / "notes.txt") << "not ours";
    m_cache = makeCache();
    EXPECT_FALSE(m_cache->hasCachedResponseForRequest(URLRequest("http://img.test/two.png")));
    EXPECT_EQ(m_cache->currentDiskUsage(), 0u);
    std::set<std::string> left;
    for (auto const& item : std::filesystem::directory_iterator(m_directory))
        left.insert(item.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string> { "index.json", "notes.txt" }));
    EXPECT_TRUE(URLCache::readIndex(foundation::Paths::readFile(m_directory / "index.json").value()).empty());
}

TEST_F(URLCacheTest, past_a_capacity_the_least_recently_used_go_first)
{
    // Bodies of a twentieth of the disk: it holds twenty, memory one.
    m_cache = makeCache(150, 2000);
    auto url = [](int number) { return "http://img.test/" + std::to_string(number) + ".png"; };
    for (int number = 0; number <= 20; ++number)
        m_network->addReply(
            url(number), reply(200, std::string(100, 'x'), { { "Cache-Control", "max-age=600" } }));
    for (int number = 0; number < 20; ++number)
        load(URLRequest(url(number)));
    m_cache->flush();
    EXPECT_LE(m_cache->currentMemoryUsage(), 150u);
    // Reading the first from disk makes the second the least recent.
    EXPECT_EQ(load(URLRequest(url(0))).data.size(), 100u);
    load(URLRequest(url(20)));
    m_cache->flush();
    EXPECT_TRUE(m_cache->hasCachedResponseForRequest(URLRequest(url(0))));
    EXPECT_FALSE(m_cache->hasCachedResponseForRequest(URLRequest(url(1))));
    EXPECT_EQ(m_cache->currentDiskUsage(), 2000u);
    EXPECT_EQ(sent(), 21u);

    // Larger than a twentieth of the capacity: not kept at all.
    m_network->addReply(
        "/big.png", reply(200, std::string(101, 'x'), { { "Cache-Control", "max-age=600" } }));
    load("http://img.test/big.png");
    EXPECT_FALSE(m_cache->hasCachedResponseForRequest(URLRequest("http://img.test/big.png")));
}

TEST(URLCacheIndex, an_entry_that_does_not_read_is_dropped_alone)
{
    auto const text = R"({"version":1,"entries":[
        {"url":"http://a/1","file":"0000000000000001","status":200,"headers":[["ETag","\"1\""]],"vary":[["Accept",null]],"requested":1,"received":2,"used":3,"size":4},
        {"url":"http://a/2","file":"../../etc/passwd","status":200,"headers":[],"vary":[],"requested":1,"received":2,"used":3,"size":4},
        {"url":"http://a/3","file":"0000000000000003","status":200,"headers":[["X","a\r\nSet-Cookie: b"]],"vary":[],"requested":1,"received":2,"used":3,"size":4},
        {"url":"http://a/4","file":"0000000000000004","status":500,"headers":[],"vary":[],"requested":1,"received":2,"used":3,"size":4},
        {"url":"http://a/5","file":"0000000000000005","status":200,"headers":[],"vary":[],"requested":"1","received":2,"used":-3,"size":4},
        7]})";
    auto const entries = URLCache::readIndex(text);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].url, "http://a/1");
    auto const again = URLCache::readIndex(URLCache::writeIndex(entries));
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].headers.value("ETag"), "\"1\"");
    EXPECT_EQ(again[0].varyingFields, entries[0].varyingFields);
    EXPECT_EQ(again[0].size, 4u);
}
