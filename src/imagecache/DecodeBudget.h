#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace imagecache {

// The memory that decodes in flight may hold together. Each image is capped
// on its own, but several large ones arriving at once would add up to
// gigabytes; a decode reserves what the probe says it will hold before it
// starts, and gives it back once its image has been handed over.
//
// Nothing blocks: a reservation that does not fit waits in line, and its
// grant runs on the thread of the release that makes room, in the order the
// reservations were asked for. Holders never wait for anything here, so a
// line of waiters always moves.
class DecodeBudget : public std::enable_shared_from_this<DecodeBudget> {
    struct Private {
        explicit Private() = default;
    };

public:
    // Held while the decode's memory is in use; gives it back when dropped.
    class Reservation {
    public:
        Reservation(std::weak_ptr<DecodeBudget> budget, std::uint64_t bytes);
        ~Reservation();
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;

    private:
        std::weak_ptr<DecodeBudget> m_budget;
        std::uint64_t m_bytes;
    };
    using ReservationPtr = std::shared_ptr<Reservation>;
    // Gets the reservation, or nullptr when the bytes alone are more than
    // the whole budget.
    using Grant = std::function<void(ReservationPtr)>;

    static constexpr std::uint64_t defaultLimit = 512ull * 1024 * 1024;

    static std::shared_ptr<DecodeBudget> create(std::uint64_t limit = defaultLimit);
    DecodeBudget(Private, std::uint64_t limit);

    // Calls `granted` at once, on this thread, when the bytes fit and no one
    // waits before them; else when releases make room.
    void reserve(std::uint64_t bytes, Grant granted);
    // Only if the bytes fit now and no one waits: for work that may as well
    // be skipped.
    ReservationPtr tryReserve(std::uint64_t bytes);

    // A lower limit refuses the waiters that no longer fit at all; a higher
    // one lets waiters in.
    void setLimit(std::uint64_t bytes);
    std::uint64_t limit() const;
    std::uint64_t inUse() const;
    // The most ever held at once.
    std::uint64_t peak() const;
    std::size_t waiting() const;

private:
    struct Waiter {
        std::uint64_t bytes;
        Grant granted;
    };
    using Grants = std::deque<std::pair<Grant, ReservationPtr>>;

    void release(std::uint64_t bytes);
    // With the lock held: takes the waiters that now fit, or no longer ever
    // can, off the line. Their grants run after the lock is let go.
    Grants admitLocked();
    static void run(Grants grants);
    ReservationPtr holdLocked(std::uint64_t bytes);
    std::uint64_t roomLocked() const;

    mutable std::mutex m_mutex;
    std::uint64_t m_limit;
    std::uint64_t m_inUse = 0;
    std::uint64_t m_peak = 0;
    std::deque<Waiter> m_waiters;
};

} // namespace imagecache
