#pragma once

#include "refresh/RefreshComponent.h"

#include <optional>
#include <string>

// The pull-down control above a list's content: pulled fully into view and
// released, it refreshes, holding the list's top inset open while it does;
// when the owner ends the refresh it slides away and records the time.
class RefreshHeader : public RefreshComponent {
public:
    explicit RefreshHeader(Token token);

    static std::shared_ptr<RefreshHeader> headerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshHeader> headerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshHeader>(target, action);
    }

    const std::string& lastUpdatedTimeKey() const { return m_lastUpdatedTimeKey; }
    virtual void setLastUpdatedTimeKey(std::string key);
    // Seconds since 1970 of the last ended refresh under the key, if any.
    std::optional<double> lastUpdatedTime() const;

    void setState(RefreshState state) override;
    void endRefreshing() override;

protected:
    void prepare() override;
    void placeSubviews() override;
    void scrollViewContentOffsetDidChange(graphics::Point oldOffset, graphics::Point newOffset) override;

private:
    std::string m_lastUpdatedTimeKey;
};
