#include "hud/ToastView.h"

#include "platform/foundation/ObserverList.h"
#include "platform/foundation/Timer.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/Application.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/Window.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

foundation::ObserverList<std::string>& shownObservers()
{
    static foundation::ObserverList<std::string> observers;
    return observers;
}

// Toasts shown close together are each there long enough to read.
constexpr std::size_t maximumStacked = 3;
constexpr double stackGap = 8;

std::string textOf(const kit::View& box)
{
    for (const auto& sub : box.subviews()) {
        if (auto* label = dynamic_cast<const kit::Label*>(sub.get()))
            return label->text();
    }
    return {};
}

// A new toast goes below the toasts still up (above them when the window
// has no room below), keeping its own time; one with the same text as a
// toast still up takes that one's place, and beyond three the oldest goes.
void makeRoom(kit::Window& host, kit::View& box, const std::string& text)
{
    std::vector<std::shared_ptr<kit::View>> shown;
    // A copy: a toast with the same text leaves the window on the way.
    for (const auto& view : std::vector(host.subviews())) {
        if (view->tag() != ToastView::toastTag)
            continue;
        if (textOf(*view) == text)
            view->removeFromSuperview();
        else
            shown.push_back(view);
    }
    while (shown.size() >= maximumStacked) {
        shown.front()->removeFromSuperview();
        shown.erase(shown.begin());
    }
    if (shown.empty())
        return;
    double top = shown.front()->frame().minY();
    double bottom = shown.front()->frame().maxY();
    for (const auto& view : shown) {
        top = std::min(top, view->frame().minY());
        bottom = std::max(bottom, view->frame().maxY());
    }
    graphics::Rect frame = box.frame();
    double shift = 0;
    if (bottom + stackGap + frame.height() <= host.bounds().height()) {
        shift = bottom + stackGap - frame.minY();
    } else if (top - stackGap - frame.height() >= 0) {
        shift = top - stackGap - frame.height() - frame.minY();
    } else {
        for (const auto& view : shown)
            view->removeFromSuperview();
    }
    box.setCenter({ box.center().x, box.center().y + shift });
}

} // namespace

std::shared_ptr<ToastView> ToastView::makeText(std::optional<std::string> text)
{
    return std::make_shared<ToastView>(Private {}, std::move(text));
}

ToastView::ToastView(Private, std::optional<std::string> text)
    : m_text(std::move(text))
{
}

foundation::Subscription ToastView::observeShown(std::function<void(const std::string&)> observer)
{
    return shownObservers().add(std::move(observer));
}

ToastSettings& ToastView::theSettings()
{
    if (!m_settings)
        m_settings = ToastSettings::getSharedSettings().copy();
    return *m_settings;
}

const ToastSettings& ToastView::currentSettings() const
{
    return m_settings ? *m_settings : ToastSettings::getSharedSettings();
}

ToastView& ToastView::setDuration(std::int64_t milliseconds)
{
    theSettings().setDuration(milliseconds);
    return *this;
}

ToastView& ToastView::setGravity(std::int32_t gravity)
{
    theSettings().setGravity(gravity);
    return *this;
}

ToastView& ToastView::setGravity(std::int32_t gravity, std::int64_t offsetLeft, std::int64_t offsetTop)
{
    theSettings().setGravity(gravity);
    theSettings().setOffsetLeft(offsetLeft);
    theSettings().setOffsetTop(offsetTop);
    return *this;
}

ToastView& ToastView::setPostion(graphics::Point position)
{
    theSettings().setPostition(position);
    return *this;
}

ToastView& ToastView::setFontSize(float size)
{
    theSettings().setFontSize(size);
    return *this;
}

ToastView& ToastView::setUseShadow(bool useShadow)
{
    theSettings().setUseShadow(useShadow);
    return *this;
}

ToastView& ToastView::setCornerRadius(float radius)
{
    theSettings().setCornerRadius(radius);
    return *this;
}

ToastView& ToastView::setBgRed(float value)
{
    theSettings().setBgRed(value);
    return *this;
}

ToastView& ToastView::setBgGreen(float value)
{
    theSettings().setBgGreen(value);
    return *this;
}

ToastView& ToastView::setBgBlue(float value)
{
    theSettings().setBgBlue(value);
    return *this;
}

ToastView& ToastView::setBgAlpha(float value)
{
    theSettings().setBgAlpha(value);
    return *this;
}

graphics::Rect ToastView::toastFrameForImageSize(
    graphics::Size imageSize, std::int32_t location, graphics::Size textSize)
{
    if (location == ToastImageLocationTop) {
        return { 0, 0, std::max(imageSize.width, textSize.width) + 10,
            imageSize.height + textSize.height + 15 };
    }
    if (location == ToastImageLocationLeft) {
        return { 0, 0, imageSize.width + textSize.width + 15,
            std::max(imageSize.height, textSize.height) + 10 };
    }
    return {};
}

graphics::Rect ToastView::frameForImageInToastFrame(
    const ImagePtr& image, std::int32_t location, const graphics::Rect& toastFrame)
{
    if (!image)
        return {};
    graphics::Size size = image->size();
    if (location == ToastImageLocationTop)
        return { (toastFrame.width() - size.width) / 2, 5, size.width, size.height };
    if (location == ToastImageLocationLeft)
        return { 5, (toastFrame.height() - size.height) / 2, size.width, size.height };
    return {};
}

ToastView::Placement ToastView::placementFor(
    int orientation, const ToastSettings& settings, graphics::Size window)
{
    double W = window.width;
    double H = window.height;
    auto left = static_cast<double>(settings.offsetLeft());
    auto top = static_cast<double>(settings.offsetTop());
    std::int32_t gravity = settings.gravity();
    auto pick = [&](graphics::Point atTop, graphics::Point atBottom) {
        switch (gravity) {
        case ToastGravityTop:
            return atTop;
        case ToastGravityBottom:
            return atBottom;
        case ToastGravityCenter:
            return graphics::Point(W / 2, H / 2);
        default:
            return settings.postition();
        }
    };
    constexpr double pi = std::numbers::pi;
    switch (orientation) {
    case 1: {
        graphics::Point p = pick({ W / 2, 45 }, { W / 2, H - 80 });
        return { { p.x + left, p.y + top }, 0 };
    }
    case 2: {
        graphics::Point p = pick({ W / 2, H - 45 }, { W / 2, 45 });
        return { { p.x - left, p.y - top }, pi };
    }
    case 3: {
        graphics::Point p = pick({ W - 45, H / 2 }, { 45, H / 2 });
        return { { p.x - top, p.y - left }, pi / 2 };
    }
    case 4: {
        graphics::Point p = pick({ 45, H / 2 }, { W - 45, H / 2 });
        return { { p.x + top, p.y + left }, -pi / 2 };
    }
    default:
        return {};
    }
}

void ToastView::show()
{
    show(ToastSettings::noImageType);
}

void ToastView::show(int type)
{
    if (!m_text || m_text->empty())
        return;
    auto* application = kit::Application::sharedApplication();
    if (!application)
        return;
    auto windows = application->windows();
    if (windows.empty() || !windows.front())
        return;
    std::shared_ptr<kit::Window> host = windows.front();

    const ToastSettings& settings = currentSettings();
    ImagePtr image = settings.imageForType(type);
    graphics::Font font = graphics::Font::systemFont(settings.fontSize());
    graphics::Size textSize = graphics::TextMeasurer::shared()->boundingSize(*m_text, font, textBounds);

    auto label = std::make_shared<kit::Label>(graphics::Rect(0, 0, textSize.width + 5, textSize.height + 5));
    label->setBackgroundColor(graphics::Color::clear());
    label->setTextColor(graphics::Color::white());
    label->setFont(font);
    label->setText(*m_text);
    label->setNumberOfLines(0);
    if (settings.useShadow()) {
        label->setShadowColor(graphics::Color::darkGray());
        label->setShadowOffset({ 1, 1 });
    }

    auto box = kit::Button::buttonWithType(kit::ButtonType::Custom);
    std::int32_t location = settings.imageLocation();
    if (image) {
        graphics::Rect frame = toastFrameForImageSize(image->size(), location, textSize);
        box->setFrame(frame);
        double W = frame.width();
        double H = frame.height();
        double iw = image->size().width;
        double ih = image->size().height;
        if (location == ToastImageLocationLeft) {
            label->setTextAlignment(graphics::TextAlignment::Left);
            label->setCenter({ iw + 10 + (W - iw - 10) / 2, H / 2 });
        } else if (location == ToastImageLocationTop) {
            label->setTextAlignment(graphics::TextAlignment::Center);
            label->setCenter({ W / 2, ih + 10 + (H - ih - 10) / 2 });
        }
    } else {
        box->setFrame({ 0, 0, textSize.width + 20, textSize.height + 10 });
        label->setCenter({ box->bounds().width() / 2 + 5, box->bounds().height() / 2 });
    }
    graphics::Rect labelFrame = label->frame();
    label->setFrame(
        { std::ceil(labelFrame.x()), std::ceil(labelFrame.y()), labelFrame.width(), labelFrame.height() });
    box->addSubview(label);

    if (image) {
        auto imageView = std::make_shared<kit::ImageView>(image);
        imageView->setFrame(frameForImageInToastFrame(image, location, box->bounds()));
        box->addSubview(imageView);
    }

    box->setBackgroundColor(
        graphics::Color(settings.bgRed(), settings.bgGreen(), settings.bgBlue(), settings.bgAlpha()));
    box->layer().setCornerRadius(settings.cornerRadius());

    Placement placement = placementFor(application->statusBarOrientation(), settings, host->frame().size);
    if (placement.rotation != 0)
        box->setTransform(graphics::AffineTransform::makeRotation(placement.rotation));
    box->setCenter(placement.center);
    box->setFrame(box->frame().integral());

    // The timers keep this toast alive until they have fired.
    double seconds = static_cast<double>(settings.duration()) / 1000.0;
    auto self = shared_from_this();
    foundation::Timer::scheduledTimer(seconds, false, [self] { self->removeToast(); });
    foundation::Timer::scheduledTimer(seconds, false, [self] { self->hideToast(); });

    box->setTag(toastTag);
    makeRoom(*host, *box, *m_text);
    // Read even while an alert is up: the text often says why it came back.
    box->setFloatsAboveAlerts(true);
    box->setAlpha(0);
    host->addSubview(box);
    kit::View::beginAnimations();
    box->setAlpha(1);
    kit::View::commitAnimations();

    m_toastView = box;
    shownObservers().notify(*m_text);
}

void ToastView::hideToast()
{
    if (!m_toastView)
        return;
    kit::View::beginAnimations();
    m_toastView->setAlpha(0);
    kit::View::commitAnimations();
}

void ToastView::removeToast()
{
    if (m_toastView)
        m_toastView->removeFromSuperview();
}
