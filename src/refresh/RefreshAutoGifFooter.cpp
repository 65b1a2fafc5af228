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
    if (!images)
        return;
    m_stateImages[state] = *images;
    m_stateDurations[state] = duration;
    if (!images->empty() && images->front() && images->front()->size().height > rfH(*this))
        setRfH(*this, images->front()->size().height);
}

void RefreshAutoGifFooter::setImages(const std::optional<Images>& images, RefreshState state)
{
    setImages(images, images ? static_cast<double>(images->size()) * 0.1 : 0.0, state);
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
        auto it = m_stateImages.find(state);
        if (it == m_stateImages.end() || it->second.empty())
            return;
        view->setHidden(false);
        RefreshGifFrames::show(*view, it->second, m_stateDurations[state]);
    } else if (state == RefreshState::Idle || state == RefreshState::NoMoreData) {
        view->stopAnimating();
        view->setHidden(true);
    }
}
