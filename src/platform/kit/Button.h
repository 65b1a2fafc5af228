#pragma once

#include "platform/graphics/Image.h"
#include "platform/kit/Control.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace kit {

class ImageView;
class Label;

enum class ButtonType { Custom = 0, System = 1 };

// A control with a title, an image and a background image per state. A
// state with nothing set shows what the normal state has. The title and
// the image are shown by the button's own label and image view subviews,
// kept in step with the current state; only the background image is the
// button's to paint.
class Button : public Control {
public:
    using ImagePtr = std::shared_ptr<const graphics::Image>;

    explicit Button(ButtonType type = ButtonType::Custom);
    Button(ButtonType type, const graphics::Rect& frame);
    static std::shared_ptr<Button> buttonWithType(ButtonType type);

    ButtonType buttonType() const { return m_type; }

    void setTitle(const std::optional<std::string>& title, ControlState state);
    std::optional<std::string> titleForState(ControlState state) const;
    std::optional<std::string> currentTitle() const { return titleForState(state()); }
    void setTitleColor(const std::optional<graphics::Color>& color, ControlState state);
    graphics::Color titleColorForState(ControlState state) const;
    graphics::Color currentTitleColor() const { return titleColorForState(state()); }
    void setImage(ImagePtr image, ControlState state);
    ImagePtr imageForState(ControlState state) const;
    ImagePtr currentImage() const { return imageForState(state()); }
    void setBackgroundImage(ImagePtr image, ControlState state);
    ImagePtr backgroundImageForState(ControlState state) const;
    ImagePtr currentBackgroundImage() const { return backgroundImageForState(state()); }

    // The label that shows the title (its font is the title font).
    std::shared_ptr<Label> titleLabel();
    std::shared_ptr<ImageView> imageView();

    graphics::EdgeInsets imageEdgeInsets() const { return m_imageEdgeInsets; }
    void setImageEdgeInsets(const graphics::EdgeInsets& insets);
    graphics::EdgeInsets titleEdgeInsets() const { return m_titleEdgeInsets; }
    void setTitleEdgeInsets(const graphics::EdgeInsets& insets);
    graphics::EdgeInsets contentEdgeInsets() const { return m_contentEdgeInsets; }
    void setContentEdgeInsets(const graphics::EdgeInsets& insets);

    void layoutSubviews() override;
    graphics::Size sizeThatFits(const graphics::Size& size) const override;

protected:
    void stateDidChange() override;

private:
    template<class T>
    static std::optional<T> lookup(const std::map<ControlState, T>& table, ControlState state)
    {
        if (auto it = table.find(state); it != table.end())
            return it->second;
        if (auto it = table.find(ControlState::Normal); it != table.end())
            return it->second;
        return std::nullopt;
    }
    void syncContent();

    ButtonType m_type;
    std::map<ControlState, std::string> m_titles;
    std::map<ControlState, graphics::Color> m_titleColors;
    std::map<ControlState, ImagePtr> m_images;
    std::map<ControlState, ImagePtr> m_backgroundImages;
    std::shared_ptr<Label> m_titleLabel;
    std::shared_ptr<ImageView> m_imageView;
    graphics::EdgeInsets m_imageEdgeInsets;
    graphics::EdgeInsets m_titleEdgeInsets;
    graphics::EdgeInsets m_contentEdgeInsets;
};

} // namespace kit
