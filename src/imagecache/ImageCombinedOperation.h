#pragma once

#include "imagecache/ImageOperation.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace foundation {
class Operation;
}

namespace imagecache {

// One load as its caller sees it: the cache look-up and then, maybe, the
// download, cancelled together.
class ImageCombinedOperation final : public ImageOperation {
public:
    using CancelBlock = std::function<void()>;

    // Cancels the cache query and runs the cancel block once; then the load
    // calls no completion (one already delivered from the cache excepted).
    void cancel() override;
    bool isCancelled() const { return m_cancelled; }
    void setCancelled(bool cancelled) { m_cancelled = cancelled; }

    // Set after cancelling, the block runs at once.
    void setCancelBlock(CancelBlock block);
    CancelBlock cancelBlock() const;

    std::shared_ptr<foundation::Operation> cacheOperation() const;
    void setCacheOperation(std::shared_ptr<foundation::Operation> operation);

private:
    std::atomic<bool> m_cancelled { false };
    mutable std::mutex m_mutex;
    CancelBlock m_cancelBlock;
    std::shared_ptr<foundation::Operation> m_cacheOperation;
};

} // namespace imagecache
