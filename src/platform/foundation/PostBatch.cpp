#include "platform/foundation/PostBatch.h"

#include "platform/foundation/RunLoop.h"

#include <utility>

namespace foundation {

namespace {

thread_local PostBatch* t_batch = nullptr;

} // namespace

PostBatch::PostBatch()
{
    if (t_batch)
        return;
    t_batch = this;
    m_active = true;
}

PostBatch::~PostBatch()
{
    if (!m_active)
        return;
    handOverHeld();
    t_batch = nullptr;
}

bool PostBatch::hold(std::function<void()>& block)
{
    if (!t_batch)
        return false;
    t_batch->m_held.push_back(std::move(block));
    return true;
}

void PostBatch::handOverHeld()
{
    if (!t_batch || t_batch->m_held.empty())
        return;
    RunLoop::main().postAll(std::exchange(t_batch->m_held, {}));
}

} // namespace foundation
