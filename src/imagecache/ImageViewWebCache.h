#pragma once

#include "imagecache/ImageError.h"
#include "imagecache/ImageManager.h"
#include "imagecache/ImageOptions.h"
#include "imagecache/ViewWebCacheOperation.h"
#include "platform/kit/ActivityIndicatorView.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class ImageView;
}

namespace imagecache {

// Loading an image view's image, highlighted image or animation frames from
// URLs through the shared manager. May be called on any thread; the view is
// only ever changed on the main thread, and a view gone meanwhile is left
// alone. A new load cancels the view's previous one of the same kind.
//
//     ImageViewWebCache::ic_setImageWithURL(cell->portraitView(), member.portrait);
class ImageViewWebCache {
public:
    using CompletionBlock = ViewCompletionBlock;
    using ProgressBlock = ImageManager::ProgressBlock;
    using ViewPtr = std::shared_ptr<kit::ImageView>;

    static constexpr std::string_view imageLoadKey = "UIImageViewImageLoad";
    static constexpr std::string_view animationImagesKey = "UIImageViewAnimationImages";
    static constexpr std::string_view highlightedImageKey = "highlightedImage";

    // The placeholder shows at once (unless LoadDelayPlaceholder); without a
    // URL the completion gets the nil-URL error.
    static void ic_setImageWithURL(const ViewPtr& view, const std::string& url,
        ImagePtr placeholder = nullptr, unsigned options = 0, ProgressBlock progress = nullptr,
        CompletionBlock completed = nullptr);
    static void ic_setImageWithURL(const ViewPtr& view, const std::string& url, CompletionBlock completed)
    {
        ic_setImageWithURL(view, url, nullptr, 0, nullptr, std::move(completed));
    }
    // The image cached for the URL, if any, stands in while it reloads.
    static void ic_setImageWithPreviousCachedImageWithURL(const ViewPtr& view, const std::string& url,
        ImagePtr placeholder, unsigned options = 0, ProgressBlock progress = nullptr,
        CompletionBlock completed = nullptr);
    static std::string ic_imageURL(const kit::ImageView& view);
    static void ic_cancelCurrentImageLoad(const kit::ImageView& view);

    // The frames, in the order of the URLs, as they arrive; they replace the
    // view's previous frames.
    static void ic_setAnimationImagesWithURLs(const ViewPtr& view, const std::vector<std::string>& urls);
    static void ic_cancelCurrentAnimationImagesLoad(const kit::ImageView& view);

    static void ic_setHighlightedImageWithURL(const ViewPtr& view, const std::string& url,
        unsigned options = 0, ProgressBlock progress = nullptr, CompletionBlock completed = nullptr);
    static void ic_cancelCurrentHighlightedImageLoad(const kit::ImageView& view);

    // Older names, kept for callers written against them.
    static std::string imageURL(const kit::ImageView& view) { return ic_imageURL(view); }
    static void setImageWithURL(const ViewPtr& view, const std::string& url, ImagePtr placeholder = nullptr,
        unsigned options = 0, ProgressBlock progress = nullptr, DeprecatedCompletionBlock completed = nullptr)
    {
        ic_setImageWithURL(
            view, url, std::move(placeholder), options, std::move(progress), ic_withoutURL(std::move(completed)));
    }
    static void setImageWithURL(const ViewPtr& view, const std::string& url, DeprecatedCompletionBlock completed)
    {
        setImageWithURL(view, url, nullptr, 0, nullptr, std::move(completed));
    }
    static void setAnimationImagesWithURLs(const ViewPtr& view, const std::vector<std::string>& urls)
    {
        ic_setAnimationImagesWithURLs(view, urls);
    }
    static void cancelCurrentArrayLoad(const kit::ImageView& view) { ic_cancelCurrentAnimationImagesLoad(view); }
    static void cancelCurrentImageLoad(const kit::ImageView& view) { ic_cancelCurrentImageLoad(view); }
    static void setHighlightedImageWithURL(const ViewPtr& view, const std::string& url, unsigned options = 0,
        ProgressBlock progress = nullptr, DeprecatedCompletionBlock completed = nullptr)
    {
        ic_setHighlightedImageWithURL(
            view, url, options, std::move(progress), ic_withoutURL(std::move(completed)));
    }
    static void setHighlightedImageWithURL(
        const ViewPtr& view, const std::string& url, DeprecatedCompletionBlock completed)
    {
        setHighlightedImageWithURL(view, url, 0, nullptr, std::move(completed));
    }
    static void cancelCurrentHighlightedImageLoad(const kit::ImageView& view)
    {
        ic_cancelCurrentHighlightedImageLoad(view);
    }

    static void setShowActivityIndicatorView(const kit::ImageView& view, bool show);
    static bool showActivityIndicatorView(const kit::ImageView& view);
    static void setIndicatorStyle(const kit::ImageView& view, kit::ActivityIndicatorViewStyle style);
    static kit::ActivityIndicatorViewStyle getIndicatorStyle(const kit::ImageView& view);
    static std::shared_ptr<kit::ActivityIndicatorView> activityIndicator(const kit::ImageView& view);
    static void addActivityIndicator(const ViewPtr& view);
    static void removeActivityIndicator(const kit::ImageView& view);
};

} // namespace imagecache
