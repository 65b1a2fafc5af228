#pragma once

#include "platform/kit/Label.h"
#include "refresh/RefreshHeader.h"
#include "refresh/RefreshStateTitles.h"

#include <functional>
#include <map>
#include <optional>
#include <string>

// A header that names its state and shows when the list was last updated.
class RefreshStateHeader : public RefreshHeader {
public:
    // Turns the stored time (none when there is none) into the time text.
    using LastUpdatedTimeText = std::function<std::string(std::optional<double> secondsSince1970)>;

    explicit RefreshStateHeader(Token token);

    static std::shared_ptr<RefreshStateHeader> headerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshStateHeader> headerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshStateHeader>(target, action);
    }

    // An absent title is ignored.
    void setTitle(const std::optional<std::string>& title, RefreshState state);
    const std::map<RefreshState, std::string>& stateTitles() const { return m_titles.titles(); }

    std::shared_ptr<kit::Label> stateLabel() { return m_titles.label(); }
    std::shared_ptr<kit::Label> lastUpdatedTimeLabel();

    const LastUpdatedTimeText& lastUpdatedTimeText() const { return m_lastUpdatedTimeText; }
    void setLastUpdatedTimeText(LastUpdatedTimeText text) { m_lastUpdatedTimeText = std::move(text); }

    // Also renders the time text for the key's stored time.
    void setLastUpdatedTimeKey(std::string key) override;
    void setState(RefreshState state) override;

protected:
    void prepare() override;
    void placeSubviews() override;

private:
    std::string timeText(std::optional<double> secondsSince1970) const;

    RefreshStateTitles m_titles { *this };
    std::weak_ptr<kit::Label> m_lastUpdatedTimeLabel;
    LastUpdatedTimeText m_lastUpdatedTimeText;
};
