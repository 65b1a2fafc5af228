#include "platform/capture/CaptureMetadataOutput.h"

#include "platform/capture/CaptureSession.h"
#include "platform/capture/CodeReader.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <utility>

namespace capture {

namespace {

struct PendingDeliveries {
    std::mutex mutex;
    std::condition_variable idle;
    size_t count { 0 };
};

PendingDeliveries& pendingDeliveries()
{
    static PendingDeliveries shared;
    return shared;
}

// Counts a delivery from the moment it is queued until it has run or its
// queue has dropped it unrun.
class DeliveryTicket {
public:
    DeliveryTicket()
    {
        std::lock_guard lock(pendingDeliveries().mutex);
        ++pendingDeliveries().count;
    }
    ~DeliveryTicket()
    {
        bool idle;
        {
            std::lock_guard lock(pendingDeliveries().mutex);
            idle = --pendingDeliveries().count == 0;
        }
        if (idle) {
            pendingDeliveries().idle.notify_all();
            foundation::RunLoop::main().wakeUp();
        }
    }
    DeliveryTicket(const DeliveryTicket&) = delete;
    DeliveryTicket& operator=(const DeliveryTicket&) = delete;
};

} // namespace

void CaptureMetadataOutput::waitForPendingDeliveries()
{
    auto& pending = pendingDeliveries();
    if (foundation::RunLoop::isMainThread()) {
        foundation::RunLoop::main().runUntil([&pending] {
            std::lock_guard lock(pending.mutex);
            return pending.count == 0;
        });
        return;
    }
    std::unique_lock lock(pending.mutex);
    pending.idle.wait(lock, [&pending] { return pending.count == 0; });
}

void CaptureMetadataOutput::setMetadataObjectsDelegate(
    std::weak_ptr<CaptureMetadataOutputObjectsDelegate> delegate,
    std::shared_ptr<foundation::DispatchQueue> queue)
{
    std::lock_guard lock(m_mutex);
    m_delegate = std::move(delegate);
    m_queue = std::move(queue);
}

std::shared_ptr<CaptureMetadataOutputObjectsDelegate> CaptureMetadataOutput::metadataObjectsDelegate() const
{
    std::lock_guard lock(m_mutex);
    return m_delegate.lock();
}

std::shared_ptr<foundation::DispatchQueue> CaptureMetadataOutput::metadataObjectsCallbackQueue() const
{
    std::lock_guard lock(m_mutex);
    return m_queue;
}

std::vector<MetadataObjectType> CaptureMetadataOutput::availableMetadataObjectTypes() const
{
    std::shared_ptr<const CaptureSession> session;
    {
        std::lock_guard lock(m_mutex);
        if (!m_attached)
            return {};
        session = m_session.lock();
    }
    if (!session || !session->hasVideoInput())
        return {};
    return allMetadataObjectTypes();
}

std::vector<MetadataObjectType> CaptureMetadataOutput::metadataObjectTypes() const
{
    std::lock_guard lock(m_mutex);
    return m_metadataObjectTypes;
}

bool CaptureMetadataOutput::setMetadataObjectTypes(std::vector<MetadataObjectType> types)
{
    auto available = availableMetadataObjectTypes();
    for (MetadataObjectType type : types) {
        if (std::find(available.begin(), available.end(), type) == available.end())
            return false;
    }
    std::vector<MetadataObjectType> unique;
    for (MetadataObjectType type : types) {
        if (std::find(unique.begin(), unique.end(), type) == unique.end())
            unique.push_back(type);
    }
    std::lock_guard lock(m_mutex);
    m_metadataObjectTypes = std::move(unique);
    return true;
}

graphics::Rect CaptureMetadataOutput::rectOfInterest() const
{
    std::lock_guard lock(m_mutex);
    return m_rectOfInterest;
}

void CaptureMetadataOutput::setRectOfInterest(const graphics::Rect& rect)
{
    if (!std::isfinite(rect.x()) || !std::isfinite(rect.y()) || !std::isfinite(rect.width())
        || !std::isfinite(rect.height()))
        return;
    std::lock_guard lock(m_mutex);
    m_rectOfInterest = rect;
}

void CaptureMetadataOutput::attachToSession(std::weak_ptr<const CaptureSession> session)
{
    std::lock_guard lock(m_mutex);
    m_session = std::move(session);
    m_attached = true;
}

void CaptureMetadataOutput::detachFromSession()
{
    std::lock_guard lock(m_mutex);
    m_session.reset();
    m_attached = false;
}

bool CaptureMetadataOutput::isAttached() const
{
    std::lock_guard lock(m_mutex);
    return m_attached;
}

void CaptureMetadataOutput::processSample(
    const CaptureSample& sample, const RunToken& run, const CaptureConnection& connection)
{
    std::vector<MetadataObjectType> types;
    graphics::Rect rect;
    {
        std::lock_guard lock(m_mutex);
        if (m_delegate.expired())
            return; // Nobody to tell: spare the reading.
        types = m_metadataObjectTypes;
        rect = sample.fillsRectOfInterest ? graphics::Rect(0, 0, 1, 1) : m_rectOfInterest;
    }

    std::vector<MetadataMachineReadableCodeObject> objects;
    for (const auto& code : sample.codes) {
        if (std::find(types.begin(), types.end(), code.type()) != types.end())
            objects.push_back(code);
    }
    if (sample.frame) {
        auto read = CodeReader::read(*sample.frame, rect, types);
        objects.insert(
            objects.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
    }
    if (objects.empty())
        return;

    std::weak_ptr<CaptureMetadataOutputObjectsDelegate> delegate;
    std::shared_ptr<foundation::DispatchQueue> queue;
    {
        std::lock_guard lock(m_mutex);
        delegate = m_delegate;
        queue = m_queue ? m_queue : foundation::DispatchQueue::main();
    }
    queue->async([self = shared_from_this(), delegate = std::move(delegate), objects = std::move(objects),
                     run, connection, ticket = std::make_shared<DeliveryTicket>()]() mutable {
        if (run->load()) {
            if (auto target = delegate.lock()) {
                target->captureOutputDidOutputMetadataObjectsFromConnection(*self, objects, connection);
                // The delegate is usually a screen, and it may have been closed
                // during the call: if ours is the last reference, it must die on
                // the main thread, not on the delivery queue.
                if (!foundation::DispatchQueue::isMainThread())
                    foundation::DispatchQueue::main()->async([target = std::move(target)] {});
            }
        }
        // The queue may hold on to the block for a while after running it.
        ticket.reset();
    });
}

} // namespace capture
