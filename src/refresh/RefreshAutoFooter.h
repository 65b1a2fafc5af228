#pragma once

#include "refresh/RefreshFooter.h"

// A footer that starts loading by itself when the list is scrolled to its
// end (or a drag past the end is let go). It keeps a bottom inset of its own
// height open for as long as it is shown in the list.
class RefreshAutoFooter : public RefreshFooter {
public:
    explicit RefreshAutoFooter(Token token);

    static std::shared_ptr<RefreshAutoFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshAutoFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshAutoFooter>(target, action);
    }

    bool isAutomaticallyRefresh() const { return m_automaticallyRefresh; }
    void setAutomaticallyRefresh(bool automatically) { m_automaticallyRefresh = automatically; }
    // How much of the footer must be in view to start: 1.0 is all of it.
    double appearencePercentTriggerAutoRefresh() const { return m_appearencePercentTriggerAutoRefresh; }
    void setAppearencePercentTriggerAutoRefresh(double percent)
    {
        m_appearencePercentTriggerAutoRefresh = percent;
    }

    void setState(RefreshState state) override;
    void setHidden(bool hidden) override;
    void willMoveToSuperview(kit::View* newSuperview) override;

    // Seconds from entering refreshing to the owner's callback.
    static constexpr double callbackDelay = 0.5;

protected:
    void prepare() override;
    void scrollViewContentSizeDidChange(graphics::Size oldSize, graphics::Size newSize) override;
    void scrollViewContentOffsetDidChange(graphics::Point oldOffset, graphics::Point newOffset) override;
    void scrollViewPanStateDidChange(
        kit::GestureRecognizerState oldState, kit::GestureRecognizerState newState) override;

private:
    void placeBelowContent();

    bool m_automaticallyRefresh = true;
    double m_appearencePercentTriggerAutoRefresh = 1.0;
};
