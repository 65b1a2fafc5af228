#pragma once

#include <functional>
#include <vector>

namespace foundation {

// While one lives on a thread, the blocks that thread posts to the main run loop
// are held, and handed over together when it ends, with a single wake-up of the
// main thread. A thread that reports a burst of events (the network's I/O thread
// after a round of reads: a reply's head and body) so costs the main thread one
// turn rather than one per event, and the main thread never wakes in the middle
// of a burst only to sleep again before its end.
//
// Blocks keep their order. Whatever else the thread does meanwhile is seen by
// other threads before the held blocks are queued, so around a step whose end
// others count on finding its blocks queued (a request's completion) the thread
// calls endWithNextPost(), and code that leaves work for a held block to carry
// there calls endCurrent(). Nor may the thread wait for a block it holds:
// DispatchQueue::main()->sync ends the batch before it waits. A batch made while
// another lives on the same thread adds nothing; the outer one hands everything
// over.
class PostBatch {
public:
    PostBatch();
    ~PostBatch();
    PostBatch(const PostBatch&) = delete;
    PostBatch& operator=(const PostBatch&) = delete;

    // Holds `block` when a batch lives on the calling thread.
    static bool hold(std::function<void()>& block);
    // Hands over what the calling thread's batch holds and ends the batch early:
    // the thread's later posts go at once.
    static void endCurrent();
    // The calling thread's next post goes at once, with everything held before it,
    // and ends the batch: the held blocks and that post wake the main thread once.
    static void endWithNextPost();

private:
    std::vector<std::function<void()>> m_held;
    bool m_active { false };
    bool m_endsWithNextPost { false };
};

} // namespace foundation
