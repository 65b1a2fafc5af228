#pragma once

#include <condition_variable>
#include <mutex>

namespace foundation {

// The pipe a sleeping thread polls so that another can wake it: non-blocking at
// both ends, closed on exec. Without descriptors left it is not open, and its
// owner must wake the sleeper another way.
class WakePipe {
public:
    WakePipe();
    ~WakePipe();
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;

    bool isOpen() const { return m_reader >= 0; }
    int reader() const { return m_reader; }
    // One byte; a full pipe already holds a wake-up.
    void send();
    // Takes what was sent. One byte is sent per sleep, so one read takes it all;
    // only a full pipe may have left more.
    void drain();

private:
    int m_reader { -1 };
    int m_writer { -1 };
};

// How one thread sleeps until another wakes it, for the main run loop: through a
// pipe rather than a condition variable. A pipe wakes its reader the way a thread
// that hands work over and then sleeps wants: the scheduler may run the reader where
// the writer runs instead of rousing a processor of its own, and on a machine whose
// idle processors are slow to rouse (a virtual machine that halts them at once) that
// is most of the cost of handing a reply to the main thread. A socket pair wakes the
// same way but costs each wake-up a socket buffer, allocated by the writer and freed
// by the reader.
//
// Every call is made under one mutex of the owner's, which guards the state the
// sleeper looks at:
//
//     std::unique_lock lock(mutex);
//     while (!workReady)
//         channel.wait(lock, seconds);     // lets the lock go while asleep
//
//     std::unique_lock lock(mutex);        // on another thread
//     workReady = true;
//     channel.unlockAndWake(lock);         // a write only when someone sleeps
//
// Without a pipe (no descriptors left) it falls back to a condition variable.
class WakeChannel {
public:
    WakeChannel();
    ~WakeChannel();
    WakeChannel(const WakeChannel&) = delete;
    WakeChannel& operator=(const WakeChannel&) = delete;

    // Sleeps until woken or `seconds` have passed (a negative time never passes),
    // or for no reason at all: the caller looks at its state again either way.
    void wait(std::unique_lock<std::mutex>& lock, double seconds);
    // Lets the owner's lock go, then sends the sleeper a wake-up if what the caller
    // changed under it needs one. Told after the lock is let go: a sleeper woken
    // while it is still held would only go back to sleep on it, and cost a second
    // wake-up.
    void unlockAndWake(std::unique_lock<std::mutex>& lock);
    // Whether the sleeper must be sent a wake-up for what the caller just changed.
    bool wakeNeededLocked();

private:
    // Sends it; with or without the owner's lock held.
    void wake();

    WakePipe m_pipe;
    bool m_sleeping { false };
    bool m_woken { false };
    std::condition_variable m_fallback;
};

} // namespace foundation
