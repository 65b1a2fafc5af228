#pragma once

#include "platform/graphics/TextMeasurer.h"

#include <memory>
#include <mutex>

typedef struct _PangoContext PangoContext;
typedef struct _PangoFontMap PangoFontMap;

namespace graphics {

// Measures with the same pango set-up the cairo painter draws with.
class PangoTextMeasurer final : public TextMeasurer {
public:
    PangoTextMeasurer();
    ~PangoTextMeasurer() override;
    PangoTextMeasurer(const PangoTextMeasurer&) = delete;
    PangoTextMeasurer& operator=(const PangoTextMeasurer&) = delete;

    Size sizeOfText(std::string_view text, const Font& font) const override;
    Size boundingSize(std::string_view text, const Font& font, Size bounds) const override;
    double lineHeight(const Font& font) const override;
    Point caretPosition(
        std::string_view text, std::size_t index, const Font& font, double width) const override;

private:
    // Pango objects are not thread-safe; measuring may be asked for from a
    // worker (an overlay laid out off the main thread).
    mutable std::mutex m_mutex;
    PangoFontMap* m_fontMap = nullptr;
    PangoContext* m_context = nullptr;
};

} // namespace graphics
