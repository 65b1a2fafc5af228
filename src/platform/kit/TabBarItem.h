#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"
#include "platform/kit/Control.h"

#include <memory>
#include <optional>
#include <string>

namespace kit {

// A tab's entry in the tab bar.
class TabBarItem {
public:
    using ImagePtr = std::shared_ptr<const graphics::Image>;

    TabBarItem(std::string title, ImagePtr image, ImagePtr selectedImage);

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    const ImagePtr& image() const { return m_image; }
    void setImage(ImagePtr image) { m_image = std::move(image); }
    const ImagePtr& selectedImage() const { return m_selectedImage; }
    void setSelectedImage(ImagePtr image) { m_selectedImage = std::move(image); }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    // The title colour of every tab bar item in a state (the shared
    // appearance the start-up sets); none means the bar's default.
    static void setAppearanceTitleColor(const std::optional<graphics::Color>& color, ControlState state);
    static std::optional<graphics::Color> appearanceTitleColor(ControlState state);

private:
    std::string m_title;
    ImagePtr m_image;
    ImagePtr m_selectedImage;
    int m_tag = 0;
};

} // namespace kit
