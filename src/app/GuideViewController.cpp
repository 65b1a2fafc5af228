#include "app/GuideViewController.h"

#include "api/Constants.h"
#include "app/AppDelegate.h"
#include "app/HomeViewController.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Window.h"

#include <cmath>
#include <string>

namespace {

// Used when the button artwork is missing, so the guide can still be left.
constexpr graphics::Size fallbackButtonSize { 150, 40 };

} // namespace

void GuideViewController::loadView()
{
    kit::ViewController::loadView();
    initViews();
}

void GuideViewController::initViews()
{
    auto root = view();
    double w = std::floor(root->bounds().size.width);
    double h = std::floor(root->bounds().size.height);

    m_scrollView = std::make_shared<kit::ScrollView>(graphics::Rect { 0, 0, w, h });
    m_scrollView->setName("scrollView");
    m_scrollView->setBackgroundColor(graphics::Color::white());
    m_scrollView->setBounces(true);
    m_scrollView->setPagingEnabled(true);
    m_scrollView->setScrollEnabled(true);
    m_scrollView->setShowsHorizontalScrollIndicator(true);
    m_scrollView->setShowsVerticalScrollIndicator(true);
    m_scrollView->setContentSize({ w * pageCount, h });

    for (int page = 0; page < pageCount; ++page) {
        auto imageView = std::make_shared<kit::ImageView>(graphics::Rect { page * w, 0, w, h });
        m_pages.push_back(imageView);
        m_scrollView->addSubview(imageView);
        if (page != pageCount - 1)
            continue;
        auto normal = graphics::Image::named("Guide_Btn");
        auto size = normal ? normal->size() : fallbackButtonSize;
        auto button = std::make_shared<kit::Button>(kit::ButtonType::Custom,
            graphics::Rect { (w - size.width) / 2, h - 75, size.width, size.height });
        button->setName(goHomeButtonName);
        button->setBackgroundImage(normal, kit::ControlState::Normal);
        button->setBackgroundImage(graphics::Image::named("Guide_Btn_On"), kit::ControlState::Highlighted);
        std::weak_ptr<GuideViewController> weak
            = std::static_pointer_cast<GuideViewController>(shared_from_this());
        button->addTarget(weak.lock(), &GuideViewController::goHome, kit::ControlEvent::TouchUpInside);
        // Image views take no touches, and the button sits on this one.
        imageView->setUserInteractionEnabled(true);
        imageView->addSubview(button);
    }
    root->addSubview(m_scrollView);
    // The observer runs before the turn's drawing, so a page sliding in is drawn
    // with its picture.
    std::weak_ptr<GuideViewController> weak
        = std::static_pointer_cast<GuideViewController>(shared_from_this());
    m_offsetObserver = m_scrollView->observeContentOffset([weak](graphics::Point, graphics::Point) {
        if (auto self = weak.lock())
            self->showPicturesInView();
    });
    showPicturesInView();
}

void GuideViewController::showPicturesInView()
{
    auto const visible = m_scrollView->bounds();
    for (size_t page = 0; page < m_pages.size(); ++page) {
        auto const& imageView = m_pages[page];
        if (!imageView->frame().intersects(visible))
            imageView->setImage(nullptr);
        else if (!imageView->image())
            imageView->setImage(graphics::Image::loadNamed("Guide" + std::to_string(page + 1)));
    }
}

void GuideViewController::viewDidLoad()
{
    kit::ViewController::viewDidLoad();
    auto& defaults = foundation::UserDefaults::standard();
    defaults.setObject(std::string(IS_FIRST_LAUNCH), IS_FIRST_LAUNCH);
    (void)defaults.synchronize();
}

void GuideViewController::goHome()
{
    auto app = AppDelegate::shared();
    if (!app || !app->window())
        return;
    // Keeps this screen alive until the window has let go of it.
    auto keep = shared_from_this();
    view()->removeFromSuperview();
    app->window()->setRootViewController(app->homeViewController());
}
