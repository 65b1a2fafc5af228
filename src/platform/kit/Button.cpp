#include "platform/kit/Button.h"

#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"

#include <algorithm>
#include <cmath>

namespace kit {

Button::Button(ButtonType type)
    : m_type(type)
{
}

Button::Button(ButtonType type, const graphics::Rect& frame)
    : Control(frame)
    , m_type(type)
{
}

std::shared_ptr<Button> Button::buttonWithType(ButtonType type)
{
    return std::make_shared<Button>(type);
}

void Button::setTitle(const std::optional<std::string>& title, ControlState state)
{
    if (title)
        m_titles[state] = *title;
    else
        m_titles.erase(state);
    syncContent();
}

std::optional<std::string> Button::titleForState(ControlState state) const
{
    return lookup(m_titles, state);
}

void Button::setTitleColor(const std::optional<graphics::Color>& color, ControlState state)
{
    if (color)
        m_titleColors[state] = *color;
    else
        m_titleColors.erase(state);
    syncContent();
}

graphics::Color Button::titleColorForState(ControlState state) const
{
    if (auto color = lookup(m_titleColors, state))
        return *color;
    // The toolkit's defaults: white on custom buttons, the tint on system ones.
    if (m_type == ButtonType::System)
        return tintColor().value_or(graphics::Color(0, 122.0 / 255, 1));
    return graphics::Color::white();
}

void Button::setImage(ImagePtr image, ControlState state)
{
    if (image)
        m_images[state] = std::move(image);
    else
        m_images.erase(state);
    syncContent();
}

Button::ImagePtr Button::imageForState(ControlState state) const
{
    return lookup(m_images, state).value_or(nullptr);
}

void Button::setBackgroundImage(ImagePtr image, ControlState state)
{
    if (image)
        m_backgroundImages[state] = std::move(image);
    else
        m_backgroundImages.erase(state);
    setNeedsDisplay();
}

Button::ImagePtr Button::backgroundImageForState(ControlState state) const
{
    return lookup(m_backgroundImages, state).value_or(nullptr);
}

std::shared_ptr<Label> Button::titleLabel()
{
    if (!m_titleLabel) {
        m_titleLabel = std::make_shared<Label>();
        m_titleLabel->setFont(graphics::Font::systemFont(m_type == ButtonType::System ? 15 : 18));
        m_titleLabel->setTextAlignment(graphics::TextAlignment::Center);
        addSubview(m_titleLabel);
        syncContent();
    }
    return m_titleLabel;
}

std::shared_ptr<ImageView> Button::imageView()
{
    if (!m_imageView) {
        m_imageView = std::make_shared<ImageView>();
        m_imageView->setContentMode(ContentMode::Center);
        addSubview(m_imageView);
        syncContent();
    }
    return m_imageView;
}

void Button::setImageEdgeInsets(const graphics::EdgeInsets& insets)
{
    m_imageEdgeInsets = insets;
    setNeedsLayout();
}

void Button::setTitleEdgeInsets(const graphics::EdgeInsets& insets)
{
    m_titleEdgeInsets = insets;
    setNeedsLayout();
}

void Button::setContentEdgeInsets(const graphics::EdgeInsets& insets)
{
    m_contentEdgeInsets = insets;
    setNeedsLayout();
}

void Button::stateDidChange()
{
    syncContent();
}

void Button::syncContent()
{
    auto title = currentTitle();
    auto image = currentImage();
    if (title && !m_titleLabel) {
        titleLabel();
        return;
    }
    if (image && !m_imageView) {
        imageView();
        return;
    }
    if (m_titleLabel) {
        m_titleLabel->setText(title);
        m_titleLabel->setTextColor(currentTitleColor());
        m_titleLabel->setHidden(!title || title->empty());
    }
    if (m_imageView) {
        m_imageView->setImage(image);
        m_imageView->setHidden(!image);
    }
    setNeedsLayout();
    setNeedsDisplay();
}

void Button::layoutSubviews()
{
    // Image then title, side by side, centred as one block in the content
    // rectangle; the edge insets then shift each part.
    graphics::Rect content = bounds().inset(m_contentEdgeInsets);
    graphics::Size imageSize
        = m_imageView && m_imageView->image() ? m_imageView->image()->size() : graphics::Size();
    graphics::Size titleSize;
    if (m_titleLabel && !m_titleLabel->text().empty()) {
        titleSize = m_titleLabel->sizeThatFits({ 0, 0 });
        titleSize.width = std::min(titleSize.width, std::max(0.0, content.width() - imageSize.width));
    }
    double total = imageSize.width + titleSize.width;
    double x = content.x() + (content.width() - total) / 2;
    if (m_imageView) {
        graphics::Rect r(
            x, content.y() + (content.height() - imageSize.height) / 2, imageSize.width, imageSize.height);
        r = r.offsetBy(m_imageEdgeInsets.left - m_imageEdgeInsets.right,
            m_imageEdgeInsets.top - m_imageEdgeInsets.bottom);
        m_imageView->setFrame(r);
    }
    if (m_titleLabel) {
        graphics::Rect r(x + imageSize.width, content.y() + (content.height() - titleSize.height) / 2,
            titleSize.width, titleSize.height);
        r = r.offsetBy(m_titleEdgeInsets.left - m_titleEdgeInsets.right,
            m_titleEdgeInsets.top - m_titleEdgeInsets.bottom);
        m_titleLabel->setFrame(r);
    }
}

graphics::Size Button::sizeThatFits(const graphics::Size&) const
{
    graphics::Size size;
    if (auto image = currentImage())
        size = image->size();
    if (auto title = currentTitle(); title && m_titleLabel) {
        graphics::Size t = m_titleLabel->sizeThatFits({ 0, 0 });
        size.width += t.width;
        size.height = std::max(size.height, t.height);
    }
    if (auto background = currentBackgroundImage()) {
        size.width = std::max(size.width, background->size().width);
        size.height = std::max(size.height, background->size().height);
    }
    return { size.width + m_contentEdgeInsets.left + m_contentEdgeInsets.right,
        size.height + m_contentEdgeInsets.top + m_contentEdgeInsets.bottom };
}

} // namespace kit
