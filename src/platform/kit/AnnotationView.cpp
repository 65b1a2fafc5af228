#include "platform/kit/AnnotationView.h"

#include "platform/graphics/DrawingContext.h"

namespace kit {

AnnotationView::AnnotationView() = default;

AnnotationView::AnnotationView(const graphics::Rect& frame)
    : View(frame)
{
}

void AnnotationView::setImage(ImagePtr image)
{
    if (m_image == image)
        return;
    m_image = std::move(image);
    if (m_image) {
        graphics::Rect bounds = this->bounds();
        bounds.size = m_image->size();
        setBounds(bounds);
    }
    setNeedsDisplay();
}

void AnnotationView::drawRect(graphics::DrawingContext& context, const graphics::Rect&)
{
    if (m_image)
        context.drawImage(*m_image, { bounds().origin, m_image->size() });
}

graphics::Size AnnotationView::sizeThatFits(const graphics::Size& size) const
{
    return m_image ? m_image->size() : View::sizeThatFits(size);
}

} // namespace kit
