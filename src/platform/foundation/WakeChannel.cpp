#include "platform/foundation/WakeChannel.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <poll.h>
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

WakeChannel::WakeChannel() = default;
WakeChannel::~WakeChannel() = default;

void WakeChannel::wait(std::unique_lock<std::mutex>& lock, double seconds)
{
    if (!m_pipe.isOpen()) {
        if (seconds < 0)
            m_fallback.wait(lock);
        else
            m_fallback.wait_for(lock, std::chrono::duration<double>(seconds));
        return;
    }
    m_sleeping = true;
    lock.unlock();
    pollfd readable { m_pipe.reader(), POLLIN, 0 };
    timespec limit {};
    if (seconds >= 0) {
        double const whole = std::floor(seconds);
        limit.tv_sec = static_cast<time_t>(whole);
        limit.tv_nsec = static_cast<long>((seconds - whole) * 1e9);
    }
    ::ppoll(&readable, 1, seconds >= 0 ? &limit : nullptr, nullptr);
    // Every byte sent so far is taken: each stood for a change made before it,
    // and the caller looks at the state once it has the lock again.
    m_pipe.drain();
    lock.lock();
    m_sleeping = false;
    m_woken = false;
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
    // One byte wakes the sleeper; more would only have it wake again for nothing.
    if (!m_sleeping || m_woken)
        return false;
    m_woken = true;
    return true;
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
