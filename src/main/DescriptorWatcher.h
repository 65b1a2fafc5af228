#pragma once

#include <functional>
#include <memory>
#include <thread>

// Runs a block on the main loop whenever a file descriptor has something to
// read, so the loop can sleep until then instead of looking on a timer. A
// thread of its own waits for the descriptor; after each wake-up it waits
// for the block to have run before it looks again, so a block that reads
// everything there is gets one call per burst and the thread never spins
// on data the main thread has not read yet.
//
// Made, used and destroyed on the main thread. Destruction stops the
// thread; a block already posted then does not run.
class DescriptorWatcher {
public:
    DescriptorWatcher(int descriptor, std::function<void()> onReadable);
    ~DescriptorWatcher();
    DescriptorWatcher(const DescriptorWatcher&) = delete;
    DescriptorWatcher& operator=(const DescriptorWatcher&) = delete;

    // False when the watch could not be set up (no thread or pipe).
    bool isWatching() const { return m_thread.joinable(); }

    struct State;

private:
    void watch(std::stop_token stop);

    int m_descriptor;
    std::shared_ptr<State> m_state;
    int m_wakePipe[2] = { -1, -1 };
    std::jthread m_thread;
};
