#pragma once

#include "imagecache/ViewWebCacheOperation.h"

#include <memory>
#include <string>

namespace kit {
class AnnotationView;
}

namespace imagecache {

// Loading a map annotation view's image from a URL through the shared
// manager. The placeholder is set at once and a loaded image always set:
// LoadDelayPlaceholder and LoadAvoidAutoSetImage are the image view's and
// change nothing here. May be called on any thread; the view is changed on
// the main thread only.
class AnnotationViewWebCache {
public:
    using CompletionBlock = ViewCompletionBlock;
    using ViewPtr = std::shared_ptr<kit::AnnotationView>;

    static constexpr std::string_view imageLoadKey = "MKAnnotationViewImage";

    // Without a URL the completion gets the nil-URL error.
    static void ic_setImageWithURL(const ViewPtr& view, const std::string& url, ImagePtr placeholder = nullptr,
        unsigned options = 0, CompletionBlock completed = nullptr);
    static void ic_setImageWithURL(const ViewPtr& view, const std::string& url, CompletionBlock completed)
    {
        ic_setImageWithURL(view, url, nullptr, 0, std::move(completed));
    }
    static std::string ic_imageURL(const kit::AnnotationView& view);
    static void ic_cancelCurrentImageLoad(const kit::AnnotationView& view);

    // Older names, kept for callers written against them.
    static std::string imageURL(const kit::AnnotationView& view) { return ic_imageURL(view); }
    static void setImageWithURL(const ViewPtr& view, const std::string& url, ImagePtr placeholder = nullptr,
        unsigned options = 0, DeprecatedCompletionBlock completed = nullptr)
    {
        ic_setImageWithURL(view, url, std::move(placeholder), options, ic_withoutURL(std::move(completed)));
    }
    static void setImageWithURL(const ViewPtr& view, const std::string& url, DeprecatedCompletionBlock completed)
    {
        setImageWithURL(view, url, nullptr, 0, std::move(completed));
    }
    static void cancelCurrentImageLoad(const kit::AnnotationView& view) { ic_cancelCurrentImageLoad(view); }
};

} // namespace imagecache
