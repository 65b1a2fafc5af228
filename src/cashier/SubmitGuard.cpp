#include "cashier/SubmitGuard.h"

#include "platform/kit/Control.h"

void SubmitGuard::setControls(std::vector<std::weak_ptr<kit::Control>> controls)
{
    m_controls = std::move(controls);
    setBlocked(m_blocked);
}

std::shared_ptr<RequestSettledToken> SubmitGuard::block()
{
    setBlocked(true);
    std::uint64_t serial = ++m_serial;
    std::weak_ptr<SubmitGuard> weak = weak_from_this();
    return RequestSettledToken::create([weak, serial] {
        auto guard = weak.lock();
        if (guard && guard->m_serial == serial)
            guard->setBlocked(false);
    });
}

void SubmitGuard::release()
{
    ++m_serial;
    setBlocked(false);
}

void SubmitGuard::setBlocked(bool blocked)
{
    m_blocked = blocked;
    for (const auto& weak : m_controls) {
        if (auto control = weak.lock())
            control->setEnabled(!blocked);
    }
}
