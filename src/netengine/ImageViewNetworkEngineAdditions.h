#pragma once

#include "netengine/NetworkOperation.h"

#include <memory>
#include <optional>
#include <string>

namespace graphics {
class Image;
}
namespace kit {
class ImageView;
}
class NetworkEngine;

// An image view showing a remote picture fetched through an HTTP engine: a
// placeholder at once, then the picture when it arrives, faded in (quickly
// when it came from the engine's cache). A view keeps its fetch: a new one
// cancels the last. Main thread only.
//
//     ImageViewNetworkEngineAdditions::setDefaultEngine(engine);
//     ImageViewNetworkEngineAdditions::setImageFromURL(*portrait, url, placeholder);
class ImageViewNetworkEngineAdditions {
public:
    using ImagePointer = std::shared_ptr<const graphics::Image>;

    static constexpr double cachedFadeDuration = 0.1;
    static constexpr double fetchedFadeDuration = 0.35;

    // The engine the calls without one of their own use.
    static void setDefaultEngine(std::shared_ptr<NetworkEngine> engine);

    static NetworkOperation::Pointer setImageFromURL(
        kit::ImageView& view, const std::optional<std::string>& url);
    static NetworkOperation::Pointer setImageFromURL(
        kit::ImageView& view, const std::optional<std::string>& url, ImagePointer placeholder);
    static NetworkOperation::Pointer setImageFromURL(kit::ImageView& view,
        const std::optional<std::string>& url, ImagePointer placeholder, bool animation);
    // Without an engine (none given and no default) nothing is fetched, and
    // the view's last fetch, now cancelled, is what comes back.
    static NetworkOperation::Pointer setImageFromURL(kit::ImageView& view,
        const std::optional<std::string>& url, ImagePointer placeholder,
        std::shared_ptr<NetworkEngine> engine, bool animation);

    static NetworkOperation::Pointer imageFetchOperation(const kit::ImageView& view);
    static void setImageFetchOperation(kit::ImageView& view, NetworkOperation::Pointer operation);
};
