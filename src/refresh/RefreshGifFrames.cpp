#include "refresh/RefreshGifFrames.h"

#include <cmath>

namespace RefreshGifFrames {

std::size_t frameIndexForPercent(std::size_t count, double percent)
{
    if (count == 0 || !(percent > 0))
        return 0;
    double index = std::floor(static_cast<double>(count) * percent);
    if (index >= static_cast<double>(count - 1))
        return count - 1;
    return static_cast<std::size_t>(index);
}

void show(kit::ImageView& view, const std::vector<kit::ImageView::ImagePtr>& images, double duration)
{
    view.stopAnimating();
    if (images.size() == 1) {
        view.setImage(images.front());
    } else if (!images.empty()) {
        view.setAnimationImages(images);
        view.setAnimationDuration(duration);
        view.startAnimating();
    }
}

} // namespace RefreshGifFrames
