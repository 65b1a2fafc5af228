#include "platform/kit/Layer.h"

#include <algorithm>

namespace kit {

void Layer::addSublayer(const std::shared_ptr<Layer>& layer)
{
    if (!layer || layer.get() == this)
        return;
    // Keep the layer alive while it leaves its old parent.
    auto keep = layer;
    keep->removeFromSuperlayer();
    keep->m_superlayer = weak_from_this();
    m_sublayers.push_back(std::move(keep));
    DisplayGeneration::bump();
}

void Layer::removeFromSuperlayer()
{
    auto parent = m_superlayer.lock();
    m_superlayer.reset();
    if (!parent)
        return;
    std::erase_if(parent->m_sublayers, [this](const std::shared_ptr<Layer>& l) { return l.get() == this; });
    DisplayGeneration::bump();
}

} // namespace kit
