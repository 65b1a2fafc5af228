#include "platform/foundation/WakeChannel.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace foundation {

WakePipe::WakePipe()
{
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    m_reader = ends[0];
    m_writer = ends[1];
}

WakePipe::~WakePipe()
{
    if (m_reader >= 0)
        ::close(m_reader);
    if (m_writer >= 0)
        ::close(m_writer);
}

void WakePipe::send()
{
    if (m_writer < 0)
        return;
    char const byte = 1;
    while (::write(m_writer, &byte, 1) < 0 && errno == EINTR) { }
}

void WakePipe::drain()
{
    if (m_reader < 0)
        return;
    char bytes[64];
    while (::read(m_reader, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes)) { }
}

namespace {

timespec timespecOf(double seconds)
{
    double const whole = std::floor(seconds);
    return { static_cast<time_t>(whole), static_cast<long>((seconds - whole) * 1e9) };
}

} // namespace

bool spinUntilSet(const std::atomic<bool>& flag, std::chrono::steady_clock::duration limit)
{
    if (limit <= std::chrono::steady_clock::duration::zero())
        return flag.load();
    auto const until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (flag.load())
            return true;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        // Rather than a pause: a processor shared with the thread that is to set the
        // flag (one the process is pinned to, or a busy machine) is given to it.
        std::this_thread::yield();
    }
}

WakeChannel::WakeChannel() = default;
WakeChannel::~WakeChannel() = default;

void WakeChannel::wait(std::unique_lock<std::mutex>& lock, double seconds)
{
    using namespace std::chrono;
    if (!m_pipe.isOpen()) {
        if (seconds < 0)
            m_fallback.wait(lock);
        else
            m_fallback.wait_for(lock, duration<double>(seconds));
        return;
    }
    auto const started = steady_clock::now();
    if (m_wakeExpected && seconds != 0) {
        auto limit = spinLimit;
        if (seconds > 0 && seconds < duration<double>(limit).count())
            limit = duration_cast<steady_clock::duration>(duration<double>(seconds));
        m_state = State::spinning;
        lock.unlock();
        spinUntilSet(m_woken, limit);
        lock.lock();
        // A wake-up that came after the spin's last look, before the lock was taken
        // again, was told it needs no byte: it is seen here.
        if (m_woken.load()) {
            awake(started);
            return;
        }
        if (seconds > 0)
            seconds = std::max(0.0, seconds - duration<double>(steady_clock::now() - started).count());
    }
    m_state = State::sleeping;
    lock.unlock();
    pollfd readable { m_pipe.reader(), POLLIN, 0 };
    timespec const limit = timespecOf(std::max(seconds, 0.0));
    ::ppoll(&readable, 1, seconds >= 0 ? &limit : nullptr, nullptr);
    // Every byte sent so far is taken: each stood for a change made before it,
    // and the caller looks at the state once it has the lock again.
    m_pipe.drain();
    lock.lock();
    awake(started);
}

void WakeChannel::awake(std::chrono::steady_clock::time_point started)
{
    m_wakeExpected = m_woken.load() && std::chrono::steady_clock::now() - started <= spinLimit;
    m_state = State::awake;
    m_woken.store(false);
}

void WakeChannel::unlockAndWake(std::unique_lock<std::mutex>& lock)
{
    bool const needed = wakeNeededLocked();
    lock.unlock();
    if (needed)
        wake();
}

bool WakeChannel::wakeNeededLocked()
{
    if (!m_pipe.isOpen())
        return true;
    // One byte wakes the sleeper; more would only have it wake again for nothing. One
    // that spins sees the flag.
    if (m_state == State::awake || m_woken.load())
        return false;
    m_woken.store(true);
    return m_state == State::sleeping;
}

void WakeChannel::wake()
{
    if (!m_pipe.isOpen()) {
        m_fallback.notify_all();
        return;
    }
    m_pipe.send();
}

} // namespace foundation
