#include "cashier/RequestSettledToken.h"

#include "platform/foundation/DispatchQueue.h"

std::shared_ptr<RequestSettledToken> RequestSettledToken::create(std::function<void()> onSettled)
{
    return std::make_shared<RequestSettledToken>(std::move(onSettled));
}

RequestSettledToken::RequestSettledToken(std::function<void()> onSettled)
    : m_onSettled(std::move(onSettled))
{
}

// The last copy of a reply block may go on the transport's thread: the
// callback always runs on the main queue.
RequestSettledToken::~RequestSettledToken()
{
    if (m_onSettled)
        foundation::DispatchQueue::main()->async(std::move(m_onSettled));
}
