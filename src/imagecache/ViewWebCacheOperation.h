#pragma once

#include "imagecache/ImageOperation.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class View;
}

namespace imagecache {

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
};

} // namespace imagecache
