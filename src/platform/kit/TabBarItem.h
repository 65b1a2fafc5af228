#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"
#include "platform/kit/Control.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {

class TabBar;

// A tab's entry in the tab bar.
class TabBarItem {
public:
    using ImagePtr = std::shared_ptr<const graphics::Image>;

    TabBarItem(std::string title, ImagePtr image, ImagePtr selectedImage);

    // Changes show at once in the bars the item is in.
    const std::string& title() const { return m_title; }
    void setTitle(std::string title);
    const ImagePtr& image() const { return m_image; }
    void setImage(ImagePtr image);
    const ImagePtr& selectedImage() const { return m_selectedImage; }
    void setSelectedImage(ImagePtr image);
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    // The title colour of every tab bar item in a state (the shared
    // appearance the start-up sets); none means the bar's default.
    static void setAppearanceTitleColor(const std::optional<graphics::Color>& color, ControlState state);
    static std::optional<graphics::Color> appearanceTitleColor(ControlState state);

private:
    // A bar registers with the items it shows; it owns its buttons, not the
    // items, so it is held weakly and one that is gone is dropped.
    friend class TabBar;
    void addBar(const std::shared_ptr<TabBar>& bar);
    void removeBar(const TabBar* bar);
    void notifyBars();

    std::string m_title;
    ImagePtr m_image;
    ImagePtr m_selectedImage;
    int m_tag = 0;
    std::vector<std::weak_ptr<TabBar>> m_bars;
};

} // namespace kit
