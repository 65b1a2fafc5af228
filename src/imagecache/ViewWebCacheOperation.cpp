#include "imagecache/ViewWebCacheOperation.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/kit/View.h"

#include <map>
#include <mutex>

namespace imagecache {

namespace {

constexpr std::string_view dictionaryKey = "imagecache.operationDictionary";
constexpr std::string_view urlKey = "imagecache.imageURL";

struct OperationDictionary {
    std::mutex mutex;
    std::map<std::string, std::vector<ViewWebCacheOperation::OperationPtr>, std::less<>> operations;
};

std::shared_ptr<OperationDictionary> dictionaryOf(const kit::View& view)
{
    return view.attachedValues().getOrMake<OperationDictionary>(
        dictionaryKey, [] { return std::make_shared<OperationDictionary>(); });
}

std::vector<ViewWebCacheOperation::OperationPtr> take(OperationDictionary& dictionary, std::string_view key)
{
    std::lock_guard lock(dictionary.mutex);
    auto it = dictionary.operations.find(key);
    if (it == dictionary.operations.end())
        return {};
    auto operations = std::move(it->second);
    dictionary.operations.erase(it);
    return operations;
}

} // namespace

void ic_onMainNowOrLater(std::function<void()> block)
{
    if (foundation::DispatchQueue::isMainThread())
        block();
    else
        foundation::DispatchQueue::main()->async(std::move(block));
}

ViewCompletionBlock ic_withoutURL(DeprecatedCompletionBlock completed)
{
    if (!completed)
        return nullptr;
    return [completed = std::move(completed)](const ImagePtr& image, const std::optional<ImageError>& error,
               ImageCacheSource source, const std::string&) { completed(image, error, source); };
}

void ViewWebCacheOperation::ic_attachImageURL(const kit::View& view, const std::string& url)
{
    view.attachedValues().set(urlKey, url.empty() ? nullptr : std::make_shared<std::string>(url));
}

std::string ViewWebCacheOperation::ic_attachedImageURL(const kit::View& view)
{
    auto url = view.attachedValues().get<std::string>(urlKey);
    return url ? *url : std::string();
}

void ViewWebCacheOperation::ic_reportNilURL(const ViewCompletionBlock& completed)
{
    if (!completed)
        return;
    ic_onMainNowOrLater(
        [completed] { completed(nullptr, ImageError::nilURL(), ImageCacheSource::None, std::string()); });
}

void ViewWebCacheOperation::ic_setImageLoadOperation(
    const kit::View& view, OperationPtr operation, std::string_view key)
{
    std::vector<OperationPtr> operations;
    if (operation)
        operations.push_back(std::move(operation));
    ic_setImageLoadOperations(view, std::move(operations), key);
}

void ViewWebCacheOperation::ic_setImageLoadOperations(
    const kit::View& view, std::vector<OperationPtr> operations, std::string_view key)
{
    ic_cancelImageLoadOperationWithKey(view, key);
    auto dictionary = dictionaryOf(view);
    std::lock_guard lock(dictionary->mutex);
    dictionary->operations[std::string(key)] = std::move(operations);
}

void ViewWebCacheOperation::ic_cancelImageLoadOperationWithKey(const kit::View& view, std::string_view key)
{
    // Cancelled outside the lock: a cancel may come back to this view.
    for (const OperationPtr& operation : take(*dictionaryOf(view), key))
        operation->cancel();
}

void ViewWebCacheOperation::ic_removeImageLoadOperationWithKey(const kit::View& view, std::string_view key)
{
    take(*dictionaryOf(view), key);
}

std::vector<ViewWebCacheOperation::OperationPtr> ViewWebCacheOperation::ic_imageLoadOperations(
    const kit::View& view, std::string_view key)
{
    auto dictionary = dictionaryOf(view);
    std::lock_guard lock(dictionary->mutex);
    auto it = dictionary->operations.find(key);
    return it == dictionary->operations.end() ? std::vector<OperationPtr> {} : it->second;
}

} // namespace imagecache
