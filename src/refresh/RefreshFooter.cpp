#include "refresh/RefreshFooter.h"

#include "refresh/FrameShorthand.h"

RefreshFooter::RefreshFooter(Token token)
    : RefreshComponent(token)
{
}

void RefreshFooter::prepare()
{
    RefreshComponent::prepare();
    setRfH(*this, RefreshFooterHeight);
}

void RefreshFooter::noticeNoMoreData()
{
    setState(RefreshState::NoMoreData);
}

void RefreshFooter::resetNoMoreData()
{
    setState(RefreshState::Idle);
}
