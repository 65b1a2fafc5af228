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
    if (m_active)
        endCurrent();
}

bool PostBatch::hold(std::function<void()>& block)
{
    if (!t_batch)
        return false;
    t_batch->m_held.push_back(std::move(block));
    if (t_batch->m_endsWithNextPost)
        endCurrent();
    return true;
}

void PostBatch::endWithNextPost()
{
    if (t_batch)
        t_batch->m_endsWithNextPost = true;
}

void PostBatch::endCurrent()
{
    auto* batch = std::exchange(t_batch, nullptr);
    if (!batch)
        return;
    batch->m_active = false;
    if (!batch->m_held.empty())
        RunLoop::main().postAll(std::exchange(batch->m_held, {}));
}

} // namespace foundation
