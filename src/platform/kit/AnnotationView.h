#pragma once

#include "platform/graphics/Image.h"
#include "platform/kit/View.h"

#include <memory>

namespace kit {

// A marker on a map: a view that shows one image at the image's own size.
// The app draws no map; the image loader sets these views' images from URLs
// as it does an image view's.
class AnnotationView : public View {
public:
    using ImagePtr = std::shared_ptr<const graphics::Image>;

    AnnotationView();
    explicit AnnotationView(const graphics::Rect& frame);

    const ImagePtr& image() const { return m_image; }
    // The view takes the image's size about its centre; without an image it
    // keeps the size it has.
    void setImage(ImagePtr image);

    void drawRect(graphics::DrawingContext& context, const graphics::Rect& rect) override;
    graphics::Size sizeThatFits(const graphics::Size& size) const override;

private:
    ImagePtr m_image;
};

} // namespace kit
