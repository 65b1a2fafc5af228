#include "platform/foundation/Clock.h"
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
#include <sqlite3.h>
#include <thread>
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

// A fresh 200 for `url` as the transport would have it stored.
CachedURLResponse cached(const std::string& url, std::string body)
{
    // The fields a picture's reply commonly has, which the row keeps.
    HTTPHeaders headers;
    headers.set("Cache-Control", "max-age=600");
    headers.set("Content-Type", "image/png");
    headers.set("Date", "Tue, 01 Jul 2025 10:00:00 GMT");
    headers.set("Last-Modified", "Tue, 01 Jul 2025 09:00:00 GMT");
    headers.set("ETag", "\"5f3e2a1c-258-" + std::to_string(url.size()) + "\"");
    headers.set("Server", "loopback");
    double const now = foundation::Clock::current()->now();
    return CachedURLResponse(
        HTTPURLResponse(url, 200, headers), std::make_shared<const std::string>(std::move(body)), now, now, {});
}

// The cache's database opened beside it, as another program (or a fault) would.
class Database {
public:
    explicit Database(const std::filesystem::path& directory)
    {
        EXPECT_EQ(sqlite3_open((directory / "Cache.db").c_str(), &m_db), SQLITE_OK);
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~Database() { close(); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void close()
    {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
    void exec(const std::string& sql) { EXPECT_EQ(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql; }
    int count() { return static_cast<int>(integers("SELECT count(*) FROM responses").at(0)); }
    // The table's leaf pages, in the order of its rows.
    std::vector<int64_t> leafPages()
    {
        return integers("SELECT pageno FROM dbstat WHERE name = 'responses' AND pagetype = 'leaf' ORDER BY path");
    }
    std::set<std::string> urlsOnPage(int64_t page)
    {
        // A leaf's rows are those between the rowids its neighbours' last and first hold.
        std::set<std::string> urls;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT url, rowid FROM responses ORDER BY rowid", -1, &statement, nullptr);
        std::vector<std::pair<std::string, int64_t>> rows;
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                sqlite3_column_int64(statement, 1));
        sqlite3_finalize(statement);
        auto const cells = integers("SELECT ncell FROM dbstat WHERE pageno = " + std::to_string(page)).at(0);
        auto const before = integers("SELECT total(ncell) FROM dbstat WHERE name = 'responses' AND pagetype = 'leaf'"
                                     " AND path < (SELECT path FROM dbstat WHERE pageno = "
            + std::to_string(page) + ")").at(0);
        for (int64_t index = before; index < before + cells && index < static_cast<int64_t>(rows.size()); ++index)
            urls.insert(rows[static_cast<size_t>(index)].first);
        return urls;
    }

private:
    std::vector<int64_t> integers(const std::string& sql)
    {
        std::vector<int64_t> values;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
        while (sqlite3_step(statement) == SQLITE_ROW)
            values.push_back(sqlite3_column_int64(statement, 0));
        sqlite3_finalize(statement);
        return values;
    }

    sqlite3* m_db { nullptr };
};

// What this process has handed the kernel to write, in bytes.
uint64_t bytesWritten()
{
    std::ifstream io("/proc/self/io");
    std::string name;
    uint64_t value = 0;
    while (io >> name >> value) {
        if (name == "wchar:")
            return value;
    }
    return 0;
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

    // Until its database is closed: work it queued may hold it a moment past the
    // last use, and a connection closed then would write its log into the file.
    void closeCache()
    {
        m_cache->flush();
        std::weak_ptr<URLCache> closing = std::exchange(m_cache, nullptr);
        while (!closing.expired())
            std::this_thread::yield();
    }

    // Once its database has been checked: until then it answers from memory alone.
    std::shared_ptr<URLCache> makeCache(size_t memory = 1 << 20, size_t disk = 1 << 20)
    {
        auto cache = URLCache::create(memory, disk, m_directory);
        cache->flush();
        return cache;
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

TEST_F(URLCacheTest,
    stored_responses_outlive_the_cache_object_and_a_file_that_is_not_a_database_is_set_aside_and_said_so)
{
    m_network->addReply(pictureURL, reply(200, "on disk", { { "Cache-Control", "max-age=600" } }));
    m_network->addReply("/two.png", reply(200, "second body", { { "Cache-Control", "max-age=600" } }));
    load();
    load("http://img.test/two.png");
    closeCache();
    m_cache = makeCache();
    EXPECT_EQ(load().data, "on disk");
    EXPECT_EQ(sent(), 2u);
    EXPECT_EQ(m_cache->currentDiskUsage(), 18u);

    // Not a database: set aside whole, and a new one made that stores again.
    closeCache();
    std::filesystem::remove(m_directory / "Cache.db-wal");
    std::ofstream(m_directory / "Cache.db", std::ios::trunc) << "not a database, but the owner's bytes";
    std::ofstream(m_directory / "notes.txt") << "not ours";
    testing::internal::CaptureStderr();
    m_cache = makeCache();
    // Said once, as a settings file set aside is: nothing else tells why the cache forgot.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
        "URL cache: " + (m_directory / "Cache.db").string() + " is damaged; set aside as "
            + (m_directory / "Cache.db.damaged").string() + ", 0 responses kept in a new one\n");
    EXPECT_FALSE(m_cache->hasCachedResponseForRequest(URLRequest("http://img.test/two.png")));
    EXPECT_EQ(m_cache->currentDiskUsage(), 0u);
    EXPECT_EQ(load("http://img.test/two.png").data, "second body");
    closeCache();
    m_cache = makeCache();
    EXPECT_TRUE(m_cache->hasCachedResponseForRequest(URLRequest("http://img.test/two.png")));
    EXPECT_EQ(foundation::Paths::readFile(m_directory / "Cache.db.damaged").valueOr(""),
        "not a database, but the owner's bytes");
    EXPECT_EQ(foundation::Paths::readFile(m_directory / "notes.txt").valueOr(""), "not ours");

    // Nor one SQLite cannot read: a schema format of a later SQLite.
    closeCache();
    {
        std::fstream file(m_directory / "Cache.db", std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(47);
        file.put(5);
    }
    m_cache = makeCache();
    EXPECT_FALSE(m_cache->hasCachedResponseForRequest(URLRequest("http://img.test/two.png")));
    m_cache->storeCachedResponse(cached(pictureURL, "kept again"), URLRequest(pictureURL));
    closeCache();
    m_cache = makeCache();
    EXPECT_TRUE(m_cache->hasCachedResponseForRequest(URLRequest(pictureURL)));

    // Nor one SQLite opens for reading only (the write version of a later
    // SQLite), in the log's mode or the journal's: the cache went on in memory
    // alone for good, storing nothing, and said nothing. What it holds is
    // copied into a new one.
    for (char const journal : { 2, 1 }) {
        closeCache();
        {
            std::fstream file(m_directory / "Cache.db", std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(18);
            file.put(3);
            file.put(journal);
        }
        testing::internal::CaptureStderr();
        m_cache = makeCache();
        EXPECT_NE(testing::internal::GetCapturedStderr().find("is damaged; set aside"), std::string::npos);
        EXPECT_TRUE(m_cache->hasCachedResponseForRequest(URLRequest(pictureURL))) << int(journal);
        std::string const later = "http://img.test/" + std::to_string(journal) + ".png";
        m_cache->storeCachedResponse(cached(later, "later"), URLRequest(later));
        closeCache();
        m_cache = makeCache();
        EXPECT_TRUE(m_cache->hasCachedResponseForRequest(URLRequest(later))) << int(journal);
    }

    // Nor one whose schema record has damaged sizes, which SQLite answers with
    // "out of memory", as if the machine had run out: the same silence.
    closeCache();
    {
        Database db(m_directory);
        db.exec("PRAGMA journal_mode=DELETE");
        db.exec("PRAGMA page_size=512");
        db.exec("VACUUM");
    }
    {
        std::string bytes = foundation::Paths::readFile(m_directory / "Cache.db").valueOr("");
        auto const end = bytes.find("(used, size)");
        ASSERT_NE(end, std::string::npos);
        // The table's record after the index's: its length, row and header sizes.
        bytes.replace(end + 12, 9, std::string(9, '\xff'));
        std::ofstream(m_directory / "Cache.db", std::ios::binary | std::ios::trunc) << bytes;
    }
    testing::internal::CaptureStderr();
    m_cache = makeCache();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("is damaged; set aside"), std::string::npos);
    m_cache->storeCachedResponse(
        cached("http://img.test/after.png", "after"), URLRequest("http://img.test/after.png"));
    closeCache();
    m_cache = makeCache();
    EXPECT_TRUE(m_cache->hasCachedResponseForRequest(URLRequest("http://img.test/after.png")));
}

// A database whose damage SQLite had not noticed took a store and lost it (the
// fuzzer's damaged tables did): the store was gone after a restart, in silence.
// A store that does not read back is damage met; here a trigger of another
// program eats every new row.
TEST_F(URLCacheTest, a_store_the_database_takes_and_then_loses_has_the_database_set_aside_and_is_kept)
{
    m_cache->storeCachedResponse(cached(pictureURL, "first"), URLRequest(pictureURL));
    closeCache();
    Database(m_directory)
        .exec("CREATE TRIGGER eaten AFTER INSERT ON responses"
              " BEGIN DELETE FROM responses WHERE rowid = new.rowid; END");
    m_cache = makeCache();
    testing::internal::CaptureStderr();
    m_cache->storeCachedResponse(
        cached("http://img.test/later.png", "later"), URLRequest("http://img.test/later.png"));
    m_cache->flush();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("1 responses kept"), std::string::npos);
    closeCache();
    m_cache = makeCache();
    EXPECT_TRUE(m_cache->hasCachedResponseForRequest(URLRequest("http://img.test/later.png")));
    EXPECT_TRUE(m_cache->hasCachedResponseForRequest(URLRequest(pictureURL)));
}

// Cells of a b-tree page that overlap open and read as if nothing were wrong,
// until a store lands among them and is lost: gone after a restart, in silence.
TEST_F(URLCacheTest, a_database_damaged_where_opening_does_not_look_is_set_aside_at_open_and_keeps_later_stores)
{
    closeCache();
    std::filesystem::remove_all(m_directory);
    std::filesystem::create_directories(m_directory);
    std::filesystem::copy_file(
        std::filesystem::path(URL_CACHE_SEEDS) / "overlapping-cells.db", m_directory / "Cache.db");
    testing::internal::CaptureStderr();
    m_cache = makeCache();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Cache.db.damaged, 3 responses kept"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(m_directory / "Cache.db.damaged"));
    m_cache->storeCachedResponse(cached("http://f/9", "after"), URLRequest("http://f/9"));
    closeCache();

    testing::internal::CaptureStderr();
    m_cache = makeCache();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    auto const stored = m_cache->cachedResponseForRequest(URLRequest("http://f/9"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->data(), "after");
}

TEST_F(URLCacheTest, rows_that_do_not_read_are_skipped_and_the_others_served)
{
    for (auto const* path : { "/a.png", "/b.png" })
        m_network->addReply(path, reply(200, "kept", { { "Cache-Control", "max-age=600" } }));
    load("http://img.test/a.png");
    load("http://img.test/b.png");
    closeCache();
    {
        Database db(m_directory);
        db.exec("UPDATE responses SET status = 500 WHERE url = 'http://img.test/a.png'");
        db.exec("INSERT INTO responses SELECT 'http://img.test/split.png', status,"
                " CAST('X:a' || char(10) || 'Set-Cookie: b' || char(13, 10) AS BLOB), vary, requested,"
                " received, used, size, body FROM responses WHERE url = 'http://img.test/b.png'");
        db.exec("INSERT INTO responses SELECT 'http://img.test/short.png', status, headers, vary, requested,"
                " received, used, size + 1, body FROM responses WHERE url = 'http://img.test/b.png'");
        db.exec("INSERT INTO responses SELECT 'http://img.test/bare.png', status, CAST('ETag' AS BLOB), vary,"
                " requested, received, used, size, body FROM responses WHERE url = 'http://img.test/b.png'");
        db.exec("INSERT INTO responses SELECT 'http://img.test/length.png', status, headers, vary, requested,"
                " received, used, 5, CAST('kept!' AS BLOB) FROM responses WHERE url = 'http://img.test/b.png'");
    }
    m_cache = makeCache();
    for (auto const* url : { "http://img.test/a.png", "http://img.test/split.png", "http://img.test/short.png",
             "http://img.test/bare.png", "http://img.test/length.png" })
        EXPECT_FALSE(m_cache->cachedResponseForRequest(URLRequest(url))) << url;
    EXPECT_EQ(m_cache->cachedResponseForRequest(URLRequest("http://img.test/b.png"))->data(), "kept");
    // Once met, a row that does not read is gone from the file too.
    m_cache->flush();
    EXPECT_EQ(Database(m_directory).count(), 1);
}

TEST_F(URLCacheTest, a_damaged_page_of_the_database_loses_only_the_responses_on_it)
{
    auto url = [](int number) { return "http://img.test/" + std::to_string(number) + ".png"; };
    int const count = 60;
    for (int number = 0; number < count; ++number)
        m_cache->storeCachedResponse(cached(url(number), std::string(1000, static_cast<char>('a' + number % 26))),
            URLRequest(url(number)));
    closeCache();
    std::set<std::string> lost;
    {
        Database db(m_directory);
        db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
        auto const leaves = db.leafPages();
        ASSERT_GT(leaves.size(), 4u);
        auto const damaged = leaves[leaves.size() / 2];
        lost = db.urlsOnPage(damaged);
        ASSERT_FALSE(lost.empty());
        db.close();
        std::fstream file(m_directory / "Cache.db", std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>((damaged - 1) * 4096));
        file.write("\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f", 8);
    }
    // The check at open meets the damage and has the database copied without it,
    // and says so.
    testing::internal::CaptureStderr();
    m_cache = makeCache();
    EXPECT_FALSE(m_cache->cachedResponseForRequest(URLRequest(*lost.begin())));
    m_cache->flush();
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "Cache.db.damaged, " + std::to_string(count - lost.size()) + " responses kept"),
        std::string::npos);
    for (int pass = 0; pass < 2; ++pass) {
        for (int number = 0; number < count; ++number) {
            bool const wasLost = lost.contains(url(number));
            EXPECT_EQ(m_cache->hasCachedResponseForRequest(URLRequest(url(number))), !wasLost) << url(number);
        }
        m_cache->storeCachedResponse(cached(url(count), "after"), URLRequest(url(count)));
        m_cache->flush();
        m_cache = makeCache();
    }
    EXPECT_EQ(m_cache->currentDiskUsage(), (count - lost.size()) * 1000 + 5);
    EXPECT_TRUE(std::filesystem::exists(m_directory / "Cache.db.damaged"));
}

TEST_F(URLCacheTest, an_earlier_index_file_moves_into_the_database_once_with_its_bodies)
{
    closeCache();
    std::filesystem::remove_all(m_directory);
    std::filesystem::create_directories(m_directory);
    std::vector<URLCache::IndexEntry> entries(3);
    for (int number = 0; number < 3; ++number) {
        auto& entry = entries[static_cast<size_t>(number)];
        entry.url = "http://img.test/old" + std::to_string(number) + ".png";
        entry.file = "000000000000000" + std::to_string(number + 1);
        entry.headers.set("Cache-Control", "max-age=600");
        entry.requestTime = entry.responseTime = m_clock->now();
        entry.lastUsed = static_cast<uint64_t>(number + 1);
        entry.size = 4;
        // The last body is missing: its entry cannot come along.
        if (number < 2)
            std::ofstream(m_directory / entry.file) << "old" << number;
    }
    std::ofstream(m_directory / "index.json") << URLCache::writeIndex(entries);
    std::ofstream(m_directory / "0000000000000009.tmp-1") << "left by a crash";

    m_cache = makeCache();
    EXPECT_EQ(load("http://img.test/old1.png").data, "old1");
    EXPECT_FALSE(m_cache->hasCachedResponseForRequest(URLRequest("http://img.test/old2.png")));
    EXPECT_EQ(m_cache->currentDiskUsage(), 8u);
    EXPECT_EQ(sent(), 0u);
    m_cache->flush();
    for (auto const& item : std::filesystem::directory_iterator(m_directory))
        EXPECT_TRUE(item.path().filename().string().starts_with("Cache.db")) << item.path();
    m_cache = makeCache();
    EXPECT_EQ(load("http://img.test/old0.png").data, "old0");
}

TEST_F(URLCacheTest, reopening_keeps_tens_of_thousands_of_responses_and_one_store_writes_only_its_own)
{
    m_cache = makeCache(1 << 20, URLCache::defaultDiskCapacity);
    int const count = 20000;
    std::string const body(600, 'x');
    for (int number = 0; number < count; ++number) {
        auto const url = "http://img.test/many/" + std::to_string(number);
        m_cache->storeCachedResponse(cached(url, body), URLRequest(url));
    }
    m_cache->flush();
    m_cache = makeCache(1 << 20, URLCache::defaultDiskCapacity);
    EXPECT_EQ(m_cache->currentDiskUsage(), size_t { count } * 600);
    for (int number : { 0, 1, count / 2, count - 1 }) {
        auto const url = "http://img.test/many/" + std::to_string(number);
        EXPECT_EQ(m_cache->cachedResponseForRequest(URLRequest(url))->data(), body) << url;
    }

    // The bytes one more store hands the kernel: its own row, not the cache.
    Database(m_directory).exec("PRAGMA wal_checkpoint(TRUNCATE)");
    auto const before = bytesWritten();
    m_cache->storeCachedResponse(cached("http://img.test/one-more", body), URLRequest("http://img.test/one-more"));
    m_cache->flush();
    EXPECT_LT(bytesWritten() - before, 64u << 10);
}

TEST_F(URLCacheTest, two_caches_on_one_directory_wait_for_each_other_instead_of_losing_stores)
{
    auto other = makeCache();
    int const each = 150;
    auto fill = [](URLCache& cache, const std::string& prefix) {
        for (int number = 0; number < each; ++number) {
            auto const url = "http://img.test/" + prefix + std::to_string(number);
            cache.storeCachedResponse(cached(url, "body"), URLRequest(url));
        }
        cache.flush();
    };
    std::thread first([&] { fill(*m_cache, "first/"); });
    std::thread second([&] { fill(*other, "second/"); });
    first.join();
    second.join();
    other.reset();
    m_cache = makeCache();
    EXPECT_EQ(Database(m_directory).count(), 2 * each);
    EXPECT_TRUE(m_cache->hasCachedResponseForRequest(URLRequest("http://img.test/second/0")));
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
