#include "netengine/NetworkEngineCache.h"

#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace {

using Json = foundation::Json;

constexpr std::string_view indexExtension = ".plist";
constexpr std::string_view legacyIndexExtension = ".json";

} // namespace

NetworkEngineCache::NetworkEngineCache(std::filesystem::path directory)
    : m_directory(std::move(directory))
{
}

std::filesystem::path NetworkEngineCache::defaultDirectory()
{
    return foundation::Paths::cachesDirectory() / "NetworkEngineCache";
}

std::filesystem::path NetworkEngineCache::indexFile() const
{
    auto file = m_directory;
    file += indexExtension;
    return file;
}

std::filesystem::path NetworkEngineCache::legacyIndexFile() const
{
    auto file = m_directory;
    file += legacyIndexExtension;
    return file;
}

// A validator goes back out in a request's header field and into the index
// file: it must be sendable and text the property list can hold (an entity tag
// may hold bytes that are not UTF-8).
bool NetworkEngineCache::isKeptValue(std::string_view text)
{
    return net::HTTPHeaders::isSafeValue(text) && foundation::PropertyList::canHoldText(text);
}

// Identifiers are hexadecimal digests; anything else must never name a path.
bool NetworkEngineCache::isSafeKey(std::string_view key)
{
    return !key.empty() && key.size() <= 64 && std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
}

std::optional<NetworkEngineCache::Index> NetworkEngineCache::indexFrom(const Json& value)
{
    if (!value.is_object())
        return std::nullopt;
    Index index;
    for (const auto& [key, entry] : value.items()) {
        if (!isSafeKey(key) || !entry.is_object())
            continue;
        net::HTTPHeaders headers;
        for (auto field : { "Expires", "Last-Modified", "ETag" }) {
            if (auto text = foundation::optionalText(entry, field); text && isKeptValue(*text))
                headers.set(field, *text);
        }
        index.emplace(key, std::move(headers));
    }
    return index;
}

std::optional<NetworkEngineCache::Index> NetworkEngineCache::readIndex(std::string_view text)
{
    auto value = foundation::PropertyList::read(text);
    if (value.isError())
        return std::nullopt;
    return indexFrom(value.value());
}

std::optional<NetworkEngineCache::Index> NetworkEngineCache::readLegacyIndex(std::string_view text)
{
    auto value = foundation::parseJsonObject(text);
    if (!value)
        return std::nullopt;
    return indexFrom(*value);
}

void NetworkEngineCache::writeIndex(const Index& index) const
{
    Json value = Json::object();
    for (const auto& [key, headers] : index) {
        Json entry = Json::object();
        for (const auto& [field, text] : headers.fields()) {
            // A validator the file cannot hold is only lost, not the index.
            if (isKeptValue(text))
                entry[field] = text;
        }
        value[key] = std::move(entry);
    }
    // Every value is checked text; a value the format still refused would
    // leave the index as it was rather than empty it.
    auto text = foundation::PropertyList::write(value);
    if (!text || foundation::Paths::writeFileAtomically(indexFile(), *text).isError())
        return;
    std::error_code ignored;
    std::filesystem::remove(legacyIndexFile(), ignored);
}

void NetworkEngineCache::enable()
{
    std::error_code ignored;
    if (!std::filesystem::is_directory(m_directory, ignored))
        (void)foundation::Paths::createDirectories(m_directory);
    std::optional<Index> index;
    if (auto text = foundation::Paths::readFile(indexFile()); text.isOk()) {
        index = readIndex(text.value());
    } else if (auto legacy = foundation::Paths::readFile(legacyIndexFile()); legacy.isOk()) {
        // Once: the property list takes its place. A damaged one is skipped
        // and goes when the next index is written.
        index = readLegacyIndex(legacy.value());
        if (index)
            writeIndex(*index);
    }
    std::lock_guard lock(m_mutex);
    m_memoryEnabled = true;
    if (index)
        m_invalidationParams = std::move(*index);
}

bool NetworkEngineCache::isEnabled() const
{
    std::error_code ignored;
    return std::filesystem::exists(m_directory, ignored);
}

void NetworkEngineCache::writeBody(const std::string& key, std::string_view data)
{
    if (!isSafeKey(key) || foundation::Paths::writeFileAtomically(m_directory / key, data).isError())
        return;
    std::filesystem::file_time_type stamp;
    {
        std::lock_guard lock(m_mutex);
        stamp = std::max(std::filesystem::file_time_type::clock::now(),
            m_lastWritten + std::chrono::microseconds(1));
        m_lastWritten = stamp;
    }
    std::error_code ignored;
    std::filesystem::last_write_time(m_directory / key, stamp, ignored);
}

void NetworkEngineCache::trimDisk()
{
    struct Body {
        std::string key;
        std::filesystem::file_time_type written;
        std::uint64_t size;
    };
    std::vector<Body> bodies;
    std::uint64_t total = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_directory, error)) {
        auto name = entry.path().filename().string();
        // Frozen operations are not bodies, and never go for space.
        if (!isSafeKey(name) || !entry.is_regular_file(error))
            continue;
        auto const size = entry.file_size(error);
        auto const written = entry.last_write_time(error);
        if (error)
            continue;
        total += size;
        bodies.push_back({ std::move(name), written, size });
    }
    auto const limit = maximumDiskBytes();
    if (total <= limit)
        return;
    std::sort(bodies.begin(), bodies.end(), [](const Body& a, const Body& b) { return a.written < b.written; });
    for (const auto& body : bodies) {
        if (total <= limit / 2)
            break;
        if (!std::filesystem::remove(m_directory / body.key, error))
            continue;
        total -= body.size;
        removeHeaders(body.key);
    }
}

std::uint64_t NetworkEngineCache::maximumDiskBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_maximumDiskBytes;
}

void NetworkEngineCache::setMaximumDiskBytes(std::uint64_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_maximumDiskBytes = bytes;
}

void NetworkEngineCache::saveData(std::string data, const std::string& key)
{
    std::optional<std::pair<std::string, std::string>> evicted;
    {
        std::lock_guard lock(m_mutex);
        if (!m_memoryEnabled)
            return;
        m_memory[key] = std::move(data);
        m_keys.erase(std::remove(m_keys.begin(), m_keys.end(), key), m_keys.end());
        m_keys.push_front(key);
        if (m_keys.size() >= memoryCost) {
            auto oldest = m_keys.back();
            m_keys.pop_back();
            auto node = m_memory.extract(oldest);
            if (!node.empty())
                evicted.emplace(oldest, std::move(node.mapped()));
        }
    }
    if (evicted) {
        writeBody(evicted->first, evicted->second);
        trimDisk();
    }
}

std::optional<std::string> NetworkEngineCache::dataForKey(const std::string& key)
{
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_memory.find(key); it != m_memory.end())
            return it->second;
    }
    if (!isSafeKey(key))
        return std::nullopt;
    auto file = foundation::Paths::readFile(m_directory / key);
    if (file.isError())
        return std::nullopt;
    saveData(file.value(), key);
    return std::move(file).value();
}

std::size_t NetworkEngineCache::memoryCount() const
{
    std::lock_guard lock(m_mutex);
    return m_memory.size();
}

std::optional<net::HTTPHeaders> NetworkEngineCache::headersForKey(const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_invalidationParams.find(key);
    if (it == m_invalidationParams.end())
        return std::nullopt;
    return it->second;
}

void NetworkEngineCache::setHeaders(const std::string& key, const net::HTTPHeaders& headers)
{
    std::lock_guard lock(m_mutex);
    m_invalidationParams[key] = headers;
}

void NetworkEngineCache::removeHeaders(const std::string& key)
{
    std::lock_guard lock(m_mutex);
    m_invalidationParams.erase(key);
}

void NetworkEngineCache::remove(const std::string& key)
{
    {
        std::lock_guard lock(m_mutex);
        m_memory.erase(key);
        m_keys.erase(std::remove(m_keys.begin(), m_keys.end(), key), m_keys.end());
        m_invalidationParams.erase(key);
    }
    if (!isSafeKey(key))
        return;
    std::error_code ignored;
    std::filesystem::remove(m_directory / key, ignored);
}

void NetworkEngineCache::save()
{
    std::map<std::string, std::string> memory;
    Index index;
    {
        std::lock_guard lock(m_mutex);
        memory = std::exchange(m_memory, {});
        m_keys.clear();
    }
    for (const auto& [key, data] : memory)
        writeBody(key, data);
    trimDisk();
    {
        // Without the entries of the bodies trimmed just now.
        std::lock_guard lock(m_mutex);
        index = m_invalidationParams;
    }
    writeIndex(index);
}

void NetworkEngineCache::empty()
{
    save();
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(m_directory, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    std::filesystem::remove(indexFile(), ignored);
    std::filesystem::remove(legacyIndexFile(), ignored);
    std::lock_guard lock(m_mutex);
    m_invalidationParams.clear();
}

void NetworkEngineCache::writeFrozen(const std::string& identifier, const Json& archive) const
{
    if (!isSafeKey(identifier))
        return;
    (void)foundation::Paths::writeFileAtomically(
        m_directory / (identifier + "." + std::string(frozenExtension)), archive.dump());
}

std::vector<NetworkEngineCache::Frozen> NetworkEngineCache::frozen() const
{
    std::vector<Frozen> found;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(m_directory, ignored)) {
        if (entry.path().filename().string().find(frozenExtension) == std::string::npos)
            continue;
        auto text = foundation::Paths::readFile(entry.path());
        if (text.isError())
            continue;
        if (auto archive = foundation::parseJsonObject(text.value()))
            found.push_back({ entry.path(), std::move(*archive) });
    }
    return found;
}

void NetworkEngineCache::removeFrozen(const std::filesystem::path& file) const
{
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}
