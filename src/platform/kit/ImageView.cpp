#include "platform/kit/ImageView.h"

namespace kit {

ImageView::ImageView()
{
    setUserInteractionEnabled(false);
}

ImageView::ImageView(const graphics::Rect& frame)
    : View(frame)
{
    setUserInteractionEnabled(false);
}

ImageView::ImageView(ImagePtr image)
    : View(graphics::Rect({ 0, 0 }, image ? image->size() : graphics::Size()))
    , m_image(std::move(image))
{
    setUserInteractionEnabled(false);
}

void ImageView::setImage(ImagePtr image)
{
    if (m_image == image)
        return;
    m_image = std::move(image);
    setNeedsDisplay();
}

void ImageView::setHighlightedImage(ImagePtr image)
{
    m_highlightedImage = std::move(image);
    setNeedsDisplay();
}

void ImageView::setHighlighted(bool highlighted)
{
    m_highlighted = highlighted;
    setNeedsDisplay();
}

const ImageView::ImagePtr& ImageView::currentImage() const
{
    if (m_highlighted && m_highlightedImage)
        return m_highlightedImage;
    return m_image;
}

graphics::Size ImageView::sizeThatFits(const graphics::Size&) const
{
    return m_image ? m_image->size() : graphics::Size();
}

} // namespace kit
