#include "members/MemberPortrait.h"

#include "imagecache/ImageViewWebCache.h"
#include "platform/graphics/Image.h"
#include "platform/kit/ImageView.h"

void MemberPortrait::show(kit::ImageView& imageView, const std::optional<std::string>& portrait)
{
    if (portrait && !portrait->empty()) {
        auto view = std::static_pointer_cast<kit::ImageView>(imageView.shared_from_this());
        imagecache::ImageViewWebCache::ic_setImageWithURL(view, *portrait);
        return;
    }
    // A reused row's load for the member shown before must not land here.
    imagecache::ImageViewWebCache::ic_cancelCurrentImageLoad(imageView);
    imageView.setImage(graphics::Image::named(defaultPhotoName));
}
