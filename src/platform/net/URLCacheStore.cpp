#include "platform/net/URLCacheStore.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <sqlite3.h>
#include <system_error>
#include <unistd.h>

namespace net {

namespace {

constexpr int schemaVersion = 1;
// No body of ours comes near it; a larger size in a row is not one we wrote.
constexpr uint64_t largestRecordedSize = uint64_t { 1 } << 40;

constexpr const char* schema = "CREATE TABLE IF NOT EXISTS responses("
                               " url TEXT NOT NULL UNIQUE,"
                               " status INTEGER NOT NULL,"
                               " headers BLOB NOT NULL,"
                               " vary BLOB NOT NULL,"
                               " requested REAL NOT NULL,"
                               " received REAL NOT NULL,"
                               " used INTEGER NOT NULL,"
                               " size INTEGER NOT NULL,"
                               " body BLOB NOT NULL);"
                               // Eviction walks it oldest first; the total size is read from it alone.
                               "CREATE INDEX IF NOT EXISTS responses_by_use ON responses(used, size);";

constexpr const char* rowColumns = "url, status, headers, vary, requested, received, used, size";

// What the machine did rather than what the file holds: the disk full or read-only,
// another process holding on, no memory. Every other failure (a file that is not a
// database, or is one SQLite cannot read: "unsupported file format" among them) is
// the file's own.
bool isDamage(int code)
{
    switch (code & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_READONLY:
    case SQLITE_INTERRUPT:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_PROTOCOL:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return false;
    default:
        return true;
    }
}

URLCacheStore::Outcome outcomeOf(int code)
{
    if (code == SQLITE_OK || code == SQLITE_DONE || code == SQLITE_ROW)
        return URLCacheStore::Outcome::Done;
    return isDamage(code) ? URLCacheStore::Outcome::Damaged : URLCacheStore::Outcome::Failed;
}

std::string_view columnBytes(sqlite3_stmt* statement, int column)
{
    auto const* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
    auto const size = sqlite3_column_bytes(statement, column);
    return bytes ? std::string_view(bytes, static_cast<size_t>(size)) : std::string_view();
}

void bindText(sqlite3_stmt* statement, int index, std::string_view text)
{
    sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void bindBlob(sqlite3_stmt* statement, int index, std::string_view bytes)
{
    // An empty blob, not NULL: the column may not be NULL.
    sqlite3_bind_blob64(statement, index, bytes.empty() ? "" : bytes.data(), bytes.size(), SQLITE_TRANSIENT);
}

// The columns of rowColumns as parameters 1 to 8.
void bindRecord(sqlite3_stmt* statement, const URLCache::IndexEntry& record, uint64_t size)
{
    bindText(statement, 1, record.url);
    sqlite3_bind_int(statement, 2, record.statusCode);
    bindBlob(statement, 3, URLCacheStore::writeHeaders(record.headers));
    bindBlob(statement, 4, URLCacheStore::writeVaryingFields(record.varyingFields));
    sqlite3_bind_double(statement, 5, record.requestTime);
    sqlite3_bind_double(statement, 6, record.responseTime);
    sqlite3_bind_int64(statement, 7, static_cast<sqlite3_int64>(record.lastUsed));
    sqlite3_bind_int64(statement, 8, static_cast<sqlite3_int64>(size));
}

// The fields of a row up to its body, as the columns of rowColumns from `first` on;
// nothing when any does not read.
std::optional<URLCache::IndexEntry> readRecord(sqlite3_stmt* statement, int first)
{
    URLCache::IndexEntry record;
    record.url = std::string(columnBytes(statement, first));
    record.statusCode = sqlite3_column_int(statement, first + 1);
    auto headers = URLCacheStore::readHeaders(columnBytes(statement, first + 2));
    auto vary = URLCacheStore::readVaryingFields(columnBytes(statement, first + 3));
    record.requestTime = sqlite3_column_double(statement, first + 4);
    record.responseTime = sqlite3_column_double(statement, first + 5);
    auto const used = sqlite3_column_int64(statement, first + 6);
    auto const size = sqlite3_column_int64(statement, first + 7);
    if (record.url.empty() || record.statusCode != 200 || !headers || !vary || !std::isfinite(record.requestTime)
        || !std::isfinite(record.responseTime) || used < 0 || size < 0
        || static_cast<uint64_t>(size) > largestRecordedSize)
        return std::nullopt;
    // A stored head says its body's own length (CachedURLResponse::make).
    if (auto const length = headers->value("Content-Length"); length && *length != std::to_string(size))
        return std::nullopt;
    record.headers = std::move(*headers);
    record.varyingFields = std::move(*vary);
    record.lastUsed = static_cast<uint64_t>(used);
    record.size = static_cast<uint64_t>(size);
    return record;
}

} // namespace

struct URLCacheStore::Connection {
    sqlite3* db { nullptr };
    std::vector<sqlite3_stmt*> statements;

    ~Connection()
    {
        for (auto* statement : statements)
            sqlite3_finalize(statement);
        sqlite3_close_v2(db);
    }

    int exec(const char* sql) const { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

    // Made once, kept for the connection's life; nullptr when it does not prepare
    // (a table of another shape under our name).
    sqlite3_stmt* prepare(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            return nullptr;
        statements.push_back(statement);
        return statement;
    }

    static std::unique_ptr<Connection> open(const std::filesystem::path& file, int flags, int& code)
    {
        auto connection = std::make_unique<Connection>();
        code = sqlite3_open_v2(file.c_str(), &connection->db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (code != SQLITE_OK)
            return nullptr;
        sqlite3_extended_result_codes(connection->db, 1);
        sqlite3_busy_timeout(connection->db, busyTimeoutMilliseconds);
        return connection;
    }
};

namespace {

// Resets a statement, and its bindings, however the scope is left.
class Use {
public:
    explicit Use(sqlite3_stmt* statement)
        : m_statement(statement)
    {
    }
    ~Use()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

private:
    sqlite3_stmt* m_statement;
};

// The writer's statements, in the order Writer::prepareAll makes them.
enum Statement : size_t {
    Begin,
    Commit,
    Rollback,
    SizeOf,
    Put,
    UpdateHead,
    Touch,
    Remove,
    LeastRecent,
    StatementCount,
};

} // namespace

URLCacheStore::URLCacheStore(Private, std::filesystem::path file)
    : m_file(std::move(file))
{
}

URLCacheStore::~URLCacheStore() = default;

std::unique_ptr<URLCacheStore> URLCacheStore::open(const std::filesystem::path& directory)
{
    auto store = std::make_unique<URLCacheStore>(Private {}, directory / fileName);
    switch (store->openFile(false)) {
    case Outcome::Done:
        return store;
    case Outcome::Damaged:
        return rebuild(directory);
    default:
        return nullptr;
    }
}

std::unique_ptr<URLCacheStore> URLCacheStore::rebuild(const std::filesystem::path& directory)
{
    auto const file = directory / fileName;
    setAside(file);
    auto store = std::make_unique<URLCacheStore>(Private {}, file);
    if (store->openFile(true) != Outcome::Done)
        return nullptr;
    auto aside = file;
    aside += asideSuffix;
    auto const kept = store->copyFrom(aside);
    // As a settings file set aside is: the user learns why the cache forgot.
    std::fprintf(stderr, "URL cache: %s is damaged; set aside as %s, %zu responses kept in a new one\n",
        file.c_str(), aside.c_str(), kept);
    return store;
}

void URLCacheStore::setAside(const std::filesystem::path& file)
{
    auto aside = file;
    aside += asideSuffix;
    std::error_code ignored;
    for (std::string_view suffix : { "", "-wal" }) {
        auto from = file;
        from += suffix;
        auto to = aside;
        to += suffix;
        std::filesystem::remove(to, ignored);
        std::filesystem::rename(from, to, ignored);
    }
    auto shared = file;
    shared += "-shm";
    std::filesystem::remove(shared, ignored);
    auto asideShared = aside;
    asideShared += "-shm";
    std::filesystem::remove(asideShared, ignored);
}

URLCacheStore::Outcome URLCacheStore::openFile(bool fresh)
{
    int code = SQLITE_OK;
    auto writer = Connection::open(m_file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, code);
    if (!writer)
        return outcomeOf(code);
    // WAL: a store appends its own pages; readers go on while it does. A crash may
    // lose the last stores since a checkpoint, never the database: it is a cache.
    // Two answers to opening are the file's own doing, not the machine's: read
    // only, for a file this process may write (the write version of a later
    // SQLite in its header, or damage there: every store would fail), and out
    // of memory, for a record whose sizes are damaged (nothing this small runs
    // out otherwise). A file or folder the process may not write is the
    // machine's doing.
    auto const writable = [this] {
        return ::access(m_file.c_str(), W_OK) == 0 && ::access(m_file.parent_path().c_str(), W_OK) == 0;
    };
    auto const refused = [&writable](int failure) {
        int const primary = failure & 0xff;
        if (primary == SQLITE_NOMEM || (primary == SQLITE_READONLY && writable()))
            return Outcome::Damaged;
        return outcomeOf(failure);
    };
    if ((code = writer->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;")) != SQLITE_OK)
        return refused(code);
    int found = 0;
    {
        sqlite3_stmt* version = nullptr;
        code = sqlite3_prepare_v2(writer->db, "PRAGMA user_version", -1, &version, nullptr);
        if (code == SQLITE_OK)
            code = sqlite3_step(version);
        if (code == SQLITE_ROW)
            found = sqlite3_column_int(version, 0);
        sqlite3_finalize(version);
        if (code != SQLITE_ROW)
            return outcomeOf(code) == Outcome::Done ? Outcome::Damaged : refused(code);
    }
    // A database of another program, or of a later version of ours.
    if (found != 0 && found != schemaVersion)
        return Outcome::Damaged;
    if (sqlite3_db_readonly(writer->db, "main") == 1 && writable())
        return Outcome::Damaged;
    if ((code = writer->exec(schema)) != SQLITE_OK)
        return refused(code);
    if (found == 0 && writer->exec("PRAGMA user_version=1") != SQLITE_OK)
        return Outcome::Failed;

    std::string const select = std::string("SELECT ") + rowColumns + " FROM responses";
    const char* const sql[StatementCount] = {
        "BEGIN IMMEDIATE",
        "COMMIT",
        "ROLLBACK",
        "SELECT size FROM responses WHERE url = ?1",
        "INSERT OR REPLACE INTO responses(url, status, headers, vary, requested, received, used, size, body)"
        " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
        "UPDATE responses SET status = ?2, headers = ?3, vary = ?4, requested = ?5, received = ?6, used = ?7"
        " WHERE url = ?1 AND size = ?8",
        "UPDATE responses SET used = ?2 WHERE url = ?1",
        "DELETE FROM responses WHERE url = ?1",
        "SELECT url, size FROM responses ORDER BY used LIMIT ?1",
    };
    for (auto const* text : sql) {
        if (!writer->prepare(text))
            return Outcome::Damaged;
    }
    auto* totals = writer->prepare("SELECT total(size), ifnull(max(used), 0) FROM responses");
    if (!totals)
        return Outcome::Damaged;
    code = sqlite3_step(totals);
    if (isDamage(code) && !fresh) {
        // The index the totals come from may be all that is damaged.
        sqlite3_reset(totals);
        writer->exec("REINDEX responses");
        code = sqlite3_step(totals);
    }
    if (code != SQLITE_ROW) {
        sqlite3_reset(totals);
        return outcomeOf(code) == Outcome::Done ? Outcome::Failed : refused(code);
    }
    m_totals.size = static_cast<uint64_t>(std::max(0.0, sqlite3_column_double(totals, 0)));
    m_totals.lastUsed = static_cast<uint64_t>(std::max<sqlite3_int64>(0, sqlite3_column_int64(totals, 1)));
    sqlite3_reset(totals);

    auto reader = Connection::open(m_file, SQLITE_OPEN_READONLY, code);
    if (!reader)
        return outcomeOf(code);
    if (!reader->prepare((select + " WHERE url = ?1").c_str())
        || !reader->prepare((std::string("SELECT ") + rowColumns + ", body FROM responses WHERE url = ?1").c_str()))
        return Outcome::Damaged;
    m_writer = std::move(writer);
    m_reader = std::move(reader);
    return Outcome::Done;
}

URLCacheStore::Outcome URLCacheStore::step(sqlite3_stmt* statement, bool expectRow)
{
    int const code = sqlite3_step(statement);
    if (code == SQLITE_ROW)
        return Outcome::Done;
    if (code == SQLITE_DONE)
        return expectRow ? Outcome::Missing : Outcome::Done;
    return outcomeOf(code);
}

URLCacheStore::Outcome URLCacheStore::read(const std::string& url, bool withBody, Row& row)
{
    std::lock_guard lock(m_readMutex);
    auto* select = m_reader->statements[withBody ? 1 : 0];
    Use reset(select);
    bindText(select, 1, url);
    if (auto const outcome = step(select, true); outcome != Outcome::Done)
        return outcome;
    auto record = readRecord(select, 0);
    if (!record || record->url != url)
        return Outcome::Damaged;
    row.record = std::move(*record);
    row.body.reset();
    if (!withBody)
        return Outcome::Done;
    auto const bytes = columnBytes(select, 8);
    if (bytes.size() != row.record.size)
        return Outcome::Damaged;
    row.body = std::make_shared<const std::string>(bytes);
    return Outcome::Done;
}

URLCacheStore::Outcome URLCacheStore::begin()
{
    Use reset(m_writer->statements[Begin]);
    return step(m_writer->statements[Begin], false);
}

URLCacheStore::Outcome URLCacheStore::commit()
{
    Use reset(m_writer->statements[Commit]);
    return step(m_writer->statements[Commit], false);
}

void URLCacheStore::rollback()
{
    if (sqlite3_get_autocommit(m_writer->db))
        return;
    Use reset(m_writer->statements[Rollback]);
    sqlite3_step(m_writer->statements[Rollback]);
}

URLCacheStore::Outcome URLCacheStore::put(const URLCache::IndexEntry& record, std::string_view body, int64_t& change)
{
    int64_t previous = 0;
    {
        auto* sizeOf = m_writer->statements[SizeOf];
        Use reset(sizeOf);
        bindText(sizeOf, 1, record.url);
        auto const outcome = step(sizeOf, true);
        if (outcome == Outcome::Done)
            previous = sqlite3_column_int64(sizeOf, 0);
        else if (outcome != Outcome::Missing)
            return outcome;
    }
    auto* put = m_writer->statements[Put];
    Use reset(put);
    bindRecord(put, record, body.size());
    bindBlob(put, 9, body);
    if (auto const outcome = step(put, false); outcome != Outcome::Done)
        return outcome;
    // A table whose damaged pages SQLite has not noticed may take a row and
    // then not find it again: a row that does not read back is damage met.
    {
        auto* sizeOf = m_writer->statements[SizeOf];
        Use reset(sizeOf);
        bindText(sizeOf, 1, record.url);
        auto const found = step(sizeOf, true);
        if (found == Outcome::Missing
            || (found == Outcome::Done
                && sqlite3_column_int64(sizeOf, 0) != static_cast<int64_t>(body.size())))
            return Outcome::Damaged;
        if (found != Outcome::Done)
            return found;
    }
    change = static_cast<int64_t>(body.size()) - previous;
    return Outcome::Done;
}

URLCacheStore::Outcome URLCacheStore::updateHead(const URLCache::IndexEntry& record)
{
    auto* update = m_writer->statements[UpdateHead];
    Use reset(update);
    bindRecord(update, record, record.size);
    auto const outcome = step(update, false);
    if (outcome == Outcome::Done && sqlite3_changes(m_writer->db) == 0)
        return Outcome::Missing;
    return outcome;
}

URLCacheStore::Outcome URLCacheStore::touch(const std::string& url, uint64_t lastUsed)
{
    auto* touch = m_writer->statements[Touch];
    Use reset(touch);
    bindText(touch, 1, url);
    sqlite3_bind_int64(touch, 2, static_cast<sqlite3_int64>(lastUsed));
    return step(touch, false);
}

URLCacheStore::Outcome URLCacheStore::remove(const std::string& url, int64_t& change)
{
    int64_t previous = 0;
    {
        auto* sizeOf = m_writer->statements[SizeOf];
        Use reset(sizeOf);
        bindText(sizeOf, 1, url);
        auto const outcome = step(sizeOf, true);
        if (outcome == Outcome::Missing)
            return Outcome::Missing;
        if (outcome != Outcome::Done)
            return outcome;
        previous = sqlite3_column_int64(sizeOf, 0);
    }
    auto* remove = m_writer->statements[Remove];
    Use reset(remove);
    bindText(remove, 1, url);
    auto const outcome = step(remove, false);
    if (outcome == Outcome::Done)
        change = -previous;
    return outcome;
}

URLCacheStore::Outcome URLCacheStore::leastRecentlyUsed(
    size_t count, std::vector<std::pair<std::string, uint64_t>>& found)
{
    auto* select = m_writer->statements[LeastRecent];
    Use reset(select);
    sqlite3_bind_int64(select, 1, static_cast<sqlite3_int64>(count));
    int code;
    while ((code = sqlite3_step(select)) == SQLITE_ROW) {
        found.emplace_back(std::string(columnBytes(select, 0)),
            static_cast<uint64_t>(std::max<sqlite3_int64>(0, sqlite3_column_int64(select, 1))));
    }
    return outcomeOf(code);
}

URLCacheStore::Outcome URLCacheStore::check()
{
    sqlite3_stmt* statement = nullptr;
    int code = sqlite3_prepare_v2(m_writer->db, "PRAGMA quick_check", -1, &statement, nullptr);
    if (code != SQLITE_OK)
        return outcomeOf(code);
    // One row "ok" when it finds nothing; a row per fault otherwise.
    bool healthy = true;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW)
        healthy = healthy && columnBytes(statement, 0) == "ok";
    sqlite3_finalize(statement);
    if (code != SQLITE_DONE)
        return outcomeOf(code);
    return healthy ? Outcome::Done : Outcome::Damaged;
}

// Rows come out in rowid order. Where a seek lands in a damaged page, the first
// rowid past the damage is found by doubling a step until a seek succeeds and then
// halving back, so only the rows on the damaged pages are left behind.
size_t URLCacheStore::copyFrom(const std::filesystem::path& damaged)
{
    size_t copied = 0;
    int code = SQLITE_OK;
    auto source = Connection::open(damaged, SQLITE_OPEN_READWRITE, code);
    if (!source)
        return copied;
    auto* seek = source->prepare(
        (std::string("SELECT rowid, ") + rowColumns + ", body FROM responses WHERE rowid >= ?1 ORDER BY rowid LIMIT 1")
            .c_str());
    if (!seek)
        return copied;
    enum class Seek { Row, End, Damaged };
    auto seekFrom = [seek](int64_t from) {
        sqlite3_reset(seek);
        sqlite3_bind_int64(seek, 1, from);
        int const result = sqlite3_step(seek);
        return result == SQLITE_ROW ? Seek::Row : result == SQLITE_DONE ? Seek::End : Seek::Damaged;
    };
    constexpr int64_t largest = std::numeric_limits<int64_t>::max() / 4;
    if (begin() != Outcome::Done)
        return copied;
    int64_t next = std::numeric_limits<int64_t>::min() / 4;
    for (;;) {
        auto found = seekFrom(next);
        if (found == Seek::Damaged) {
            int64_t failed = next;
            int64_t step = 1;
            std::optional<int64_t> passed;
            while (!passed && failed + step <= largest) {
                if (seekFrom(failed + step) == Seek::Damaged) {
                    failed += step;
                    step *= 2;
                } else {
                    passed = failed + step;
                }
            }
            if (!passed)
                break;
            while (*passed - failed > 1) {
                auto const middle = failed + (*passed - failed) / 2;
                if (seekFrom(middle) == Seek::Damaged)
                    failed = middle;
                else
                    passed = middle;
            }
            next = *passed;
            found = seekFrom(next);
            if (found == Seek::Damaged)
                break;
        }
        if (found == Seek::End)
            break;
        auto const rowid = sqlite3_column_int64(seek, 0);
        auto record = readRecord(seek, 1);
        auto const body = columnBytes(seek, 9);
        int64_t change = 0;
        if (record && body.size() == record->size && put(*record, body, change) == Outcome::Done) {
            ++copied;
            m_totals.size += static_cast<uint64_t>(change);
            m_totals.lastUsed = std::max(m_totals.lastUsed, record->lastUsed);
        }
        if (rowid >= largest)
            break;
        next = rowid + 1;
    }
    sqlite3_reset(seek);
    if (commit() != Outcome::Done) {
        rollback();
        copied = 0;
    }
    return copied;
}

std::string URLCacheStore::writeHeaders(const HTTPHeaders& headers)
{
    std::string text;
    for (auto const& [name, value] : headers.fields())
        text.append(name).append(":").append(value).append("\r\n");
    return text;
}

std::optional<HTTPHeaders> URLCacheStore::readHeaders(std::string_view text)
{
    auto fields = readVaryingFields(text);
    if (!fields)
        return std::nullopt;
    HTTPHeaders headers;
    for (auto& [name, value] : *fields) {
        if (!value)
            return std::nullopt;
        headers.add(name, *value);
    }
    return headers;
}

std::string URLCacheStore::writeVaryingFields(const CachedURLResponse::VaryingFields& fields)
{
    std::string text;
    for (auto const& [name, value] : fields) {
        text.append(name);
        if (value)
            text.append(":").append(*value);
        text.append("\r\n");
    }
    return text;
}

std::optional<CachedURLResponse::VaryingFields> URLCacheStore::readVaryingFields(std::string_view text)
{
    CachedURLResponse::VaryingFields fields;
    while (!text.empty()) {
        auto const end = text.find("\r\n");
        if (end == std::string_view::npos)
            return std::nullopt;
        auto const line = text.substr(0, end);
        text.remove_prefix(end + 2);
        auto const colon = line.find(':');
        auto const name = line.substr(0, colon);
        if (!HTTPHeaders::isToken(name))
            return std::nullopt;
        if (colon == std::string_view::npos) {
            fields.emplace_back(std::string(name), std::nullopt);
            continue;
        }
        auto const value = line.substr(colon + 1);
        if (!HTTPHeaders::isSafeValue(value))
            return std::nullopt;
        fields.emplace_back(std::string(name), std::string(value));
    }
    return fields;
}

} // namespace net
