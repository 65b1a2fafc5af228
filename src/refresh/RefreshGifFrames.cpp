#include "refresh/RefreshGifFrames.h"

#include "refresh/FrameShorthand.h"
#include "refresh/LazySubview.h"

#include <cmath>

std::shared_ptr<kit::ImageView> RefreshGifFrames::gifView()
{
    return lazySubview(m_control, m_gifView, [] { return std::make_shared<kit::ImageView>(); });
}

const RefreshGifFrames::Images* RefreshGifFrames::imagesForState(RefreshState state) const
{
    auto it = m_stateImages.find(state);
    return it == m_stateImages.end() || it->second.empty() ? nullptr : &it->second;
}

void RefreshGifFrames::setImages(const std::optional<Images>& images, double duration, RefreshState state)
{
    if (!images)
        return;
    m_stateImages[state] = *images;
    m_stateDurations[state] = duration;
    if (!images->empty() && images->front() && images->front()->size().height > rfH(m_control))
        setRfH(m_control, images->front()->size().height);
}

void RefreshGifFrames::setImages(const std::optional<Images>& images, RefreshState state)
{
    setImages(images, images ? static_cast<double>(images->size()) * 0.1 : 0.0, state);
}

std::size_t RefreshGifFrames::frameIndexForPercent(std::size_t count, double percent)
{
    if (count == 0 || !(percent > 0))
        return 0;
    double index = std::floor(static_cast<double>(count) * percent);
    if (index >= static_cast<double>(count - 1))
        return count - 1;
    return static_cast<std::size_t>(index);
}

void RefreshGifFrames::followPull(double percent)
{
    const Images* idle = imagesForState(RefreshState::Idle);
    if (!idle)
        return;
    auto view = gifView();
    view->stopAnimating();
    view->setImage((*idle)[frameIndexForPercent(idle->size(), percent)]);
}

bool RefreshGifFrames::play(RefreshState state)
{
    const Images* images = imagesForState(state);
    if (!images)
        return false;
    auto view = gifView();
    view->stopAnimating();
    if (images->size() == 1) {
        view->setImage(images->front());
    } else {
        view->setAnimationImages(*images);
        view->setAnimationDuration(m_stateDurations.at(state));
        view->startAnimating();
    }
    return true;
}

void RefreshGifFrames::showPlaying(RefreshState state)
{
    if (!imagesForState(state))
        return;
    gifView()->setHidden(false);
    play(state);
}

void RefreshGifFrames::place(bool textShown)
{
    auto view = gifView();
    view->setFrame(m_control.bounds());
    if (!textShown) {
        view->setContentMode(kit::ContentMode::Center);
    } else {
        view->setContentMode(kit::ContentMode::Right);
        setRfW(*view, rfW(m_control) * 0.5 - 90);
    }
}
