#include "refresh/RefreshGifHeader.h"

#include "refresh/FrameShorthand.h"
#include "refresh/RefreshGifFrames.h"

RefreshGifHeader::RefreshGifHeader(Token token)
    : RefreshStateHeader(token)
{
}

std::shared_ptr<RefreshGifHeader> RefreshGifHeader::headerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshGifHeader>(std::move(block));
}

std::shared_ptr<kit::ImageView> RefreshGifHeader::gifView()
{
    auto view = m_gifView.lock();
    if (!view) {
        view = std::make_shared<kit::ImageView>();
        addSubview(view);
        m_gifView = view;
    }
    return view;
}

void RefreshGifHeader::setImages(const std::optional<Images>& images, double duration, RefreshState state)
{
    if (!images)
        return;
    m_stateImages[state] = *images;
    m_stateDurations[state] = duration;
    if (!images->empty() && images->front() && images->front()->size().height > rfH(*this))
        setRfH(*this, images->front()->size().height);
}

void RefreshGifHeader::setImages(const std::optional<Images>& images, RefreshState state)
{
    setImages(images, images ? static_cast<double>(images->size()) * 0.1 : 0.0, state);
}

void RefreshGifHeader::setPullingPercent(double percent)
{
    RefreshStateHeader::setPullingPercent(percent);
    auto it = m_stateImages.find(RefreshState::Idle);
    if (state() != RefreshState::Idle || it == m_stateImages.end() || it->second.empty())
        return;
    auto view = gifView();
    view->stopAnimating();
    view->setImage(it->second[RefreshGifFrames::frameIndexForPercent(it->second.size(), percent)]);
}

void RefreshGifHeader::placeSubviews()
{
    RefreshStateHeader::placeSubviews();
    auto view = gifView();
    view->setFrame(bounds());
    if (stateLabel()->isHidden() && lastUpdatedTimeLabel()->isHidden()) {
        view->setContentMode(kit::ContentMode::Center);
    } else {
        // Right-aligned in the left part, so the frames sit beside the texts.
        view->setContentMode(kit::ContentMode::Right);
        setRfW(*view, rfW(*this) * 0.5 - 90);
    }
}

void RefreshGifHeader::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshStateHeader::setState(state);
    if (state != RefreshState::Pulling && state != RefreshState::Refreshing)
        return;
    auto it = m_stateImages.find(state);
    if (it == m_stateImages.end() || it->second.empty())
        return;
    RefreshGifFrames::show(*gifView(), it->second, m_stateDurations[state]);
}
