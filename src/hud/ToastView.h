#pragma once

#include "hud/ToastSettings.h"
#include "platform/foundation/Subscription.h"
#include "platform/graphics/Geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kit {
class Button;
}

// One short message in a dark rounded box on the application's first
// window, drawn above any alert; it goes by itself after the settings'
// duration. Toasts shown while others are up stack below them, so each is
// read; a newer toast with the same text replaces the older one.
//
//     ToastView::makeText("连接失败，请检查您的网络连接！")->setGravity(ToastGravityCenter).setDuration(1000).show();
//
// Main thread only.
class ToastView : public std::enable_shared_from_this<ToastView> {
public:
    using ImagePtr = ToastSettings::ImagePtr;
    // Marks the toast's view in the window, so the next toast finds those still up.
    static constexpr int toastTag = 6984678;
    static constexpr graphics::Size textBounds { 280, 60 };

    struct Placement {
        graphics::Point center;
        double rotation = 0;
    };

    static std::shared_ptr<ToastView> makeText(std::optional<std::string> text);
    struct Private { };
    ToastView(Private, std::optional<std::string> text);

    const std::optional<std::string>& text() const { return m_text; }
    // The view now on the window for this toast, if it was shown.
    const std::shared_ptr<kit::Button>& toastView() const { return m_toastView; }

    // Shows the text alone, whatever images the settings hold.
    void show();
    // A toast with no text, or with no window to go on, shows nothing.
    void show(int type);

    // The toast's own settings, copied from the shared ones on first use.
    ToastSettings& theSettings();
    // The settings a show would use now.
    const ToastSettings& currentSettings() const;

    ToastView& setDuration(std::int64_t milliseconds);
    ToastView& setGravity(std::int32_t gravity);
    ToastView& setGravity(std::int32_t gravity, std::int64_t offsetLeft, std::int64_t offsetTop);
    ToastView& setPostion(graphics::Point position);
    ToastView& setFontSize(float size);
    ToastView& setUseShadow(bool useShadow);
    ToastView& setCornerRadius(float radius);
    ToastView& setBgRed(float value);
    ToastView& setBgGreen(float value);
    ToastView& setBgBlue(float value);
    ToastView& setBgAlpha(float value);

    void hideToast();
    void removeToast();

    static graphics::Rect toastFrameForImageSize(
        graphics::Size imageSize, std::int32_t location, graphics::Size textSize);
    static graphics::Rect frameForImageInToastFrame(
        const ImagePtr& image, std::int32_t location, const graphics::Rect& toastFrame);
    // Where the box's centre goes, and its turn, for a status-bar orientation
    // on a window of the size.
    static Placement placementFor(int orientation, const ToastSettings& settings, graphics::Size window);

    // Each shown text, for test harnesses that list what the user was told.
    [[nodiscard]] static foundation::Subscription observeShown(
        std::function<void(const std::string&)> observer);

private:
    std::unique_ptr<ToastSettings> m_settings;
    std::optional<std::string> m_text;
    std::shared_ptr<kit::Button> m_toastView;
};
