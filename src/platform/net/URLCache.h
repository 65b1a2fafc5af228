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
#include <vector>

namespace foundation {
class DispatchQueue;
}

namespace net {

// The process's cache of GET responses, kept by URL: bodies in memory and in files
// of a directory of their own, with an index file saying what each file holds.
//
// Each body file and the index are replaced whole (written aside, then renamed), the
// body before the index that names it, so a crash leaves at worst a file the index
// does not name, which the next start removes. An index that does not read is set
// aside as if empty; an entry of it that does not read is dropped alone.
//
// Both sizes are bounded: past the memory capacity the least recently used bodies
// leave memory (they stay on disk); past the disk capacity the least recently used
// responses go. A response larger than a twentieth of the larger capacity is not
// stored at all. Disk work runs on a serial queue of the cache's own, never on the
// thread that stores. Every method may be called from any thread.
class URLCache : public std::enable_shared_from_this<URLCache> {
public:
    static constexpr size_t defaultMemoryCapacity = size_t { 4 } << 20;
    static constexpr size_t defaultDiskCapacity = size_t { 32 } << 20;
    // An index file larger than this is not read.
    static constexpr size_t maximumIndexBytes = size_t { 8 } << 20;

    // One response as the index file records it.
    struct IndexEntry {
        std::string url;
        // The body file in the directory: 16 lower-case hexadecimal digits.
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

    // The index file's text and back. Reading never fails: what does not read is
    // left out (an entry that names an unsafe file, holds a header field that could
    // not be sent, or is not a 200 among them).
    static std::vector<IndexEntry> readIndex(std::string_view text);
    static std::string writeIndex(const std::vector<IndexEntry>& entries);

    struct Private { };
    URLCache(
        Private, size_t memoryCapacity, size_t diskCapacity, std::optional<std::filesystem::path> directory);

private:
    struct Entry {
        IndexEntry record;
        uint64_t serial { 0 };
        // Null while the body is only on disk.
        std::shared_ptr<const std::string> body;
        bool onDisk { false };
    };

    static std::string cacheKey(const URLRequest& request);
    static CachedURLResponse responseOf(const Entry& entry, std::shared_ptr<const std::string> body);
    void load();
    void insertLocked(std::string key, Entry entry);
    void eraseLocked(std::map<std::string, Entry>::iterator it);
    void trimLocked();
    void scheduleIndexSaveLocked();
    void saveIndex();
    void writeBody(
        const std::string& key, uint64_t serial, std::string file, std::shared_ptr<const std::string> body);
    std::filesystem::path indexPath() const;

    const size_t m_memoryCapacity;
    const size_t m_diskCapacity;
    const std::optional<std::filesystem::path> m_directory;
    std::shared_ptr<foundation::DispatchQueue> m_io;

    mutable std::mutex m_mutex;
    std::map<std::string, Entry> m_entries;
    size_t m_memoryUsage { 0 };
    size_t m_diskUsage { 0 };
    uint64_t m_nextSerial { 1 };
    uint64_t m_useCounter { 0 };
    bool m_indexSaveQueued { false };
};

} // namespace net
