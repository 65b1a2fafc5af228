#include "netengine/ImageViewNetworkEngineAdditions.h"

#include "netengine/NetworkEngine.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/kit/ImageView.h"

#include <mutex>

namespace {

constexpr std::string_view fetchKey = "NetworkEngineImageFetch";

struct DefaultEngine {
    std::mutex mutex;
    std::shared_ptr<NetworkEngine> engine;
};

DefaultEngine& defaultEngine()
{
    static foundation::NeverDestroyed<DefaultEngine> shared;
    return *shared;
}

} // namespace

void ImageViewNetworkEngineAdditions::setDefaultEngine(std::shared_ptr<NetworkEngine> engine)
{
    std::lock_guard lock(defaultEngine().mutex);
    defaultEngine().engine = std::move(engine);
}

NetworkOperation::Pointer ImageViewNetworkEngineAdditions::setImageFromURL(
    kit::ImageView& view, const std::optional<std::string>& url)
{
    return setImageFromURL(view, url, nullptr, nullptr, true);
}

NetworkOperation::Pointer ImageViewNetworkEngineAdditions::setImageFromURL(
    kit::ImageView& view, const std::optional<std::string>& url, ImagePointer placeholder)
{
    return setImageFromURL(view, url, std::move(placeholder), nullptr, true);
}

NetworkOperation::Pointer ImageViewNetworkEngineAdditions::setImageFromURL(
    kit::ImageView& view, const std::optional<std::string>& url, ImagePointer placeholder, bool animation)
{
    return setImageFromURL(view, url, std::move(placeholder), nullptr, animation);
}

NetworkOperation::Pointer ImageViewNetworkEngineAdditions::setImageFromURL(kit::ImageView& view,
    const std::optional<std::string>& url, ImagePointer placeholder, std::shared_ptr<NetworkEngine> engine,
    bool animation)
{
    if (placeholder)
        view.setImage(std::move(placeholder));
    auto current = imageFetchOperation(view);
    if (current)
        current->cancel();
    if (!engine) {
        std::lock_guard lock(defaultEngine().mutex);
        engine = defaultEngine().engine;
    }
    if (!engine)
        return current;
    // The view holds its fetch; the fetch holds the view weakly.
    std::weak_ptr<kit::ImageView> weakView
        = std::static_pointer_cast<kit::ImageView>(view.shared_from_this());
    auto const size = view.frame().size;
    auto operation = engine->imageAtURL(
        url, size.width, size.height,
        [weakView, animation](ImagePointer image, const std::string&, bool isInCache) {
            auto target = weakView.lock();
            if (!target)
                return;
            if (!animation) {
                target->setImage(std::move(image));
                return;
            }
            kit::View::animate(isInCache ? cachedFadeDuration : fetchedFadeDuration,
                [&target, &image] { target->setImage(image); });
        },
        [](const NetworkOperation::Pointer&, const NetworkError&) {});
    setImageFetchOperation(view, operation);
    return operation;
}

NetworkOperation::Pointer ImageViewNetworkEngineAdditions::imageFetchOperation(const kit::ImageView& view)
{
    return view.attachedValues().get<NetworkOperation>(fetchKey);
}

void ImageViewNetworkEngineAdditions::setImageFetchOperation(
    kit::ImageView& view, NetworkOperation::Pointer operation)
{
    view.attachedValues().set(fetchKey, std::move(operation));
}
