#pragma once

#include "platform/foundation/Json.h"
#include "platform/net/HTTPHeaders.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The HTTP engine's response cache and frozen operations, all under one
// directory of the user's caches ("NetworkEngineCache"):
//   - one file per cached body, named by its operation's identifier;
//   - the index beside the directory ("NetworkEngineCache.plist"): an XML
//     property list whose dictionary maps identifier to that response's
//     validators ("Expires", "Last-Modified", "ETag" as strings). An index
//     in the JSON form of earlier versions ("NetworkEngineCache.json") is
//     read when there is no property list yet, and replaced by one;
//   - frozen operations, "<identifier>.networkenginefrozenoperation", each an
//     OperationArchive document.
// Files are written atomically with mode 0600. A damaged index or archive is
// skipped and left where it is; file errors never stop the engine.
//
// The newest bodies stay in memory (at most memoryCost - 1 after a save)
// until they are pushed out or saved. The body files together stay within
// maximumDiskBytes: past it the least recently written go, with their index
// entries, until half of it is left, as the image cache trims its files.
// Every member is safe from any thread.
class NetworkEngineCache {
public:
    static constexpr std::size_t memoryCost = 10;
    static constexpr std::uint64_t defaultMaximumDiskBytes = std::uint64_t { 32 } << 20;
    static constexpr std::string_view frozenExtension = "networkenginefrozenoperation";

    explicit NetworkEngineCache(std::filesystem::path directory);

    // Under the user's caches directory.
    static std::filesystem::path defaultDirectory();
    const std::filesystem::path& directory() const { return m_directory; }
    std::filesystem::path indexFile() const;
    std::filesystem::path legacyIndexFile() const;

    // Memory, directory and index; the index read is kept only when it is sound.
    void enable();
    // Something stands at the directory's path.
    bool isEnabled() const;

    // Does nothing until enable(): the memory cache does not exist yet.
    void saveData(std::string data, const std::string& key);
    // From memory, else from the body file (then kept in memory again).
    std::optional<std::string> dataForKey(const std::string& key);
    std::size_t memoryCount() const;

    std::optional<net::HTTPHeaders> headersForKey(const std::string& key) const;
    void setHeaders(const std::string& key, const net::HTTPHeaders& headers);
    void removeHeaders(const std::string& key);
    // The body (memory and file) and validators kept for the key.
    void remove(const std::string& key);

    std::uint64_t maximumDiskBytes() const;
    void setMaximumDiskBytes(std::uint64_t bytes);

    // Every body in memory to its file, then the index.
    void save();
    // save(), then every file in the directory and the index go.
    void empty();

    void writeFrozen(const std::string& identifier, const foundation::Json& archive) const;
    struct Frozen {
        std::filesystem::path file;
        foundation::Json archive;
    };
    // The frozen files that read as JSON, in listing order.
    std::vector<Frozen> frozen() const;
    void removeFrozen(const std::filesystem::path& file) const;

    using Index = std::map<std::string, net::HTTPHeaders>;
    // The index file's property list as identifier -> validators; nothing
    // when it is not a property list of a dictionary. Entries of another
    // shape are dropped one by one, and so is a validator that no request
    // could send or that the file could not hold again.
    static std::optional<Index> readIndex(std::string_view text);
    // The same of an index in the earlier JSON form.
    static std::optional<Index> readLegacyIndex(std::string_view text);

private:
    void writeBody(const std::string& key, std::string_view data);
    // The least recently written body files go while they pass the bound.
    void trimDisk();
    static std::optional<Index> indexFrom(const foundation::Json& value);
    // The property list; the JSON one of earlier versions goes once it stands.
    void writeIndex(const Index& index) const;
    static bool isSafeKey(std::string_view key);
    static bool isKeptValue(std::string_view text);

    const std::filesystem::path m_directory;
    mutable std::mutex m_mutex;
    bool m_memoryEnabled { false };
    std::map<std::string, std::string> m_memory;
    // Most recently saved first.
    std::deque<std::string> m_keys;
    Index m_invalidationParams;
    std::uint64_t m_maximumDiskBytes { defaultMaximumDiskBytes };
    // Body files written by this process are told apart by their times even
    // within one tick of the file system's clock.
    std::filesystem::file_time_type m_lastWritten;
};
