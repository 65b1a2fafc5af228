#pragma once

#include "refresh/RefreshFooter.h"

// The pull-up footer: pulled fully into view past the end of the content
// and released, it refreshes, holding the list's bottom inset open.
class RefreshBackFooter : public RefreshFooter {
public:
    explicit RefreshBackFooter(Token token);

    static std::shared_ptr<RefreshBackFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshBackFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshBackFooter>(target, action);
    }

    // Rows in the list when the last refresh began.
    int lastRefreshCount() const { return m_lastRefreshCount; }
    void setLastRefreshCount(int count) { m_lastRefreshCount = count; }
    // What the last refresh added to the list's bottom inset.
    double lastBottomDelta() const { return m_lastBottomDelta; }
    void setLastBottomDelta(double delta) { m_lastBottomDelta = delta; }

    // How far the content reaches beyond the visible area; negative when it
    // is shorter.
    double heightForContentBreakView() const;
    // The offset at which the footer starts to come into view.
    double happenOffsetY() const;
    // Rows of a table view or items of a collection view; 0 for any other scroll view.
    int totalDataCountInScrollView() const;

    void setState(RefreshState state) override;
    void endRefreshing() override;

protected:
    void scrollViewContentSizeDidChange(graphics::Size oldSize, graphics::Size newSize) override;
    void scrollViewContentOffsetDidChange(graphics::Point oldOffset, graphics::Point newOffset) override;

private:
    int m_lastRefreshCount = 0;
    double m_lastBottomDelta = 0;
};
