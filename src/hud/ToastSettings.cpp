#include "hud/ToastSettings.h"

#include <charconv>

namespace {

ToastSettings makeDefaults()
{
    ToastSettings settings;
    settings.setGravity(ToastGravityCenter);
    settings.setDuration(1000);
    settings.setFontSize(16.0f);
    settings.setUseShadow(true);
    settings.setCornerRadius(5.0f);
    settings.setBgRed(0);
    settings.setBgGreen(0);
    settings.setBgBlue(0);
    settings.setBgAlpha(0.7f);
    settings.setOffsetLeft(0);
    settings.setOffsetTop(0);
    return settings;
}

} // namespace

ToastSettings& ToastSettings::getSharedSettings()
{
    static ToastSettings shared = makeDefaults();
    return shared;
}

std::unique_ptr<ToastSettings> ToastSettings::copy() const
{
    auto copy = std::make_unique<ToastSettings>();
    copy->setGravity(m_gravity);
    copy->setDuration(m_duration);
    copy->setPostition(m_postition);
    copy->setFontSize(m_fontSize);
    copy->setUseShadow(m_useShadow);
    copy->setCornerRadius(m_cornerRadius);
    copy->setBgRed(m_bgRed);
    copy->setBgGreen(m_bgGreen);
    copy->setBgBlue(m_bgBlue);
    copy->setBgAlpha(m_bgAlpha);
    copy->setOffsetLeft(m_offsetLeft);
    copy->setOffsetTop(m_offsetTop);
    if (m_images) {
        for (const auto& [key, image] : *m_images) {
            int type = 0;
            std::from_chars(key.data(), key.data() + key.size(), type);
            copy->setImageForType(image, type);
        }
    }
    // Last, because setting images leaves the side-by-side location behind.
    copy->setImageLocation(m_imageLocation);
    return copy;
}

void ToastSettings::setImageWithLocation(ImagePtr image, std::int32_t location, int type)
{
    if (type == noImageType)
        return;
    if (!m_images)
        m_images.emplace();
    if (image)
        (*m_images)[std::to_string(type)] = std::move(image);
    m_imageLocation = location;
}

void ToastSettings::setImageForType(ImagePtr image, int type)
{
    setImageWithLocation(std::move(image), ToastImageLocationLeft, type);
}

ToastSettings::ImagePtr ToastSettings::imageForType(int type) const
{
    if (!m_images)
        return nullptr;
    auto it = m_images->find(std::to_string(type));
    return it == m_images->end() ? nullptr : it->second;
}
