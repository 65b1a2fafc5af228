#include "platform/graphics/Font.h"

#include <cmath>

namespace graphics {

Font::Font(std::string family, double size, bool bold)
    : m_family(family.empty() ? SystemFamily : std::move(family))
    // A zero, negative or NaN size would make pango divide by zero; the
    // phone toolkit treats such sizes as its default.
    , m_pointSize(std::isfinite(size) && size > 0 ? size : 17)
    , m_bold(bold)
{
}

} // namespace graphics
