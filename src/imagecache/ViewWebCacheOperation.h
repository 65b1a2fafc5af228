#pragma once

#include "imagecache/ImageManager.h"
#include "imagecache/ImageOperation.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class View;
}

namespace imagecache {

// What a view's load tells its caller: the image (none when it failed), the
// error, where the image came from and the URL that was asked for.
using ViewCompletionBlock = std::function<void(const ImagePtr& image, const std::optional<ImageError>& error,
    ImageCacheSource cacheType, const std::string& imageURL)>;

// The completion of the older, deprecated forms: without the URL.
using DeprecatedCompletionBlock
    = std::function<void(const ImagePtr& image, const std::optional<ImageError>& error, ImageCacheSource cacheType)>;

// A view completion that calls `completed` with its first three arguments;
// none without one.
ViewCompletionBlock ic_withoutURL(DeprecatedCompletionBlock completed);

// Runs the block at once on the main thread, else queues it there.
void ic_onMainNowOrLater(std::function<void()> block);

// The loads running for a view, by key: a new load under a key cancels the
// one before it, so a reused cell never shows what an older load brings.
class ViewWebCacheOperation {
public:
    using OperationPtr = std::shared_ptr<ImageOperation>;

    static void ic_setImageLoadOperation(const kit::View& view, OperationPtr operation, std::string_view key);
    // For a key whose entry is a list of loads (animation frames).
    static void ic_setImageLoadOperations(
        const kit::View& view, std::vector<OperationPtr> operations, std::string_view key);
    static void ic_cancelImageLoadOperationWithKey(const kit::View& view, std::string_view key);
    static void ic_removeImageLoadOperationWithKey(const kit::View& view, std::string_view key);
    static std::vector<OperationPtr> ic_imageLoadOperations(const kit::View& view, std::string_view key);

    // The URL of the view's image load (image views and annotation views);
    // empty for none.
    static void ic_attachImageURL(const kit::View& view, const std::string& url);
    static std::string ic_attachedImageURL(const kit::View& view);

    // Tells the completion, when there is one, on the main thread that there
    // was no URL to load.
    static void ic_reportNilURL(const ViewCompletionBlock& completed);
    // Loads `url` through the shared manager as the view's load under `key`,
    // cancelling the one before. While the view lives, `show` puts each image
    // into it on the main thread, and `completed` hears the final outcome.
    template<typename V>
    static void ic_loadImage(const std::shared_ptr<V>& view, const std::string& url, unsigned options,
        ImageManager::ProgressBlock progress, std::string_view key,
        std::function<void(V& view, const ImagePtr& image)> show, ViewCompletionBlock completed)
    {
        std::weak_ptr<V> weakView = view;
        auto operation
            = ImageManager::sharedManager()->downloadImageWithURL(url, options, std::move(progress),
                [weakView, show = std::move(show), completed = std::move(completed)](const ImagePtr& image,
                    const std::optional<ImageError>& error, ImageCacheSource source, bool finished,
                    const std::string& imageURL) {
                    auto view = weakView.lock();
                    if (!view)
                        return;
                    if (image)
                        show(*view, image);
                    if (completed && finished)
                        completed(image, error, source, imageURL);
                });
        ic_setImageLoadOperation(*view, std::move(operation), key);
    }
};

} // namespace imagecache
