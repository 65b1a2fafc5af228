#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/kit/DisplayGeneration.h"

#include <memory>
#include <vector>

namespace graphics {
class Image;
}

namespace kit {

// How a layer's picture fills its frame: stretched, whole (letterboxed), or
// covering it with the overflow cut off.
enum class ContentsGravity { Resize, ResizeAspect, ResizeAspectFill };

// The drawn box behind a view: border, corner radius, clipping, and
// sublayers of a colour or a picture (a scanner frame, a scan line, the
// camera's view). A view's own layer takes its geometry from the view;
// sublayers keep their own frame.
class Layer : public std::enable_shared_from_this<Layer> {
public:
    Layer() = default;

    graphics::Rect frame() const { return m_frame; }
    void setFrame(const graphics::Rect& frame) { changed(m_frame, frame); }
    graphics::Color backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const graphics::Color& color) { changed(m_backgroundColor, color); }

    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius) { changed(m_cornerRadius, radius); }
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width) { changed(m_borderWidth, width); }
    graphics::Color borderColor() const { return m_borderColor; }
    void setBorderColor(const graphics::Color& color) { changed(m_borderColor, color); }
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool masks) { changed(m_masksToBounds, masks); }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { changed(m_hidden, hidden); }
    double opacity() const { return m_opacity; }
    void setOpacity(double opacity) { changed(m_opacity, opacity); }
    // Drawn over the background colour; sublayers' only.
    const std::shared_ptr<const graphics::Image>& contents() const { return m_contents; }
    void setContents(std::shared_ptr<const graphics::Image> image) { changed(m_contents, image); }
    ContentsGravity contentsGravity() const { return m_contentsGravity; }
    void setContentsGravity(ContentsGravity gravity) { changed(m_contentsGravity, gravity); }

    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return m_sublayers; }
    std::shared_ptr<Layer> superlayer() const { return m_superlayer.lock(); }
    void addSublayer(const std::shared_ptr<Layer>& layer);
    void removeFromSuperlayer();

private:
    template<class T> static void changed(T& member, const T& value)
    {
        member = value;
        DisplayGeneration::bump();
    }

    graphics::Rect m_frame;
    graphics::Color m_backgroundColor = graphics::Color::clear();
    double m_cornerRadius = 0;
    double m_borderWidth = 0;
    graphics::Color m_borderColor = graphics::Color::black();
    bool m_masksToBounds = false;
    bool m_hidden = false;
    double m_opacity = 1;
    std::shared_ptr<const graphics::Image> m_contents;
    ContentsGravity m_contentsGravity = ContentsGravity::Resize;
    std::vector<std::shared_ptr<Layer>> m_sublayers;
    std::weak_ptr<Layer> m_superlayer;
};

} // namespace kit
