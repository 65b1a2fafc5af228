#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;

namespace graphics {
class CairoDrawingContext;
}

namespace kit {

class AlertView;
class View;
class Window;

// Where an alert's parts sit over a screen of the given bounds, in its
// points: what is painted and what a pointer presses are one layout.
struct AlertLayout {
    graphics::Rect panel;
    graphics::Rect title;
    graphics::Rect message;
    std::vector<graphics::Rect> fields;
    std::vector<graphics::Rect> buttons;

    // The button or field under a point, or -1.
    int buttonAt(graphics::Point point) const;
    int fieldAt(graphics::Point point) const;
};
AlertLayout layOutAlert(const AlertView& alert, const graphics::Rect& screen);

// Paints a view tree (usually the window) through cairo and pango: the
// screenshots of the headless shell and the frames of the window front end.
// Views are painted as they stand; painting never changes a view, except
// through what a view's own drawRect does.
class Renderer {
public:
    // The device scale: 2 paints a 320 x 568 point window as 640 x 1136.
    explicit Renderer(double scale = 2.0);

    double scale() const { return m_scale; }
    // Painted under the tree, where no view covers: black, as on a phone.
    graphics::Color backdrop() const { return m_backdrop; }
    void setBackdrop(const graphics::Color& color) { m_backdrop = color; }
    // Alerts are not views; when a window is painted the visible one is
    // drawn over it, dimming the screen, unless this is turned off.
    bool showsAlerts() const { return m_showsAlerts; }
    void setShowsAlerts(bool shows) { m_showsAlerts = shows; }
    // The caret of the input that takes the keys follows its blink
    // (Caret) in a window on screen; a picture of the app shows it lit, so
    // the picture says where typing goes. Off by default.
    bool caretBlinks() const { return m_caretBlinks; }
    void setCaretBlinks(bool blinks) { m_caretBlinks = blinks; }

    // Where the caret is painted, in the window's points, lit or not: in
    // the chosen field of the alert that is up, else in the window's text
    // input in edit. None while no input takes the keys.
    static std::optional<graphics::Rect> caretRect(Window& window);

    // The view's bounds at the scale; nullptr when the view has no area.
    std::shared_ptr<const graphics::Image> renderImage(View& view) const;
    // PNG bytes; empty when the view has no area.
    std::string renderPng(View& view) const;
    // False when the file could not be written.
    bool renderPngFile(View& view, const std::filesystem::path& path) const;

    // Paints the tree on a cairo context whose user space is the view's
    // bounds, for callers that own the surface (the window front end, the
    // benchmark).
    void paint(View& view, cairo_t* cairo) const;

private:
    void paintTree(View& view, graphics::CairoDrawingContext& context, bool isRoot) const;
    void paintContent(View& view, graphics::CairoDrawingContext& context) const;
    bool caretLit() const;

    double m_scale;
    graphics::Color m_backdrop = graphics::Color::black();
    bool m_showsAlerts = true;
    bool m_caretBlinks = false;
};

} // namespace kit
