#include "refresh/RefreshAutoGifFooter.h"

#include "refresh/FrameShorthand.h"
#include "refresh/RefreshGifFrames.h"

RefreshAutoGifFooter::RefreshAutoGifFooter(Token token)
    : RefreshAutoStateFooter(token)
{
}

std::shared_ptr<RefreshAutoGifFooter> RefreshAutoGifFooter::footerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshAutoGifFooter>(std::move(block));
}

std::shared_ptr<kit::ImageView> RefreshAutoGifFooter::gifView()
{
    auto view = m_gifView.lock();
    if (!view) {
        view = std::make_shared<kit::ImageView>();
        addSubview(view);
        m_gifView = view;
    }
    return view;
}

void RefreshAutoGifFooter::setImages(const std::optional<Images>& images, double duration, RefreshState state)
{
    m_frames.setImages(images, duration, state, *this);
}

void RefreshAutoGifFooter::setImages(const std::optional<Images>& images, RefreshState state)
{
    m_frames.setImages(images, state, *this);
}

void RefreshAutoGifFooter::placeSubviews()
{
    RefreshAutoStateFooter::placeSubviews();
    auto view = gifView();
    view->setFrame(bounds());
    if (isRefreshingTitleHidden()) {
        view->setContentMode(kit::ContentMode::Center);
    } else {
        view->setContentMode(kit::ContentMode::Right);
        setRfW(*view, rfW(*this) * 0.5 - 90);
    }
}

void RefreshAutoGifFooter::setState(RefreshState state)
{
    if (state == this->state())
        return;
    RefreshAutoStateFooter::setState(state);
    auto view = gifView();
    if (state == RefreshState::Refreshing) {
        if (!m_frames.imagesForState(state))
            return;
        view->setHidden(false);
        m_frames.play(*view, state);
    } else if (state == RefreshState::Idle || state == RefreshState::NoMoreData) {
        view->stopAnimating();
        view->setHidden(true);
    }
}
