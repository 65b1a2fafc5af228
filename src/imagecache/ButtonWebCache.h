#pragma once

#include "imagecache/ImageViewWebCache.h"
#include "platform/kit/Control.h"

#include <memory>
#include <string>

namespace kit {
class Button;
}

namespace imagecache {

// Loading a button's image or background image for a state from a URL. The
// placeholder is set at once and a loaded image always set.
class ButtonWebCache {
public:
    using CompletionBlock = ImageViewWebCache::CompletionBlock;
    using ButtonPtr = std::shared_ptr<kit::Button>;

    static void ic_setImageWithURL(const ButtonPtr& button, const std::string& url, kit::ControlState state,
        ImagePtr placeholder = nullptr, unsigned options = 0, CompletionBlock completed = nullptr);
    static void ic_setBackgroundImageWithURL(const ButtonPtr& button, const std::string& url,
        kit::ControlState state, ImagePtr placeholder = nullptr, unsigned options = 0,
        CompletionBlock completed = nullptr);

    // The URL for the button's current state, else the normal state's.
    static std::string ic_currentImageURL(const kit::Button& button);
    static std::string ic_imageURLForState(const kit::Button& button, kit::ControlState state);

    static void ic_cancelImageLoadForState(const kit::Button& button, kit::ControlState state);
    static void ic_cancelBackgroundImageLoadForState(const kit::Button& button, kit::ControlState state);

    static std::string imageOperationKey(kit::ControlState state);
    static std::string backgroundImageOperationKey(kit::ControlState state);

private:
    enum class Part { Image, Background };
    static void load(const ButtonPtr& button, const std::string& url, kit::ControlState state, Part part,
        unsigned options, CompletionBlock completed);
};

} // namespace imagecache
