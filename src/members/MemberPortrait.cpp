#include "members/MemberPortrait.h"

#include "platform/graphics/Image.h"
#include "platform/kit/ImageView.h"

void MemberPortrait::show(kit::ImageView& imageView, const std::optional<std::string>&)
{
    // Remote portraits come with the image loader; until then every member
    // shows the default photo.
    imageView.setImage(graphics::Image::named(defaultPhotoName));
}
