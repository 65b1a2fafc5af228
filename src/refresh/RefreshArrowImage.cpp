#include "refresh/RefreshArrowImage.h"

#include <map>

std::shared_ptr<const graphics::Image> refreshArrowImage()
{
    // Kept per asset folder, as named images are, so that tests that point
    // the assets elsewhere see their own.
    static std::map<std::filesystem::path, std::shared_ptr<const graphics::Image>> loaded;
    std::filesystem::path bundle = graphics::Image::assetDirectory() / "PullRefresh.bundle";
    if (auto it = loaded.find(bundle); it != loaded.end())
        return it->second;
    auto image = graphics::Image::fromFile(bundle / "arrow@2x.png", 2.0);
    if (!image)
        image = graphics::Image::fromFile(bundle / "arrow.png", 1.0);
    if (image)
        loaded.emplace(bundle, image);
    return image;
}
