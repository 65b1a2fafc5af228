#include "imagecache/ImageCombinedOperation.h"

#include "platform/foundation/Operation.h"

namespace imagecache {

void ImageCombinedOperation::cancel()
{
    std::shared_ptr<foundation::Operation> cacheOperation;
    CancelBlock block;
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
        cacheOperation = std::exchange(m_cacheOperation, nullptr);
        block = std::exchange(m_cancelBlock, nullptr);
    }
    // Outside the lock: the block may come back to this operation.
    if (cacheOperation)
        cacheOperation->cancel();
    if (block)
        block();
}

void ImageCombinedOperation::setCancelBlock(CancelBlock block)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_cancelled) {
            m_cancelBlock = std::move(block);
            return;
        }
    }
    if (block)
        block();
}

ImageCombinedOperation::CancelBlock ImageCombinedOperation::cancelBlock() const
{
    std::lock_guard lock(m_mutex);
    return m_cancelBlock;
}

bool ImageCombinedOperation::admitDelivery(std::uint64_t number, bool finished)
{
    if (m_finalDelivered || number < m_lastDelivered)
        return false;
    m_lastDelivered = number;
    m_finalDelivered = finished;
    return true;
}

std::shared_ptr<foundation::Operation> ImageCombinedOperation::cacheOperation() const
{
    std::lock_guard lock(m_mutex);
    return m_cacheOperation;
}

void ImageCombinedOperation::setCacheOperation(std::shared_ptr<foundation::Operation> operation)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_cancelled) {
            m_cacheOperation = std::move(operation);
            return;
        }
    }
    // Cancelled from another thread while the query was being made.
    if (operation)
        operation->cancel();
}

} // namespace imagecache
