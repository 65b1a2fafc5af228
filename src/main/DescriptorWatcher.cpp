#include "main/DescriptorWatcher.h"

#include "platform/foundation/RunLoop.h"

#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

struct DescriptorWatcher::State {
    std::mutex mutex;
    std::condition_variable handled;
    bool pending = false;
    bool stopped = false;
    // Main thread only.
    std::function<void()> onReadable;
};

DescriptorWatcher::DescriptorWatcher(int descriptor, std::function<void()> onReadable)
    : m_descriptor(descriptor)
    , m_state(std::make_shared<State>())
{
    m_state->onReadable = std::move(onReadable);
    if (descriptor < 0 || pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_thread = std::jthread([this](std::stop_token stop) { watch(stop); });
}

DescriptorWatcher::~DescriptorWatcher()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopped = true;
    }
    m_state->handled.notify_all();
    if (m_thread.joinable()) {
        m_thread.request_stop();
        char byte = 0;
        // A full pipe already holds a wake-up.
        [[maybe_unused]] auto written = write(m_wakePipe[1], &byte, 1);
        m_thread.join();
    }
    for (int end : m_wakePipe) {
        if (end >= 0)
            close(end);
    }
}

void DescriptorWatcher::watch(std::stop_token stop)
{
    auto state = m_state;
    while (!stop.stop_requested()) {
        pollfd fds[2] = { { m_descriptor, POLLIN, 0 }, { m_wakePipe[0], POLLIN, 0 } };
        int ready = poll(fds, 2, -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0 || stop.stop_requested())
            return;
        // A closed or broken descriptor would wake the loop for ever.
        if (fds[0].revents & (POLLERR | POLLNVAL))
            return;
        {
            std::lock_guard lock(state->mutex);
            state->pending = true;
        }
        foundation::RunLoop::main().post([state] {
            {
                std::lock_guard lock(state->mutex);
                if (state->stopped)
                    return;
            }
            state->onReadable();
            {
                std::lock_guard lock(state->mutex);
                state->pending = false;
            }
            state->handled.notify_all();
        });
        std::unique_lock lock(state->mutex);
        state->handled.wait(lock, [&] { return !state->pending || state->stopped; });
        if (state->stopped)
            return;
        // The other end is gone; the block has read what it left.
        if (fds[0].revents & POLLHUP)
            return;
    }
}
