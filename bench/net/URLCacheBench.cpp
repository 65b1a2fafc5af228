// What the URL cache costs over SQLite underneath it, with 10,000 and 50,000
// small replies kept: one store of a 600-byte reply, waited for until it is on
// disk, against a raw INSERT OR REPLACE of the same row; one look-up that
// memory cannot answer against a raw SELECT of that row; and, with 10,000 kept,
// opening the cache until its first look-up is answered from disk (after its
// check of the whole file) against a raw open and SELECT, beside what SQLite's
// quick_check alone costs. The ratios, all from the one run, are printed at its end.

#include "bench/support/RatioReporter.h"
#include "platform/net/URLCache.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <unistd.h>

namespace {

constexpr size_t BodySize = 600;

std::filesystem::path benchDirectory()
{
    static std::filesystem::path const directory
        = std::filesystem::temp_directory_path() / ("urlcache-bench-" + std::to_string(::getpid()));
    return directory;
}

std::string urlOf(int64_t number)
{
    return "http://img.test/portraits/" + std::to_string(number) + ".png";
}

// The fields a picture's reply commonly has.
net::HTTPHeaders replyFields()
{
    net::HTTPHeaders headers;
    headers.set("Cache-Control", "max-age=600");
    headers.set("Content-Type", "image/png");
    headers.set("Content-Length", std::to_string(BodySize));
    headers.set("Date", "Tue, 01 Jul 2025 10:00:00 GMT");
    headers.set("Last-Modified", "Tue, 01 Jul 2025 09:00:00 GMT");
    headers.set("ETag", "\"5f3e2a1c-258\"");
    return headers;
}

net::CachedURLResponse reply(const std::string& url)
{
    return net::CachedURLResponse(net::HTTPURLResponse(url, 200, replyFields()),
        std::make_shared<const std::string>(BodySize, 'p'), 1.75e9, 1.75e9, {});
}

// A cache of `count` replies, filled once; its memory holds only a few, so a
// look-up goes to disk.
std::shared_ptr<net::URLCache> filledCache(int64_t count)
{
    static std::map<int64_t, std::shared_ptr<net::URLCache>> caches;
    auto& cache = caches[count];
    if (!cache) {
        cache = net::URLCache::create(
            16 << 10, net::URLCache::defaultDiskCapacity, benchDirectory() / ("cache-" + std::to_string(count)));
        for (int64_t number = 0; number < count; ++number)
            cache->storeCachedResponse(reply(urlOf(number)), net::URLRequest(urlOf(number)));
        cache->flush();
    }
    return cache;
}

// The same rows in a table of their own, as an application would keep them
// without the cache: WAL, synchronous NORMAL, one statement per change.
class RawDatabase {
public:
    explicit RawDatabase(int64_t count)
    {
        std::filesystem::create_directories(benchDirectory());
        auto const file = benchDirectory() / ("raw-" + std::to_string(count) + ".db");
        sqlite3_open(file.c_str(), &m_db);
        sqlite3_exec(m_db,
            "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
            "CREATE TABLE responses(url TEXT NOT NULL UNIQUE, status INTEGER NOT NULL, headers BLOB NOT NULL,"
            " vary BLOB NOT NULL, requested REAL NOT NULL, received REAL NOT NULL, used INTEGER NOT NULL,"
            " size INTEGER NOT NULL, body BLOB NOT NULL);"
            "CREATE INDEX responses_by_use ON responses(used, size);",
            nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(m_db,
            "INSERT OR REPLACE INTO responses VALUES(?1, 200, ?2, '', 1.75e9, 1.75e9, ?3, ?4, ?5)", -1, &m_insert,
            nullptr);
        sqlite3_prepare_v2(m_db,
            "SELECT url, status, headers, vary, requested, received, used, size, body FROM responses"
            " WHERE url = ?1",
            -1, &m_select, nullptr);
        auto const headers = replyFields();
        for (auto const& [name, value] : headers.fields())
            m_headers.append(name).append(":").append(value).append("\r\n");
        sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr);
        for (int64_t number = 0; number < count; ++number)
            insert(number, number);
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }
    ~RawDatabase()
    {
        sqlite3_finalize(m_insert);
        sqlite3_finalize(m_select);
        sqlite3_close(m_db);
    }
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    void insert(int64_t number, int64_t used)
    {
        auto const url = urlOf(number);
        std::string const body(BodySize, 'p');
        sqlite3_bind_text(m_insert, 1, url.data(), static_cast<int>(url.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(m_insert, 2, m_headers.data(), static_cast<int>(m_headers.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(m_insert, 3, used);
        sqlite3_bind_int64(m_insert, 4, static_cast<sqlite3_int64>(body.size()));
        sqlite3_bind_blob(m_insert, 5, body.data(), static_cast<int>(body.size()), SQLITE_TRANSIENT);
        sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
    }
    // The row's columns read out as the cache would need them.
    size_t select(int64_t number)
    {
        auto const url = urlOf(number);
        sqlite3_bind_text(m_select, 1, url.data(), static_cast<int>(url.size()), SQLITE_TRANSIENT);
        size_t bytes = 0;
        if (sqlite3_step(m_select) == SQLITE_ROW) {
            for (int column = 0; column < 9; ++column)
                bytes += static_cast<size_t>(sqlite3_column_bytes(m_select, column));
            std::string body(static_cast<const char*>(sqlite3_column_blob(m_select, 8)),
                static_cast<size_t>(sqlite3_column_bytes(m_select, 8)));
            bytes += body.size();
        }
        sqlite3_reset(m_select);
        return bytes;
    }

private:
    sqlite3* m_db { nullptr };
    sqlite3_stmt* m_insert { nullptr };
    sqlite3_stmt* m_select { nullptr };
    std::string m_headers;
};

RawDatabase& rawDatabase(int64_t count)
{
    static std::map<int64_t, std::unique_ptr<RawDatabase>> databases;
    auto& database = databases[count];
    if (!database)
        database = std::make_unique<RawDatabase>(count);
    return *database;
}

// A spread of rows the same for the cache and the raw table.
int64_t nextNumber(uint64_t& state, int64_t count)
{
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int64_t>((state >> 33) % static_cast<uint64_t>(count));
}

void Store(benchmark::State& state)
{
    auto const count = state.range(0);
    auto cache = filledCache(count);
    uint64_t spread = 1;
    for (auto _ : state) {
        auto const url = urlOf(nextNumber(spread, count));
        cache->storeCachedResponse(reply(url), net::URLRequest(url));
        cache->flush();
    }
}

void StoreRawInsert(benchmark::State& state)
{
    auto const count = state.range(0);
    auto& database = rawDatabase(count);
    uint64_t spread = 1;
    int64_t used = count;
    for (auto _ : state)
        database.insert(nextNumber(spread, count), ++used);
}

void LookUp(benchmark::State& state)
{
    auto const count = state.range(0);
    auto cache = filledCache(count);
    uint64_t spread = 7;
    for (auto _ : state) {
        auto const response = cache->cachedResponseForRequest(net::URLRequest(urlOf(nextNumber(spread, count))));
        benchmark::DoNotOptimize(response);
    }
    cache->flush();
}

void LookUpRawSelect(benchmark::State& state)
{
    auto const count = state.range(0);
    auto& database = rawDatabase(count);
    uint64_t spread = 7;
    for (auto _ : state)
        benchmark::DoNotOptimize(database.select(nextNumber(spread, count)));
}

// A cache of `count` replies on disk and closed, for opening afresh.
std::filesystem::path closedCache(int64_t count)
{
    auto const directory = benchDirectory() / ("closed-" + std::to_string(count));
    if (!std::filesystem::exists(directory)) {
        auto cache = net::URLCache::create(16 << 10, net::URLCache::defaultDiskCapacity, directory);
        for (int64_t number = 0; number < count; ++number)
            cache->storeCachedResponse(reply(urlOf(number)), net::URLRequest(urlOf(number)));
        cache->flush();
    }
    return directory;
}

void OpenAndLookUp(benchmark::State& state)
{
    auto const count = state.range(0);
    auto const directory = closedCache(count);
    uint64_t spread = 11;
    for (auto _ : state) {
        auto cache = net::URLCache::create(16 << 10, net::URLCache::defaultDiskCapacity, directory);
        // Look-ups miss until the check on the cache's queue has passed.
        cache->flush();
        auto const response = cache->cachedResponseForRequest(net::URLRequest(urlOf(nextNumber(spread, count))));
        if (!response)
            state.SkipWithError("the first look-up missed");
        benchmark::DoNotOptimize(response);
    }
}

// What the thread that opens the cache pays: the open, and a first look-up,
// which misses while the check runs on the cache's queue.
void OpenOnTheOpenersThread(benchmark::State& state)
{
    auto const count = state.range(0);
    auto const directory = closedCache(count);
    uint64_t spread = 11;
    for (auto _ : state) {
        auto cache = net::URLCache::create(16 << 10, net::URLCache::defaultDiskCapacity, directory);
        auto const response = cache->cachedResponseForRequest(net::URLRequest(urlOf(nextNumber(spread, count))));
        benchmark::DoNotOptimize(response);
        state.PauseTiming();
        cache->flush();
        cache.reset();
        state.ResumeTiming();
    }
}

// Open, read a row, close: the SQLite underneath the cache, without its check.
void OpenAndLookUpRaw(benchmark::State& state, const char* pragma)
{
    auto const count = state.range(0);
    auto const file = closedCache(count) / "Cache.db";
    uint64_t spread = 11;
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        if (pragma)
            sqlite3_exec(db, pragma, nullptr, nullptr, nullptr);
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT url, status, headers, vary, requested, received, used, size, body"
                               " FROM responses WHERE url = ?1", -1, &select, nullptr);
        auto const url = urlOf(nextNumber(spread, count));
        sqlite3_bind_text(select, 1, url.data(), static_cast<int>(url.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(select) != SQLITE_ROW)
            state.SkipWithError("the raw select missed");
        sqlite3_finalize(select);
        sqlite3_close(db);
    }
}

void OpenAndLookUpRawSelect(benchmark::State& state)
{
    OpenAndLookUpRaw(state, nullptr);
}

void OpenAndLookUpRawQuickCheck(benchmark::State& state)
{
    OpenAndLookUpRaw(state, "PRAGMA quick_check");
}

} // namespace

BENCHMARK(OpenAndLookUp)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OpenOnTheOpenersThread)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OpenAndLookUpRawSelect)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OpenAndLookUpRawQuickCheck)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Store)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(StoreRawInsert)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(LookUp)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(LookUpRawSelect)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (std::string const count : { "10000", "50000" }) {
        reporter.printRatio("one store among " + count, "Store/" + count, "a raw INSERT OR REPLACE of the row",
            "StoreRawInsert/" + count);
        reporter.printRatio("one look-up from disk among " + count, "LookUp/" + count,
            "a raw SELECT of the row", "LookUpRawSelect/" + count);
    }
    reporter.printRatio("opening among 10000 until a look-up is answered", "OpenAndLookUp/10000",
        "a raw open and SELECT", "OpenAndLookUpRawSelect/10000");
    reporter.printRatio("opening among 10000 on the opener's thread", "OpenOnTheOpenersThread/10000",
        "a raw open and SELECT", "OpenAndLookUpRawSelect/10000");
    reporter.printRatio("a raw open, quick_check and SELECT", "OpenAndLookUpRawQuickCheck/10000",
        "a raw open and SELECT", "OpenAndLookUpRawSelect/10000");
    std::error_code ignored;
    std::filesystem::remove_all(benchDirectory(), ignored);
    return 0;
}
