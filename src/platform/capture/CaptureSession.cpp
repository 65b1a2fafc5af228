#include "platform/capture/CaptureSession.h"

#include <algorithm>
#include <utility>

namespace capture {

namespace {

std::pair<int, int> pictureSize(SessionPreset preset)
{
    switch (preset) {
    case SessionPreset::Low:
        return { 320, 240 };
    case SessionPreset::Medium:
    case SessionPreset::Preset640x480:
        return { 640, 480 };
    case SessionPreset::Preset1280x720:
        return { 1280, 720 };
    case SessionPreset::High:
    case SessionPreset::Preset1920x1080:
        return { 1920, 1080 };
    }
    return { 640, 480 };
}

} // namespace

CaptureSession::~CaptureSession()
{
    stopRunning();
    for (const auto& output : m_outputs)
        output->detachFromSession();
}

SessionPreset CaptureSession::sessionPreset() const
{
    std::lock_guard lock(m_mutex);
    return m_preset;
}

void CaptureSession::setSessionPreset(SessionPreset preset)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_preset == preset)
            return;
        m_preset = preset;
    }
    restartIfRunning();
}

bool CaptureSession::canAddInput(const std::shared_ptr<CaptureDeviceInput>& input) const
{
    std::lock_guard lock(m_mutex);
    return input && !m_input;
}

void CaptureSession::addInput(const std::shared_ptr<CaptureDeviceInput>& input)
{
    {
        std::lock_guard lock(m_mutex);
        if (!input || m_input)
            return;
        m_input = input;
    }
    restartIfRunning();
}

void CaptureSession::removeInput(const std::shared_ptr<CaptureDeviceInput>& input)
{
    {
        std::lock_guard lock(m_mutex);
        if (!input || m_input != input)
            return;
        m_input.reset();
    }
    restartIfRunning();
}

std::vector<std::shared_ptr<CaptureDeviceInput>> CaptureSession::inputs() const
{
    std::lock_guard lock(m_mutex);
    if (!m_input)
        return {};
    return { m_input };
}

bool CaptureSession::hasVideoInput() const
{
    std::lock_guard lock(m_mutex);
    return m_input && m_input->device() && m_input->device()->hasMediaType(MediaType::Video);
}

bool CaptureSession::canAddOutput(const std::shared_ptr<CaptureMetadataOutput>& output) const
{
    return output && !output->isAttached();
}

void CaptureSession::addOutput(const std::shared_ptr<CaptureMetadataOutput>& output)
{
    std::lock_guard lock(m_mutex);
    if (!output || output->isAttached())
        return;
    output->attachToSession(weak_from_this());
    m_outputs.push_back(output);
}

void CaptureSession::removeOutput(const std::shared_ptr<CaptureMetadataOutput>& output)
{
    std::lock_guard lock(m_mutex);
    auto found = std::find(m_outputs.begin(), m_outputs.end(), output);
    if (found == m_outputs.end())
        return;
    output->detachFromSession();
    m_outputs.erase(found);
}

std::vector<std::shared_ptr<CaptureMetadataOutput>> CaptureSession::outputs() const
{
    std::lock_guard lock(m_mutex);
    return m_outputs;
}

void CaptureSession::startRunning()
{
    std::unique_lock lock(m_mutex);
    if (m_running)
        return;
    m_running = true;
    startCaptureLocked(lock);
}

void CaptureSession::stopRunning()
{
    std::jthread thread;
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return;
        m_running = false;
        thread = stopCaptureLocked();
    }
    // Joined outside the lock: the capture thread takes it for every frame.
}

bool CaptureSession::isRunning() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

foundation::Subscription CaptureSession::observeFrames(FrameObserver observer)
{
    return m_frameObservers.add(std::move(observer));
}

std::optional<foundation::Error> CaptureSession::lastRuntimeError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastRuntimeError;
}

void CaptureSession::restartIfRunning()
{
    std::jthread old;
    {
        std::unique_lock lock(m_mutex);
        if (!m_running)
            return;
        old = stopCaptureLocked();
    }
    old = {};
    std::unique_lock lock(m_mutex);
    if (m_running && !m_captureThread.joinable())
        startCaptureLocked(lock);
}

void CaptureSession::startCaptureLocked(std::unique_lock<std::mutex>&)
{
    m_lastRuntimeError.reset();
    m_run = std::make_shared<std::atomic<bool>>(true);
    if (!m_input || !m_input->device())
        return; // Running with nothing to read.
    auto [width, height] = pictureSize(m_preset);
    auto source = m_input->device()->openFrameSource(width, height);
    if (source.isError()) {
        m_lastRuntimeError = source.error();
        m_running = false;
        return;
    }
    // The thread may use `this`: the session joins it before it goes away.
    m_captureThread = std::jthread([this, source = std::move(source).value(), run = m_run, input = m_input](
                                       std::stop_token stop) { captureLoop(stop, source, run, input); });
}

std::jthread CaptureSession::stopCaptureLocked()
{
    if (m_run)
        m_run->store(false);
    m_run.reset();
    m_captureThread.request_stop();
    return std::move(m_captureThread);
}

void CaptureSession::captureLoop(std::stop_token stop, std::shared_ptr<FrameSource> source, RunToken run,
    std::shared_ptr<CaptureDeviceInput> input)
{
    while (!stop.stop_requested()) {
        auto sample = source->nextSample(stop);
        if (!sample || stop.stop_requested())
            return;
        if (sample->frame)
            m_frameObservers.notify(sample->frame);
        for (const auto& output : outputs())
            output->processSample(*sample, run, CaptureConnection(input, output));
    }
}

} // namespace capture
