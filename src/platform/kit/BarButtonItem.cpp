#include "platform/kit/BarButtonItem.h"

#include "platform/kit/Button.h"
#include "platform/kit/Label.h"

namespace kit {

std::shared_ptr<BarButtonItem> BarButtonItem::fixedSpace(double width)
{
    return std::make_shared<BarButtonItem>(FixedSpaceTag {}, width);
}

BarButtonItem::BarButtonItem(FixedSpaceTag, double width)
    : m_fixedSpace(true)
    , m_width(width)
{
}

BarButtonItem::BarButtonItem(std::shared_ptr<View> customView)
    : m_customView(std::move(customView))
{
}

BarButtonItem::BarButtonItem(std::string title, std::function<void()> action)
    : m_title(std::move(title))
    , m_action(std::move(action))
{
}

void BarButtonItem::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (m_button)
        m_button->setEnabled(enabled);
}

std::shared_ptr<View> BarButtonItem::view()
{
    if (m_fixedSpace)
        return nullptr;
    if (m_customView)
        return m_customView;
    if (!m_button) {
        m_button = std::make_shared<Button>(ButtonType::System);
        m_button->setTitle(m_title, ControlState::Normal);
        m_button->setTitleColor(graphics::Color::white(), ControlState::Normal);
        m_button->titleLabel()->setFont(graphics::Font::systemFont(17));
        m_button->setEnabled(m_enabled);
        graphics::Size size = m_button->sizeThatFits({ 0, 0 });
        m_button->setFrame({ 0, 0, std::max(size.width + 8, 44.0), 44 });
        // The item owns the button and the button the closure, so the
        // action may not capture the button itself.
        auto action = m_action;
        m_button->addAction(
            [action](Control&) {
                if (action)
                    action();
            },
            ControlEvent::TouchUpInside);
    }
    return m_button;
}

} // namespace kit
