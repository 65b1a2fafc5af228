#include "imagecache/AnnotationViewWebCache.h"

#include "platform/kit/AnnotationView.h"

namespace imagecache {

void AnnotationViewWebCache::ic_setImageWithURL(
    const ViewPtr& view, const std::string& url, ImagePtr placeholder, unsigned options, CompletionBlock completed)
{
    if (!view)
        return;
    ic_cancelCurrentImageLoad(*view);
    ViewWebCacheOperation::ic_attachImageURL(*view, url);
    std::weak_ptr<kit::AnnotationView> weakView = view;
    ic_onMainNowOrLater([weakView, placeholder = std::move(placeholder)] {
        if (auto view = weakView.lock())
            view->setImage(placeholder);
    });
    if (url.empty()) {
        ViewWebCacheOperation::ic_reportNilURL(completed);
        return;
    }
    ViewWebCacheOperation::ic_loadImage<kit::AnnotationView>(
        view, url, options & ~(LoadDelayPlaceholder | LoadAvoidAutoSetImage), nullptr, imageLoadKey,
        [](kit::AnnotationView& view, const ImagePtr& image) { view.setImage(image); }, std::move(completed));
}

std::string AnnotationViewWebCache::ic_imageURL(const kit::AnnotationView& view)
{
    return ViewWebCacheOperation::ic_attachedImageURL(view);
}

void AnnotationViewWebCache::ic_cancelCurrentImageLoad(const kit::AnnotationView& view)
{
    ViewWebCacheOperation::ic_cancelImageLoadOperationWithKey(view, imageLoadKey);
}

} // namespace imagecache
