#pragma once

#include <atomic>
#include <chrono>

#include "platform/foundation/WakeChannel.h"

namespace net {

// How threads that hand work to a thread sleeping in poll() among descriptors of its
// own (the transport's I/O thread) wake it: a pipe whose read end the owner polls
// beside its sockets, written only when the owner really sleeps.
//
// A write that wakes a thread asleep on another processor is the costly part of a
// hand-off on a machine whose idle processors halt at once (a virtual machine): the
// writer waits in the system call while the processor is roused, the sleeper waits
// again to run. An owner that expects work soon can spin for it a little instead
// (spinFor()); a waker then only sets a flag, and neither the write nor the rousing
// happens.
//
// The owner's loop:
//
//     for (;;) {
//         wake.takingWork();              // a wake() from here on is for work not yet taken
//         takeQueuedWork();
//         ...
//         if (!wake.spinFor(expected) && wake.prepareToSleep()) {
//             poll(sockets + wake.descriptor(), timeout);
//             wake.awake(descriptorWasReadable);
//         }
//     }
//
// A waker queues its work first, then calls wake(). Without a pipe (no descriptors
// left) descriptor() is -1 and wake() does nothing: the owner must be woken another way.
class PollWake {
public:
    using Duration = std::chrono::steady_clock::duration;

    PollWake();
    ~PollWake();
    PollWake(const PollWake&) = delete;
    PollWake& operator=(const PollWake&) = delete;

    int descriptor() const { return m_pipe.isOpen() ? m_pipe.reader() : -1; }

    // From any thread, after the work is queued. The first wake() after the owner took
    // its work stands for every later one until it takes its work again; it writes one
    // byte, and only if the owner sleeps: an owner awake looks at the flag before it
    // sleeps.
    void wake();

    // On the owner's thread.
    void takingWork() { m_woken.store(false); }
    // Whether a wake() came since the owner last took its work.
    bool woken() const { return m_woken.load(); }
    // Waits up to `limit` for a wake() without sleeping; true if one came.
    bool spinFor(Duration limit) const;
    // About to sleep in poll(); false if a wake() came meanwhile, and then it must not.
    bool prepareToSleep();
    // Back from poll() (whether or not prepareToSleep() let it sleep); takes the
    // bytes written if the descriptor was readable.
    void awake(bool readable);

private:
    foundation::WakePipe m_pipe;
    std::atomic<bool> m_woken { false };
    std::atomic<bool> m_sleeping { false };
};

} // namespace net
