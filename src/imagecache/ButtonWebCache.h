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
    static void ic_setImageWithURL(
        const ButtonPtr& button, const std::string& url, kit::ControlState state, CompletionBlock completed)
    {
        ic_setImageWithURL(button, url, state, nullptr, 0, std::move(completed));
    }
    static void ic_setBackgroundImageWithURL(
        const ButtonPtr& button, const std::string& url, kit::ControlState state, CompletionBlock completed)
    {
        ic_setBackgroundImageWithURL(button, url, state, nullptr, 0, std::move(completed));
    }

    // The URL for the button's current state, else the normal state's.
    static std::string ic_currentImageURL(const kit::Button& button);
    static std::string ic_imageURLForState(const kit::Button& button, kit::ControlState state);

    static void ic_cancelImageLoadForState(const kit::Button& button, kit::ControlState state);
    static void ic_cancelBackgroundImageLoadForState(const kit::Button& button, kit::ControlState state);

    // Older names, kept for callers written against them.
    static std::string currentImageURL(const kit::Button& button) { return ic_currentImageURL(button); }
    static std::string imageURLForState(const kit::Button& button, kit::ControlState state)
    {
        return ic_imageURLForState(button, state);
    }
    static void setImageWithURL(const ButtonPtr& button, const std::string& url, kit::ControlState state,
        ImagePtr placeholder = nullptr, unsigned options = 0, DeprecatedCompletionBlock completed = nullptr)
    {
        ic_setImageWithURL(button, url, state, std::move(placeholder), options, ic_withoutURL(std::move(completed)));
    }
    static void setImageWithURL(
        const ButtonPtr& button, const std::string& url, kit::ControlState state, DeprecatedCompletionBlock completed)
    {
        ic_setImageWithURL(button, url, state, ic_withoutURL(std::move(completed)));
    }
    static void setBackgroundImageWithURL(const ButtonPtr& button, const std::string& url, kit::ControlState state,
        ImagePtr placeholder = nullptr, unsigned options = 0, DeprecatedCompletionBlock completed = nullptr)
    {
        ic_setBackgroundImageWithURL(
            button, url, state, std::move(placeholder), options, ic_withoutURL(std::move(completed)));
    }
    static void setBackgroundImageWithURL(
        const ButtonPtr& button, const std::string& url, kit::ControlState state, DeprecatedCompletionBlock completed)
    {
        ic_setBackgroundImageWithURL(button, url, state, ic_withoutURL(std::move(completed)));
    }
    // The load for the state the button is in now.
    static void cancelCurrentImageLoad(const kit::Button& button);
    static void cancelBackgroundImageLoadForState(const kit::Button& button, kit::ControlState state)
    {
        ic_cancelBackgroundImageLoadForState(button, state);
    }

    static std::string imageOperationKey(kit::ControlState state);
    static std::string backgroundImageOperationKey(kit::ControlState state);

private:
    enum class Part { Image, Background };
    static void load(const ButtonPtr& button, const std::string& url, kit::ControlState state, Part part,
        unsigned options, CompletionBlock completed);
};

} // namespace imagecache
