#pragma once

#include "platform/net/CachedURLResponse.h"
#include "platform/net/URLRequest.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace foundation {
class DispatchQueue;
}

namespace net {

class URLCacheStore;

// The process's cache of GET responses, kept by URL: the most recently used in
// memory, every one in an SQLite database in a directory of its own (URLCacheStore),
// head and body in one row.
//
// A store or a removal is one transaction of its own size, run on a serial queue of
// the cache's own, never on the thread that stores; until it has run the cache
// answers from memory as if it had. A look-up that memory cannot answer reads the
// database on the caller's thread, beside that queue, once the database has been
// checked whole on that queue after opening (until then it answers from memory
// alone; a database the check finds damaged is copied as on any damage met). The
// earlier versions' index
// file (index.json, with a body file per response) is moved into the database on the
// first start that finds it, and removed with its files.
//
// Both sizes are bounded: past the memory capacity the least recently used bodies
// leave memory (they stay on disk); past the disk capacity the least recently used
// responses go. A response larger than a twentieth of the larger capacity is not
// stored at all. Every method may be called from any thread.
class URLCache : public std::enable_shared_from_this<URLCache> {
public:
    static constexpr size_t defaultMemoryCapacity = size_t { 4 } << 20;
    static constexpr size_t defaultDiskCapacity = size_t { 32 } << 20;
    // An earlier version's index file larger than this is not moved into the database.
    static constexpr size_t maximumIndexBytes = size_t { 64 } << 20;

    // One response as it is kept: a row of the database, or an entry of the earlier
    // versions' index file.
    struct IndexEntry {
        std::string url;
        // In the earlier index only: the body file in the directory, 16 lower-case
        // hexadecimal digits.
        std::string file;
        int statusCode { 200 };
        HTTPHeaders headers;
        CachedURLResponse::VaryingFields varyingFields;
        double requestTime { 0 };
        double responseTime { 0 };
        // Larger is more recent.
        uint64_t lastUsed { 0 };
        uint64_t size { 0 };
    };

    // Without a directory the cache is in memory only.
    static std::shared_ptr<URLCache> create(
        size_t memoryCapacity, size_t diskCapacity, std::optional<std::filesystem::path> directory);
    ~URLCache();
    URLCache(const URLCache&) = delete;
    URLCache& operator=(const URLCache&) = delete;

    // The cache in "URLCache" of the caches directory, made on first use.
    static std::shared_ptr<URLCache> shared();
    // nullptr lets the next shared() make one again (under the home of that moment).
    static void setShared(std::shared_ptr<URLCache> cache);

    // The response stored for the request's URL, if the request's varying fields
    // match it; a body file gone missing or cut short counts as nothing stored.
    std::optional<CachedURLResponse> cachedResponseForRequest(const URLRequest& request);
    // Whether a response is stored for the URL, without reading its body.
    bool hasCachedResponseForRequest(const URLRequest& request) const;
    // Replaces whatever was stored for the request's URL.
    void storeCachedResponse(const CachedURLResponse& response, const URLRequest& request);
    // After a 304: the stored response takes the confirmed head and age, its body
    // stays where it is. Stores it whole when the stored one went meanwhile.
    void updateCachedResponse(const CachedURLResponse& response, const URLRequest& request);
    void removeCachedResponseForRequest(const URLRequest& request);

    size_t memoryCapacity() const { return m_memoryCapacity; }
    size_t diskCapacity() const { return m_diskCapacity; }
    // The largest body stored: a twentieth of the larger capacity.
    size_t largestStoredSize() const { return std::max(m_memoryCapacity, m_diskCapacity) / 20; }
    size_t currentMemoryUsage() const;
    size_t currentDiskUsage() const;
    // Waits until everything stored so far is on disk.
    void flush();

    // The earlier versions' index file's text and back. Reading never fails: what
    // does not read is left out (an entry that names an unsafe file, holds a header
    // field that could not be sent, or is not a 200 among them).
    static std::vector<IndexEntry> readIndex(std::string_view text);
    static std::string writeIndex(const std::vector<IndexEntry>& entries);

    struct Private { };
    URLCache(
        Private, size_t memoryCapacity, size_t diskCapacity, std::optional<std::filesystem::path> directory);

private:
    struct Entry {
        IndexEntry record;
        std::shared_ptr<const std::string> body;
        // Which store of the URL this is; a write of an older one is not this one's.
        uint64_t serial { 0 };
        // In the database as it is here (always, without a directory).
        bool written { false };
    };
    using Store = std::shared_ptr<URLCacheStore>;

    static std::string cacheKey(const URLRequest& request);
    static CachedURLResponse responseOf(const IndexEntry& record, std::shared_ptr<const std::string> body);
    void open();
    // On the disk queue, once: SQLite's look over the database just opened.
    void checkOpened();
    void migrateIndexFile(URLCacheStore& store);
    std::optional<CachedURLResponse> lookUp(const URLRequest& request, bool withBody);
    void store(const CachedURLResponse& response, const URLRequest& request, bool headOnly);
    // The database, unless a copy of it is being made or it is not yet checked.
    Store storeLocked() const;
    bool hasDiskLocked() const;
    void keepLocked(std::string key, Entry entry);
    void dropLocked(std::unordered_map<std::string, Entry>::iterator it);
    void removeLocked(const std::string& key);
    void useLocked(Entry& entry, const std::string& key);
    void trimMemoryLocked();
    void queueTouchesLocked(bool now = false);
    void rebuildLocked(const Store& store);
    // On the disk queue.
    // A write or removal that meets damage is done again in the copy made of the
    // database (afterRebuild), once.
    void write(const std::string& key, uint64_t serial, bool headOnly, bool afterRebuild = false);
    void remove(const std::string& key, bool afterRebuild = false);
    void saveTouches(URLCacheStore& store);
    // Removes the least recently used rows until `usage` is within the capacity.
    bool evictPastCapacity(URLCacheStore& store, uint64_t& usage, std::vector<std::string>& evicted);

    const size_t m_memoryCapacity;
    const size_t m_diskCapacity;
    const std::optional<std::filesystem::path> m_directory;
    std::shared_ptr<foundation::DispatchQueue> m_io;

    mutable std::mutex m_mutex;
    // Null without a directory, or when no database could be opened there.
    Store m_store;
    std::unordered_map<std::string, Entry> m_memory;
    // Memory's URLs by last use, oldest first.
    std::map<uint64_t, std::string> m_memoryByUse;
    // URLs whose removal is queued: the database's row is no answer meanwhile.
    std::unordered_map<std::string, int> m_removing;
    // Uses not yet marked in the database, by URL.
    std::unordered_map<std::string, uint64_t> m_touches;
    bool m_touchesQueued { false };
    bool m_rebuildQueued { false };
    // The database opened is not read until checkOpened has looked it over.
    bool m_checking { false };
    size_t m_memoryUsage { 0 };
    size_t m_diskUsage { 0 };
    uint64_t m_nextSerial { 1 };
    uint64_t m_useCounter { 0 };
    // Counts every change of what the database holds, so a look-up that read it
    // meanwhile knows not to keep what it read.
    uint64_t m_changes { 0 };
};

} // namespace net
