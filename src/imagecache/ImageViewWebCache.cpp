#include "imagecache/ImageViewWebCache.h"

#include "imagecache/ViewWebCacheOperation.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/kit/ImageView.h"

namespace imagecache {

namespace {

constexpr std::string_view indicatorKey = "imagecache.activityIndicator";
constexpr std::string_view settingsKey = "imagecache.indicatorSettings";

struct IndicatorSettings {
    bool show = false;
    kit::ActivityIndicatorViewStyle style = kit::ActivityIndicatorViewStyle::WhiteLarge;
};

std::shared_ptr<IndicatorSettings> settingsOf(const kit::ImageView& view)
{
    return view.attachedValues().getOrMake<IndicatorSettings>(
        settingsKey, [] { return std::make_shared<IndicatorSettings>(); });
}

void setImageNow(kit::ImageView& view, ImagePtr image)
{
    view.setImage(std::move(image));
    view.setNeedsLayout();
}

} // namespace

void ImageViewWebCache::ic_setImageWithURL(const ViewPtr& view, const std::string& url, ImagePtr placeholder,
    unsigned options, ProgressBlock progress, CompletionBlock completed)
{
    if (!view)
        return;
    ic_cancelCurrentImageLoad(*view);
    ViewWebCacheOperation::ic_attachImageURL(*view, url);
    std::weak_ptr<kit::ImageView> weakView = view;
    if (!(options & LoadDelayPlaceholder)) {
        ic_onMainNowOrLater([weakView, placeholder] {
            if (auto view = weakView.lock())
                view->setImage(placeholder);
        });
    }
    if (url.empty()) {
        ic_onMainNowOrLater([weakView] {
            if (auto view = weakView.lock())
                removeActivityIndicator(*view);
        });
        ViewWebCacheOperation::ic_reportNilURL(completed);
        return;
    }
    if (showActivityIndicatorView(*view))
        addActivityIndicator(view);
    auto operation = ImageManager::sharedManager()->downloadImageWithURL(url, options, std::move(progress),
        [weakView, placeholder, options, completed](const ImagePtr& image,
            const std::optional<ImageError>& error, ImageCacheSource source, bool finished,
            const std::string& imageURL) {
            auto view = weakView.lock();
            if (!view)
                return;
            removeActivityIndicator(*view);
            if (image && (options & LoadAvoidAutoSetImage) && completed) {
                completed(image, error, source, imageURL);
                return;
            }
            if (image)
                setImageNow(*view, image);
            else if (options & LoadDelayPlaceholder)
                setImageNow(*view, placeholder);
            if (completed && finished)
                completed(image, error, source, imageURL);
        });
    ViewWebCacheOperation::ic_setImageLoadOperation(*view, operation, imageLoadKey);
}

void ImageViewWebCache::ic_setImageWithPreviousCachedImageWithURL(const ViewPtr& view, const std::string& url,
    ImagePtr placeholder, unsigned options, ProgressBlock progress, CompletionBlock completed)
{
    auto manager = ImageManager::sharedManager();
    ImagePtr cached = url.empty()
        ? nullptr
        : manager->imageCache()->imageFromDiskCacheForKey(manager->cacheKeyForURL(url));
    ic_setImageWithURL(view, url, cached ? cached : std::move(placeholder), options, std::move(progress),
        std::move(completed));
}

std::string ImageViewWebCache::ic_imageURL(const kit::ImageView& view)
{
    return ViewWebCacheOperation::ic_attachedImageURL(view);
}

void ImageViewWebCache::ic_cancelCurrentImageLoad(const kit::ImageView& view)
{
    ViewWebCacheOperation::ic_cancelImageLoadOperationWithKey(view, imageLoadKey);
}

void ImageViewWebCache::ic_setAnimationImagesWithURLs(
    const ViewPtr& view, const std::vector<std::string>& urls)
{
    if (!view)
        return;
    ic_cancelCurrentAnimationImagesLoad(*view);
    // Frames land in their URL's slot whatever order they arrive in; the
    // view shows the frames so far, and nothing of the list before.
    auto slots = std::make_shared<std::vector<ImagePtr>>(urls.size());
    std::weak_ptr<kit::ImageView> weakView = view;
    ic_onMainNowOrLater([weakView] {
        if (auto view = weakView.lock())
            view->setAnimationImages({});
    });
    std::vector<ViewWebCacheOperation::OperationPtr> operations;
    for (std::size_t index = 0; index < urls.size(); ++index) {
        operations.push_back(ImageManager::sharedManager()->downloadImageWithURL(urls[index], 0, nullptr,
            [weakView, slots, index](const ImagePtr& image, const std::optional<ImageError>&,
                ImageCacheSource, bool, const std::string&) {
                auto view = weakView.lock();
                if (!view)
                    return;
                view->stopAnimating();
                if (image) {
                    (*slots)[index] = image;
                    std::vector<ImagePtr> frames;
                    for (const ImagePtr& frame : *slots) {
                        if (frame)
                            frames.push_back(frame);
                    }
                    view->setAnimationImages(std::move(frames));
                    view->setNeedsLayout();
                }
                view->startAnimating();
            }));
    }
    ViewWebCacheOperation::ic_setImageLoadOperations(*view, std::move(operations), animationImagesKey);
}

void ImageViewWebCache::ic_cancelCurrentAnimationImagesLoad(const kit::ImageView& view)
{
    ViewWebCacheOperation::ic_cancelImageLoadOperationWithKey(view, animationImagesKey);
}

void ImageViewWebCache::ic_setHighlightedImageWithURL(const ViewPtr& view, const std::string& url,
    unsigned options, ProgressBlock progress, CompletionBlock completed)
{
    if (!view)
        return;
    ic_cancelCurrentHighlightedImageLoad(*view);
    if (url.empty()) {
        ViewWebCacheOperation::ic_reportNilURL(completed);
        return;
    }
    ViewWebCacheOperation::ic_loadImage<kit::ImageView>(
        view, url, options, std::move(progress), highlightedImageKey,
        [](kit::ImageView& view, const ImagePtr& image) {
            view.setHighlightedImage(image);
            view.setNeedsLayout();
        },
        std::move(completed));
}

void ImageViewWebCache::ic_cancelCurrentHighlightedImageLoad(const kit::ImageView& view)
{
    ViewWebCacheOperation::ic_cancelImageLoadOperationWithKey(view, highlightedImageKey);
}

void ImageViewWebCache::setShowActivityIndicatorView(const kit::ImageView& view, bool show)
{
    settingsOf(view)->show = show;
}

bool ImageViewWebCache::showActivityIndicatorView(const kit::ImageView& view)
{
    return settingsOf(view)->show;
}

void ImageViewWebCache::setIndicatorStyle(const kit::ImageView& view, kit::ActivityIndicatorViewStyle style)
{
    settingsOf(view)->style = style;
}

kit::ActivityIndicatorViewStyle ImageViewWebCache::getIndicatorStyle(const kit::ImageView& view)
{
    return settingsOf(view)->style;
}

std::shared_ptr<kit::ActivityIndicatorView> ImageViewWebCache::activityIndicator(const kit::ImageView& view)
{
    return view.attachedValues().get<kit::ActivityIndicatorView>(indicatorKey);
}

void ImageViewWebCache::addActivityIndicator(const ViewPtr& view)
{
    std::weak_ptr<kit::ImageView> weakView = view;
    ic_onMainNowOrLater([weakView] {
        auto view = weakView.lock();
        if (!view)
            return;
        auto indicator = activityIndicator(*view);
        if (!indicator) {
            indicator = std::make_shared<kit::ActivityIndicatorView>(getIndicatorStyle(*view));
            view->attachedValues().set(indicatorKey, indicator);
            graphics::Rect const bounds = view->bounds();
            indicator->setCenter({ bounds.x() + bounds.width() / 2, bounds.y() + bounds.height() / 2 });
            view->addSubview(indicator);
        }
        indicator->startAnimating();
    });
}

void ImageViewWebCache::removeActivityIndicator(const kit::ImageView& view)
{
    if (auto indicator = activityIndicator(view)) {
        indicator->removeFromSuperview();
        view.attachedValues().set(indicatorKey, nullptr);
    }
}

} // namespace imagecache
