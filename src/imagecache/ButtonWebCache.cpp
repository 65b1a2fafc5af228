#include "imagecache/ButtonWebCache.h"

#include "imagecache/ViewWebCacheOperation.h"
#include "platform/kit/Button.h"

#include <map>
#include <mutex>

namespace imagecache {

namespace {

constexpr std::string_view storageKey = "imagecache.imageURLStorage";

struct URLStorage {
    std::mutex mutex;
    std::map<kit::ControlState, std::string> urls;
};

std::shared_ptr<URLStorage> storageOf(const kit::Button& button)
{
    return button.attachedValues().getOrMake<URLStorage>(
        storageKey, [] { return std::make_shared<URLStorage>(); });
}

void put(kit::Button& button, const ImagePtr& image, kit::ControlState state, bool background)
{
    if (background)
        button.setBackgroundImage(image, state);
    else
        button.setImage(image, state);
}

} // namespace

std::string ButtonWebCache::imageOperationKey(kit::ControlState state)
{
    return "UIButtonImageOperation" + std::to_string(static_cast<unsigned>(state));
}

std::string ButtonWebCache::backgroundImageOperationKey(kit::ControlState state)
{
    return "UIButtonBackgroundImageOperation" + std::to_string(static_cast<unsigned>(state));
}

void ButtonWebCache::ic_setImageWithURL(const ButtonPtr& button, const std::string& url,
    kit::ControlState state, ImagePtr placeholder, unsigned options, CompletionBlock completed)
{
    if (!button)
        return;
    button->setImage(placeholder, state);
    ic_cancelImageLoadForState(*button, state);
    {
        auto storage = storageOf(*button);
        std::lock_guard lock(storage->mutex);
        if (url.empty())
            storage->urls.erase(state);
        else
            storage->urls[state] = url;
    }
    load(button, url, state, Part::Image, options, std::move(completed));
}

void ButtonWebCache::ic_setBackgroundImageWithURL(const ButtonPtr& button, const std::string& url,
    kit::ControlState state, ImagePtr placeholder, unsigned options, CompletionBlock completed)
{
    if (!button)
        return;
    ic_cancelBackgroundImageLoadForState(*button, state);
    button->setBackgroundImage(placeholder, state);
    load(button, url, state, Part::Background, options, std::move(completed));
}

void ButtonWebCache::load(const ButtonPtr& button, const std::string& url, kit::ControlState state, Part part,
    unsigned options, CompletionBlock completed)
{
    if (url.empty()) {
        ViewWebCacheOperation::ic_reportNilURL(completed);
        return;
    }
    bool const background = part == Part::Background;
    // These two options are the image view's: a button always shows what loaded.
    options &= ~(LoadDelayPlaceholder | LoadAvoidAutoSetImage);
    ViewWebCacheOperation::ic_loadImage<kit::Button>(
        button, url, options, nullptr,
        background ? backgroundImageOperationKey(state) : imageOperationKey(state),
        [state, background](
            kit::Button& button, const ImagePtr& image) { put(button, image, state, background); },
        std::move(completed));
}

std::string ButtonWebCache::ic_currentImageURL(const kit::Button& button)
{
    auto url = ic_imageURLForState(button, button.state());
    return url.empty() ? ic_imageURLForState(button, kit::ControlState::Normal) : url;
}

std::string ButtonWebCache::ic_imageURLForState(const kit::Button& button, kit::ControlState state)
{
    auto storage = storageOf(button);
    std::lock_guard lock(storage->mutex);
    auto it = storage->urls.find(state);
    return it == storage->urls.end() ? std::string() : it->second;
}

void ButtonWebCache::ic_cancelImageLoadForState(const kit::Button& button, kit::ControlState state)
{
    ViewWebCacheOperation::ic_cancelImageLoadOperationWithKey(button, imageOperationKey(state));
}

void ButtonWebCache::cancelCurrentImageLoad(const kit::Button& button)
{
    ic_cancelImageLoadForState(button, button.state());
}

void ButtonWebCache::ic_cancelBackgroundImageLoadForState(const kit::Button& button, kit::ControlState state)
{
    ViewWebCacheOperation::ic_cancelImageLoadOperationWithKey(button, backgroundImageOperationKey(state));
}

} // namespace imagecache
