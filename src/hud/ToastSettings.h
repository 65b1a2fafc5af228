#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

// Where a toast sits on the window; any other code places its centre at
// the settings' `postition`.
enum ToastGravity : std::int32_t {
    ToastGravityTop = 1000001,
    ToastGravityBottom = 1000002,
    ToastGravityCenter = 1000003,
};

enum ToastImageLocation : std::int32_t {
    ToastImageLocationTop = 0,
    ToastImageLocationLeft = 1,
};

// The look and timing of toasts. One shared instance holds the defaults; a
// toast that changes anything works on its own copy of them.
class ToastSettings {
public:
    using ImagePtr = std::shared_ptr<const graphics::Image>;
    // The type code that never has an image.
    static constexpr int noImageType = -99996;

    static ToastSettings& getSharedSettings();
    // The ordered copy the toasts take of the shared defaults.
    std::unique_ptr<ToastSettings> copy() const;

    // Does nothing for `noImageType`; an absent image leaves the table as it is.
    void setImageWithLocation(ImagePtr image, std::int32_t location, int type);
    void setImageForType(ImagePtr image, int type);

    std::int64_t duration() const { return m_duration; }
    void setDuration(std::int64_t milliseconds) { m_duration = milliseconds; }
    std::int32_t gravity() const { return m_gravity; }
    void setGravity(std::int32_t gravity) { m_gravity = gravity; }
    graphics::Point postition() const { return m_postition; }
    void setPostition(graphics::Point point) { m_postition = point; }
    float fontSize() const { return m_fontSize; }
    void setFontSize(float size) { m_fontSize = size; }
    bool useShadow() const { return m_useShadow; }
    void setUseShadow(bool useShadow) { m_useShadow = useShadow; }
    float cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(float radius) { m_cornerRadius = radius; }
    float bgRed() const { return m_bgRed; }
    void setBgRed(float value) { m_bgRed = value; }
    float bgGreen() const { return m_bgGreen; }
    void setBgGreen(float value) { m_bgGreen = value; }
    float bgBlue() const { return m_bgBlue; }
    void setBgBlue(float value) { m_bgBlue = value; }
    float bgAlpha() const { return m_bgAlpha; }
    void setBgAlpha(float value) { m_bgAlpha = value; }
    std::int64_t offsetLeft() const { return m_offsetLeft; }
    void setOffsetLeft(std::int64_t offset) { m_offsetLeft = offset; }
    std::int64_t offsetTop() const { return m_offsetTop; }
    void setOffsetTop(std::int64_t offset) { m_offsetTop = offset; }
    // Keyed by the type code written in decimal; absent until an image is set.
    const std::optional<std::map<std::string, ImagePtr>>& images() const { return m_images; }
    ImagePtr imageForType(int type) const;
    std::int32_t imageLocation() const { return m_imageLocation; }
    void setImageLocation(std::int32_t location) { m_imageLocation = location; }

private:
    std::int64_t m_duration = 0;
    std::int32_t m_gravity = 0;
    graphics::Point m_postition;
    float m_fontSize = 0;
    bool m_useShadow = false;
    float m_cornerRadius = 0;
    float m_bgRed = 0;
    float m_bgGreen = 0;
    float m_bgBlue = 0;
    float m_bgAlpha = 0;
    std::int64_t m_offsetLeft = 0;
    std::int64_t m_offsetTop = 0;
    std::optional<std::map<std::string, ImagePtr>> m_images;
    std::int32_t m_imageLocation = ToastImageLocationTop;
};
