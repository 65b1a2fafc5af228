#include "platform/kit/NavigationBar.h"

#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Screen.h"

#include <algorithm>

namespace kit {

NavigationBar::NavigationBar()
    : View(graphics::Rect(0, 0, Screen::mainScreen().bounds().width(), height))
{
}

void NavigationBar::setBackgroundImage(std::shared_ptr<const graphics::Image> image)
{
    m_backgroundImage = std::move(image);
    setNeedsDisplay();
}

void NavigationBar::setBarStyle(BarStyle style)
{
    m_barStyle = style;
    setNeedsDisplay();
}

void NavigationBar::setBarTintColor(const std::optional<graphics::Color>& color)
{
    m_barTintColor = color;
    setNeedsDisplay();
}

void NavigationBar::setTitleTextColor(const std::optional<graphics::Color>& color)
{
    m_titleTextColor = color;
    setNeedsLayout();
}

void NavigationBar::setTitleFont(const std::optional<graphics::Font>& font)
{
    m_titleFont = font;
    setNeedsLayout();
}

std::shared_ptr<NavigationItem> NavigationBar::backItem() const
{
    return m_items.size() < 2 ? nullptr : m_items[m_items.size() - 2];
}

void NavigationBar::setItems(std::vector<std::shared_ptr<NavigationItem>> items)
{
    for (auto& item : m_items)
        item->setChangeHandler({});
    std::erase(items, nullptr);
    m_items = std::move(items);
    if (auto top = topItem()) {
        std::weak_ptr<View> weakBar = weak_from_this();
        top->setChangeHandler([weakBar] {
            if (auto bar = weakBar.lock())
                bar->setNeedsLayout();
        });
    }
    setNeedsLayout();
}

void NavigationBar::layoutSubviews()
{
    placeItems();
}

void NavigationBar::placeItems()
{
    for (auto& view : m_placed) {
        if (view->superview().get() == this)
            view->removeFromSuperview();
    }
    m_placed.clear();
    m_titleLabel.reset();
    m_backButton.reset();
    auto top = topItem();
    if (!top)
        return;

    double rowCenterY = statusBarHeight + barHeight / 2;
    auto place = [&](const std::shared_ptr<View>& view, double x) {
        graphics::Rect f = view->frame();
        view->setFrame({ x, rowCenterY - f.height() / 2, f.width(), f.height() });
        addSubview(view);
        m_placed.push_back(view);
    };

    double x = edgeMargin;
    auto left = top->leftBarButtonItems();
    if (left.empty() && backItem() && !top->hidesBackButton()) {
        m_backButton = std::make_shared<Button>(ButtonType::System);
        std::string title = backItem()->title().empty() ? "返回" : backItem()->title();
        m_backButton->setTitle(title, ControlState::Normal);
        m_backButton->setTitleColor(tintColor().value_or(graphics::Color::white()), ControlState::Normal);
        graphics::Size size = m_backButton->sizeThatFits({ 0, 0 });
        m_backButton->setFrame({ 0, 0, std::max(size.width + 8, 44.0), barHeight });
        auto action = m_backAction;
        m_backButton->addAction(
            [action](Control&) {
                if (action)
                    action();
            },
            ControlEvent::TouchUpInside);
        place(m_backButton, x);
        x += m_backButton->frame().width();
    }
    for (auto& item : left) {
        if (item->isFixedSpace()) {
            x += item->width();
            continue;
        }
        if (auto view = item->view()) {
            place(view, x);
            x += view->frame().width();
        }
    }
    double right = bounds().width() - edgeMargin;
    for (auto& item : top->rightBarButtonItems()) {
        if (item->isFixedSpace()) {
            right -= item->width();
            continue;
        }
        if (auto view = item->view()) {
            right -= view->frame().width();
            place(view, right);
        }
    }

    double centerX = bounds().width() / 2;
    if (auto titleView = top->titleView()) {
        place(titleView, centerX - titleView->frame().width() / 2);
    } else if (!top->title().empty()) {
        m_titleLabel = std::make_shared<Label>();
        m_titleLabel->setText(top->title());
        m_titleLabel->setFont(m_titleFont.value_or(graphics::Font::boldSystemFont(17)));
        m_titleLabel->setTextColor(m_titleTextColor.value_or(graphics::Color::black()));
        m_titleLabel->setTextAlignment(graphics::TextAlignment::Center);
        m_titleLabel->setFrame({ 0, 0, 200, barHeight });
        place(m_titleLabel, centerX - 100);
    }
}

} // namespace kit
