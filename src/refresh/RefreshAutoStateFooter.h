#pragma once

#include "platform/kit/Label.h"
#include "refresh/RefreshAutoFooter.h"
#include "refresh/RefreshStateTitles.h"

#include <map>
#include <optional>
#include <string>

// An automatic footer that names its state; tapping the text at rest loads
// the next page too.
class RefreshAutoStateFooter : public RefreshAutoFooter {
public:
    explicit RefreshAutoStateFooter(Token token);

    static std::shared_ptr<RefreshAutoStateFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshAutoStateFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshAutoStateFooter>(target, action);
    }

    // An absent title is ignored.
    void setTitle(const std::optional<std::string>& title, RefreshState state);
    const std::map<RefreshState, std::string>& stateTitles() const { return m_titles.titles(); }
    std::shared_ptr<kit::Label> stateLabel() { return m_titles.label(); }

    bool isRefreshingTitleHidden() const { return m_titles.isRefreshingTitleHidden(); }
    void setRefreshingTitleHidden(bool hidden) { m_titles.setRefreshingTitleHidden(hidden); }

    void setState(RefreshState state) override;
    // Touches on the state label come up the responder chain to here. Only a tap
    // counts: a touch that ends on the label after sliding more than a finger's
    // width (or that ends away from it) does not load.
    void touchesBegan(const kit::Touch& touch) override;
    void touchesMoved(const kit::Touch& touch) override;
    void touchesEnded(const kit::Touch& touch) override;
    void touchesCancelled(const kit::Touch& touch) override;

protected:
    void prepare() override;
    void placeSubviews() override;

private:
    void stateLabelClick();

    RefreshStateTitles m_titles { *this };
    // Where a touch on the label began, while it still counts as a tap.
    std::optional<graphics::Point> m_tapStart;
};
