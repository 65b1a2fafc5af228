#pragma once

#include <optional>
#include <string>
#include <vector>

namespace merchant {

enum class FaultKind {
    Http500,
    Http403,
    Http404,
    Slow, // the request is served, but the reply comes after delayMs
    Drop, // the connection is closed without a reply
    DropReply, // served, then the connection closes before the reply (not on image paths)
    EmptyBody, // 200 with no bytes
    Undecryptable, // 200 with Base64 that does not decrypt under the merchant's key
    StatusZero, // a well-formed refusal with the given info
    EmptyImage, // an image path answers 200 with no bytes
};

struct FaultRule {
    FaultKind kind = FaultKind::Http500;
    // Exact path, or a prefix when it ends in "*"; empty matches every path.
    std::string path;
    // How many matching requests it still hits; 0 keeps it until cleared.
    int remaining = 0;
    std::string info;
    int delayMs = 11'000; // past the app's 10 s time-out
};

// Faults the tests switch on. Rules are tried in the order they were added;
// the first that matches a request is used (and counted down) and no other.
class FaultSwitches {
public:
    void add(FaultRule rule) { m_rules.push_back(std::move(rule)); }
    void clear() { m_rules.clear(); }
    std::size_t size() const { return m_rules.size(); }

    // The fault for this request, if any. An empty-image rule only ever hits
    // image paths, and the other kinds never hit them unless named.
    std::optional<FaultRule> take(const std::string& path, bool isImage);

    static std::optional<FaultKind> kindNamed(const std::string& name);
    static std::string nameOf(FaultKind kind);

private:
    static bool pathMatches(const std::string& pattern, const std::string& path);

    std::vector<FaultRule> m_rules;
};

} // namespace merchant
