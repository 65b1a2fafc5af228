#pragma once

#include "refresh/RefreshComponent.h"

// The control below a list's content that loads the next page; once the
// owner says everything is loaded it stays in "no more data" until reset.
class RefreshFooter : public RefreshComponent {
public:
    explicit RefreshFooter(Token token);

    void noticeNoMoreData();
    void resetNoMoreData();

protected:
    template<class T> static std::shared_ptr<T> makeWithBlock(RefreshingBlock block)
    {
        auto footer = create<T>();
        footer->setRefreshingBlock(std::move(block));
        return footer;
    }
    template<class T, class Target>
    static std::shared_ptr<T> makeWithTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        auto footer = create<T>();
        footer->setRefreshingTarget(target, action);
        return footer;
    }

    void prepare() override;
};
