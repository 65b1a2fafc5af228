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
    if (!images)
        return;
    m_stateImages[state] = *images;
    m_stateDurations[state] = duration;
    if (!images->empty() && images->front() && images->front()->size().height > rfH(*this))
        setRfH(*this, images->front()->size().height);
}

void RefreshBackGifFooter::setImages(const std::optional<Images>& images, RefreshState state)
{
    setImages(images, images ? static_cast<double>(images->size()) * 0.1 : 0.0, state);
}

void RefreshBackGifFooter::setPullingPercent(double percent)
{
    RefreshBackStateFooter::setPullingPercent(percent);
    auto it = m_stateImages.find(RefreshState::Idle);
    if (state() != RefreshState::Idle || it == m_stateImages.end() || it->second.empty())
        return;
    auto view = gifView();
    view->stopAnimating();
    view->setImage(it->second[RefreshGifFrames::frameIndexForPercent(it->second.size(), percent)]);
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
        auto it = m_stateImages.find(state);
        if (it == m_stateImages.end() || it->second.empty())
            return;
        auto view = gifView();
        view->setHidden(false);
        RefreshGifFrames::show(*view, it->second, m_stateDurations[state]);
    } else if (state == RefreshState::Idle || state == RefreshState::NoMoreData) {
        gifView()->setHidden(state == RefreshState::NoMoreData);
    }
}
