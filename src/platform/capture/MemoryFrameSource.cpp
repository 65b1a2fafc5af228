#include "platform/capture/MemoryFrameSource.h"

#include <utility>

namespace capture {

void MemoryFrameSource::push(CaptureSample sample)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(sample));
    }
    m_changed.notify_all();
}

void MemoryFrameSource::pushFrame(VideoFrame frame, Placement placement)
{
    push({ std::make_shared<const VideoFrame>(std::move(frame)), {},
        placement == Placement::InsideRectOfInterest });
}

foundation::Result<void> MemoryFrameSource::pushImageFile(
    const std::filesystem::path& path, Placement placement)
{
    auto frame = TRY(VideoFrame::fromImageFile(path));
    pushFrame(std::move(frame), placement);
    return {};
}

void MemoryFrameSource::injectCode(MetadataObjectType type, std::string stringValue)
{
    push({ nullptr, { MetadataMachineReadableCodeObject(type, std::move(stringValue)) }, false });
}

size_t MemoryFrameSource::pendingCount() const
{
    std::lock_guard lock(m_mutex);
    return m_pending.size();
}

bool MemoryFrameSource::waitUntilConsumed(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [this] { return m_pending.empty() && m_waitingReaders > 0; });
}

std::optional<CaptureSample> MemoryFrameSource::nextSample(std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    // A reader back here has finished with everything it took before.
    ++m_waitingReaders;
    m_changed.notify_all();
    m_changed.wait(lock, stop, [this] { return !m_pending.empty(); });
    --m_waitingReaders;
    if (stop.stop_requested() || m_pending.empty())
        return std::nullopt;
    CaptureSample sample = std::move(m_pending.front());
    m_pending.pop_front();
    return sample;
}

} // namespace capture
