#include "imagecache/DecodeBudget.h"

#include <algorithm>

namespace imagecache {

DecodeBudget::Reservation::Reservation(std::weak_ptr<DecodeBudget> budget, std::uint64_t bytes)
    : m_budget(std::move(budget))
    , m_bytes(bytes)
{
}

DecodeBudget::Reservation::~Reservation()
{
    if (auto budget = m_budget.lock())
        budget->release(m_bytes);
}

std::shared_ptr<DecodeBudget> DecodeBudget::create(std::uint64_t limit)
{
    return std::make_shared<DecodeBudget>(Private {}, limit);
}

DecodeBudget::DecodeBudget(Private, std::uint64_t limit)
    : m_limit(limit)
{
}

// A lowered limit may leave more in use than it allows.
std::uint64_t DecodeBudget::roomLocked() const
{
    return m_limit - std::min(m_inUse, m_limit);
}

DecodeBudget::ReservationPtr DecodeBudget::holdLocked(std::uint64_t bytes)
{
    m_inUse += bytes;
    m_peak = std::max(m_peak, m_inUse);
    return std::make_shared<Reservation>(weak_from_this(), bytes);
}

void DecodeBudget::reserve(std::uint64_t bytes, Grant granted)
{
    ReservationPtr reservation;
    {
        std::lock_guard lock(m_mutex);
        if (bytes <= m_limit) {
            if (m_waiters.empty() && bytes <= roomLocked())
                reservation = holdLocked(bytes);
            else {
                m_waiters.push_back({ bytes, std::move(granted) });
                return;
            }
        }
    }
    // Called outside the lock: a grant may reserve or release again.
    granted(std::move(reservation));
}

DecodeBudget::ReservationPtr DecodeBudget::tryReserve(std::uint64_t bytes)
{
    std::lock_guard lock(m_mutex);
    if (!m_waiters.empty() || bytes > roomLocked())
        return nullptr;
    return holdLocked(bytes);
}

void DecodeBudget::release(std::uint64_t bytes)
{
    Grants grants;
    {
        std::lock_guard lock(m_mutex);
        m_inUse -= std::min(bytes, m_inUse);
        grants = admitLocked();
    }
    run(std::move(grants));
}

DecodeBudget::Grants DecodeBudget::admitLocked()
{
    Grants grants;
    // In line order: a large waiter at the front is not passed by smaller
    // ones behind it, or a stream of small images could starve it.
    while (!m_waiters.empty()) {
        Waiter& front = m_waiters.front();
        if (front.bytes > m_limit)
            grants.emplace_back(std::move(front.granted), nullptr);
        else if (front.bytes <= roomLocked())
            grants.emplace_back(std::move(front.granted), holdLocked(front.bytes));
        else
            break;
        m_waiters.pop_front();
    }
    return grants;
}

void DecodeBudget::run(Grants grants)
{
    for (auto& [granted, reservation] : grants)
        granted(std::move(reservation));
}

void DecodeBudget::setLimit(std::uint64_t bytes)
{
    Grants grants;
    {
        std::lock_guard lock(m_mutex);
        m_limit = bytes;
        grants = admitLocked();
    }
    run(std::move(grants));
}

std::uint64_t DecodeBudget::limit() const
{
    std::lock_guard lock(m_mutex);
    return m_limit;
}

std::uint64_t DecodeBudget::inUse() const
{
    std::lock_guard lock(m_mutex);
    return m_inUse;
}

std::uint64_t DecodeBudget::peak() const
{
    std::lock_guard lock(m_mutex);
    return m_peak;
}

std::size_t DecodeBudget::waiting() const
{
    std::lock_guard lock(m_mutex);
    return m_waiters.size();
}

} // namespace imagecache
