#pragma once

#include "imagecache/ImageOperation.h"

#include <atomic>
#include <cstdint>
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

    // The download's images are numbered as they come off it. The delegate
    // transforms them side by side on workers, so they may reach the main
    // thread out of order: there, one older than an image already delivered,
    // or coming after the final image, is dropped.
    std::uint64_t numberDelivery() { return ++m_deliveriesNumbered; }
    // On the main thread only.
    bool admitDelivery(std::uint64_t number, bool finished);

    std::shared_ptr<foundation::Operation> cacheOperation() const;
    void setCacheOperation(std::shared_ptr<foundation::Operation> operation);

private:
    std::atomic<bool> m_cancelled { false };
    std::atomic<std::uint64_t> m_deliveriesNumbered { 0 };
    std::uint64_t m_lastDelivered = 0;
    bool m_finalDelivered = false;
    mutable std::mutex m_mutex;
    CancelBlock m_cancelBlock;
    std::shared_ptr<foundation::Operation> m_cacheOperation;
};

} // namespace imagecache
