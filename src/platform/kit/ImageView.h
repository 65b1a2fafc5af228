#pragma once

#include "platform/graphics/Image.h"
#include "platform/kit/View.h"

#include <memory>
#include <vector>

namespace kit {

// Shows an image scaled by its content mode. Takes no touches by default;
// a screen that puts buttons on one turns interaction on.
class ImageView : public View {
public:
    using ImagePtr = std::shared_ptr<const graphics::Image>;

    ImageView();
    explicit ImageView(const graphics::Rect& frame);
    // Sized to the image.
    explicit ImageView(ImagePtr image);

    const ImagePtr& image() const { return m_image; }
    void setImage(ImagePtr image);
    const ImagePtr& highlightedImage() const { return m_highlightedImage; }
    void setHighlightedImage(ImagePtr image);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    // What a painter shows now.
    const ImagePtr& currentImage() const;

    // Frame animation is kept as state only; nothing cycles the frames.
    const std::vector<ImagePtr>& animationImages() const { return m_animationImages; }
    void setAnimationImages(std::vector<ImagePtr> images) { m_animationImages = std::move(images); }
    double animationDuration() const { return m_animationDuration; }
    void setAnimationDuration(double duration) { m_animationDuration = duration; }
    int animationRepeatCount() const { return m_animationRepeatCount; }
    void setAnimationRepeatCount(int count) { m_animationRepeatCount = count; }
    void startAnimating() { m_animating = true; }
    void stopAnimating() { m_animating = false; }
    bool isAnimating() const { return m_animating; }

    graphics::Size sizeThatFits(const graphics::Size& size) const override;

private:
    ImagePtr m_image;
    ImagePtr m_highlightedImage;
    bool m_highlighted = false;
    std::vector<ImagePtr> m_animationImages;
    double m_animationDuration = 0;
    int m_animationRepeatCount = 0;
    bool m_animating = false;
};

} // namespace kit
