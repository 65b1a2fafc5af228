#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

#include <memory>
#include <vector>

namespace kit {

// The drawn box behind a view: border, corner radius, clipping, and plain
// coloured sublayers (a scanner frame, a scan line). A view's own layer
// takes its geometry from the view; sublayers keep their own frame.
class Layer : public std::enable_shared_from_this<Layer> {
public:
    Layer() = default;

    graphics::Rect frame() const { return m_frame; }
    void setFrame(const graphics::Rect& frame) { m_frame = frame; }
    graphics::Color backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const graphics::Color& color) { m_backgroundColor = color; }

    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius) { m_cornerRadius = radius; }
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width) { m_borderWidth = width; }
    graphics::Color borderColor() const { return m_borderColor; }
    void setBorderColor(const graphics::Color& color) { m_borderColor = color; }
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool masks) { m_masksToBounds = masks; }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }
    double opacity() const { return m_opacity; }
    void setOpacity(double opacity) { m_opacity = opacity; }

    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return m_sublayers; }
    std::shared_ptr<Layer> superlayer() const { return m_superlayer.lock(); }
    void addSublayer(const std::shared_ptr<Layer>& layer);
    void removeFromSuperlayer();

private:
    graphics::Rect m_frame;
    graphics::Color m_backgroundColor = graphics::Color::clear();
    double m_cornerRadius = 0;
    double m_borderWidth = 0;
    graphics::Color m_borderColor = graphics::Color::black();
    bool m_masksToBounds = false;
    bool m_hidden = false;
    double m_opacity = 1;
    std::vector<std::shared_ptr<Layer>> m_sublayers;
    std::weak_ptr<Layer> m_superlayer;
};

} // namespace kit
