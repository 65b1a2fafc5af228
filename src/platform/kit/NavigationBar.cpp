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
    // Views kept from the last pass are only moved and re-added, which
    // reorders them without marking the bar again; only a view that is new to
    // the bar asks for one more pass, so an unchanged bar settles at once.
    std::vector<std::shared_ptr<View>> placed;
    double rowCenterY = statusBarHeight + barHeight / 2;
    auto place = [&](const std::shared_ptr<View>& view, double x) {
        graphics::Rect f = view->frame();
        view->setFrame({ x, rowCenterY - f.height() / 2, f.width(), f.height() });
        placed.push_back(view);
    };

    auto top = topItem();
    std::vector<std::shared_ptr<BarButtonItem>> left;
    if (top)
        left = top->leftBarButtonItems();
    double x = edgeMargin;
    if (top && left.empty() && backItem() && !top->hidesBackButton()) {
        if (!m_backButton) {
            m_backButton = std::make_shared<Button>(ButtonType::System);
            std::weak_ptr<View> weakBar = weak_from_this();
            m_backButton->addAction(
                [weakBar](Control&) {
                    auto bar = weakBar.lock();
                    if (!bar)
                        return;
                    // Copied: the action usually pops the screen, which may
                    // replace it.
                    auto action = static_cast<NavigationBar&>(*bar).m_backAction;
                    if (action)
                        action();
                },
                ControlEvent::TouchUpInside);
        }
        std::string title = backItem()->title().empty() ? "返回" : backItem()->title();
        if (m_backButton->titleForState(ControlState::Normal) != title)
            m_backButton->setTitle(title, ControlState::Normal);
        m_backButton->setTitleColor(tintColor().value_or(graphics::Color::white()), ControlState::Normal);
        graphics::Size size = m_backButton->sizeThatFits({ 0, 0 });
        m_backButton->setFrame({ 0, 0, std::max(size.width + 8, 44.0), barHeight });
        place(m_backButton, x);
        x += m_backButton->frame().width();
    } else {
        m_backButton.reset();
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
    if (top) {
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
    }

    double centerX = bounds().width() / 2;
    auto titleView = top ? top->titleView() : nullptr;
    if (titleView) {
        m_titleLabel.reset();
        place(titleView, centerX - titleView->frame().width() / 2);
    } else if (top && !top->title().empty()) {
        if (!m_titleLabel)
            m_titleLabel = std::make_shared<Label>();
        m_titleLabel->setText(top->title());
        m_titleLabel->setFont(m_titleFont.value_or(graphics::Font::boldSystemFont(17)));
        m_titleLabel->setTextColor(m_titleTextColor.value_or(graphics::Color::black()));
        m_titleLabel->setTextAlignment(graphics::TextAlignment::Center);
        m_titleLabel->setFrame({ 0, 0, 200, barHeight });
        place(m_titleLabel, centerX - 100);
    } else {
        m_titleLabel.reset();
    }

    for (auto& view : m_placed) {
        if (view->superview().get() == this && std::find(placed.begin(), placed.end(), view) == placed.end())
            view->removeFromSuperview();
    }
    for (auto& view : placed)
        addSubview(view);
    m_placed = std::move(placed);
}

} // namespace kit
