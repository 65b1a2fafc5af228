#pragma once

#include "platform/net/URLCache.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace net {

// The URL cache's responses on disk: one SQLite database in WAL mode, a row per URL
// holding its head and its body, so that a response is written in one transaction
// of its own size and is never half there.
//
// Writing (everything but read and totals) is for one thread at a time, which the
// URL cache keeps to its serial disk queue; read may come from any thread at once
// with the writer, on a connection of its own.
//
// What it cannot trust it does not serve: a row that does not read back as a 200
// with header fields that could be sent, and a body of the recorded size (and of
// its Content-Length, when it has one), is Damaged. A file that is not a database of ours is set aside (Cache.db.damaged)
// and a new one made; a database SQLite finds damaged is copied, row by row, into a
// new one, leaving out only the rows that do not read. Another process writing at
// the same moment is waited for (busyTimeoutMilliseconds) rather than failed.
class URLCacheStore {
public:
    static constexpr std::string_view fileName = "Cache.db";
    static constexpr std::string_view asideSuffix = ".damaged";
    static constexpr int busyTimeoutMilliseconds = 5000;

    enum class Outcome {
        Done,
        // No row for the URL (or, for updateHead, none with a body of that size).
        Missing,
        // SQLite found the database damaged, or a row did not read.
        Damaged,
        // Anything else: the disk full, another writer holding on past the time-out.
        Failed,
    };

    struct Row {
        URLCache::IndexEntry record;
        std::shared_ptr<const std::string> body;
    };

    // The database in `directory`, set aside and made again or copied as need be;
    // nullptr when none can be opened there at all (no permission, no space).
    static std::unique_ptr<URLCacheStore> open(const std::filesystem::path& directory);
    // Copies what reads of the database into a new one in its place, the damaged
    // file set aside; nullptr as for open(). No connection to it may be open.
    static std::unique_ptr<URLCacheStore> rebuild(const std::filesystem::path& directory);
    ~URLCacheStore();
    URLCacheStore(const URLCacheStore&) = delete;
    URLCacheStore& operator=(const URLCacheStore&) = delete;

    // Bytes of every body stored, and the largest last-used mark.
    struct Totals {
        uint64_t size { 0 };
        uint64_t lastUsed { 0 };
    };
    Totals totals() const { return m_totals; }

    // Any thread. Without `withBody` the row's body is not read (its size is).
    Outcome read(const std::string& url, bool withBody, Row& row);

    // Writer only. Inside a transaction each change is all or nothing together.
    Outcome begin();
    Outcome commit();
    void rollback();
    // Inserts or replaces the URL's row; `change` gets the change in stored bytes.
    Outcome put(const URLCache::IndexEntry& record, std::string_view body, int64_t& change);
    // The head, times and mark of the URL's row, its body left as it is.
    Outcome updateHead(const URLCache::IndexEntry& record);
    Outcome touch(const std::string& url, uint64_t lastUsed);
    Outcome remove(const std::string& url, int64_t& change);
    // Up to `count` URLs with their sizes, least recently used first.
    Outcome leastRecentlyUsed(size_t count, std::vector<std::pair<std::string, uint64_t>>& found);
    // Writer only. SQLite's own look over every page: damage that opening did not
    // meet (cells of a page overlapping, rows out of order) is Damaged here rather
    // than a store lost later in silence.
    Outcome check();

    // How a row holds a head's fields and the varying fields: "name:value" lines
    // ending in CR LF, a varying field that was absent as its name alone. Reading
    // refuses any field that could not be sent.
    static std::string writeHeaders(const HTTPHeaders& headers);
    static std::optional<HTTPHeaders> readHeaders(std::string_view text);
    static std::string writeVaryingFields(const CachedURLResponse::VaryingFields& fields);
    static std::optional<CachedURLResponse::VaryingFields> readVaryingFields(std::string_view text);

    struct Private { };
    URLCacheStore(Private, std::filesystem::path file);

private:
    struct Connection;
    Outcome openFile(bool fresh);
    Outcome step(sqlite3_stmt* statement, bool expectRow);
    static void setAside(const std::filesystem::path& file);
    // The number of responses copied.
    size_t copyFrom(const std::filesystem::path& damaged);

    const std::filesystem::path m_file;
    std::unique_ptr<Connection> m_writer;
    std::mutex m_readMutex;
    std::unique_ptr<Connection> m_reader;
    Totals m_totals;
};

} // namespace net
