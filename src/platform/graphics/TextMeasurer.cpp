#include "platform/graphics/TextMeasurer.h"

#include "platform/graphics/PangoTextMeasurer.h"

#include <mutex>

namespace graphics {

namespace {

std::mutex g_sharedMutex;
std::shared_ptr<TextMeasurer> g_shared;

} // namespace

std::shared_ptr<TextMeasurer> TextMeasurer::shared()
{
    std::lock_guard lock(g_sharedMutex);
    if (!g_shared)
        g_shared = std::make_shared<PangoTextMeasurer>();
    return g_shared;
}

void TextMeasurer::setShared(std::shared_ptr<TextMeasurer> measurer)
{
    std::lock_guard lock(g_sharedMutex);
    g_shared = std::move(measurer);
}

} // namespace graphics
