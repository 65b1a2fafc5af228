#pragma once

#include <optional>
#include <string>

namespace kit {
class ImageView;
}

// A member's portrait in an image view, loaded through the image cache; the
// default photo for a member without one.
class MemberPortrait {
public:
    static constexpr const char* defaultPhotoName = "MemberDefaultPhoto";

    static void show(kit::ImageView& imageView, const std::optional<std::string>& portrait);
};
