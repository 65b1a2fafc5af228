#include "platform/net/URLCache.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SharedSlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace net {

namespace {

constexpr std::string_view indexFileName = "index.json";
constexpr int indexVersion = 1;
constexpr size_t fileNameLength = 16;
// No body of ours comes near it; a larger size in the index is not one we wrote.
constexpr uint64_t largestRecordedSize = uint64_t { 1 } << 40;
// Nor a file name this far on: the next name after it must not wrap round onto another.
constexpr uint64_t largestSerial = uint64_t { 1 } << 62;

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

std::string bodyFileName(uint64_t serial)
{
    char name[fileNameLength + 1];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(serial));
    return name;
}

uint64_t serialOf(std::string_view file)
{
    uint64_t serial = 0;
    for (char c : file)
        serial = serial * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    return serial;
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
    return std::make_shared<URLCache>(Private {}, memoryCapacity, diskCapacity, std::move(directory));
}

URLCache::URLCache(
    Private, size_t memoryCapacity, size_t diskCapacity, std::optional<std::filesystem::path> directory)
    : m_memoryCapacity(memoryCapacity)
    , m_diskCapacity(diskCapacity)
    , m_directory(std::move(directory))
    , m_io(foundation::DispatchQueue::createSerial("URLCache"))
{
    load();
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

std::filesystem::path URLCache::indexPath() const
{
    return *m_directory / indexFileName;
}

void URLCache::load()
{
    if (!m_directory)
        return;
    (void)foundation::Paths::createDirectories(*m_directory);
    std::vector<IndexEntry> records;
    std::error_code error;
    auto const indexSize = std::filesystem::file_size(indexPath(), error);
    bool const hadIndex = !error;
    if (!error && indexSize <= maximumIndexBytes) {
        if (auto text = foundation::Paths::readFile(indexPath()))
            records = readIndex(text.value());
    }

    // Of two records for one URL the more recent holds; a file named twice, or gone,
    // or not of the recorded size, backs neither.
    std::sort(records.begin(), records.end(),
        [](const IndexEntry& a, const IndexEntry& b) { return a.lastUsed > b.lastUsed; });
    std::lock_guard lock(m_mutex);
    std::set<std::string> files;
    bool changed = false;
    for (auto& record : records) {
        auto const size = std::filesystem::file_size(*m_directory / record.file, error);
        if (error || size != record.size || files.contains(record.file) || m_entries.contains(record.url)
            || serialOf(record.file) >= largestSerial) {
            changed = true;
            continue;
        }
        files.insert(record.file);
        Entry entry;
        entry.serial = serialOf(record.file);
        entry.onDisk = true;
        m_nextSerial = std::max(m_nextSerial, entry.serial + 1);
        m_useCounter = std::max(m_useCounter, record.lastUsed);
        m_diskUsage += record.size;
        auto key = record.url;
        entry.record = std::move(record);
        m_entries.emplace(std::move(key), std::move(entry));
    }
    // Files of ours the index does not name: never to be found again.
    for (auto const& item : std::filesystem::directory_iterator(*m_directory, error)) {
        auto const name = item.path().filename().string();
        if ((isBodyFileName(name) && !files.contains(name)) || isLeftoverFileName(name))
            removeFile(item.path());
    }
    size_t const before = m_entries.size();
    trimLocked();
    // An index that named nothing usable (or did not read) is replaced too.
    if (!changed && m_entries.size() == before && !(hadIndex && m_entries.empty()))
        return;
    std::vector<IndexEntry> kept;
    for (auto const& [key, entry] : m_entries)
        kept.push_back(entry.record);
    (void)foundation::Paths::writeFileAtomically(indexPath(), writeIndex(kept));
}

CachedURLResponse URLCache::responseOf(const Entry& entry, std::shared_ptr<const std::string> body)
{
    auto const& record = entry.record;
    return CachedURLResponse(HTTPURLResponse(record.url, record.statusCode, record.headers), std::move(body),
        record.requestTime, record.responseTime, record.varyingFields);
}

std::optional<CachedURLResponse> URLCache::cachedResponseForRequest(const URLRequest& request)
{
    auto const key = cacheKey(request);
    uint64_t serial;
    std::filesystem::path file;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(key);
        if (it == m_entries.end())
            return std::nullopt;
        auto& entry = it->second;
        auto response = responseOf(entry, entry.body);
        if (!response.matchesVaryingFields(request))
            return std::nullopt;
        entry.record.lastUsed = ++m_useCounter;
        if (entry.body)
            return response;
        serial = entry.serial;
        file = *m_directory / entry.record.file;
    }
    auto read = foundation::Paths::readFile(file);
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(key);
    if (it == m_entries.end() || it->second.serial != serial)
        return std::nullopt;
    auto& entry = it->second;
    if (!read || read.value().size() != entry.record.size) {
        eraseLocked(it);
        return std::nullopt;
    }
    auto body = std::make_shared<const std::string>(std::move(read.value()));
    if (!entry.body) {
        entry.body = body;
        m_memoryUsage += entry.record.size;
        trimLocked();
    }
    return responseOf(entry, std::move(body));
}

bool URLCache::hasCachedResponseForRequest(const URLRequest& request) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(cacheKey(request));
    return it != m_entries.end() && responseOf(it->second, nullptr).matchesVaryingFields(request);
}

void URLCache::storeCachedResponse(const CachedURLResponse& response, const URLRequest& request)
{
    auto key = cacheKey(request);
    auto body = response.sharedData();
    std::lock_guard lock(m_mutex);
    if (body->size() > largestStoredSize()) {
        if (auto it = m_entries.find(key); it != m_entries.end())
            eraseLocked(it);
        return;
    }
    Entry entry;
    entry.serial = m_nextSerial++;
    entry.body = body;
    entry.record.url = key;
    entry.record.file = bodyFileName(entry.serial);
    entry.record.statusCode = response.response().statusCode();
    entry.record.headers = response.response().allHeaderFields();
    entry.record.varyingFields = response.varyingFields();
    entry.record.requestTime = response.requestTime();
    entry.record.responseTime = response.responseTime();
    entry.record.lastUsed = ++m_useCounter;
    entry.record.size = body->size();
    auto const serial = entry.serial;
    auto file = entry.record.file;
    insertLocked(key, std::move(entry));
    if (m_directory) {
        m_io->async([self = shared_from_this(), key, serial, file = std::move(file), body] {
            self->writeBody(key, serial, file, body);
        });
    }
    trimLocked();
}

void URLCache::updateCachedResponse(const CachedURLResponse& response, const URLRequest& request)
{
    {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(cacheKey(request));
        if (it != m_entries.end() && it->second.record.size == response.data().size()) {
            auto& record = it->second.record;
            record.headers = response.response().allHeaderFields();
            record.varyingFields = response.varyingFields();
            record.requestTime = response.requestTime();
            record.responseTime = response.responseTime();
            record.lastUsed = ++m_useCounter;
            if (it->second.onDisk)
                scheduleIndexSaveLocked();
            return;
        }
    }
    storeCachedResponse(response, request);
}

void URLCache::removeCachedResponseForRequest(const URLRequest& request)
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_entries.find(cacheKey(request)); it != m_entries.end())
        eraseLocked(it);
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
    m_io->syncFlush();
}

void URLCache::insertLocked(std::string key, Entry entry)
{
    if (auto it = m_entries.find(key); it != m_entries.end())
        eraseLocked(it);
    m_memoryUsage += entry.record.size;
    if (m_directory)
        m_diskUsage += entry.record.size;
    m_entries.emplace(std::move(key), std::move(entry));
}

void URLCache::eraseLocked(std::map<std::string, Entry>::iterator it)
{
    auto const& entry = it->second;
    if (entry.body)
        m_memoryUsage -= entry.record.size;
    if (m_directory) {
        m_diskUsage -= entry.record.size;
        // Queued after the body's own write, if that is still to come.
        m_io->async([file = *m_directory / entry.record.file] { removeFile(file); });
        if (entry.onDisk && !weak_from_this().expired())
            scheduleIndexSaveLocked();
    }
    m_entries.erase(it);
}

void URLCache::trimLocked()
{
    auto leastRecent = [this](auto const& eligible) {
        auto chosen = m_entries.end();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (eligible(it->second)
                && (chosen == m_entries.end() || it->second.record.lastUsed < chosen->second.record.lastUsed))
                chosen = it;
        }
        return chosen;
    };
    while (m_directory && m_diskUsage > m_diskCapacity) {
        auto it = leastRecent([](const Entry&) { return true; });
        if (it == m_entries.end())
            break;
        eraseLocked(it);
    }
    while (m_memoryUsage > m_memoryCapacity) {
        // A body not yet written stays until it is: it is the only copy.
        auto it = leastRecent(
            [this](const Entry& entry) { return entry.body && (entry.onDisk || !m_directory); });
        if (it == m_entries.end())
            break;
        if (!m_directory) {
            eraseLocked(it);
            continue;
        }
        it->second.body.reset();
        m_memoryUsage -= it->second.record.size;
    }
}

void URLCache::writeBody(
    const std::string& key, uint64_t serial, std::string file, std::shared_ptr<const std::string> body)
{
    auto const written = foundation::Paths::writeFileAtomically(*m_directory / file, *body);
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(key);
    if (it == m_entries.end() || it->second.serial != serial)
        return; // Replaced or removed meanwhile; its removal is queued after this.
    if (!written) {
        // Without its file it is kept nowhere once memory runs short.
        eraseLocked(it);
        return;
    }
    it->second.onDisk = true;
    scheduleIndexSaveLocked();
    trimLocked();
}

void URLCache::scheduleIndexSaveLocked()
{
    if (!m_directory || m_indexSaveQueued)
        return;
    m_indexSaveQueued = true;
    m_io->async([self = shared_from_this()] { self->saveIndex(); });
}

void URLCache::saveIndex()
{
    std::vector<IndexEntry> records;
    {
        std::lock_guard lock(m_mutex);
        m_indexSaveQueued = false;
        for (auto const& [key, entry] : m_entries) {
            if (entry.onDisk)
                records.push_back(entry.record);
        }
    }
    (void)foundation::Paths::writeFileAtomically(indexPath(), writeIndex(records));
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
