#include "platform/net/URLCache.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SharedSlot.h"
#include "platform/net/URLCacheStore.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <thread>

namespace net {

namespace {

constexpr std::string_view indexFileName = "index.json";
constexpr int indexVersion = 1;
constexpr size_t fileNameLength = 16;
// No body of ours comes near it; a larger size in the index is not one we wrote.
constexpr uint64_t largestRecordedSize = uint64_t { 1 } << 40;
// Rows chosen at a time for eviction.
constexpr size_t evictionBatch = 64;
// Uses waiting to be marked before a transaction of their own is worth it; a
// store marks every one waiting, in its own transaction.
constexpr size_t touchBatch = 256;

foundation::SharedSlot<URLCache>& sharedSlot()
{
    static foundation::NeverDestroyed<foundation::SharedSlot<URLCache>> slot([] {
        return URLCache::create(URLCache::defaultMemoryCapacity, URLCache::defaultDiskCapacity,
            foundation::Paths::cachesDirectory() / "URLCache");
    });
    return *slot;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool isBodyFileName(std::string_view name)
{
    return name.size() == fileNameLength && std::all_of(name.begin(), name.end(), isHexDigit);
}

// What a crash may leave behind: a body or an index written aside and not yet
// renamed into place.
bool isLeftoverFileName(std::string_view name)
{
    auto const aside = name.find(".tmp-");
    if (aside == std::string_view::npos)
        return false;
    auto const target = name.substr(0, aside);
    return isBodyFileName(target) || target == indexFileName;
}

std::optional<double> finiteNumber(const foundation::Json& value)
{
    if (!value.is_number())
        return std::nullopt;
    double const number = value.get<double>();
    return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

std::optional<uint64_t> count(const foundation::Json& value)
{
    if (!value.is_number_unsigned())
        return std::nullopt;
    return value.get<uint64_t>();
}

// A [name, value] pair; a null value only where `nullable`.
std::optional<std::pair<std::string, std::optional<std::string>>> readField(
    const foundation::Json& field, bool nullable)
{
    if (!field.is_array() || field.size() != 2 || !field[0].is_string())
        return std::nullopt;
    auto name = field[0].get<std::string>();
    if (!HTTPHeaders::isToken(name))
        return std::nullopt;
    if (field[1].is_null() && nullable)
        return std::make_pair(std::move(name), std::optional<std::string>());
    if (!field[1].is_string())
        return std::nullopt;
    auto value = field[1].get<std::string>();
    if (!HTTPHeaders::isSafeValue(value))
        return std::nullopt;
    return std::make_pair(std::move(name), std::optional<std::string>(std::move(value)));
}

std::optional<URLCache::IndexEntry> readEntry(const foundation::Json& item)
{
    if (!item.is_object())
        return std::nullopt;
    URLCache::IndexEntry entry;
    auto const& url = foundation::valueForKey(item, "url");
    auto const& file = foundation::valueForKey(item, "file");
    if (!url.is_string() || !file.is_string())
        return std::nullopt;
    entry.url = url.get<std::string>();
    entry.file = file.get<std::string>();
    if (entry.url.empty() || !isBodyFileName(entry.file))
        return std::nullopt;
    auto const& status = foundation::valueForKey(item, "status");
    if (!status.is_number_integer() || status.get<long long>() != 200)
        return std::nullopt;
    auto const& headers = foundation::valueForKey(item, "headers");
    auto const& vary = foundation::valueForKey(item, "vary");
    if (!headers.is_array() || !vary.is_array())
        return std::nullopt;
    for (auto const& field : headers) {
        auto read = readField(field, false);
        if (!read)
            return std::nullopt;
        entry.headers.add(read->first, *read->second);
    }
    for (auto const& field : vary) {
        auto read = readField(field, true);
        if (!read)
            return std::nullopt;
        entry.varyingFields.push_back(std::move(*read));
    }
    auto const requested = finiteNumber(foundation::valueForKey(item, "requested"));
    auto const received = finiteNumber(foundation::valueForKey(item, "received"));
    auto const used = count(foundation::valueForKey(item, "used"));
    auto const size = count(foundation::valueForKey(item, "size"));
    if (!requested || !received || !used || !size || *size > largestRecordedSize)
        return std::nullopt;
    entry.requestTime = *requested;
    entry.responseTime = *received;
    entry.lastUsed = *used;
    entry.size = *size;
    return entry;
}

void removeFile(const std::filesystem::path& file)
{
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

} // namespace

std::shared_ptr<URLCache> URLCache::create(
    size_t memoryCapacity, size_t diskCapacity, std::optional<std::filesystem::path> directory)
{
    auto cache = std::make_shared<URLCache>(Private {}, memoryCapacity, diskCapacity, std::move(directory));
    // Queued before anything stored can be: every write comes after it.
    if (cache->m_checking)
        cache->m_io->async([cache] { cache->checkOpened(); });
    return cache;
}

URLCache::URLCache(
    Private, size_t memoryCapacity, size_t diskCapacity, std::optional<std::filesystem::path> directory)
    : m_memoryCapacity(memoryCapacity)
    , m_diskCapacity(diskCapacity)
    , m_directory(std::move(directory))
    , m_io(foundation::DispatchQueue::createSerial("URLCache"))
{
    open();
}

URLCache::~URLCache() = default;

std::shared_ptr<URLCache> URLCache::shared()
{
    return sharedSlot().get();
}

void URLCache::setShared(std::shared_ptr<URLCache> cache)
{
    sharedSlot().set(std::move(cache));
}

std::string URLCache::cacheKey(const URLRequest& request)
{
    auto const& url = request.url();
    return url.substr(0, url.find('#'));
}

CachedURLResponse URLCache::responseOf(const IndexEntry& record, std::shared_ptr<const std::string> body)
{
    return CachedURLResponse(HTTPURLResponse(record.url, record.statusCode, record.headers), std::move(body),
        record.requestTime, record.responseTime, record.varyingFields);
}

void URLCache::open()
{
    if (!m_directory)
        return;
    (void)foundation::Paths::createDirectories(*m_directory);
    std::shared_ptr<URLCacheStore> store = URLCacheStore::open(*m_directory);
    // Without a database the cache goes on in memory alone.
    if (!store)
        return;
    std::lock_guard lock(m_mutex);
    m_diskUsage = store->totals().size;
    m_useCounter = store->totals().lastUsed;
    migrateIndexFile(*store);
    std::vector<std::string> evicted;
    uint64_t usage = m_diskUsage;
    if (store->begin() == URLCacheStore::Outcome::Done) {
        if (evictPastCapacity(*store, usage, evicted) && store->commit() == URLCacheStore::Outcome::Done)
            m_diskUsage = usage;
        else
            store->rollback();
    }
    m_store = std::move(store);
    m_checking = true;
}

// Damage that opening did not meet would otherwise lose stores later, in silence
// (a table with overlapping cells takes a row and does not find it again). The
// check reads every page, so it is not the opener's to wait for.
void URLCache::checkOpened()
{
    Store store;
    {
        std::lock_guard lock(m_mutex);
        store = m_store;
    }
    // Only damage it finds counts: a check the machine stopped (a busy file, no
    // memory) leaves reading to meet any damage row by row, as it always does.
    bool const damaged = store && store->check() == URLCacheStore::Outcome::Damaged;
    std::lock_guard lock(m_mutex);
    if (damaged)
        rebuildLocked(store);
    m_checking = false;
}

// Once, from an earlier version's index and body files: what of them reads goes
// into the database, and the files go whether it did or not (it is a cache).
void URLCache::migrateIndexFile(URLCacheStore& store)
{
    std::error_code error;
    auto const index = *m_directory / indexFileName;
    auto const size = std::filesystem::file_size(index, error);
    if (error)
        return;
    std::vector<IndexEntry> records;
    if (size <= maximumIndexBytes) {
        if (auto text = foundation::Paths::readFile(index))
            records = readIndex(text.value());
    }
    // Of two records for one URL the more recent holds, being put last.
    std::sort(records.begin(), records.end(),
        [](const IndexEntry& a, const IndexEntry& b) { return a.lastUsed < b.lastUsed; });
    if (store.begin() == URLCacheStore::Outcome::Done) {
        uint64_t usage = m_diskUsage;
        uint64_t used = m_useCounter;
        for (auto& record : records) {
            auto body = foundation::Paths::readFile(*m_directory / record.file);
            if (!body || body.value().size() != record.size)
                continue;
            record.file.clear();
            int64_t change = 0;
            if (store.put(record, body.value(), change) != URLCacheStore::Outcome::Done)
                break;
            usage += static_cast<uint64_t>(change);
            used = std::max(used, record.lastUsed);
        }
        if (store.commit() == URLCacheStore::Outcome::Done) {
            m_diskUsage = usage;
            m_useCounter = used;
        } else {
            store.rollback();
        }
    }
    for (auto const& item : std::filesystem::directory_iterator(*m_directory, error)) {
        auto const name = item.path().filename().string();
        if (isBodyFileName(name) || isLeftoverFileName(name) || name == indexFileName)
            removeFile(item.path());
    }
}

URLCache::Store URLCache::storeLocked() const
{
    return m_rebuildQueued || m_checking ? nullptr : m_store;
}

// A database is open, or one is being made again: what is stored meanwhile is
// written once it is.
bool URLCache::hasDiskLocked() const
{
    return m_store || m_rebuildQueued;
}

std::optional<CachedURLResponse> URLCache::cachedResponseForRequest(const URLRequest& request)
{
    return lookUp(request, true);
}

bool URLCache::hasCachedResponseForRequest(const URLRequest& request) const
{
    auto const key = cacheKey(request);
    Store store;
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_memory.find(key); it != m_memory.end())
            return responseOf(it->second.record, nullptr).matchesVaryingFields(request);
        if (m_removing.contains(key))
            return false;
        store = storeLocked();
    }
    URLCacheStore::Row row;
    return store && store->read(key, false, row) == URLCacheStore::Outcome::Done
        && responseOf(row.record, nullptr).matchesVaryingFields(request);
}

std::optional<CachedURLResponse> URLCache::lookUp(const URLRequest& request, bool withBody)
{
    auto const key = cacheKey(request);
    Store store;
    uint64_t changes;
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_memory.find(key); it != m_memory.end()) {
            auto response = responseOf(it->second.record, it->second.body);
            if (!response.matchesVaryingFields(request))
                return std::nullopt;
            useLocked(it->second, key);
            return response;
        }
        if (m_removing.contains(key))
            return std::nullopt;
        store = storeLocked();
        changes = m_changes;
    }
    if (!store)
        return std::nullopt;
    URLCacheStore::Row row;
    auto const outcome = store->read(key, withBody, row);
    std::lock_guard lock(m_mutex);
    if (outcome == URLCacheStore::Outcome::Damaged) {
        // Never served; and when SQLite itself cannot remove it, the database is
        // copied without it.
        ++m_removing[key];
        ++m_changes;
        m_io->async([self = shared_from_this(), key] { self->remove(key); });
        return std::nullopt;
    }
    if (outcome != URLCacheStore::Outcome::Done)
        return std::nullopt;
    if (m_changes != changes) {
        // Stored or removed meanwhile: what memory says now is the newer.
        if (auto it = m_memory.find(key); it != m_memory.end()) {
            auto response = responseOf(it->second.record, it->second.body);
            return response.matchesVaryingFields(request) ? std::optional(std::move(response)) : std::nullopt;
        }
        if (m_removing.contains(key))
            return std::nullopt;
    }
    auto response = responseOf(row.record, row.body);
    if (!response.matchesVaryingFields(request))
        return std::nullopt;
    if (m_changes == changes) {
        Entry entry;
        entry.record = std::move(row.record);
        entry.body = std::move(row.body);
        entry.serial = m_nextSerial++;
        entry.written = true;
        entry.record.lastUsed = ++m_useCounter;
        m_touches[key] = entry.record.lastUsed;
        queueTouchesLocked();
        keepLocked(key, std::move(entry));
        trimMemoryLocked();
    }
    return response;
}

void URLCache::storeCachedResponse(const CachedURLResponse& response, const URLRequest& request)
{
    store(response, request, false);
}

// After a 304 only the head changes on disk; the body the response carries is
// written only when the stored one went meanwhile.
void URLCache::updateCachedResponse(const CachedURLResponse& response, const URLRequest& request)
{
    store(response, request, true);
}

void URLCache::store(const CachedURLResponse& response, const URLRequest& request, bool headOnly)
{
    auto key = cacheKey(request);
    auto body = response.sharedData();
    std::lock_guard lock(m_mutex);
    if (body->size() > largestStoredSize()) {
        removeLocked(key);
        return;
    }
    Entry entry;
    entry.body = body;
    entry.serial = m_nextSerial++;
    entry.written = !hasDiskLocked();
    entry.record.url = key;
    entry.record.statusCode = response.response().statusCode();
    entry.record.headers = response.response().allHeaderFields();
    entry.record.varyingFields = response.varyingFields();
    entry.record.requestTime = response.requestTime();
    entry.record.responseTime = response.responseTime();
    entry.record.lastUsed = ++m_useCounter;
    entry.record.size = body->size();
    auto const serial = entry.serial;
    keepLocked(key, std::move(entry));
    if (hasDiskLocked()) {
        ++m_changes;
        m_io->async([self = shared_from_this(), key, serial, headOnly] { self->write(key, serial, headOnly); });
    }
    trimMemoryLocked();
}

void URLCache::removeCachedResponseForRequest(const URLRequest& request)
{
    std::lock_guard lock(m_mutex);
    removeLocked(cacheKey(request));
}

void URLCache::removeLocked(const std::string& key)
{
    if (auto it = m_memory.find(key); it != m_memory.end())
        dropLocked(it);
    if (!hasDiskLocked())
        return;
    ++m_removing[key];
    ++m_changes;
    m_io->async([self = shared_from_this(), key] { self->remove(key); });
}

size_t URLCache::currentMemoryUsage() const
{
    std::lock_guard lock(m_mutex);
    return m_memoryUsage;
}

size_t URLCache::currentDiskUsage() const
{
    std::lock_guard lock(m_mutex);
    return m_diskUsage;
}

void URLCache::flush()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_touches.empty())
            queueTouchesLocked(true);
    }
    m_io->syncFlush();
}

void URLCache::keepLocked(std::string key, Entry entry)
{
    if (auto it = m_memory.find(key); it != m_memory.end())
        dropLocked(it);
    m_memoryUsage += entry.record.size;
    if (entry.written)
        m_memoryByUse[entry.record.lastUsed] = key;
    m_memory.emplace(std::move(key), std::move(entry));
}

void URLCache::dropLocked(std::unordered_map<std::string, Entry>::iterator it)
{
    m_memoryUsage -= it->second.record.size;
    m_memoryByUse.erase(it->second.record.lastUsed);
    m_memory.erase(it);
}

void URLCache::useLocked(Entry& entry, const std::string& key)
{
    m_memoryByUse.erase(entry.record.lastUsed);
    entry.record.lastUsed = ++m_useCounter;
    if (entry.written)
        m_memoryByUse[entry.record.lastUsed] = key;
    if (hasDiskLocked()) {
        m_touches[key] = entry.record.lastUsed;
        queueTouchesLocked();
    }
}

// Only what is written may go: a body not yet written is the only copy, and is not
// in m_memoryByUse until it is.
void URLCache::trimMemoryLocked()
{
    while (m_memoryUsage > m_memoryCapacity && !m_memoryByUse.empty()) {
        auto const oldest = m_memoryByUse.begin();
        auto found = m_memory.find(oldest->second);
        m_memoryByUse.erase(oldest);
        m_memoryUsage -= found->second.record.size;
        m_memory.erase(found);
    }
}

// Uses are marked in the database in batches: a look-up costs no write of its
// own. The order they give matters only to eviction, which marks them first.
void URLCache::queueTouchesLocked(bool now)
{
    if (m_touchesQueued || (!now && m_touches.size() < touchBatch))
        return;
    m_touchesQueued = true;
    m_io->async([self = shared_from_this()] {
        Store store;
        {
            std::lock_guard lock(self->m_mutex);
            self->m_touchesQueued = false;
            store = self->storeLocked();
        }
        if (!store || store->begin() != URLCacheStore::Outcome::Done)
            return;
        self->saveTouches(*store);
        if (store->commit() != URLCacheStore::Outcome::Done)
            store->rollback();
    });
}

void URLCache::saveTouches(URLCacheStore& store)
{
    std::unordered_map<std::string, uint64_t> touches;
    {
        std::lock_guard lock(m_mutex);
        touches.swap(m_touches);
    }
    // Only an order for eviction: one that does not land is no loss.
    for (auto const& [url, used] : touches)
        store.touch(url, used);
}

bool URLCache::evictPastCapacity(URLCacheStore& store, uint64_t& usage, std::vector<std::string>& evicted)
{
    while (usage > m_diskCapacity) {
        std::vector<std::pair<std::string, uint64_t>> oldest;
        if (store.leastRecentlyUsed(evictionBatch, oldest) != URLCacheStore::Outcome::Done)
            return false;
        if (oldest.empty())
            break;
        for (auto const& [url, size] : oldest) {
            if (usage <= m_diskCapacity)
                break;
            int64_t change = 0;
            auto const outcome = store.remove(url, change);
            if (outcome == URLCacheStore::Outcome::Done) {
                usage += static_cast<uint64_t>(change);
                evicted.push_back(url);
            } else if (outcome != URLCacheStore::Outcome::Missing) {
                return false;
            }
        }
    }
    return true;
}

void URLCache::write(const std::string& key, uint64_t serial, bool headOnly, bool afterRebuild)
{
    IndexEntry record;
    std::shared_ptr<const std::string> body;
    Store store;
    uint64_t usage;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_memory.find(key);
        if (it == m_memory.end() || it->second.serial != serial)
            return; // Replaced or removed meanwhile; what came after is queued after this.
        if (m_rebuildQueued) {
            // Into the copy, once it is made.
            m_io->async([self = shared_from_this(), key, serial, headOnly, afterRebuild] {
                self->write(key, serial, headOnly, afterRebuild);
            });
            return;
        }
        record = it->second.record;
        body = it->second.body;
        store = storeLocked();
        usage = m_diskUsage;
    }
    using Outcome = URLCacheStore::Outcome;
    std::vector<std::string> evicted;
    auto outcome = store ? store->begin() : Outcome::Failed;
    if (outcome == Outcome::Done) {
        saveTouches(*store);
        int64_t change = 0;
        if (headOnly)
            outcome = store->updateHead(record);
        if (!headOnly || outcome == Outcome::Missing)
            outcome = store->put(record, *body, change);
        usage += static_cast<uint64_t>(change);
        if (outcome == Outcome::Done && !evictPastCapacity(*store, usage, evicted))
            outcome = Outcome::Failed;
        if (outcome == Outcome::Done)
            outcome = store->commit();
        if (outcome != Outcome::Done)
            store->rollback();
    }
    std::lock_guard lock(m_mutex);
    ++m_changes;
    auto it = m_memory.find(key);
    bool const current = it != m_memory.end() && it->second.serial == serial;
    if (outcome == Outcome::Damaged && !afterRebuild) {
        rebuildLocked(store);
        if (current && m_rebuildQueued) {
            m_io->async([self = shared_from_this(), key, serial, headOnly] { self->write(key, serial, headOnly, true); });
            return;
        }
    }
    if (outcome != Outcome::Done) {
        // Without its row it is kept nowhere once memory runs short.
        if (current)
            dropLocked(it);
        return;
    }
    m_diskUsage = usage;
    if (current && !it->second.written) {
        it->second.written = true;
        m_memoryByUse[it->second.record.lastUsed] = key;
    }
    for (auto const& url : evicted) {
        if (auto gone = m_memory.find(url); gone != m_memory.end() && gone->second.written)
            dropLocked(gone);
    }
    trimMemoryLocked();
}

void URLCache::remove(const std::string& key, bool afterRebuild)
{
    Store store;
    {
        std::lock_guard lock(m_mutex);
        if (m_rebuildQueued) {
            m_io->async([self = shared_from_this(), key, afterRebuild] { self->remove(key, afterRebuild); });
            return;
        }
        store = m_store;
    }
    int64_t change = 0;
    auto const outcome = store ? store->remove(key, change) : URLCacheStore::Outcome::Failed;
    std::lock_guard lock(m_mutex);
    ++m_changes;
    if (outcome == URLCacheStore::Outcome::Damaged && !afterRebuild) {
        // The copy may still hold the row, if it reads: it goes from there.
        rebuildLocked(store);
        if (m_rebuildQueued) {
            m_io->async([self = shared_from_this(), key] { self->remove(key, true); });
            return;
        }
    }
    if (auto it = m_removing.find(key); it != m_removing.end() && --it->second <= 0)
        m_removing.erase(it);
    if (outcome == URLCacheStore::Outcome::Done)
        m_diskUsage += static_cast<uint64_t>(change);
}

// Once at a time: the database is copied without what does not read, on the disk
// queue, while look-ups meanwhile go to memory alone.
void URLCache::rebuildLocked(const Store& store)
{
    if (!store || store != m_store || m_rebuildQueued)
        return;
    m_rebuildQueued = true;
    m_io->async([self = shared_from_this()] {
        Store old;
        {
            std::lock_guard lock(self->m_mutex);
            old = std::exchange(self->m_store, nullptr);
        }
        // Closed before its files are moved: SQLite closing the last connection
        // removes the log by its name, which by then would be the new file's. A
        // look-up that took it before the rebuild was queued is over in a moment.
        while (old.use_count() > 1)
            std::this_thread::yield();
        old.reset();
        Store fresh = URLCacheStore::rebuild(*self->m_directory);
        std::lock_guard lock(self->m_mutex);
        self->m_store = fresh;
        self->m_rebuildQueued = false;
        ++self->m_changes;
        self->m_diskUsage = fresh ? fresh->totals().size : 0;
        self->m_useCounter = std::max(self->m_useCounter, fresh ? fresh->totals().lastUsed : 0);
        // Without a database what memory holds is all there is, and may go.
        for (auto& [key, entry] : self->m_memory) {
            if (!fresh && !entry.written) {
                entry.written = true;
                self->m_memoryByUse[entry.record.lastUsed] = key;
            }
        }
    });
}

std::vector<URLCache::IndexEntry> URLCache::readIndex(std::string_view text)
{
    std::vector<IndexEntry> entries;
    auto const index = foundation::parseJsonObject(text);
    if (!index || !index->is_object())
        return entries;
    auto const& version = foundation::valueForKey(*index, "version");
    auto const& items = foundation::valueForKey(*index, "entries");
    if (!version.is_number_integer() || version.get<long long>() != indexVersion || !items.is_array())
        return entries;
    for (auto const& item : items) {
        if (auto entry = readEntry(item))
            entries.push_back(std::move(*entry));
    }
    return entries;
}

std::string URLCache::writeIndex(const std::vector<IndexEntry>& entries)
{
    using foundation::Json;
    Json items = Json::array();
    for (auto const& entry : entries) {
        Json headers = Json::array();
        for (auto const& [name, value] : entry.headers.fields())
            headers.push_back(Json::array({ name, value }));
        Json vary = Json::array();
        for (auto const& [name, value] : entry.varyingFields)
            vary.push_back(Json::array({ Json(name), value ? Json(*value) : Json(nullptr) }));
        items.push_back(Json { { "url", entry.url }, { "file", entry.file }, { "status", entry.statusCode },
            { "headers", std::move(headers) }, { "vary", std::move(vary) },
            { "requested", entry.requestTime }, { "received", entry.responseTime },
            { "used", entry.lastUsed }, { "size", entry.size } });
    }
    Json index { { "version", indexVersion }, { "entries", std::move(items) } };
    // Header bytes that are not UTF-8 are written replaced rather than refused.
    return index.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace net
