#pragma once

#include "platform/kit/Label.h"
#include "refresh/RefreshBackFooter.h"
#include "refresh/RefreshStateTitles.h"

#include <map>
#include <optional>
#include <string>

// A pull-up footer that names its state.
class RefreshBackStateFooter : public RefreshBackFooter {
public:
    explicit RefreshBackStateFooter(Token token);

    static std::shared_ptr<RefreshBackStateFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshBackStateFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshBackStateFooter>(target, action);
    }

    // An absent title is ignored.
    void setTitle(const std::optional<std::string>& title, RefreshState state);
    const std::map<RefreshState, std::string>& stateTitles() const { return m_titles.titles(); }
    std::shared_ptr<kit::Label> stateLabel() { return m_titles.label(); }

    void setState(RefreshState state) override;

protected:
    void prepare() override;
    void placeSubviews() override;

private:
    RefreshStateTitles m_titles { *this };
};
