#include "platform/net/PollWake.h"

namespace net {

PollWake::PollWake() = default;
PollWake::~PollWake() = default;

void PollWake::wake()
{
    if (!m_pipe.isOpen() || m_woken.exchange(true))
        return;
    // The owner sets its sleeping flag before it looks at the woken one, and this looks
    // the other way round (both sequentially consistent): either the owner sees the
    // flag and stays awake, or this sees it asleep and writes; both may happen, which
    // leaves a byte for a later poll to take.
    if (!m_sleeping.load())
        return;
    m_pipe.send();
}

bool PollWake::spinFor(Duration limit) const
{
    if (!m_pipe.isOpen() || limit <= Duration::zero())
        return false;
    return foundation::spinUntilSet(m_woken, limit);
}

bool PollWake::prepareToSleep()
{
    m_sleeping.store(true);
    return !m_woken.load();
}

void PollWake::awake(bool readable)
{
    m_sleeping.store(false);
    if (!readable)
        return;
    m_pipe.drain();
}

} // namespace net
