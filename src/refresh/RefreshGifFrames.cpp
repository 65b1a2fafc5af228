#include "refresh/RefreshGifFrames.h"

#include "refresh/FrameShorthand.h"

#include <cmath>

const RefreshGifFrames::Images* RefreshGifFrames::imagesForState(RefreshState state) const
{
    auto it = m_stateImages.find(state);
    return it == m_stateImages.end() || it->second.empty() ? nullptr : &it->second;
}

void RefreshGifFrames::setImages(
    const std::optional<Images>& images, double duration, RefreshState state, kit::View& control)
{
    if (!images)
        return;
    m_stateImages[state] = *images;
    m_stateDurations[state] = duration;
    if (!images->empty() && images->front() && images->front()->size().height > rfH(control))
        setRfH(control, images->front()->size().height);
}

void RefreshGifFrames::setImages(const std::optional<Images>& images, RefreshState state, kit::View& control)
{
    setImages(images, images ? static_cast<double>(images->size()) * 0.1 : 0.0, state, control);
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

void RefreshGifFrames::followPull(kit::ImageView& view, double percent) const
{
    const Images* idle = imagesForState(RefreshState::Idle);
    if (!idle)
        return;
    view.stopAnimating();
    view.setImage((*idle)[frameIndexForPercent(idle->size(), percent)]);
}

bool RefreshGifFrames::play(kit::ImageView& view, RefreshState state) const
{
    const Images* images = imagesForState(state);
    if (!images)
        return false;
    view.stopAnimating();
    if (images->size() == 1) {
        view.setImage(images->front());
    } else {
        view.setAnimationImages(*images);
        view.setAnimationDuration(m_stateDurations.at(state));
        view.startAnimating();
    }
    return true;
}
