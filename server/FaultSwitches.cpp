#include "server/FaultSwitches.h"

#include <array>
#include <utility>

namespace merchant {

namespace {

constexpr std::array<std::pair<FaultKind, const char*>, 10> kNames { {
    { FaultKind::Http500, "http500" },
    { FaultKind::Http403, "http403" },
    { FaultKind::Http404, "http404" },
    { FaultKind::Slow, "slow" },
    { FaultKind::Drop, "drop" },
    { FaultKind::DropReply, "dropReply" },
    { FaultKind::EmptyBody, "empty" },
    { FaultKind::Undecryptable, "undecryptable" },
    { FaultKind::StatusZero, "status0" },
    { FaultKind::EmptyImage, "emptyImage" },
} };

} // namespace

bool FaultSwitches::pathMatches(const std::string& pattern, const std::string& path)
{
    if (pattern.empty())
        return true;
    if (pattern.back() == '*')
        return path.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return pattern == path;
}

std::optional<FaultRule> FaultSwitches::take(const std::string& path, bool isImage)
{
    for (auto it = m_rules.begin(); it != m_rules.end(); ++it) {
        if (!pathMatches(it->path, path))
            continue;
        bool imageRule = it->kind == FaultKind::EmptyImage;
        // A blanket rule for the signed API must not blank out the QR image
        // the same flow fetches next, and the reverse.
        if (imageRule != isImage && (imageRule || it->path.empty()))
            continue;
        FaultRule hit = *it;
        if (it->remaining > 0 && --it->remaining == 0)
            m_rules.erase(it);
        return hit;
    }
    return std::nullopt;
}

std::optional<FaultKind> FaultSwitches::kindNamed(const std::string& name)
{
    for (const auto& [kind, text] : kNames) {
        if (name == text)
            return kind;
    }
    return std::nullopt;
}

std::string FaultSwitches::nameOf(FaultKind kind)
{
    for (const auto& [candidate, text] : kNames) {
        if (candidate == kind)
            return text;
    }
    return "";
}

} // namespace merchant
