#pragma once

#include "api/SignedClientUi.h"

#include <set>
#include <string>
#include <vector>

// Everything a client shows, in one order: overlays opened and closed (a close
// of one never opened says so), toasts and key alerts.
class RecordingUi final : public SignedClientUi {
public:
    std::shared_ptr<void> showProgressDialog(const std::optional<std::string>& text) override
    {
        events.push_back("overlay " + text.value_or("(no label)"));
        auto overlay = std::make_shared<int>(0);
        m_open.insert(overlay.get());
        return overlay;
    }
    void closeProgressDialog(const std::shared_ptr<void>& overlay) override
    {
        events.push_back(m_open.erase(overlay.get()) ? "close" : "close of an overlay not open");
    }
    void toast(const std::string& text) override { events.push_back("toast " + text); }
    void setReceivableKey() override { events.push_back("collection key alert"); }
    void setMemberKey() override { events.push_back("member key alert"); }

    std::size_t openOverlays() const { return m_open.size(); }
    // The toasts and alerts alone.
    std::vector<std::string> prompts() const
    {
        std::vector<std::string> said;
        for (const auto& event : events) {
            if (!event.starts_with("overlay ") && !event.starts_with("close"))
                said.push_back(event);
        }
        return said;
    }

    std::vector<std::string> events;

private:
    std::set<void*> m_open;
};
