#include "refresh/RefreshBackGifFooter.h"

#include "refresh/FrameShorthand.h"
#include "refresh/RefreshGifFrames.h"

RefreshBackGifFooter::RefreshBackGifFooter(Token token)
    : RefreshBackStateFooter(token)
{
}

std::shared_ptr<RefreshBackGifFooter> RefreshBackGifFooter::footerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshBackGifFooter>(std::move(block));
}

std::shared_ptr<kit::ImageView> RefreshBackGifFooter::gifView()
{
    auto view = m_gifView.lock();
    if (!view) {
        view = std::make_shared<kit::ImageView>();
        addSubview(view);
        m_gifView = view;
    }
    return view;
}

void RefreshBackGifFooter::setImages(const std::optional<Images>& images, double duration, RefreshState state)
{
    m_frames.setImages(images, duration, state, *this);
}

void RefreshBackGifFooter::setImages(const std::optional<Images>& images, RefreshState state)
{
    m_frames.setImages(images, state, *this);
}

void RefreshBackGifFooter::setPullingPercent(double percent)
{
    RefreshBackStateFooter::setPullingPercent(percent);
    if (state() == RefreshState::Idle && m_frames.imagesForState(RefreshState::Idle))
        m_frames.followPull(*gifView(), percent);
}

void RefreshBackGifFooter::placeSubviews()
{
    RefreshBackStateFooter::placeSubviews();
    auto view = gifView();
    view->setFrame(bounds());
    if (stateLabel()->isHidden()) {
        view->setContentMode(kit::ContentMode::Center);
    } else {
        view->setContentMode(kit::ContentMode::Right);
        setRfW(*view, rfW(*this) * 0.5 - 90);
    }
}

void RefreshBackGifFooter::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshBackStateFooter::setState(state);
    if (state == RefreshState::Pulling || state == RefreshState::Refreshing) {
        if (!m_frames.imagesForState(state))
            return;
        auto view = gifView();
        view->setHidden(false);
        m_frames.play(*view, state);
    } else if (state == RefreshState::Idle || state == RefreshState::NoMoreData) {
        gifView()->setHidden(state == RefreshState::NoMoreData);
    }
}
