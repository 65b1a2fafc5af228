#pragma once

#include "platform/foundation/Operation.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace foundation {

// An operation whose work is one or more blocks, run one after another in the order
// added, on the thread that runs the operation. The blocks are dropped once run or
// once cancelled, so one that captures its own operation does not keep it alive.
class BlockOperation : public Operation {
public:
    BlockOperation() = default;
    explicit BlockOperation(std::function<void()> block);

    static std::shared_ptr<BlockOperation> blockOperationWithBlock(std::function<void()> block);

    // Ignored once the operation has started: the block would never run.
    void addExecutionBlock(std::function<void()> block);
    std::vector<std::function<void()>> executionBlocks() const;

    void main() override;
    // Also drops blocks that will now never run.
    void cancel() override;

private:
    mutable std::mutex m_blocksMutex;
    std::vector<std::function<void()>> m_blocks;
    bool m_blocksTaken { false };
};

} // namespace foundation
