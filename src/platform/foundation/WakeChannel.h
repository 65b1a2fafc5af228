#pragma once

#include <atomic>
#include <chrono>
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

// Waits up to `limit` for `flag` to be set without sleeping; true if it was. For a
// thread that expects a hand-off within microseconds: on a machine whose idle
// processors are slow to rouse, a thread that sleeps for one pays that rousing, and
// so does the one that wakes it.
bool spinUntilSet(const std::atomic<bool>& flag, std::chrono::steady_clock::duration limit);

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
// A sleeper whose last wait was cut short by a wake-up within a fraction of a
// millisecond (a reply to a request it just handed to a network thread) is likely to
// be woken as soon again: it spins for the wake-up a little before it sleeps, and a
// waker that finds it spinning only sets a flag, with no byte to write and no
// processor to rouse. A sleeper that waited longer sleeps at once, so one with
// nothing expected never spins.
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
    // `seconds` is of the caller's clock, which may be virtual; the spin before the
    // sleep is of the steady one.
    void wait(std::unique_lock<std::mutex>& lock, double seconds);
    // Lets the owner's lock go, then sends the sleeper a wake-up if what the caller
    // changed under it needs one. Told after the lock is let go: a sleeper woken
    // while it is still held would only go back to sleep on it, and cost a second
    // wake-up.
    void unlockAndWake(std::unique_lock<std::mutex>& lock);
    // Whether the sleeper must be sent a wake-up for what the caller just changed.
    bool wakeNeededLocked();

    // How long a sleeper spins for a wake-up it expects, and how soon after it began
    // waiting the last wake-up must have come for it to expect the next.
    static constexpr std::chrono::steady_clock::duration spinLimit = std::chrono::microseconds(200);

private:
    enum class State { awake, spinning, sleeping };

    // Sends it; with or without the owner's lock held.
    void wake();
    // Back from a wait begun at `started`, with the owner's lock held again.
    void awake(std::chrono::steady_clock::time_point started);

    WakePipe m_pipe;
    // Written under the owner's lock; a sleeper that spins looks at m_woken without it.
    State m_state { State::awake };
    std::atomic<bool> m_woken { false };
    // Only the sleeper's.
    bool m_wakeExpected { false };
    std::condition_variable m_fallback;
};

} // namespace foundation
