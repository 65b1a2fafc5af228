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
    m_frames.setImages(images, duration, state, *this);
}

void RefreshGifHeader::setImages(const std::optional<Images>& images, RefreshState state)
{
    m_frames.setImages(images, state, *this);
}

void RefreshGifHeader::setPullingPercent(double percent)
{
    RefreshStateHeader::setPullingPercent(percent);
    if (state() == RefreshState::Idle && m_frames.imagesForState(RefreshState::Idle))
        m_frames.followPull(*gifView(), percent);
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
    m_frames.play(*gifView(), state);
}
