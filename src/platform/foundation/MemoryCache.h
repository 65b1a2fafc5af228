#pragma once

// A thread-safe in-memory cache bounded by the total cost of its objects and by their
// count (a limit of 0 means none). When a set or a lower limit takes it over a bound,
// it evicts the least recently used objects (a hit counts as a use) until it is
// within both again; an object that alone costs more than the whole cost limit is
// therefore not kept. Values leave the cache (evicted, replaced or removed) out of the
// lock, so a value's destructor may use the cache.
//
//     foundation::MemoryCache<std::string, std::shared_ptr<Image>> images("images");
//     images.setTotalCostLimit(32 << 20);
//     images.setObject(url, image, width * height * 4);
//     if (auto hit = images.objectForKey(url)) draw(*hit);
//
// A template, so that a look-up costs one hash, one lock and a few pointer moves, and
// hands back the value itself (a shared pointer's copy for shared objects).

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace foundation {

template<typename Key, typename Value, typename Hash = std::hash<Key>, typename KeyEqual = std::equal_to<Key>>
class MemoryCache {
public:
    MemoryCache() = default;
    explicit MemoryCache(std::string name)
        : m_name(std::move(name))
    {
    }
    MemoryCache(const MemoryCache&) = delete;
    MemoryCache& operator=(const MemoryCache&) = delete;

    std::optional<Value> objectForKey(const Key& key)
    {
        std::lock_guard lock(m_mutex);
        auto const it = m_index.find(key);
        if (it == m_index.end())
            return std::nullopt;
        Node& node = it->second;
        if (&node != m_newest) {
            unlinkLocked(node);
            linkNewestLocked(node, it->first);
        }
        return node.value;
    }

    void setObject(const Key& key, Value value, std::size_t cost = 0)
    {
        std::vector<Value> dropped;
        std::lock_guard lock(m_mutex);
        auto [it, inserted] = m_index.try_emplace(key, std::move(value), cost);
        Node& node = it->second;
        if (inserted) {
            m_totalCost += cost;
        } else {
            // The old value leaves through `dropped`, out of the lock.
            dropped.push_back(std::exchange(node.value, std::move(value)));
            m_totalCost = m_totalCost - node.cost + cost;
            node.cost = cost;
            unlinkLocked(node);
        }
        linkNewestLocked(node, it->first);
        evictLocked(dropped);
    }

    void removeObjectForKey(const Key& key)
    {
        std::optional<Value> dropped;
        std::lock_guard lock(m_mutex);
        auto const it = m_index.find(key);
        if (it == m_index.end())
            return;
        dropped = eraseLocked(it);
    }

    void removeAllObjects()
    {
        Index dropped;
        std::lock_guard lock(m_mutex);
        dropped.swap(m_index);
        m_newest = m_oldest = nullptr;
        m_totalCost = 0;
    }

    std::size_t count() const
    {
        std::lock_guard lock(m_mutex);
        return m_index.size();
    }
    std::size_t totalCost() const { return read(m_totalCost); }

    void setTotalCostLimit(std::size_t limit) { setLimit(m_totalCostLimit, limit); }
    std::size_t totalCostLimit() const { return read(m_totalCostLimit); }

    void setCountLimit(std::size_t limit) { setLimit(m_countLimit, limit); }
    std::size_t countLimit() const { return read(m_countLimit); }

    void setName(std::string name)
    {
        std::lock_guard lock(m_mutex);
        m_name = std::move(name);
    }
    std::string name() const
    {
        std::lock_guard lock(m_mutex);
        return m_name;
    }

private:
    // The recency list runs through the index's own nodes, whose addresses survive
    // rehashing, so a hit moves no key and allocates nothing.
    struct Node {
        Node(Value value, std::size_t cost)
            : value(std::move(value))
            , cost(cost)
        {
        }
        Value value;
        std::size_t cost;
        Node* newer { nullptr };
        Node* older { nullptr };
        const Key* key { nullptr };
    };
    using Index = std::unordered_map<Key, Node, Hash, KeyEqual>;

    void unlinkLocked(Node& node)
    {
        (node.newer ? node.newer->older : m_newest) = node.older;
        (node.older ? node.older->newer : m_oldest) = node.newer;
        node.newer = node.older = nullptr;
    }

    void linkNewestLocked(Node& node, const Key& key)
    {
        node.key = &key;
        node.older = m_newest;
        node.newer = nullptr;
        (m_newest ? m_newest->newer : m_oldest) = &node;
        m_newest = &node;
    }

    Value eraseLocked(typename Index::iterator it)
    {
        Node& node = it->second;
        unlinkLocked(node);
        m_totalCost -= node.cost;
        Value value = std::move(node.value);
        m_index.erase(it);
        return value;
    }

    std::size_t read(const std::size_t& field) const
    {
        std::lock_guard lock(m_mutex);
        return field;
    }

    // A lower limit applies at once.
    void setLimit(std::size_t& field, std::size_t limit)
    {
        std::vector<Value> dropped;
        std::lock_guard lock(m_mutex);
        field = limit;
        evictLocked(dropped);
    }

    bool overLimitLocked() const
    {
        return (m_countLimit > 0 && m_index.size() > m_countLimit)
            || (m_totalCostLimit > 0 && m_totalCost > m_totalCostLimit);
    }

    void evictLocked(std::vector<Value>& dropped)
    {
        while (m_oldest && overLimitLocked())
            dropped.push_back(eraseLocked(m_index.find(*m_oldest->key)));
    }

    mutable std::mutex m_mutex;
    Index m_index;
    Node* m_newest { nullptr };
    Node* m_oldest { nullptr };
    std::size_t m_totalCost { 0 };
    std::size_t m_totalCostLimit { 0 };
    std::size_t m_countLimit { 0 };
    std::string m_name;
};

} // namespace foundation
