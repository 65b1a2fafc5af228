#include "platform/net/PollWake.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace net {

namespace {

void relaxProcessor()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

} // namespace

PollWake::PollWake()
{
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    m_reader = ends[0];
    m_writer = ends[1];
}

PollWake::~PollWake()
{
    if (m_reader >= 0)
        ::close(m_reader);
    if (m_writer >= 0)
        ::close(m_writer);
}

void PollWake::wake()
{
    if (m_writer < 0 || m_woken.exchange(true))
        return;
    // The owner sets its sleeping flag before it looks at the woken one, and this looks
    // the other way round (both sequentially consistent): either the owner sees the
    // flag and stays awake, or this sees it asleep and writes; both may happen, which
    // leaves a byte for a later poll to take.
    if (!m_sleeping.load())
        return;
    char const byte = 1;
    // A full pipe (EAGAIN) already holds a wake-up.
    while (::write(m_writer, &byte, 1) < 0 && errno == EINTR) { }
}

bool PollWake::spinFor(Duration limit) const
{
    if (m_writer < 0 || limit <= Duration::zero())
        return false;
    auto const until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (m_woken.load())
            return true;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        relaxProcessor();
    }
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
    // One byte is written per sleep, so one read takes them; only a full one may have
    // left some.
    char bytes[64];
    while (::read(m_reader, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes)) { }
}

} // namespace net
