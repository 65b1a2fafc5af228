#include "platform/foundation/BlockOperation.h"

namespace foundation {

BlockOperation::BlockOperation(std::function<void()> block)
{
    addExecutionBlock(std::move(block));
}

std::shared_ptr<BlockOperation> BlockOperation::blockOperationWithBlock(std::function<void()> block)
{
    return std::make_shared<BlockOperation>(std::move(block));
}

void BlockOperation::addExecutionBlock(std::function<void()> block)
{
    if (!block)
        return;
    std::lock_guard lock(m_blocksMutex);
    if (!m_blocksTaken)
        m_blocks.push_back(std::move(block));
}

std::vector<std::function<void()>> BlockOperation::executionBlocks() const
{
    std::lock_guard lock(m_blocksMutex);
    return m_blocks;
}

void BlockOperation::main()
{
    std::vector<std::function<void()>> blocks;
    {
        std::lock_guard lock(m_blocksMutex);
        m_blocksTaken = true;
        blocks.swap(m_blocks);
    }
    for (auto& block : blocks) {
        block();
        // Dropped as soon as it has run: what it captured goes with it.
        block = nullptr;
    }
}

void BlockOperation::cancel()
{
    Operation::cancel();
    std::vector<std::function<void()>> dropped;
    std::lock_guard lock(m_blocksMutex);
    m_blocksTaken = true;
    dropped.swap(m_blocks);
}

} // namespace foundation
